#include "acompanha/apuracao.h"
#include <QJsonArray>
#include <QTimeZone>
#include <algorithm>
#include <map>
#include <tuple>

namespace acompanha {

qint64 Apuracao::total() const
{
    qint64 soma = 0;
    for (const TempoDia &linha : linhas)
        soma += linha.segundos;
    return soma;
}

qint64 Apuracao::totalDoDia(const QDate &dia) const
{
    qint64 soma = 0;
    for (const TempoDia &linha : linhas)
        if (linha.dia == dia)
            soma += linha.segundos;
    return soma;
}

QStringList Apuracao::atividades() const
{
    QStringList chaves;
    for (const TempoDia &linha : linhas)
        if (!chaves.contains(linha.chave()))
            chaves << linha.chave();
    chaves.sort();
    return chaves;
}

bool Apuracao::temAndamento() const
{
    return std::any_of(linhas.begin(), linhas.end(), [](const TempoDia &l) { return l.emAndamento; });
}

QDateTime HoraServidor(const QString &stamp)
{
    const QDate dia = QDate::fromString(stamp.left(10), QStringLiteral("yyyy-MM-dd"));
    const QTime hora = QTime::fromString(stamp.mid(11, 8), QStringLiteral("HH:mm:ss"));
    if (stamp.size() != 19 || stamp.at(10) != QLatin1Char('T') || !dia.isValid() || !hora.isValid())
        return {};
    return QDateTime(dia, hora, Qt::UTC);
}

std::vector<Intervalo> IntervalosDoPacote(const QJsonObject &packet)
{
    QHash<QString, int> coluna;
    const QJsonArray fields = packet.value(QStringLiteral("fields")).toArray();
    for (int i = 0; i < fields.size(); ++i)
        coluna.insert(fields.at(i).toObject().value(QStringLiteral("name")).toString(), i);
    std::vector<Intervalo> intervalos;
    for (const QJsonValue &valor : packet.value(QStringLiteral("rows")).toArray()) {
        const QJsonArray row = valor.toArray();
        const auto texto = [&](const char *nome) { return row.at(coluna.value(QLatin1String(nome), -1)).toString(); };
        Intervalo i{texto("CDFILIAL"), texto("NRTAREFA"), texto("NRPLATIVTARE"), texto("NRSOLISERV"),
                    texto("NMPROCESSO"), texto("DSREFETAREFA"), HoraServidor(texto("DTINICIO")),
                    HoraServidor(texto("DTFIM"))};
        if (i.descricao.isEmpty())
            i.descricao = texto("DSREFESOLI");
        if (i.inicio.isValid())
            intervalos.push_back(std::move(i));
    }
    return intervalos;
}

Apuracao Apura(const std::vector<Intervalo> &intervalos, const QDate &de, const QDate &ate, const QDateTime &agora)
{
    Apuracao apuracao{de, ate, {}};
    const QDateTime inicioPeriodo(de, QTime(0, 0), Qt::UTC);
    const QDateTime fimPeriodo(ate.addDays(1), QTime(0, 0), Qt::UTC);
    std::map<std::tuple<QDate, QString, QString, QString>, TempoDia> somas;
    for (const Intervalo &i : intervalos) {
        QDateTime de1 = std::max(i.inicio, inicioPeriodo);
        const QDateTime ate1 = std::min(i.emAndamento() ? agora : i.fim, fimPeriodo);
        while (de1 < ate1) {
            const QDateTime meiaNoite(de1.date().addDays(1), QTime(0, 0), Qt::UTC);
            const QDateTime corte = std::min(meiaNoite, ate1);
            TempoDia &dia = somas[{de1.date(), i.tarefa, i.atividade, i.filial}];
            if (!dia.dia.isValid())
                dia = TempoDia{de1.date(), i.filial, i.tarefa, i.atividade, i.solicitacao, i.processo, i.descricao};
            dia.segundos += de1.secsTo(corte);
            dia.emAndamento |= i.emAndamento() && corte == ate1;
            de1 = corte;
        }
    }
    for (auto &[chave, dia] : somas)
        apuracao.linhas.push_back(std::move(dia));
    return apuracao;
}

QString Duracao(qint64 segundos)
{
    return QStringLiteral("%1:%2:%3")
        .arg(segundos / 3600, 2, 10, QLatin1Char('0'))
        .arg(segundos / 60 % 60, 2, 10, QLatin1Char('0'))
        .arg(segundos % 60, 2, 10, QLatin1Char('0'));
}

QString HorasDecimais(qint64 segundos)
{
    // Rounded on whole hundredths of an hour, without the locale of this machine.
    const qint64 centesimos = (segundos * 100 + 1800) / 3600;
    return QStringLiteral("%1,%2").arg(centesimos / 100).arg(centesimos % 100, 2, 10, QLatin1Char('0'));
}

namespace {

QString campo(const QString &texto)
{
    static const QString especiais = QStringLiteral(";\"\r\n");
    if (std::none_of(texto.begin(), texto.end(), [](QChar c) { return especiais.contains(c); }))
        return texto;
    return QLatin1Char('"') + QString(texto).replace(QLatin1Char('"'), QStringLiteral("\"\"")) + QLatin1Char('"');
}

}

QByteArray Csv(const Apuracao &apuracao, const QStringList &cabecalho)
{
    QStringList linhas;
    QStringList titulos;
    for (const QString &titulo : cabecalho)
        titulos << campo(titulo);
    linhas << titulos.join(QLatin1Char(';'));
    for (const TempoDia &l : apuracao.linhas)
        linhas << QStringList{l.dia.toString(QStringLiteral("dd/MM/yyyy")), campo(l.tarefa), campo(l.atividade),
                              campo(l.solicitacao), campo(l.processo), campo(l.descricao), Duracao(l.segundos),
                              HorasDecimais(l.segundos)}
                      .join(QLatin1Char(';'));
    return QByteArray("\xEF\xBB\xBF") + linhas.join(QStringLiteral("\r\n")).toUtf8() + "\r\n";
}

}
