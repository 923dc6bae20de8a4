// The main window of the module against the real application server.
#include "../server/serverprocess.h"
#include "demosession.h"
#include "host/dialogs.h"
#include "host/services.h"
#include "vcs/account.h"
#include "module/frmzel.h"
#include "module/modulestate.h"
#include "module/plataforma.h"
#include "module/registro.h"
#include "server/remote.h"
#include "workflow/workflowcontext.h"
#include <QAction>
#include <QApplication>
#include <QMenu>
#include <QSignalSpy>
#include <QTest>
#include <QFile>
#include <QKeyEvent>
#include <QJsonArray>
#include <QJsonObject>
#include <QLabel>
#include <QAbstractItemDelegate>
#include <QLineEdit>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QStackedWidget>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <gtest/gtest.h>

namespace {

using apr::TfrmZEL;

testsupport::ServerProcess *g_server = nullptr;

class ModuleWindowTest : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        g_server = new testsupport::ServerProcess;
        if (!g_server->start(QStringLiteral(APR_SERVER_BIN))) {
            qWarning("%s", qPrintable(g_server->why()));
        }
    }
    static void TearDownTestSuite()
    {
        delete g_server;
        g_server = nullptr;
    }
    void SetUp() override
    {
        APR_REQUIRE_COMPONENT(g_server->port() != 0, "apr-server", g_server->why());
        ASSERT_TRUE(home.isValid());
        qputenv("APR_HOME", home.path().toUtf8());
        qputenv("USER", "demo");
        setSession(false);
        apr::Modulo() = apr::ModuleState{};
    }
    void TearDown() override
    {
        delete window.data();
        qor::SetApplicationExceptionHandler({});
    }
    void setSession(bool keep)
    {
        qor::Session session = DemoSession(*g_server);
        session.keepConnected = keep;
        qor::SetSession(session);
    }
    TfrmZEL &open()
    {
        window = new TfrmZEL;
        window->show();
        QApplication::processEvents();
        return *window;
    }
    void confirm(QRadioButton *TfrmZEL::*button)
    {
        ((*window).*button)->setChecked(true);
        window->btnOk->click();
    }

    QTemporaryDir home;
    qor::ScopedScriptedDialogs dialogs;
    QPointer<TfrmZEL> window;
};

TEST_F(ModuleWindowTest, OpensOnThePlatformPageWithThePlanLoadedWithoutRange)
{
    TfrmZEL &w = open();
    EXPECT_EQ(w.windowTitle(), QStringLiteral("Apropriação de Atividades"));
    EXPECT_EQ(w.nbkAPR->currentIndex(), 0);
    EXPECT_FALSE(w.dbnPadrao->isVisible());
    EXPECT_TRUE(w.lblCodTela->isHidden());
    EXPECT_EQ(w.lblCodTela->text(), QStringLiteral("APR00100"));
    EXPECT_GE(w.cdsPlanAtivTare.recordCount(), 20);
    EXPECT_TRUE(w.cds_ItemTarefa.active());
    EXPECT_TRUE(apr::Modulo().boJustificou);
    EXPECT_EQ(w.dbgPadrao->model()->columnCount(), 10);
    EXPECT_TRUE(dialogs->shown.empty()) << qPrintable(dialogs->texts().join('\n'));
    EXPECT_EQ(apr::Modulo().stProdTrabIni, QString());
}

TEST_F(ModuleWindowTest, PlatformPageStartsOnTheFirstPlatformAndEnterPressesOk)
{
    TfrmZEL &w = open();
    QApplication::setActiveWindow(&w);
    QApplication::processEvents();
    EXPECT_EQ(QApplication::focusWidget(), w.rbtProdDelphi);
    EXPECT_TRUE(w.btnOk->isDefault());
    QTest::keyClick(w.rbtProdDelphi, Qt::Key_Down);   // the next platform, from the keyboard
    ASSERT_TRUE(w.rbtProdAsp->isChecked());
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    EXPECT_EQ(w.nbkAPR->currentIndex(), 1);
    EXPECT_EQ(apr::Modulo().stProdTrabIni, QStringLiteral("P150"));
}

