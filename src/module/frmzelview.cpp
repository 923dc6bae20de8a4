// The controls of the main window and their arrangement.
#include "module/frmzel.h"
#include "module/activitylayer.h"
#include "module/registro.h"
#include "plan/attendance.h"
#include "plan/planactions.h"
#include "module/modulestate.h"
#include "module/plataforma.h"
#include "host/services.h"
#include "plan/filterindicator.h"
#include "plan/gridlayout.h"
#include "plan/plandelegate.h"
#include "plan/planfields.h"
#include "plan/plangridcontroller.h"
#include "plan/planpanels.h"
#include "plan/transicoes.h"
#include "workflow/gravarelease.h"
#include "vcs/progress.h"
#include <QAction>
#include <QApplication>
#include <QFont>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QShortcut>
#include <QStackedWidget>
#include <QTabWidget>
#include <QTableView>
#include <QToolButton>
#include <QTableView>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>

namespace apr {

namespace {

template <typename W, typename... Args>
W *named(const char *name, Args &&...args)
{
    auto *widget = new W(std::forward<Args>(args)...);
    widget->setObjectName(QString::fromLatin1(name));
    return widget;
}

QToolButton *botao(const char *name, const QString &text, bool checkable = false)
{
    auto *button = named<QToolButton>(name);
    button->setText(text);
    button->setCheckable(checkable);
    button->setToolButtonStyle(Qt::ToolButtonTextOnly);
    button->setAutoRaise(true);
    return button;
}

QListWidget *listaOculta(const char *name)
{
    auto *list = named<QListWidget>(name);
    list->hide();
    return list;
}

}

void TfrmZEL::buildUi()
{
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    lblCodTela = named<QLabel>("lblCodTela", CodigoTela());
    lblCodTela->hide();
    nbkAPR = named<QStackedWidget>("nbkAPR");
    nbkAPR->addWidget(buildPaginaPlataforma());
    nbkAPR->addWidget(buildPaginaPlano());
    layout->addWidget(lblCodTela);
    layout->addWidget(nbkAPR);
    buildMenu();
    ligaAcoesDoPlano();
    tmrOperSemAtiv = named<QTimer>("tmrOperSemAtiv", this);
    tmrOperSemAtiv->setInterval(0);
    ligaTransicoes();
}

QWidget *TfrmZEL::buildPaginaPlataforma()
{
    auto *page = named<QWidget>("OpcTrab");
    auto *outer = new QVBoxLayout(page);
    grpPlataforma = named<QGroupBox>("grpPlataforma", QStringLiteral("Escolha a plataforma de desenvolvimento:"));
    auto *group = new QVBoxLayout(grpPlataforma);
    QRadioButton **buttons[] = {&rbtProdDelphi, &rbtProdAsp, &rbtProdLumetra, &rbtFrameLumetra};
    int i = 0;
    for (const Plataforma &plataforma : TabelaPlataformas()) {
        auto *button = named<QRadioButton>(plataforma.radioButton, plataforma.titulo());
        *buttons[i++] = button;
        group->addWidget(button);
    }
    rbtProdDelphi->setChecked(true);
    btnOk = named<QPushButton>("btnOk", QStringLiteral("Ok"));
    btnOk->setDefault(true);
    connect(btnOk, &QPushButton::clicked, this, [this] { btnOkClick(); });
    // The page is no dialog: Enter presses "Ok" from any of its controls.
    for (const int key : {Qt::Key_Return, Qt::Key_Enter}) {
        auto *enter = new QShortcut(QKeySequence(key), page);
        enter->setContext(Qt::WidgetWithChildrenShortcut);
        connect(enter, &QShortcut::activated, btnOk, &QPushButton::click);
    }
    group->addWidget(btnOk, 0, Qt::AlignRight);
    outer->addStretch();
    outer->addWidget(grpPlataforma, 0, Qt::AlignCenter);
    outer->addStretch();
    return page;
}

QWidget *TfrmZEL::buildPaginaPlano()
{
    auto *page = named<QWidget>("APR");
    auto *layout = new QVBoxLayout(page);
    layout->setContentsMargins(2, 2, 2, 2);
    layout->addWidget(buildBarraFerramentas());
    pgcPadrao = named<QTabWidget>("pgcPadrao");
    pgcPadrao->addTab(buildAreaPlano(), QStringLiteral("Atividades"));
    layout->addWidget(pgcPadrao, 1);
    layout->addWidget(buildNavegador());
    return page;
}

QWidget *TfrmZEL::buildBarraFerramentas()
{
    panFiltro = named<QWidget>("panFiltro");
    auto *layout = new QHBoxLayout(panFiltro);
    layout->setContentsMargins(0, 0, 0, 0);
    sbtShowHistory = botao("sbtShowHistory", QStringLiteral("Show Log / Diff"));
    sbtGet = botao("sbtGet", QStringLiteral("Update Version"));
    SpeedButton2 = botao("SpeedButton2", QStringLiteral("Filtrar"));
    sbtLastLog = botao("sbtLastLog", QStringLiteral("Last Log"));
    sbtAutoTeste = botao("sbtAutoTeste", QStringLiteral("AutoTeste"));
    sbtAutoTeste->hide();
    sbtAutoTeste->setEnabled(false);
    connect(sbtLastLog, &QToolButton::clicked, this, [this] { qor::guarded([this] { sbtLastLogClick(); }); });
    connect(SpeedButton2, &QToolButton::clicked, this, [this] { qor::guarded([this] { SpeedButton2Click(); }); });
    connect(sbtGet, &QToolButton::clicked, this, [this] { qor::guarded([this] { sbtGetClick(); }); });
    connect(sbtShowHistory, &QToolButton::clicked, this,
            [this] { qor::guarded([this] { sbtShowHistoryClick(); }); });
    for (QToolButton *button : {sbtShowHistory, sbtGet, SpeedButton2, sbtLastLog, sbtAutoTeste})
        layout->addWidget(button);
    layout->addStretch();
    return panFiltro;
}

QWidget *TfrmZEL::buildAreaPlano()
{
    auto *area = named<QWidget>("tabPlano");
    auto *layout = new QVBoxLayout(area);
    layout->setContentsMargins(0, 0, 0, 0);

    panDbgPadrao = named<QWidget>("panDbgPadrao");
    auto *plan = new QVBoxLayout(panDbgPadrao);
    plan->setContentsMargins(0, 0, 0, 0);
    dbgPadrao = named<QTableView>("dbgPadrao");
    montaGradePlano();
    dbgPadrao->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(dbgPadrao, &QWidget::customContextMenuRequested, this,
            [this](const QPoint &at) { pmnPadrao->popup(dbgPadrao->viewport()->mapToGlobal(at)); });
    sincronizaGrade();
    plan->addWidget(dbgPadrao, 1);
    lsbRenameFile = listaOculta("lsbRenameFile");
    lsbGetURL = listaOculta("lsbGetURL");
    lsbGetDonoTrava = listaOculta("lsbGetDonoTrava");
    lsbCopiaURL = listaOculta("lsbCopiaURL");
    lsbDirInfo = listaOculta("lsbDirInfo");
    for (QListWidget *list : {lsbRenameFile, lsbGetURL, lsbGetDonoTrava, lsbCopiaURL, lsbDirInfo})
        plan->addWidget(list);
    auto *below = new QHBoxLayout;
    below->addWidget(buildDetalhes(), 1);
    below->addWidget(buildLegenda());
    plan->addLayout(below);
    plan->addWidget(buildAtendimento());

    layout->addWidget(panDbgPadrao, 1);
    layout->addWidget(buildProgresso(), 1);
    layout->addWidget(buildAguardo());
    return area;
}

void TfrmZEL::montaGradePlano()
{
    plan::DefinePlanFields(cdsPlanAtivTare);
    plan::DefineAndamentoFields(cdsAtividadeAndamento);
    plan::DefineItemTarefaFields(cds_ItemTarefa);
    auto *model = new plan::PlanGridModel(&cdsPlanAtivTare, this);
    model->setObjectName(QStringLiteral("dtsPadrao"));
    dtsPadrao = model;
    dbgPadrao->setModel(model);
    plan::ApplyPlanColumns(*dbgPadrao, *model);
    dbgPadrao->setItemDelegate(new plan::PlanDelegate(*model, dbgPadrao));
    m_grade = new plan::PlanGridController(*dbgPadrao, *model, m_servidor, this);
    m_layout = new plan::GridLayoutStore(m_servidor, *dbgPadrao, *model, this);
    // The tool bar is built before the grid.
    m_indicador = new plan::FilterIndicator(*SpeedButton2, *dbgPadrao, cdsPlanAtivTare, Modulo().filtro, this);
    // The grid's keys and clicks start nothing while a command runs.
    const auto livre = [this](auto handler) {
        return [this, handler](auto... args) {
            if (!m_atividades->emExecucao())
                qor::guarded([&] { (this->*handler)(args...); });
        };
    };
    connect(m_grade, &plan::PlanGridController::updateVersionRequested, this, livre(&TfrmZEL::sbtGetClick));
    connect(m_grade, &plan::PlanGridController::showHistoryRequested, this, livre(&TfrmZEL::sbtShowHistoryClick));
    connect(m_grade, &plan::PlanGridController::statusCellActivated, this,
            [this](int row) { livreClique(row, QStringLiteral("IDSITATIVTAR")); });
    connect(m_grade, &plan::PlanGridController::confirmCellActivated, this,
            [this](int row) { livreClique(row, QStringLiteral("IDORIGTARE")); });
    connect(m_grade, &plan::PlanGridController::otherCellActivated, this,
            [this](int row, const QString &campo) { livreClique(row, campo); });
    connect(m_grade, &plan::PlanGridController::refreshRequested, this, livre(&TfrmZEL::MenuAtualizarClick));
    connect(m_grade, &plan::PlanGridController::filterRequested, this, livre(&TfrmZEL::SpeedButton2Click));
}

void TfrmZEL::sincronizaGrade()
{
    // The grid controller keeps cursor and grid in step; the bottom bar names the project.
    connect(&cdsPlanAtivTare, &qor::RecordSet::currentChanged, this, [this] { atualizaNome(); });
    connect(&cdsPlanAtivTare, &qor::RecordSet::dataReset, this, [this] { atualizaNome(); });
    connect(&cdsPlanAtivTare, &qor::RecordSet::rowChanged, this, [this] { atualizaNome(); });
}

QWidget *TfrmZEL::buildDetalhes()
{
    m_detalhes = new plan::DetailsPanel(cdsPlanAtivTare);
    panDadosAdicionais = m_detalhes;
    return panDadosAdicionais;
}

void TfrmZEL::atualizaNome()
{
    const bool hasRow = cdsPlanAtivTare.active() && !cdsPlanAtivTare.isEmpty();
    const qor::Field *f = hasRow ? cdsPlanAtivTare.findField(QStringLiteral("NMPROJETO")) : nullptr;
    dbtNome->setText(f ? f->displayText() : QString());
}

QWidget *TfrmZEL::buildAtendimento()
{
    panAtendimento = named<QWidget>("panAtendimento");
    auto *layout = new QHBoxLayout(panAtendimento);
    layout->setContentsMargins(0, 0, 0, 0);
    sbtAteInterno = botao("sbtAteInterno", QStringLiteral("Atendimento Interno"), true);
    sbtAteExterno = botao("sbtAteExterno", QStringLiteral("Atendimento Externo"), true);
    sbtAcompanhamento = botao("sbtAcompanhamento", QStringLiteral("Acompanhamento Apropriação"));
    sbtAtraso = botao("sbtAtraso", QString());
    sbtAtraso->hide();
    dbeAtraso = named<QLineEdit>("dbeAtraso");
    dbeAtraso->setReadOnly(true);
    dbeAtraso->hide();
    for (QWidget *w : std::initializer_list<QWidget *>{sbtAteInterno, sbtAteExterno, sbtAcompanhamento, sbtAtraso, dbeAtraso})
        layout->addWidget(w);
    layout->addStretch();
    return panAtendimento;
}

QWidget *TfrmZEL::buildProgresso()
{
    panSubVersion = named<QWidget>("panSubVersion");
    auto *layout = new QVBoxLayout(panSubVersion);
    layout->setContentsMargins(0, 0, 0, 0);
    lsbProgresso = named<QListWidget>("lsbProgresso");
    pgrSubVersion = named<QProgressBar>("pgrSubVersion");
    pgrSubVersion->setRange(0, 1000000);
    pgrSubVersion->setValue(0);
    btnConfirmaSubVersion = named<QPushButton>("btnConfirmaSubVersion", QStringLiteral("OK"));
    QFont bold = btnConfirmaSubVersion->font();
    bold.setBold(true);
    btnConfirmaSubVersion->setFont(bold);
    connect(btnConfirmaSubVersion, &QPushButton::clicked, this,
            [this] { qor::guarded([this] { btnConfirmaSubVersionClick(); }); });
    auto *bottom = new QHBoxLayout;
    bottom->addWidget(pgrSubVersion, 1);
    bottom->addWidget(btnConfirmaSubVersion);
    layout->addWidget(lsbProgresso, 1);
    layout->addLayout(bottom);
    vcs::InstallProgressBehaviour(lsbProgresso);
    vcs::SetupProgressBar(pgrSubVersion);
    panSubVersion->hide();
    lsbProgresso->hide();
    pgrSubVersion->hide();
    btnConfirmaSubVersion->hide();
    return panSubVersion;
}

QWidget *TfrmZEL::buildLegenda()
{
    panLegenda = new plan::LegendPanel;
    return panLegenda;
}

QWidget *TfrmZEL::buildAguardo()
{
    panAguardo = named<QWidget>("panAguardo");
    auto *layout = new QHBoxLayout(panAguardo);
    layout->addWidget(new QLabel(QStringLiteral("Carregando arquivos que serão atualizados...")));
    anmEspera = named<QProgressBar>("anmEspera");
    anmEspera->setRange(0, 0);
    anmEspera->setTextVisible(false);
    layout->addWidget(anmEspera, 1);
    panAguardo->hide();
    return panAguardo;
}

QWidget *TfrmZEL::buildNavegador()
{
    panNavigator = named<QWidget>("panNavigator");
    auto *layout = new QHBoxLayout(panNavigator);
    layout->setContentsMargins(0, 0, 0, 0);
    dbtNome = named<QLabel>("dbtNome");
    dbnPadrao = m_grade->createNavigator(panNavigator);
    layout->addWidget(dbtNome, 1);
    layout->addWidget(dbnPadrao);
    return panNavigator;
}

void TfrmZEL::buildMenu()
{
    pmnPadrao = named<QMenu>("pmnPadrao", this);
    auto add = [this](const char *name, const QString &text, const QList<QKeySequence> &keys,
                      QAction *before = nullptr) {
        auto *action = new QAction(text, pmnPadrao);
        action->setObjectName(QString::fromLatin1(name));
        action->setShortcuts(keys);
        action->setShortcutContext(Qt::WidgetWithChildrenShortcut);
        pmnPadrao->insertAction(before, action);
        addAction(action);
        return action;
    };
    // Navigation, "Atualizar" (F5) and "Filtrar" (Ctrl+L) belong to the plan grid; their
    // shortcuts, like the others, work anywhere in this window.
    m_grade->addMenuActions(*pmnPadrao, this);
    QAction *filtrar = m_grade->filterAction();
    add("mniConfirmar", QStringLiteral("Confirmar"),
        {QKeySequence(Qt::CTRL | Qt::Key_Return), QKeySequence(Qt::CTRL | Qt::Key_Enter)}, filtrar);
    add("mniDescricao", QStringLiteral("Descrição"), {QKeySequence(Qt::CTRL | Qt::Key_D)}, filtrar);
    add("mniResposta", QStringLiteral("Resposta"), {QKeySequence(Qt::CTRL | Qt::Key_R)});
    add("mniTrocarOperador", QStringLiteral("Trocar Operador"), {QKeySequence(Qt::Key_F11)});
}

// The plan's pop-up items that open something, the requirement document and
// the attendance bar: each is a class of the plan; here they are only wired.
void TfrmZEL::ligaAcoesDoPlano()
{
    m_acoes = std::make_unique<plan::PlanActions>(plan::PlanActionsContext{
        m_servidor, cdsPlanAtivTare, cds_ItemTarefa, [] { return Registro::RetornaDirArqSoli(); },
        [this](const QString &filial, const QString &solicitacao, const QString &grupo, const QString &processo) {
            m_atividades->abreScripts(filial, solicitacao, grupo, processo);
        },
        this});
    m_atendimento = std::make_unique<plan::AttendanceActions>(plan::AttendanceContext{
        m_servidor, cdsAtividadeAndamento, *sbtAteInterno, *sbtAteExterno, [this] { GetPlanAtivTare(); }, this});

    const auto livre = [this](auto handler) {
        return [this, handler] {
            if (!m_atividades->emExecucao())
                qor::guarded(handler);
        };
    };
    const auto item = [this](const char *name) { return pmnPadrao->findChild<QAction *>(QString::fromLatin1(name)); };
    connect(item("mniDescricao"), &QAction::triggered, this, livre([this] { m_acoes->Descrio1Click(); }));
    connect(item("mniResposta"), &QAction::triggered, this, livre([this] { m_acoes->Resposta1Click(); }));
    connect(dbgPadrao, &QTableView::doubleClicked, this, livre([this] { m_acoes->dbgPadraoDblClick(); }));
    connect(sbtAteInterno, &QToolButton::clicked, this, livre([this] { m_atendimento->sbtAteInternoClick(); }));
    connect(sbtAteExterno, &QToolButton::clicked, this, livre([this] { m_atendimento->sbtAteExternoClick(); }));
    for (QToolButton *acompanhamento : {sbtAcompanhamento, sbtAtraso})
        connect(acompanhamento, &QToolButton::clicked, this, livre([this] { m_atendimento->sbtAcompanhamentoClick(); }));
}

}

