// The controls of the main window and their arrangement.
#include "module/frmzel.h"
#include "module/plataforma.h"
#include "host/services.h"
#include <QAction>
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
#include <QStackedWidget>
#include <QTabWidget>
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
    tmrOperSemAtiv = named<QTimer>("tmrOperSemAtiv", this);
    tmrOperSemAtiv->setInterval(0);
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
    connect(btnOk, &QPushButton::clicked, this, [this] { btnOkClick(); });
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
    dtsPadrao = new qor::RecordSetModel(&cdsPlanAtivTare, this);
    dtsPadrao->setObjectName(QStringLiteral("dtsPadrao"));
    dtsPadrao->setColumns({"IDSITATIVTAR", "IDORIGTARE", "NRPRIOATIVTR", "DSTEMPLAITAR", "CDREDUITTRAB",
                           "NMPROCESSO", "DSSOLISERV", "DTFIRATIVTAR", "DTFIPATIVTAR", "DSSTFASETRAM"});
    dbgPadrao->setModel(dtsPadrao);
    dbgPadrao->setSelectionBehavior(QAbstractItemView::SelectRows);
    dbgPadrao->setSelectionMode(QAbstractItemView::SingleSelection);
    dbgPadrao->setEditTriggers(QAbstractItemView::NoEditTriggers);
    dbgPadrao->verticalHeader()->setDefaultSectionSize(20);
    dbgPadrao->horizontalHeader()->setStretchLastSection(true);
    QFont titleFont = dbgPadrao->horizontalHeader()->font();
    titleFont.setBold(true);
    dbgPadrao->horizontalHeader()->setFont(titleFont);
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

void TfrmZEL::sincronizaGrade()
{
    connect(dbgPadrao->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [this](const QModelIndex &current) {
                if (current.isValid() && current.row() != cdsPlanAtivTare.recNo())
                    qor::guarded([&] { cdsPlanAtivTare.moveTo(current.row()); });
            });
    auto follow = [this] {
        const int row = cdsPlanAtivTare.recNo();
        if (row >= 0 && dbgPadrao->currentIndex().row() != row)
            dbgPadrao->setCurrentIndex(dtsPadrao->index(row, qMax(0, dbgPadrao->currentIndex().column())));
        atualizaDetalhes();
    };
    connect(&cdsPlanAtivTare, &qor::RecordSet::currentChanged, this, follow);
    connect(&cdsPlanAtivTare, &qor::RecordSet::dataReset, this, follow);
    connect(&cdsPlanAtivTare, &qor::RecordSet::rowChanged, this, [this] { atualizaDetalhes(); });
}

QWidget *TfrmZEL::buildDetalhes()
{
    panDadosAdicionais = named<QGroupBox>("panDadosAdicionais", QStringLiteral("Dados Adicionais"));
    auto *form = new QFormLayout(panDadosAdicionais);
    form->setContentsMargins(6, 4, 6, 4);
    auto add = [form](const char *name, const QString &label) {
        auto *value = named<QLabel>(name);
        value->setTextInteractionFlags(Qt::TextSelectableByMouse);
        form->addRow(label, value);
        return value;
    };
    dbtProjeto = add("dbtProjeto", QStringLiteral("Projeto"));
    dbtSolicitacao = add("dbtSolicitacao", QStringLiteral("Solicitação"));
    dbtTarefa = add("dbtTarefa", QStringLiteral("Tarefa"));
    dbtOperInclusao = add("dbtOperInclusao", QStringLiteral("Operador Inclusão"));
    dbtResponsavel = add("dbtResponsavel", QStringLiteral("Responsável"));
    dbtCliente = add("dbtCliente", QStringLiteral("Cliente"));
    return panDadosAdicionais;
}

void TfrmZEL::atualizaDetalhes()
{
    const bool hasRow = cdsPlanAtivTare.active() && !cdsPlanAtivTare.isEmpty();
    auto text = [&](const char *field) {
        const qor::Field *f = hasRow ? cdsPlanAtivTare.findField(QString::fromLatin1(field)) : nullptr;
        return f ? f->displayText() : QString();
    };
    dbtProjeto->setText(text("DSPROJETO"));
    dbtSolicitacao->setText(text("DSREFESOLI"));
    dbtTarefa->setText(text("DSREFETAREFA"));
    dbtOperInclusao->setText(text("NMOPERINCL"));
    dbtResponsavel->setText(text("NMOPERRESP"));
    dbtCliente->setText(text("NMFANTCLIE"));
    dbtNome->setText(text("NMPROJETO"));
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
    panSubVersion->hide();
    lsbProgresso->hide();
    pgrSubVersion->hide();
    btnConfirmaSubVersion->hide();
    return panSubVersion;
}

