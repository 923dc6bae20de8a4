#include "acompanha/frmacompanhaapr.h"
#include "host/dateeditplus.h"
#include "host/dialogs.h"
#include "host/services.h"
#include "server/remote.h"
#include <QJsonArray>
#include <QBarCategoryAxis>
#include <QBarSet>
#include <QChart>
#include <QChartView>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QSaveFile>
#include <QShortcut>
#include <QSplitter>
#include <QStackedBarSeries>
#include <QStandardPaths>
#include <QTableWidget>
#include <QTimeZone>
#include <QValueAxis>
#include <QVBoxLayout>
#include <cmath>

static void initAcompanhaTexts() { Q_INIT_RESOURCE(acompanha); }

namespace acompanha {

namespace {

QString msg(const char *key) { return AcompanhaTexts().Msg(QString::fromLatin1(key)); }

enum Coluna { Data, Tarefa, Atividade, Solicitacao, Processo, Descricao, Duracao_, Horas, Colunas };

QTableWidgetItem *celula(const QString &texto, bool destaque, Qt::Alignment alinhamento = Qt::AlignLeft)
{
    auto *item = new QTableWidgetItem(texto);
    item->setFlags(Qt::ItemIsSelectable | Qt::ItemIsEnabled);
    item->setTextAlignment(alinhamento | Qt::AlignVCenter);
    if (destaque) {
        QFont font = item->font();
        font.setBold(true);
        item->setFont(font);
    }
    return item;
}

double horas(qint64 segundos) { return double(segundos) / 3600.0; }

}

const qor::TMessages &AcompanhaTexts()
{
    static const qor::TMessages texts = [] {
        initAcompanhaTexts();
        return qor::TMessages(QStringLiteral(":/acompanha/acompanha.msg"));
    }();
    return texts;
}

TfrmAcompanhaAPR::TfrmAcompanhaAPR(server::RemoteServer *server, QWidget *parent) : QWidget(parent), m_server(server)
{
    // The plan's timer keeps its alert back while this window is the active one: it looks for this name.
    setObjectName(QStringLiteral("frmAcompanhaAPR"));
    setProperty("screenCode", CodigoTela());
    setWindowTitle(msg("TITULO"));
    setAttribute(Qt::WA_DeleteOnClose);
    buildView();
    const QDate hoje = QDate::currentDate();
    edtInicio->setDate(hoje.addDays(1 - hoje.dayOfWeek()));
    edtFim->setDate(hoje.addDays(7 - hoje.dayOfWeek()));
    tmrAndamento.setInterval(1000);
    connect(&tmrAndamento, &QTimer::timeout, this, [this] { cresce(); });
    qor::Trad(this);
}

QStringList TfrmAcompanhaAPR::cabecalho() const
{
    return {msg("COL_DATA"), msg("COL_TAREFA"), msg("COL_ATIVIDADE"), msg("COL_SOLICITACAO"),
            msg("COL_PROCESSO"), msg("COL_DESCRICAO"), msg("COL_DURACAO"), msg("COL_HORAS")};
}

void TfrmAcompanhaAPR::buildView()
{
    auto *layout = new QVBoxLayout(this);
    auto *barra = new QHBoxLayout;
    barra->addWidget(new QLabel(msg("PERIODO"), this));
    edtInicio = new qor::TDateEditPlus(this);
    edtInicio->setObjectName(QStringLiteral("edtInicio"));
    barra->addWidget(edtInicio);
    barra->addWidget(new QLabel(msg("ATE"), this));
    edtFim = new qor::TDateEditPlus(this);
    edtFim->setObjectName(QStringLiteral("edtFim"));
    barra->addWidget(edtFim);
    btnAtualizar = new QPushButton(msg("ATUALIZAR"), this);
    btnAtualizar->setObjectName(QStringLiteral("btnAtualizar"));
    connect(btnAtualizar, &QPushButton::clicked, this, [this] { qor::guarded([this] { carrega(); }); });
    barra->addWidget(btnAtualizar);
    auto *f5 = new QShortcut(QKeySequence(Qt::Key_F5), this);
    connect(f5, &QShortcut::activated, btnAtualizar, &QPushButton::click);
    barra->addStretch(1);
    btnExportar = new QPushButton(msg("EXPORTAR"), this);
    btnExportar->setObjectName(QStringLiteral("btnExportar"));
    connect(btnExportar, &QPushButton::clicked, this, [this] { qor::guarded([this] { exporta(); }); });
    barra->addWidget(btnExportar);
    layout->addLayout(barra);

    auto *divisao = new QSplitter(Qt::Vertical, this);
    dbgApropriacao = new QTableWidget(0, Colunas, divisao);
    dbgApropriacao->setObjectName(QStringLiteral("dbgApropriacao"));
    dbgApropriacao->setHorizontalHeaderLabels(cabecalho());
    dbgApropriacao->verticalHeader()->hide();
    dbgApropriacao->setSelectionBehavior(QAbstractItemView::SelectRows);
    dbgApropriacao->horizontalHeader()->setSectionResizeMode(Descricao, QHeaderView::Stretch);
    chtApropriacao = new QChartView(divisao);
    chtApropriacao->setObjectName(QStringLiteral("chtApropriacao"));
    chtApropriacao->setRenderHint(QPainter::Antialiasing);
    chtApropriacao->setMinimumHeight(220);
    divisao->addWidget(dbgApropriacao);
    divisao->addWidget(chtApropriacao);
    divisao->setStretchFactor(0, 1);
    divisao->setStretchFactor(1, 1);
    // Table and chart share the height evenly (the sizes are proportions).
    divisao->setSizes({1000, 1000});
    layout->addWidget(divisao, 1);

    auto *rodape = new QHBoxLayout;
    lblTotal = new QLabel(this);
    lblTotal->setObjectName(QStringLiteral("lblTotal"));
    rodape->addWidget(lblTotal);
    lblAndamento = new QLabel(this);
    lblAndamento->setObjectName(QStringLiteral("lblAndamento"));
    rodape->addWidget(lblAndamento, 1);
    lblSituacao = new QLabel(this);
    lblSituacao->setObjectName(QStringLiteral("lblSituacao"));
    rodape->addWidget(lblSituacao);
    auto *fechar = new QPushButton(msg("FECHAR"), this);
    fechar->setObjectName(QStringLiteral("btnFechar"));
    connect(fechar, &QPushButton::clicked, this, &QWidget::close);
    rodape->addWidget(fechar);
    layout->addLayout(rodape);
    resize(1000, 680);
}

bool TfrmAcompanhaAPR::periodo(QDate &de, QDate &ate) const
{
    de = edtInicio->date();
    ate = edtFim->date();
    if (!de.isValid() || !ate.isValid())
        qor::MensErro(msg("DATAS_INVALIDAS"), true);
    if (ate < de)
        qor::MensErro(msg("FIM_ANTES_INICIO"), true);
    if (de.daysTo(ate) >= 366)
        qor::MensErro(msg("PERIODO_LONGO"), true);
    return true;
}

void TfrmAcompanhaAPR::carrega()
{
    QDate de, ate;
    periodo(de, ate);
    qor::BusyCursor busy;
    const QJsonArray resposta = m_server->callArray(
        QStringLiteral("GetApropriacaoPeriodo"),
        {qor::FiliProc(), qor::Operador(), server::Date(QDateTime(de, QTime(0, 0))),
         server::Date(QDateTime(ate, QTime(0, 0)))});
    const QDateTime relogio = HoraServidor(resposta.at(1).toObject().value(QStringLiteral("date")).toString());
    m_desde.start();
    // Without the server's clock a running interval is measured by this machine's.
    m_relogioServidor = relogio.isValid() ? relogio
                                          : QDateTime(QDate::currentDate(), QTime::currentTime(), Qt::UTC);
    m_intervalos = IntervalosDoPacote(resposta.at(0).toObject());
    m_de = de;
    m_ate = ate;
    lblSituacao->clear();
    apura();
    mostra();
}

QDateTime TfrmAcompanhaAPR::agora() const
{
    return m_relogioServidor.addMSecs(m_desde.isValid() ? m_desde.elapsed() : 0);
}

void TfrmAcompanhaAPR::apura()
{
    m_apuracao = Apura(m_intervalos, m_de, m_ate, agora());
    const bool corre = std::any_of(m_intervalos.begin(), m_intervalos.end(),
                                   [](const Intervalo &i) { return i.emAndamento(); });
    if (corre)
        tmrAndamento.start();
    else
        tmrAndamento.stop();
}

void TfrmAcompanhaAPR::mostra()
{
    mostraTabela();
    mostraGrafico();
    mostraTotais();
}

void TfrmAcompanhaAPR::mostraTabela()
{
    dbgApropriacao->setRowCount(int(m_apuracao.linhas.size()));
    int row = 0;
    for (const TempoDia &l : m_apuracao.linhas) {
        const bool destaque = l.emAndamento;
        dbgApropriacao->setItem(row, Data, celula(l.dia.toString(QStringLiteral("dd/MM/yyyy")), destaque));
        dbgApropriacao->setItem(row, Tarefa, celula(l.tarefa, destaque));
        dbgApropriacao->setItem(row, Atividade, celula(l.atividade, destaque));
        dbgApropriacao->setItem(row, Solicitacao, celula(l.solicitacao, destaque));
        dbgApropriacao->setItem(row, Processo, celula(l.processo, destaque));
        dbgApropriacao->setItem(row, Descricao, celula(l.descricao, destaque));
        dbgApropriacao->setItem(row, Duracao_, celula(Duracao(l.segundos), destaque, Qt::AlignRight));
        dbgApropriacao->setItem(row, Horas, celula(HorasDecimais(l.segundos), destaque, Qt::AlignRight));
        ++row;
    }
    for (int c = 0; c < Colunas; ++c)
        if (c != Descricao)
            dbgApropriacao->resizeColumnToContents(c);
}

void TfrmAcompanhaAPR::mostraGrafico()
{
    auto *grafico = new QChart;
    grafico->setTitle(msg("GRAFICO"));
    grafico->legend()->setAlignment(Qt::AlignBottom);
    auto *series = new QStackedBarSeries(grafico);
    QStringList dias;
    for (QDate dia = m_de; dia.isValid() && dia <= m_ate; dia = dia.addDays(1))
        dias << dia.toString(QStringLiteral("dd/MM"));
    for (const QString &chave : m_apuracao.atividades()) {
        auto *barras = new QBarSet(chave, series);
        for (QDate dia = m_de; dia.isValid() && dia <= m_ate; dia = dia.addDays(1)) {
            qint64 segundos = 0;
            for (const TempoDia &l : m_apuracao.linhas)
                if (l.dia == dia && l.chave() == chave)
                    segundos += l.segundos;
            *barras << horas(segundos);
        }
        series->append(barras);
    }
    grafico->addSeries(series);
    auto *eixoDias = new QBarCategoryAxis(grafico);
    eixoDias->append(dias);
    grafico->addAxis(eixoDias, Qt::AlignBottom);
    series->attachAxis(eixoDias);
    auto *eixoHoras = new QValueAxis(grafico);
    eixoHoras->setTitleText(msg("EIXO_HORAS"));
    eixoHoras->setLabelFormat(QStringLiteral("%.0f"));
    qint64 maior = 0;
    for (QDate dia = m_de; dia.isValid() && dia <= m_ate; dia = dia.addDays(1))
        maior = std::max(maior, m_apuracao.totalDoDia(dia));
    eixoHoras->setRange(0, std::max(1.0, std::ceil(horas(maior))));
    grafico->addAxis(eixoHoras, Qt::AlignLeft);
    series->attachAxis(eixoHoras);
    QChart *anterior = chtApropriacao->chart();
    chtApropriacao->setChart(grafico);
    delete anterior;
}

void TfrmAcompanhaAPR::mostraTotais()
{
    const qint64 total = m_apuracao.total();
    lblTotal->setText(m_apuracao.linhas.empty() ? msg("SEM_APROPRIACAO")
                                                : msg("TOTAL").arg(Duracao(total), HorasDecimais(total)));
    lblAndamento->clear();
    for (const Intervalo &i : m_intervalos)
        if (i.emAndamento())
            lblAndamento->setText(msg("EM_ANDAMENTO").arg(i.tarefa, i.atividade,
                                                          i.inicio.toString(QStringLiteral("dd/MM/yyyy HH:mm"))));
}

void TfrmAcompanhaAPR::cresce()
{
    const Apuracao nova = Apura(m_intervalos, m_de, m_ate, agora());
    const auto mesmas = [&] {
        if (nova.linhas.size() != m_apuracao.linhas.size())
            return false;
        for (size_t i = 0; i < nova.linhas.size(); ++i)
            if (nova.linhas[i].dia != m_apuracao.linhas[i].dia || nova.linhas[i].chave() != m_apuracao.linhas[i].chave())
                return false;
        return true;
    }();
    const std::vector<TempoDia> antes = m_apuracao.linhas;
    m_apuracao = nova;
    if (!mesmas) {
        mostra();
        return;
    }
    auto *series = chtApropriacao->chart() && !chtApropriacao->chart()->series().isEmpty()
                       ? qobject_cast<QStackedBarSeries *>(chtApropriacao->chart()->series().constFirst())
                       : nullptr;
    for (size_t i = 0; i < nova.linhas.size(); ++i) {
        const TempoDia &l = nova.linhas[i];
        if (l.segundos == antes[i].segundos)
            continue;
        dbgApropriacao->item(int(i), Duracao_)->setText(Duracao(l.segundos));
        dbgApropriacao->item(int(i), Horas)->setText(HorasDecimais(l.segundos));
        if (!series)
            continue;
        for (QBarSet *barras : series->barSets())
            if (barras->label() == l.chave())
                barras->replace(int(m_de.daysTo(l.dia)), horas(l.segundos));
    }
    mostraTotais();
}

void TfrmAcompanhaAPR::exporta()
{
    QFileDialog escolha(this, msg("EXPORTAR_TITULO"),
                        QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation), msg("EXPORTAR_FILTRO"));
    escolha.setObjectName(QStringLiteral("dlgExportar"));
    escolha.setAcceptMode(QFileDialog::AcceptSave);
    escolha.setOption(QFileDialog::DontUseNativeDialog);
    escolha.setDefaultSuffix(QStringLiteral("csv"));
    escolha.selectFile(msg("EXPORTAR_NOME").arg(m_de.toString(QStringLiteral("ddMMyyyy")),
                                                m_ate.toString(QStringLiteral("ddMMyyyy"))));
    if (qor::Dialogs().execModal(escolha) != QDialog::Accepted || escolha.selectedFiles().isEmpty())
        return;
    const QString arquivo = escolha.selectedFiles().constFirst();
    QSaveFile saida(arquivo);
    const QByteArray texto = Csv(m_apuracao, cabecalho());
    if (!saida.open(QIODevice::WriteOnly) || saida.write(texto) != texto.size() || !saida.commit())
        qor::MensErro(msg("NAO_GRAVOU").arg(arquivo, saida.errorString()), true);
    lblSituacao->setText(msg("EXPORTADO").arg(arquivo));
}

AcompanhaWindow::AcompanhaWindow()
{
    usaServidor(m_server);
    connect(&m_connection, &server::TNetConnection::beforeConnect, this, [](server::TNetConnection &c) {
        c.Host = qor::WebURL();
        c.Port = qor::WebPort();
        c.Token = qor::SessionToken();
        c.CaFile = qor::ServerCaFile();
    });
}

}