namespace apr {

void TfrmZEL::livreClique(int row, const QString &campo)
{
    if (!m_atividades->emExecucao())
        qor::guarded([&] { dbgPadraoCellClick(row, campo); });
}

void TfrmZEL::ligaTransicoes()
{
    ModuleState &modulo = Modulo();
    ActivityLayer &camada = *m_atividades;
    plan::OperacoesTransicoes op;
    op.sbtAteInterno = sbtAteInterno;
    op.sbtAteExterno = sbtAteExterno;
    op.encerraAtendimento = [this](const QString &tipo) { return m_atendimento->encerraAtendimento(tipo); };
    op.bloqueiaGrade = [this] { habilitaGrade(false); };
    op.liberaGrade = [this] {
        if (!vistaDeComandos())
            habilitaGrade(true);
    };
    op.recarregaPlano = [this] { GetPlanAtivTare(); };
    op.atualizaArqLogin = [&camada] { camada.Atualiza_Arq_Login(); };
    op.realizaCheckout = [&camada](const plan::PedidoVersao &p) {
        camada.Realiza_Checkout(p.produto, p.processo, p.filial, p.solicitacao, p.tarefa, p.atividade, p.itemTrab,
                                p.repositorio, p.base);
    };
    op.realizaCheckin = [&camada](const plan::PedidoVersao &p) {
        return camada.Realiza_Checkin(p.produto, p.processo, p.filial, p.solicitacao, p.tarefa, p.atividade,
                                      p.itemTrab, p.repositorio, p.base);
    };
    op.confirmouCheckin = [&camada] { return camada.boConfirmaCheckin; };
    op.limpaConfirmacaoCheckin = [&camada] { camada.boConfirmaCheckin = false; };
    op.idProdSvn = [&camada](const QString &produto) {
        camada.stIdProdSvn = camada.gravaRelease().Get_ID_Prod_SVN(produto);
        return camada.stIdProdSvn;
    };
    op.setArquivo = [this, &camada](const QString &modo, const QString &base) {
        camada.gravaRelease().SetArquivo(modo, base, cds_ItemTarefa);
    };
    op.anexaArquivoGeracao = [&camada](const plan::PedidoVersao &p) {
        camada.gravaRelease().Anexa_Arquivo_Geracao(p.produto, p.filial, p.solicitacao, p.processo);
        return camada.boArquivoMarcado();
    };
    op.anexoArquivoGeracaoAsp = [&camada](const plan::PedidoVersao &p) {
        camada.gravaRelease().Anexo_Arquivo_Geracao_Asp(p.filial, p.tarefa, p.atividade, p.solicitacao, p.produto,
                                                        p.processo);
    };
    op.gravaBackup = [&camada](const QString &arquivo, const plan::PedidoVersao &p) {
        camada.Grava_Backup_Workdir(arquivo, p.solicitacao, p.tarefa, p.atividade);
    };
    op.plataforma = [&camada] { return camada.plataforma(); };
    op.criaResposta = [this](const plan::AnswerRequest &pedido) { return plan::CriaResposta(m_servidor, pedido, this); };
    op.trazAFrente = [] {
        if (QWidget *principal = qor::HostMainWindow()) {
            if (principal->isMinimized())
                principal->showNormal();
            principal->raise();
            principal->activateWindow();
        }
    };
    m_transicoes = std::make_unique<plan::TransicoesAtividade>(plan::TransicoesContexto{
        m_servidor, cdsPlanAtivTare, cdsAtividadeAndamento, msgPadrao,
        {modulo.boCheckOut, modulo.boJustificou, modulo.boAcordo, modulo.boOperaSubversion, modulo.bkPosicao},
        std::move(op)});
    connect(pmnPadrao->findChild<QAction *>(QStringLiteral("mniConfirmar")), &QAction::triggered, this, [this] {
        qor::guarded([this] { MenuItem7Click(); });
    });
    connect(tmrOperSemAtiv, &QTimer::timeout, this, [this] { qor::guarded([this] { tmrOperSemAtivTimer(); }); });
}

}