TEST_F(ModuleWindowTest, ConfirmingAPlatformFixesRangeAccountAndShowsThePlan)
{
    TfrmZEL &w = open();
    const int semFaixa = w.cdsPlanAtivTare.recordCount();
    confirm(&TfrmZEL::rbtProdAsp);
    EXPECT_EQ(w.windowTitle(), QStringLiteral("Apropriação de Atividades - Produto Vortaly Asp"));
    EXPECT_EQ(apr::Modulo().stProdTrabIni, QStringLiteral("P150"));
    EXPECT_EQ(apr::Modulo().stProdTrabFin, QStringLiteral("P15z"));
    EXPECT_EQ(w.nbkAPR->currentIndex(), 1);
    EXPECT_TRUE(w.atividades().boPlataformaEscolhida);
    EXPECT_TRUE(apr::Modulo().boCheckOut);
    EXPECT_EQ(w.atividades().stUsuarioSvn, QStringLiteral("svn_") + vcs::OperatingSystemUser());
    // Compared without printing: the password never reaches the output.
    QFile plain(QStringLiteral(APR_SVN_PASSWORD_FILE));
    ASSERT_TRUE(plain.open(QIODevice::ReadOnly));
    EXPECT_TRUE(w.atividades().stSenhaSvn == QString::fromUtf8(plain.readAll()));
    EXPECT_FALSE(w.atividades().stSenhaSvn.isEmpty());
    EXPECT_LT(w.cdsPlanAtivTare.recordCount(), semFaixa);
    EXPECT_FALSE(w.panSubVersion->isVisibleTo(&w));
    EXPECT_TRUE(w.panDbgPadrao->isVisibleTo(&w));
    EXPECT_FALSE(apr::Modulo().boPrimeiraVez);
    EXPECT_TRUE(w.atividades().stlSaidaSvn.has_value());
}

TEST_F(ModuleWindowTest, TheWorkItemCodeStaysProtectedAcrossReloads)
{
    TfrmZEL &w = open();
    confirm(&TfrmZEL::rbtProdDelphi);
    ASSERT_GT(w.cds_ItemTarefa.recordCount(), 0) << "the demo seed has work items";
    w.MenuAtualizarClick();    // F5: the plan and the work items again
    w.MenuAtualizarClick();
    for (const qor::RecordSet *records : {&w.cds_ItemTarefa, &w.cdsPlanAtivTare}) {
        const qor::Field *field = records->findField(QStringLiteral("CDREDUITTRAB"));
        ASSERT_NE(field, nullptr) << qPrintable(records->name());
        EXPECT_EQ(field->tag & 1, 1) << qPrintable(records->name());
    }
    EXPECT_TRUE(dialogs->texts().filter(QStringLiteral("Erro")).isEmpty());
}

// The check-in selection's automatic additions stop when the machine's
// web-client key holds "APRBloqAdicionaArq", whatever its value.
TEST_F(ModuleWindowTest, TheWorkflowsAskTheMachineKeyOfTheWebClient)
{
    TfrmZEL &w = open();
    const workflow::WorkflowContext &fluxo = w.atividades().fluxo();
    EXPECT_FALSE(fluxo.temValorDaMaquina(QStringLiteral("APRBloqAdicionaArq")));
    const QString key = apr::Registro::chave(qor::CurrentSession().siteWebCliKey, QStringLiteral("APRBloqAdicionaArq"));
    apr::Registro::usuario()->setValue(key, QString());
    EXPECT_FALSE(fluxo.temValorDaMaquina(QStringLiteral("APRBloqAdicionaArq"))) << "the user's key is not the machine's";
    apr::Registro::maquina()->setValue(key, QString());
    EXPECT_TRUE(fluxo.temValorDaMaquina(QStringLiteral("APRBloqAdicionaArq")));
    apr::Registro::maquina()->remove(key);
    apr::Registro::usuario()->remove(key);
}