QWidget *TfrmZEL::buildLegenda()
{
    panLegenda = named<QGroupBox>("panLegenda", QStringLiteral("Legenda"));
    auto *layout = new QGridLayout(panLegenda);
    layout->setContentsMargins(6, 4, 6, 4);
    const std::pair<const char *, QColor> estados[] = {
        {"Não apropriada", QColor(Qt::black)}, {"Concluída ou Cancelada", QColor(Qt::gray)},
        {"Em atraso", QColor(Qt::red)},         {"Finalizada", QColor(Qt::blue)},
        {"Em andamento", QColor(Qt::darkGreen)}, {"Paralisada", QColor(0, 0, 128)}};
    int row = 0;
    for (const auto &[texto, cor] : estados) {
        auto *amostra = new QLabel;
        amostra->setFixedSize(14, 14);
        amostra->setStyleSheet(QStringLiteral("background:%1;border:1px solid #555").arg(cor.name()));
        auto *rotulo = new QLabel(QString::fromUtf8(texto));
        rotulo->setStyleSheet(QStringLiteral("color:%1").arg(cor.name()));
        layout->addWidget(amostra, row / 2, (row % 2) * 2);
        layout->addWidget(rotulo, row / 2, (row % 2) * 2 + 1);
        ++row;
    }
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
    dbnPadrao = named<QWidget>("dbnPadrao");
    auto *buttons = new QHBoxLayout(dbnPadrao);
    buttons->setContentsMargins(0, 0, 0, 0);
    const std::pair<const char *, void (qor::RecordSet::*)()> moves[] = {
        {"|<", &qor::RecordSet::first}, {"<", &qor::RecordSet::prior},
        {">", &qor::RecordSet::next},   {">|", &qor::RecordSet::last}};
    for (const auto &[text, move] : moves) {
        auto *button = new QToolButton;
        button->setText(QString::fromLatin1(text));
        connect(button, &QToolButton::clicked, this,
                [this, move = move] { qor::guarded([&] { (cdsPlanAtivTare.*move)(); }); });
        buttons->addWidget(button);
    }
    layout->addWidget(dbtNome, 1);
    layout->addWidget(dbnPadrao);
    return panNavigator;
}

void TfrmZEL::buildMenu()
{
    pmnPadrao = named<QMenu>("pmnPadrao", this);
    auto add = [this](const char *name, const QString &text, const QKeySequence &keys) {
        QAction *action = pmnPadrao->addAction(text);
        action->setObjectName(QString::fromLatin1(name));
        action->setShortcut(keys);
        action->setShortcutContext(Qt::WidgetWithChildrenShortcut);
        addAction(action);
        return action;
    };
    auto move = [this](void (qor::RecordSet::*step)()) {
        return [this, step] { qor::guarded([&] { (cdsPlanAtivTare.*step)(); }); };
    };
    connect(add("mniPrimeiro", QStringLiteral("Primeiro"), QKeySequence(Qt::CTRL | Qt::Key_Home)),
            &QAction::triggered, this, move(&qor::RecordSet::first));
    connect(add("mniAnterior", QStringLiteral("Anterior"), QKeySequence(Qt::CTRL | Qt::Key_Up)),
            &QAction::triggered, this, move(&qor::RecordSet::prior));
    connect(add("mniProximo", QStringLiteral("Proximo"), QKeySequence(Qt::CTRL | Qt::Key_Down)),
            &QAction::triggered, this, move(&qor::RecordSet::next));
    connect(add("mniUltimo", QStringLiteral("Último"), QKeySequence(Qt::CTRL | Qt::Key_End)),
            &QAction::triggered, this, move(&qor::RecordSet::last));
    connect(add("mniAtualizar", QStringLiteral("Atualizar"), QKeySequence(Qt::Key_F5)), &QAction::triggered,
            this, [this] { qor::guarded([this] { GetPlanAtivTare(); }); });
    add("mniConfirmar", QStringLiteral("Confirmar"), QKeySequence(Qt::CTRL | Qt::Key_Return));
    add("mniDescricao", QStringLiteral("Descrição"), QKeySequence(Qt::CTRL | Qt::Key_D));
    add("mniFiltrar", QStringLiteral("Filtrar"), QKeySequence(Qt::CTRL | Qt::Key_L));
    add("mniResposta", QStringLiteral("Resposta"), QKeySequence(Qt::CTRL | Qt::Key_R));
    add("mniTrocarOperador", QStringLiteral("Trocar Operador"), QKeySequence(Qt::Key_F11));
}

}
