#pragma once
// The operator's booked time of a period, per day and per activity, from the
// intervals the server keeps, and its text for spreadsheets.
#include <QDate>
#include <QDateTime>
#include <QJsonObject>
#include <QStringList>
#include <vector>

namespace acompanha {

// An interval as the server keeps it. Stamps are the server's wall clock,
// held as UTC so that no time-zone rule of this machine moves them.
struct Intervalo {
    QString filial, tarefa, atividade, solicitacao, processo, descricao;
    QDateTime inicio;
    QDateTime fim;   // invalid while it runs
    bool emAndamento() const { return !fim.isValid(); }
};

// The time of one activity on one day.
struct TempoDia {
    QDate dia;
    QString filial, tarefa, atividade, solicitacao, processo, descricao;
    qint64 segundos = 0;
    bool emAndamento = false;   // the running interval is part of it
    QString chave() const { return tarefa + QLatin1Char('/') + atividade; }
};

struct Apuracao {
    QDate de, ate;
    std::vector<TempoDia> linhas;   // by day, then task and activity
    qint64 total() const;
    qint64 totalDoDia(const QDate &dia) const;
    // Each activity's key (task/activity) once, in task order.
    QStringList atividades() const;
    bool temAndamento() const;
};

// "YYYY-MM-DDTHH:MM:SS" of the server; invalid for anything else.
QDateTime HoraServidor(const QString &stamp);
// The rows of GetApropriacaoPeriodo's packet.
std::vector<Intervalo> IntervalosDoPacote(const QJsonObject &packet);

// Splits each interval at midnight and adds it up per day and activity, within
// the period's days; a running interval counts up to `agora` (server clock).
Apuracao Apura(const std::vector<Intervalo> &intervalos, const QDate &de, const QDate &ate, const QDateTime &agora);

// "hh:mm:ss", hours beyond 24 as they are ("27:05:00").
QString Duracao(qint64 segundos);
// Hours with two decimals and the decimal comma ("1,50").
QString HorasDecimais(qint64 segundos);

// The table as Brazilian spreadsheets open it: UTF-8 with a byte-order mark,
// ";" between fields, CRLF lines, dates dd/mm/yyyy, hours with the decimal
// comma. `cabecalho` names the columns: day, task, activity, request, process,
// description, duration, hours.
QByteArray Csv(const Apuracao &apuracao, const QStringList &cabecalho);

}