TEST_F(ModuleWindowTest, FirstRunWritesTheDefaultUpdateDirectory)
{
    TfrmZEL &w = open();
    confirm(&TfrmZEL::rbtProdDelphi);
    EXPECT_EQ(w.atividades().stDirArqSV, QStringLiteral("C:\\svnupdate"));
    const QString key = apr::Registro::chave(
        QStringLiteral("SOFTWARE\\VORTALY\\Sistemas Integrados Vortaly\\WebCli"), QStringLiteral("DirArqSV"));
    EXPECT_EQ(apr::Registro::maquina()->value(key).toString(), QStringLiteral("C:\\svnupdate\\"));

    delete window.data();
    TfrmZEL &again = open();
    confirm(&TfrmZEL::rbtProdDelphi);
    EXPECT_EQ(again.atividades().stDirArqSV, QStringLiteral("C:\\svnupdate\\"));
}

TEST_F(ModuleWindowTest, PendingActionsAndMonitoringAreWarnedAfterConfirmation)
{
    TfrmZEL &w = open();
    confirm(&TfrmZEL::rbtProdDelphi);
    ASSERT_TRUE(w.cdsAcao.active());
    ASSERT_EQ(w.cdsAcao.recordCount(), 2) << "the demo seed holds two pending actions";
    QString expected = QStringLiteral("As seguintes ações estão sob sua responsabilidade:\n\n");
    for (w.cdsAcao.first(); !w.cdsAcao.eof(); w.cdsAcao.next())
        expected += w.cdsAcao[QStringLiteral("NRACAO")].asString() + QStringLiteral("  -  ") +
                    w.cdsAcao[QStringLiteral("STATUSACAO")].asString() +
                    QStringLiteral("  , com data de conclusão prevista para  ") +
                    w.cdsAcao[QStringLiteral("DTPREVENCEAC")].asString() + QStringLiteral("\n");
    ASSERT_GE(dialogs->shown.size(), 1u);
    EXPECT_EQ(dialogs->shown.at(0).kind, qor::DialogRequest::Warning);
    EXPECT_EQ(dialogs->shown.at(0).text, expected);
    ASSERT_TRUE(w.cdsMonitora.active());
    ASSERT_FALSE(w.cdsMonitora.isEmpty()) << "the demo seed plans a project monitoring for today";
    ASSERT_EQ(dialogs->shown.size(), 2u);
    EXPECT_EQ(dialogs->shown.at(1).kind, qor::DialogRequest::Warning);
    EXPECT_EQ(dialogs->shown.at(1).text,
              QStringLiteral("Atenção !!! Existe(m) atividade(s) de Monitoramento de Projeto planejada(s) para hoje."));
}

QJsonObject packet(const QJsonArray &fields, const QJsonArray &rows)
{
    return QJsonObject{{"fields", fields}, {"rows", rows}};
}

QJsonObject actionPacket(const QJsonArray &rows)
{
    return packet({QJsonObject{{"name", "NRACAO"}, {"type", "string"}, {"size", 10}},
                   QJsonObject{{"name", "STATUSACAO"}, {"type", "string"}, {"size", 20}},
                   QJsonObject{{"name", "DTPREVENCEAC"}, {"type", "datetime"}}},
                  rows);
}

TEST_F(ModuleWindowTest, OneActionIsNamedWithItsPlannedConclusion)
{
    TfrmZEL &w = open();
    QJsonArray rows;
    rows.append(QJsonArray{"0000000042", "Em andamento", "2026-05-04T00:00:00"});
    const QJsonObject one = actionPacket(rows);
    w.CarregaInicial({QJsonValue::Null, one, QJsonValue::Null, QJsonValue::Null, QJsonValue::Null});
    w.MostraPendencias();
    ASSERT_EQ(dialogs->shown.size(), 1u);
    EXPECT_EQ(dialogs->shown.at(0).text,
              QStringLiteral("A seguinte ação está sob sua responsabilidade:\n\n\n - 0000000042 - Em andamento, "
                             "com conclusão prevista para 04/05/2026"));
}

