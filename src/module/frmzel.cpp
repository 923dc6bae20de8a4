#include "module/frmzel.h"
#include "module/modulestate.h"
#include "module/plataforma.h"
#include "module/registro.h"
#include "vcs/account.h"
#include "vcs/progress.h"
#include "svnsharedpassword.h"
#include "host/services.h"
#include "plan/filterindicator.h"
#include "plan/filtroativi.h"
#include "plan/gridlayout.h"
#include "plan/plangridcontroller.h"
#include "plan/planloader.h"
#include "history/frmshowhistory.h"
#include "workcopy/atualizacaoproduto.h"
#include "plan/attendance.h"
#include "plan/planactions.h"
#include "plan/transicoes.h"
#include <QAbstractItemView>
#include <QAction>
#include <QApplication>
#include <QCursor>
#include <QCloseEvent>
#include <QJsonArray>
#include <QKeyEvent>
#include <QLineEdit>
#include <QListWidget>
#include <QMdiSubWindow>
#include <QMenu>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QStackedWidget>
#include <QTabWidget>
#include <QTableView>
#include <QTimer>
#include <QToolButton>
#include <pwd.h>
#include <unistd.h>

namespace apr {

TfrmZEL::TfrmZEL(QWidget *parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("frmZEL"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(Caption());
    msgPadrao.loadResource(QStringLiteral(":/module/frmZEL.msg"));
    connect(&netZEL, &server::TNetConnection::beforeConnect, this,
            [this](server::TNetConnection &connection) { netZELBeforeConnect(connection); });
    m_contexto.reset(new plan::PlanContext{m_servidor, cdsPlanAtivTare, Modulo().stProdTrabIni,
                                           Modulo().stProdTrabFin});
    m_atividades = std::make_unique<ActivityLayer>(Modulo(), m_servidor, cdsPlanAtivTare,
                                                   static_cast<ActivityPanel &>(*this), this);
    buildUi();
    m_carregador = std::make_unique<plan::PlanLoader>(*m_contexto, cdsAtividadeAndamento, &Modulo().filtro);
    m_carregador->setAttendanceButtons(sbtAteInterno, sbtAteExterno);
    m_carregador->setJustificou([] { Modulo().boJustificou = true; });
    qApp->installEventFilter(this);
    connect(qApp, &QApplication::focusChanged, this, &TfrmZEL::focoMudou);
    FormCreate();
}

TfrmZEL::~TfrmZEL()
{
    qApp->removeEventFilter(this);
    // The filter dialog outlives the window: it must not keep this window's plan.
    Modulo().filtro.detach();
    m_atividades.reset();
    // The handler is code of this module, which may be unloaded after the window.
    if (m_handlerInstalado)
        qor::SetApplicationExceptionHandler(std::move(m_handlerAnterior));
    // The controls and the grid's model read the record sets: they go first.
    delete m_indicador;
    delete m_grade;
    delete m_layout;
    delete nbkAPR;
    delete dtsPadrao;
}

void TfrmZEL::FormCreate()
{
    nbkAPR->setCurrentIndex(0);
    dbnPadrao->hide();
    Modulo().stProdTrabIni.clear();
    Modulo().stProdTrabFin.clear();
    m_usos.stlConexoes.clear();
    qor::ActiveShowAvi(qor::HostMainWindow(), 0);
    // The permanent use: never returned while the window lives.
    if (qor::KeepConnected())
        ConnectServer(netZEL, true);
    qor::DeactiveShowAvi();
}

void TfrmZEL::ConnectServer(server::TNetConnection &connection, bool take)
{
    m_usos.ConnectServer(connection, take);
}

void TfrmZEL::netZELBeforeConnect(server::TNetConnection &connection)
{
    connection.Host = qor::WebURL();
    connection.Port = qor::WebPort();
    connection.Token = qor::SessionToken();
    connection.CaFile = qor::ServerCaFile();
    connection.applySettings(*Registro::maquina());
}

void TfrmZEL::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    if (!m_carregouNaExibicao) {
        m_carregouNaExibicao = true;
        qor::guarded([this] { FormShow(); });
    }
}

void TfrmZEL::FormShow()
{
    GetPlanAtivTare();
    carregaItemTarefa();
    if (nbkAPR->currentIndex() != 0)
        dbgPadrao->setFocus();
    else
        rbtProdDelphi->setFocus();
}

void TfrmZEL::carregaItemTarefa()
{
    m_servidor.load(cds_ItemTarefa, QStringLiteral("Get_ItemTarefa"), {qor::FiliProc(), qor::Operador()});
}

// The work-item code is protected in the work items and in the plan, whose grid shows it.
void TfrmZEL::protegeItemTrabalho()
{
    for (qor::RecordSet *records : {&cds_ItemTarefa, &cdsPlanAtivTare})
        if (qor::Field *field = records->findField(QStringLiteral("CDREDUITTRAB")))
            field->tag |= 1;
}

void TfrmZEL::GetPlanAtivTare()
{
    // One connection for the plan and the attendance in progress.
    server::RemoteServer::Use use(m_servidor);
    m_carregador->GetPlanAtivTare();
}

void TfrmZEL::panFiltroExit()
{
    GetPlanAtivTare();
}

void TfrmZEL::MenuAtualizarClick()
{
    GetPlanAtivTare();
    carregaItemTarefa();
}

void TfrmZEL::focoMudou(QWidget *antes, QWidget *depois)
{
    // Only a move to another control of this window is an exit of the panel.
    // Disabling the panel for a command moves the focus too: no reload under a running command.
    if (!antes || !depois || !panFiltro->isAncestorOf(antes) || panFiltro->isAncestorOf(depois)
        || !isAncestorOf(depois) || nbkAPR->currentIndex() != 1 || m_atividades->emExecucao())
        return;
    qor::guarded([this] { panFiltroExit(); });
}

void TfrmZEL::SpeedButton2Click()
{
    m_indicador->watch(plan::CriaFiltroAtividade(Modulo().filtro, *m_contexto));
}

// ---- The plan's actions on activities and products --------------------------------------------

void TfrmZEL::dbgPadraoCellClick(int row, const QString &campo)
{
    if (row < 0 || row >= cdsPlanAtivTare.recordCount() || m_atividades->emExecucao())
        return;
    m_transicoes->dbgPadraoCellClick(row, campo);
}

void TfrmZEL::MenuItem7Click()
{
    if (!m_atividades->emExecucao())
        m_transicoes->MenuItem7Click();
}

void TfrmZEL::tmrOperSemAtivTimer()
{
    if (m_atividades->emExecucao())
        return;
    const QWidget *ativa = qor::ActiveWindow();
    m_transicoes->tmrOperSemAtivTimer(ativa ? ativa->objectName() : QString());
}

void TfrmZEL::sbtGetClick()
{
    workcopy::AtualizacaoProduto atualizacao(m_atividades->copias());
    if (!atualizacao.CarregaVersoes())
        return;
    if (!pmnProdSVN)
        pmnProdSVN = new QMenu(this);
    pmnProdSVN->clear();
    qor::RecordSet &versoes = m_atividades->cdsParamVersao;
    int posicao = 0;
    for (versoes.first(); !versoes.eof(); versoes.next(), ++posicao) {
        QAction *item = pmnProdSVN->addAction(versoes.textOf(QStringLiteral("NMPRODUTO")));
        item->setData(posicao);
        connect(item, &QAction::triggered, this, [this, posicao] { qor::guarded([this, posicao] { ClicaPopMenu(posicao); }); });
    }
    pmnProdSVN->popup(QCursor::pos());
}

void TfrmZEL::ClicaPopMenu(int posicao)
{
    const QList<QAction *> itens = pmnProdSVN ? pmnProdSVN->actions() : QList<QAction *>();
    if (posicao < 0 || posicao >= itens.size())
        return;
    m_atividades->ClicaPopMenu(itens.at(posicao)->text());
}

// "Show Log / Diff": the log viewer with the layer's account and platform.
void TfrmZEL::sbtShowHistoryClick()
{
    history::HistoryContext contexto;
    contexto.usuario = m_atividades->stUsuarioSvn;
    contexto.senha = m_atividades->stSenhaSvn;
    contexto.plataforma = m_atividades->plataforma();
    contexto.server = &m_servidor;
    const QString ferramenta = Registro::maquina()->value(QStringLiteral("historico/FerramentaDiff")).toString().trimmed();
    if (!ferramenta.isEmpty())
        contexto.ferramentaDiff = ferramenta;
    history::CriaShowHistory(contexto, this);
}

// ---- The activity panel ----------------------------------------------------------------------

void TfrmZEL::mostraLinhas(const QStringList &linhas)
{
    vcs::AppendLines(lsbProgresso, linhas);
}

void TfrmZEL::posicionaBarra(int posicao)
{
    pgrSubVersion->setValue(posicao);
}

void TfrmZEL::habilitaConfirmacao(bool habilitado)
{
    btnConfirmaSubVersion->setEnabled(habilitado);
}

bool TfrmZEL::vistaDeComandos() const
{
    return panSubVersion->isVisible();
}

void TfrmZEL::mostraOcupado(const QString &texto)
{
    qor::ActiveShowAvi(nullptr, 6, texto);
}

void TfrmZEL::fechaOcupado()
{
    qor::DeactiveShowAvi();
}

void TfrmZEL::habilitaGrade(bool habilitada)
{
    dbgPadrao->setEnabled(habilitada);
    if (habilitada)
        dbgPadrao->setFocus();
}

void TfrmZEL::execucaoMudou(bool ocioso)
{
    atualizaAcoes();
    // The close runs from the event loop, after the handler that ran the command has returned.
    if (ocioso && m_fechamentoPendente)
        QTimer::singleShot(0, this, [this] { close(); });
}

void TfrmZEL::recarregaPlano()
{
    GetPlanAtivTare();
}

// ---- Platform confirmation ------------------------------------------------------------

void TfrmZEL::btnOkClick()
{
    qor::guarded([this] { confirmaPlataforma(); });
}

void TfrmZEL::confirmaPlataforma()
{
    ModuleState &modulo = Modulo();
    const QString caption = Retorna_Plat_Select();
    const Plataforma *plataforma = PlataformaPorCaption(caption);
    m_atividades->escolhePlataforma(plataforma->valor);
    modulo.stProdTrabIni = plataforma->inicial();
    modulo.stProdTrabFin = plataforma->final();

    setWindowTitle(windowTitle() + QStringLiteral(" - ") + caption);
    nbkAPR->setCurrentIndex(1);
    // The stored layout comes before anything below can paint the plan page
    // (the warnings run an event loop): the columns never jump.
    FormActivate();
    dbnPadrao->show();
    m_atividades->boPlataformaEscolhida = true;

    const QString usuario = nomeUsuarioSO();
    m_atividades->stUsuarioSvn = QStringLiteral("svn_") + usuario;
    m_atividades->stSenhaSvn = senhaCompartilhada();
    modulo.boCheckOut = true;

    GetPlanAtivTare();
    configuraTimer();

    protegeItemTrabalho();
    dbgPadrao->setEnabled(true);
    panAguardo->hide();
    Habilita_Botoes();
    anmEspera->setRange(0, 1);
    cdsMonitora.close();
    cdsAcao.close();

    lerDirArqSV();
    carregaInicial();
    MostraPendencias();

    if (!m_handlerInstalado) {
        m_handlerAnterior = qor::SetApplicationExceptionHandler(&TfrmZEL::OnException);
        m_handlerInstalado = true;
    }
    FormActivate();
    dbgPadrao->setFocus();
}

QString TfrmZEL::Retorna_Plat_Select() const
{
    for (QRadioButton *button : {rbtProdDelphi, rbtProdAsp, rbtProdLumetra})
        if (button->isChecked())
            return button->text();
    return rbtFrameLumetra->text();
}

QString TfrmZEL::nomeUsuarioSO() const
{
    return vcs::OperatingSystemUser().left(255);
}

QString TfrmZEL::senhaCompartilhada() const
{
    QString text = QString::fromLatin1(APR_SENHA_SVN_CIFRADA);
    using Step = QString (*)(const QString &);
    static const Step u = [](const QString &t) { return qor::Uncripto(t, 2); };
    static const Step p = [](const QString &t) { return qor::UncriptoPlus(t); };
    for (Step step : {u, p, u, p, u, u, p, p, p, u, p})
        text = step(text);
    return text;
}

void TfrmZEL::configuraTimer()
{
    int minutos = 0;
    if (!cdsPlanAtivTare.isEmpty()) {
        cdsPlanAtivTare.first();
        if (qor::Field *field = cdsPlanAtivTare.findField(QStringLiteral("QTLIMSEMAPROP")))
            minutos = field->asInteger();
    }
    tmrOperSemAtiv->setInterval(minutos * 60000);
    tmrOperSemAtiv->setSingleShot(false);
    if (tmrOperSemAtiv->interval() != 0)
        tmrOperSemAtiv->start();
    else
        tmrOperSemAtiv->stop();
}

void TfrmZEL::lerDirArqSV()
{
    m_atividades->stDirArqSV = Registro::LeDirArqSV();
}

void TfrmZEL::carregaInicial()
{
    server::RemoteServer::Use use(m_servidor);
    const ModuleState &modulo = Modulo();
    const QString usuario = m_atividades->stUsuarioSvn.mid(4);
    CarregaInicial(m_servidor.callArray(QStringLiteral("Get_Inicial"),
                                        {qor::Operador(), qor::FiliProc(), qor::Operador(), usuario,
                                         modulo.stProdTrabIni, modulo.stProdTrabFin}));
}

void TfrmZEL::CarregaInicial(const QJsonArray &packets)
{
    qor::RecordSet *targets[] = {&cdsParFilialGep, &cdsAcao, &m_atividades->cdsParamVersao,
                                 &m_atividades->cdsOperDesenv, &cdsMonitora};
    for (int i = 0; i < 5 && i < packets.size(); ++i) {
        const QJsonValue packet = packets.at(i);
        if (packet.isNull() || packet.isUndefined())
            continue;
        if (!packet.isObject())
            qor::MensErro(msgPadrao.Msg(QStringLiteral("INICIAL_INVALIDO")));
        targets[i]->setData(packet.toObject());
    }
}

QString TfrmZEL::TextoAcoes()
{
    auto valor = [this](const char *name) { return cdsAcao.textOf(QString::fromLatin1(name)); };
    // The carriage returns of the message are the platform's line breaks here.
    const QString cr = QStringLiteral("\n");
    cdsAcao.first();
    if (cdsAcao.recordCount() == 1)
        return msgPadrao.Msg(QStringLiteral("ACAO1")) + cr + cr + QStringLiteral(" - ") + valor("NRACAO") +
               QStringLiteral(" - ") + valor("STATUSACAO") + msgPadrao.Msg(QStringLiteral("ACAO1_PREVISAO")) +
               valor("DTPREVENCEAC");
    QString text = msgPadrao.Msg(QStringLiteral("ACAO2")) + cr + cr;
    for (; !cdsAcao.eof(); cdsAcao.next())
        text += valor("NRACAO") + QStringLiteral("  -  ") + valor("STATUSACAO") +
                msgPadrao.Msg(QStringLiteral("ACAO2_PREVISAO")) + valor("DTPREVENCEAC") + cr;
    return text;
}

void TfrmZEL::MostraPendencias()
{
    if (cdsAcao.active() && !cdsAcao.isEmpty())
        qor::ShowWarning(TextoAcoes());
    if (cdsMonitora.active() && !cdsMonitora.isEmpty())
        qor::ShowWarning(msgPadrao.Msg(QStringLiteral("ATIV_MONITORA")));
}

// ---- Activation, exceptions, keys, close ---------------------------------------------------

void TfrmZEL::changeEvent(QEvent *event)
{
    QWidget::changeEvent(event);
    if (event->type() == QEvent::ActivationChange && isActiveWindow())
        qor::guarded([this] { FormActivate(); });
}

void TfrmZEL::FormActivate()
{
    ModuleState &modulo = Modulo();
    if (!modulo.boPrimeiraVez || nbkAPR->currentIndex() != 1)
        return;
    restoreGridLayout();
    repaint();
    modulo.boPrimeiraVez = false;
    m_atividades->renovaExecutor();
}

void TfrmZEL::OnException(const std::exception &e)
{
    qor::DeactiveShowAvi();
    qor::ShowException(e);
}

void TfrmZEL::restoreGridLayout()
{
    m_layout->RestauraGrid();
}

void TfrmZEL::saveGridLayout()
{
    // A layout never restored here (the window closed on the platform page, or
    // its confirmation failed) would overwrite the operator's stored one.
    if (m_layout->hasLayout())
        m_layout->SalvaGrid();
}

bool TfrmZEL::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::KeyPress && watched->isWidgetType()) {
        auto *widget = static_cast<QWidget *>(watched);
        if (widget == this || isAncestorOf(widget)) {
            auto *key = static_cast<QKeyEvent *>(event);
            if (FormKeyDown(watched, key->key(), key->modifiers()))
                return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

bool TfrmZEL::FormKeyDown(QObject *receiver, int key, Qt::KeyboardModifiers modifiers)
{
    auto *widget = qobject_cast<QWidget *>(receiver);
    // A cell editor is a child of the grid's viewport while a cell is edited.
    const bool noGrid = widget && widget != dbgPadrao->viewport() && dbgPadrao->viewport()->isAncestorOf(widget);
    if ((key == Qt::Key_Delete || key == Qt::Key_Backspace) && noGrid) {
        qor::RecordSet *records = dtsPadrao->records();
        const QString fieldName = dtsPadrao->fieldNameAt(dbgPadrao->currentIndex().column());
        const qor::Field *field = records->findField(fieldName);
        if (field && (field->tag & 1) && records->state() != qor::RecordSet::State::Insert)
            return true;
    }
    if (key == Qt::Key_F12 && modifiers == Qt::NoModifier) {
        // The first control of the page control is on its page (the plan grid), not its tab bar.
        qor::SelectFirstControl(pgcPadrao->currentWidget());
        return true;
    }
    if (key == Qt::Key_Escape && cds_ItemTarefa.state() == qor::RecordSet::State::Insert) {
        cds_ItemTarefa.cancel();
        return true;
    }
    return false;
}

void TfrmZEL::closeEvent(QCloseEvent *event)
{
    // The runner, the classifier and the capture list are in use under a running
    // command: the window closes when it returns.
    if (m_atividades->emExecucao()) {
        m_fechamentoPendente = true;
        event->ignore();
        return;
    }
    m_fechamentoPendente = false;
    qor::guarded([this] { FormClose(); });
    QWidget::closeEvent(event);
}

void TfrmZEL::FormClose()
{
    // The window goes in any case, also when saving the layout fails.
    struct Encerramento {
        TfrmZEL &janela;
        ~Encerramento()
        {
            ModuleState &modulo = Modulo();
            modulo.boPrimeiraVez = true;
            modulo.boStCriado = false;
            modulo.filtro.detach();
            janela.m_atividades->encerraExecutor();
            janela.ConnectServer(janela.netZEL, false);
            janela.m_usos.stlConexoes.clear();
        }
    } encerramento{*this};
    saveGridLayout();
}

// ---- Plan view and command view ----------------------------------------------------------

QList<QWidget *> TfrmZEL::controlesDoPlano() const
{
    QList<QWidget *> controls;
    controls << dbgPadrao << sbtLastLog << sbtAteInterno << sbtAteExterno << sbtAcompanhamento << sbtAtraso
             << dbeAtraso << SpeedButton2 << sbtShowHistory << sbtGet;
    return controls;
}

QList<QAction *> TfrmZEL::acoesDoMenu() const
{
    return pmnPadrao->actions();
}

// The menu's items and shortcuts do nothing in the command view or under a command.
void TfrmZEL::atualizaAcoes()
{
    const bool livre = !m_vistaDeComandos && !m_atividades->emExecucao();
    for (QAction *action : acoesDoMenu())
        action->setEnabled(livre);
}

void TfrmZEL::Desabilita_Botoes()
{
    lsbProgresso->clear();
    mostraVistaDeComandos();
}

void TfrmZEL::Desabilita_Botoes_LastLog()
{
    panDbgPadrao->setEnabled(false);
    panSubVersion->setEnabled(true);
    mostraVistaDeComandos();
}

void TfrmZEL::mostraVistaDeComandos()
{
    panDbgPadrao->hide();
    panSubVersion->show();
    lsbProgresso->show();
    btnConfirmaSubVersion->show();
    pgrSubVersion->show();
    for (QWidget *control : controlesDoPlano())
        control->setEnabled(false);
    sbtAutoTeste->setEnabled(false);
    m_vistaDeComandos = true;
    atualizaAcoes();
}

void TfrmZEL::Habilita_Botoes()
{
    panDbgPadrao->setEnabled(true);
    panDbgPadrao->show();
    panSubVersion->hide();
    lsbProgresso->hide();
    btnConfirmaSubVersion->hide();
    pgrSubVersion->hide();
    for (QWidget *control : controlesDoPlano())
        control->setEnabled(true);
    m_vistaDeComandos = false;
    atualizaAcoes();
}

void TfrmZEL::sbtLastLogClick()
{
    vcs::ShowLastLog(lsbProgresso, pgrSubVersion, btnConfirmaSubVersion, [this] { Desabilita_Botoes_LastLog(); });
}

void TfrmZEL::btnConfirmaSubVersionClick()
{
    Habilita_Botoes();
}

}