TEST_F(ModuleWindowTest, NullElementsOfInicialLeaveTheirRecordSetsAlone)
{
    TfrmZEL &w = open();
    QJsonArray rows;
    rows.append(QJsonArray{"0001"});
    const QJsonObject any = packet({QJsonObject{{"name", "CODIGO"}, {"type", "string"}, {"size", 4}}}, rows);
    w.CarregaInicial({any, QJsonValue::Null, any, QJsonValue::Null, any});
    EXPECT_TRUE(w.cdsParFilialGep.active());
    EXPECT_FALSE(w.cdsAcao.active());
    EXPECT_TRUE(w.atividades().cdsParamVersao.active());
    EXPECT_FALSE(w.atividades().cdsOperDesenv.active());
    EXPECT_TRUE(w.cdsMonitora.active());
    EXPECT_EQ(w.cdsMonitora.recordCount(), 1);
    w.MostraPendencias();
    ASSERT_EQ(dialogs->shown.size(), 1u);     // only the monitoring warning
}

TEST_F(ModuleWindowTest, PlatformWithNoneOfTheFirstThreeIsTheFramework)
{
    TfrmZEL &w = open();
    for (QRadioButton *b : {w.rbtProdDelphi, w.rbtProdAsp, w.rbtProdLumetra, w.rbtFrameLumetra}) {
        b->setAutoExclusive(false);
        b->setChecked(false);
    }
    EXPECT_EQ(w.Retorna_Plat_Select(), QStringLiteral("Framework Lumetra"));
    w.rbtProdLumetra->setChecked(true);
    EXPECT_EQ(w.Retorna_Plat_Select(), QStringLiteral("Produto Vortaly Lumetra"));
}

TEST_F(ModuleWindowTest, LastLogWithoutOutputWarnsAndWithOutputShowsTheCommandView)
{
    TfrmZEL &w = open();
    confirm(&TfrmZEL::rbtProdDelphi);
    const size_t before = dialogs->shown.size();
    w.sbtLastLog->click();
    ASSERT_EQ(dialogs->shown.size(), before + 1);
    EXPECT_EQ(dialogs->shown.back().text, QStringLiteral("Não há log para ser exibido."));
    EXPECT_TRUE(w.panDbgPadrao->isVisibleTo(&w));

    w.lsbProgresso->addItem(QStringLiteral("Resultado :"));
    w.sbtLastLog->click();
    EXPECT_TRUE(w.panSubVersion->isVisibleTo(&w));
    EXPECT_FALSE(w.panDbgPadrao->isVisibleTo(&w));
    EXPECT_EQ(w.pgrSubVersion->value(), 1000000);
    EXPECT_TRUE(w.btnConfirmaSubVersion->isEnabled());
    EXPECT_FALSE(w.dbgPadrao->isEnabled());
    EXPECT_EQ(w.lsbProgresso->count(), 1);

    w.btnConfirmaSubVersion->click();
    EXPECT_TRUE(w.panDbgPadrao->isVisibleTo(&w));
    EXPECT_FALSE(w.panSubVersion->isVisibleTo(&w));
    EXPECT_TRUE(w.sbtGet->isEnabled());
}

TEST_F(ModuleWindowTest, DisablingForCommandsEmptiesTheProgressList)
{
    TfrmZEL &w = open();
    confirm(&TfrmZEL::rbtProdDelphi);
    w.lsbProgresso->addItem(QStringLiteral("antigo"));
    w.Desabilita_Botoes();
    EXPECT_EQ(w.lsbProgresso->count(), 0);
    for (QWidget *c : std::initializer_list<QWidget *>{w.dbgPadrao, w.sbtLastLog, w.sbtAteInterno, w.sbtAteExterno,
                                                       w.sbtAcompanhamento, w.SpeedButton2, w.sbtShowHistory,
                                                       w.sbtGet, w.sbtAutoTeste})
        EXPECT_FALSE(c->isEnabled()) << qPrintable(c->objectName());
    w.Habilita_Botoes();
    EXPECT_TRUE(w.sbtShowHistory->isEnabled());
    EXPECT_FALSE(w.sbtAutoTeste->isEnabled());
    EXPECT_TRUE(w.sbtAutoTeste->isHidden());
}

TEST_F(ModuleWindowTest, PopUpMenuOrderAndItsKeys)
{
    TfrmZEL &w = open();
    confirm(&TfrmZEL::rbtProdDelphi);
    QStringList items;
    for (const QAction *action : w.pmnPadrao->actions())
        items << action->text();
    EXPECT_EQ(items, (QStringList{"Primeiro", "Anterior", "Proximo", "Último", "Atualizar", "Confirmar", "Descrição",
                                  "Filtrar", "Resposta", "Trocar Operador"}));

    // "Confirmar" concludes a running activity: the keys are tried on one that is not running.
    for (int row = 0; row < w.cdsPlanAtivTare.recordCount(); ++row)
        if (w.cdsPlanAtivTare.textAt(QStringLiteral("IDSITATIVTAR"), row) != QLatin1String("A")) {
            w.cdsPlanAtivTare.moveTo(row);
            break;
        }
    ASSERT_NE(w.cdsPlanAtivTare.textOf(QStringLiteral("IDSITATIVTAR")), QStringLiteral("A"));
    QApplication::setActiveWindow(&w);
    w.dbgPadrao->setFocus();
    QApplication::processEvents();
    ASSERT_EQ(QApplication::focusWidget(), w.dbgPadrao);
    auto *confirmar = w.pmnPadrao->findChild<QAction *>(QStringLiteral("mniConfirmar"));
    ASSERT_NE(confirmar, nullptr);
    QSignalSpy triggered(confirmar, &QAction::triggered);
    QTest::keyClick(w.dbgPadrao, Qt::Key_Return, Qt::ControlModifier);
    QTest::keyClick(w.dbgPadrao, Qt::Key_Enter, Qt::ControlModifier | Qt::KeypadModifier);
    EXPECT_EQ(triggered.count(), 2) << "Ctrl+Enter from the main keys and from the keypad";

    // F12: the first control of the page control's page, the plan grid.
    w.sbtAteInterno->setFocusPolicy(Qt::StrongFocus);
    w.sbtAteInterno->setFocus();
    QApplication::processEvents();
    ASSERT_EQ(QApplication::focusWidget(), w.sbtAteInterno);
    QTest::keyClick(w.sbtAteInterno, Qt::Key_F12);
    EXPECT_EQ(QApplication::focusWidget(), w.dbgPadrao);
}

TEST_F(ModuleWindowTest, KeepConnectedHoldsOneUseForTheWindowsLife)
{
    setSession(true);
    TfrmZEL &w = open();
    EXPECT_EQ(w.stlConexoes(), QStringList{QStringLiteral("netZEL=1")});
    EXPECT_TRUE(w.netZEL.Connected());
    confirm(&TfrmZEL::rbtProdDelphi);
    EXPECT_EQ(w.stlConexoes(), QStringList{QStringLiteral("netZEL=1")});
    EXPECT_EQ(w.netZEL.openCount(), 1);
    EXPECT_EQ(w.netZEL.closeCount(), 0);
}

TEST_F(ModuleWindowTest, WithoutKeepConnectedEachGroupOpensAndCloses)
{
    TfrmZEL &w = open();
    EXPECT_FALSE(w.netZEL.Connected());
    EXPECT_EQ(w.stlConexoes(), QStringList{QStringLiteral("netZEL=0")});
    EXPECT_GE(w.netZEL.openCount(), 1);
    EXPECT_EQ(w.netZEL.openCount(), w.netZEL.closeCount());
}

TEST_F(ModuleWindowTest, UnreachableServerIsReportedAndTheWindowStays)
{
    qor::Session session = qor::CurrentSession();
    session.webPort = 1;     // nothing listens there
    qor::SetSession(session);
    TfrmZEL &w = open();
    ASSERT_FALSE(dialogs->shown.empty());
    EXPECT_TRUE(dialogs->texts().join('\n').contains(QStringLiteral("Não foi possível conectar ao servidor de aplicação")));
    EXPECT_TRUE(w.isVisible());
    EXPECT_EQ(w.stlConexoes(), QStringList{QStringLiteral("netZEL=0")});
}

TEST_F(ModuleWindowTest, EscapeCancelsAnInsertionOfWorkItems)
{
    TfrmZEL &w = open();
    ASSERT_TRUE(w.cds_ItemTarefa.active());
    w.cds_ItemTarefa.append();
    QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
    QApplication::sendEvent(w.dbgPadrao, &escape);
    EXPECT_NE(w.cds_ItemTarefa.state(), qor::RecordSet::State::Insert);
}

TEST_F(ModuleWindowTest, DeleteInTheCellEditorOfAProtectedFieldIsDiscarded)
{
    TfrmZEL &w = open();
    ASSERT_GT(w.cdsPlanAtivTare.recordCount(), 0);
    auto typeInCell = [&](const char *field, int key) {
        const QModelIndex cell = w.dtsPadrao->index(0, w.dtsPadrao->columnOf(QString::fromLatin1(field)));
        w.dbgPadrao->setCurrentIndex(cell);
        w.dbgPadrao->edit(cell);
        QLineEdit *editor = w.dbgPadrao->viewport()->findChild<QLineEdit *>();
        if (!editor)
            return QString(QStringLiteral("<no editor>"));
        editor->setText(QStringLiteral("12"));
        editor->setCursorPosition(2);
        QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
        QApplication::sendEvent(editor, &press);
        const QString text = editor->text();
        emit w.dbgPadrao->itemDelegate()->closeEditor(editor, QAbstractItemDelegate::NoHint);
        QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        return text;
    };
    // The queue is the grid's one editable column: protected, then not.
    w.cdsPlanAtivTare[QStringLiteral("NRPRIOATIVTR")].tag = 1;
    EXPECT_EQ(typeInCell("NRPRIOATIVTR", Qt::Key_Backspace), QStringLiteral("12"));
    w.cdsPlanAtivTare[QStringLiteral("NRPRIOATIVTR")].tag = 0;
    EXPECT_EQ(typeInCell("NRPRIOATIVTR", Qt::Key_Backspace), QStringLiteral("1"));
    w.cdsPlanAtivTare.cancel();
}

TEST_F(ModuleWindowTest, ClosingResetsTheModuleFlagsAndReturnsTheUse)
{
    setSession(true);
    TfrmZEL &w = open();
    apr::Modulo().boStCriado = true;
    confirm(&TfrmZEL::rbtProdDelphi);
    EXPECT_FALSE(apr::Modulo().boPrimeiraVez);
    server::TNetConnection *connection = &w.netZEL;
    EXPECT_TRUE(connection->Connected());
    w.close();
    EXPECT_TRUE(apr::Modulo().boPrimeiraVez);
    EXPECT_FALSE(apr::Modulo().boStCriado);
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(window.isNull());
}

TEST_F(ModuleWindowTest, TheWindowsExceptionHandlerGoesWithTheWindow)
{
    bool hostHandlerRan = false;
    qor::SetApplicationExceptionHandler([&](const std::exception &) { hostHandlerRan = true; });
    open();
    confirm(&TfrmZEL::rbtProdDelphi);
    delete window.data();
    const qor::ExceptionHandler current = qor::SetApplicationExceptionHandler({});
    ASSERT_TRUE(bool(current));
    current(std::runtime_error("x"));
    EXPECT_TRUE(hostHandlerRan);
}

TEST(PlatformTable, CaptionsAndProductRanges)
{
    const auto &table = apr::TabelaPlataformas();
    ASSERT_EQ(table.size(), 4u);
    const std::tuple<const char *, const char *, const char *, const char *> expected[] = {
        {"rbtProdDelphi", "Produto Vortaly Delphi", "P4", "P9zz"},
        {"rbtProdAsp", "Produto Vortaly Asp", "P150", "P15z"},
        {"rbtProdLumetra", "Produto Vortaly Lumetra", "T", "Tzzz"},
        {"rbtFrameLumetra", "Framework Lumetra", "S", "Szzz"},
    };
    for (size_t i = 0; i < table.size(); ++i) {
        const auto &[radio, caption, ini, fin] = expected[i];
        EXPECT_STREQ(table[i].radioButton, radio);
        EXPECT_EQ(table[i].titulo(), QString::fromUtf8(caption));
        EXPECT_EQ(table[i].inicial(), QString::fromLatin1(ini));
        EXPECT_EQ(table[i].final(), QString::fromLatin1(fin));
        EXPECT_EQ(apr::PlataformaPorCaption(QString::fromUtf8(caption)), &table[i]);
    }
}

TEST(Registro, ReadersGiveEmptyTextsWhenValuesAreMissing)
{
    QTemporaryDir home;
    qputenv("APR_HOME", home.path().toUtf8());
    EXPECT_EQ(apr::Registro::RetornaDirArqSoli(), QString());
    const QString webCli = QStringLiteral("SOFTWARE\\VORTALY\\Sistemas Integrados Vortaly\\WebCli");
    EXPECT_EQ(apr::Registro::GetRegWorkDir(webCli), QString());
    apr::Registro::maquina()->setValue(apr::Registro::chave(webCli, QStringLiteral("WorkDir")), "c:\\sistemas\\prod");
    EXPECT_EQ(apr::Registro::GetRegWorkDir(webCli), QStringLiteral("c:\\sistemas\\prod\\"));
    apr::Registro::usuario()->setValue(
        apr::Registro::chave(QStringLiteral("SOFTWARE\\CALBREX\\Sistemas Integrados Calbrex"), "DirArqSoli"),
        "c:\\solicitacoes");
    EXPECT_EQ(apr::Registro::RetornaDirArqSoli(), QStringLiteral("c:\\solicitacoes"));
}

TEST(WorkflowContextTest, TheOutermostRunFixesTheActivityUntilTheLastEnds)
{
    apr::ModuleState state;
    QString user, password;
    QStringList a, b, c, d, e;
    struct NoServer : server::RemoteServer {
        void acquire() override {}
        void release() override {}
        qor::RemoteResult callRaw(const QString &, const QJsonArray &) override { return {}; }
    } none;
    vcs::SvnClient svn(user, password);
    workflow::WorkflowContext context(state, none, svn, {a, b, c, d, e});
    QList<bool> ends;
    context.setOnRunEnded([&](bool idle) { ends << idle; });
    EXPECT_THROW(context.runner(), std::logic_error);
    {
        const auto workflow = context.begin({"0001", "0000005001", "00001"});
        {
            const auto command = context.begin({"0001", "0000005002", "00009"});
            EXPECT_EQ(context.activity().tarefa, QStringLiteral("0000005001"));
        }
        EXPECT_TRUE(context.running());
        EXPECT_EQ(context.activity().atividade, QStringLiteral("00001"));
    }
    EXPECT_FALSE(context.running());
    EXPECT_TRUE(context.activity().isEmpty());
    EXPECT_EQ(ends, (QList<bool>{false, true}));
    user = QStringLiteral("svn_demo");
    EXPECT_EQ(context.svn().user(), QStringLiteral("svn_demo")) << "the window's account, not a copy";
}

TEST(ModuleStateTest, UnloadEmptiesTheTwelveTexts)
{
    apr::ModuleState state;
    for (QString *t : {&state.stProdTrabIni, &state.stProdTrabFin, &state.stReleaseMetaDados, &state.stDirVss,
                       &state.stDiretorio, &state.stDirRepSubVer, &state.stDirCopiaTrab, &state.stDirNovo,
                       &state.stDirArq, &state.stDirArq22, &state.stDirAux01, &state.stIdAutoTeste})
        *t = QStringLiteral("x");
    state.limpaTextos();
    const std::pair<const char *, const QString *> texts[] = {
        {"stProdTrabIni", &state.stProdTrabIni},   {"stProdTrabFin", &state.stProdTrabFin},
        {"stReleaseMetaDados", &state.stReleaseMetaDados}, {"stDirVss", &state.stDirVss},
        {"stDiretorio", &state.stDiretorio},       {"stDirRepSubVer", &state.stDirRepSubVer},
        {"stDirCopiaTrab", &state.stDirCopiaTrab}, {"stDirNovo", &state.stDirNovo},
        {"stDirArq", &state.stDirArq},             {"stDirArq22", &state.stDirArq22},
        {"stDirAux01", &state.stDirAux01},         {"stIdAutoTeste", &state.stIdAutoTeste},
    };
    for (const auto &[name, text] : texts)
        EXPECT_TRUE(text->isEmpty()) << name;
}

}
