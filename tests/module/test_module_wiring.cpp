// The main window with its plan grid, filter, layout store and command runner,
// against the real application server with the demo seed.
#include "../server/serverprocess.h"
#include "demosession.h"
#include "host/dialogs.h"
#include "host/services.h"
#include "module/frmzel.h"
#include "module/modulestate.h"
#include "plan/columnscale.h"
#include "plan/filtroativi.h"
#include "plan/gridlayout.h"
#include "plan/plandelegate.h"
#include "plan/planfields.h"
#include "plan/plangridcontroller.h"
#include "plan/planpanels.h"
#include "plan/planstyle.h"
#include "vcs/progress.h"
#include "vcs/runner.h"
#include <QAction>
#include <QApplication>
#include "host/dateeditplus.h"
#include <QHeaderView>
#include <QJsonArray>
#include <QJsonObject>
#include <QLibrary>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QStandardPaths>
#include <QStackedWidget>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <functional>
#include <gtest/gtest.h>

namespace {

using apr::TfrmZEL;

testsupport::ServerProcess *g_wiringServer = nullptr;

void settle()
{
    for (int i = 0; i < 5; ++i) {
        QApplication::processEvents();
        QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
}

QStringList lines(const QListWidget *list)
{
    QStringList out;
    for (int i = 0; i < list->count(); ++i)
        out << list->item(i)->text();
    return out;
}

qor::Session demoSession()
{
    qor::Session session = DemoSession(*g_wiringServer);
    return session;
}

class WiredWindowTest : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        g_wiringServer = new testsupport::ServerProcess;
        if (!g_wiringServer->start(QStringLiteral(APR_SERVER_BIN)))
            qWarning("%s", qPrintable(g_wiringServer->why()));
    }
    static void TearDownTestSuite()
    {
        delete g_wiringServer;
        g_wiringServer = nullptr;
    }
    void SetUp() override
    {
        APR_REQUIRE_COMPONENT(g_wiringServer->port() != 0, "apr-server", g_wiringServer->why());
        ASSERT_TRUE(home.isValid());
        qputenv("APR_HOME", home.path().toUtf8());
        qputenv("USER", "demo");
        qor::SetSession(demoSession());
        apr::Modulo() = apr::ModuleState{};
    }
    void TearDown() override
    {
        delete window.data();
        apr::Modulo().filtro.reset();
        qor::SetApplicationExceptionHandler({});
    }
    TfrmZEL &openOnPlan()
    {
        window = OpenOnPlan();
        return *window;
    }
    int rowOf(const TfrmZEL &w, const QString &task, const QString &activity) const
    {
        const qor::RecordSet &plan = w.cdsPlanAtivTare;
        for (int r = 0; r < plan.recordCount(); ++r)
            if (plan.fieldByName(QStringLiteral("NRTAREFA")).valueAt(r).toString() == task
                && plan.fieldByName(QStringLiteral("NRPLATIVTARE")).valueAt(r).toString() == activity)
                return r;
        return -1;
    }
    QString textAt(const TfrmZEL &w, int row, const char *field) const
    {
        return w.cdsPlanAtivTare.fieldByName(QString::fromLatin1(field)).valueAt(row).toString();
    }

    QTemporaryDir home;
    qor::ScopedScriptedDialogs dialogs;
    QPointer<TfrmZEL> window;
};

TEST_F(WiredWindowTest, PlanGridShowsThePlanColumnsAndPictures)
{
    window = new TfrmZEL;
    window->show();
    QApplication::processEvents();
    TfrmZEL &w = *window;
    ASSERT_GE(w.cdsPlanAtivTare.recordCount(), 20);
    const QAbstractItemModel *model = w.dbgPadrao->model();
    ASSERT_EQ(model->columnCount(), plan::PlanColumns().size());
    for (int c = 0; c < model->columnCount(); ++c)
        EXPECT_EQ(model->headerData(c, Qt::Horizontal).toString(), plan::PlanColumns().at(c).title) << c;
    EXPECT_EQ(model->headerData(w.dtsPadrao->columnOf(QStringLiteral("NRPRIOATIVTR")), Qt::Horizontal).toString(),
              w.cdsPlanAtivTare.fieldByName(QStringLiteral("NRPRIOATIVTR")).label());

    auto *delegate = qobject_cast<plan::PlanDelegate *>(w.dbgPadrao->itemDelegate());
    ASSERT_NE(delegate, nullptr);
    int running = -1;
    for (int r = 0; r < w.cdsPlanAtivTare.recordCount() && running < 0; ++r)
        if (textAt(w, r, "IDSITATIVTAR").trimmed() == QLatin1String("A"))
            running = r;
    ASSERT_GE(running, 0) << "the demo seed has an activity in progress";
    const QModelIndex status = w.dtsPadrao->index(running, w.dtsPadrao->columnOf(QStringLiteral("IDSITATIVTAR")));
    const plan::CellStyle style = delegate->styleFor(status, false);
    EXPECT_EQ(style.picture, plan::Picture::Pause);
    EXPECT_EQ(style.font, plan::ColorEmAndamento());
    EXPECT_FALSE(delegate->picture(plan::PictureResource(style.picture, false)).isNull());

    // The details follow the current row.
    w.cdsPlanAtivTare.moveTo(running);
    EXPECT_EQ(w.detailsPanel()->shownText(QStringLiteral("DSPROJETO")),
              w.cdsPlanAtivTare.fieldByName(QStringLiteral("DSPROJETO")).displayText());
    EXPECT_TRUE(dialogs->shown.empty()) << qPrintable(dialogs->texts().join('\n'));
}

TEST_F(WiredWindowTest, QueueEditedInTheGridIsPostedAndSurvivesAReload)
{
    TfrmZEL &w = openOnPlan();
    ASSERT_GE(w.cdsPlanAtivTare.recordCount(), 1);
    const QString task = textAt(w, 0, "NRTAREFA"), activity = textAt(w, 0, "NRPLATIVTARE");
    const QModelIndex cell = w.dtsPadrao->index(0, w.dtsPadrao->columnOf(QStringLiteral("NRPRIOATIVTR")));
    w.dbgPadrao->setCurrentIndex(cell);
    w.dbgPadrao->edit(cell);
    auto *editor = w.dbgPadrao->viewport()->findChild<QLineEdit *>();
    ASSERT_NE(editor, nullptr);
    editor->setText(QStringLiteral("7"));
    emit w.dbgPadrao->itemDelegate()->commitData(editor);
    emit w.dbgPadrao->itemDelegate()->closeEditor(editor, QAbstractItemDelegate::NoHint);
    settle();
    if (w.cdsPlanAtivTare.state() == qor::RecordSet::State::Edit)
        w.cdsPlanAtivTare.post();
    for (const auto &shownDialog : dialogs->shown)
        EXPECT_NE(shownDialog.kind, qor::DialogRequest::Error) << qPrintable(shownDialog.text);

    emit w.planController().refreshRequested();    // F5, "Atualizar"
    const int row = rowOf(w, task, activity);
    ASSERT_GE(row, 0);
    EXPECT_EQ(textAt(w, row, "NRPRIOATIVTR"), QStringLiteral("007"));
}

TEST_F(WiredWindowTest, LayoutIsRestoredOnFirstActivationAndSavedOnClose)
{
    const QString queueField = QStringLiteral("NRPRIOATIVTR");
    auto visualOfQueue = [&](TfrmZEL &w) {
        return w.dbgPadrao->horizontalHeader()->visualIndex(w.dtsPadrao->columnOf(queueField));
    };
    const int designed = int(plan::PlanColumnFields().indexOf(queueField));
    {
        TfrmZEL &w = openOnPlan();
        QHeaderView *header = w.dbgPadrao->horizontalHeader();
        EXPECT_EQ(visualOfQueue(w), designed) << "nothing stored yet: the designed order";
        header->moveSection(visualOfQueue(w), 0);                   // saved at once
        header->resizeSection(w.dtsPadrao->columnOf(queueField), plan::ColumnScale(w.dbgPadrao->font()).toScreen(57));   // saved on close
        w.close();
        settle();
        EXPECT_TRUE(window.isNull());
    }
    window = new TfrmZEL;
    window->show();
    QApplication::processEvents();
    EXPECT_EQ(visualOfQueue(*window), designed) << "restored only on the first activation of the plan page";
    // The pending-action warnings run an event loop over the plan page: the
    // stored layout is in place before the first of them.
    struct WatchingDialogs : qor::ScriptedDialogs {
        std::function<void()> onShow;
        int show(const qor::DialogRequest &request) override
        {
            onShow();
            return qor::ScriptedDialogs::show(request);
        }
    };
    auto watching = std::make_unique<WatchingDialogs>();
    QList<int> queueAtWarning;
    watching->onShow = [&] { queueAtWarning << visualOfQueue(*window); };
    auto previous = qor::SetDialogSeam(std::move(watching));
    window->btnOk->click();
    qor::SetDialogSeam(std::move(previous));
    ASSERT_FALSE(queueAtWarning.isEmpty()) << "the demo seed warns of pending actions";
    EXPECT_EQ(queueAtWarning.first(), 0);
    EXPECT_EQ(visualOfQueue(*window), 0);
    EXPECT_EQ(window->dbgPadrao->columnWidth(window->dtsPadrao->columnOf(queueField)),
              plan::ColumnScale(window->dbgPadrao->font()).toScreen(57));
    EXPECT_EQ(window->dbgPadrao->model()->headerData(window->dtsPadrao->columnOf(queueField), Qt::Horizontal).toString(),
              plan::PlanColumnTitle(queueField));

    // Back to the designed layout (stored on close) for the other tests of this operator.
    window->layoutStore().RestauraDefault();
    window->close();
    settle();
}

TEST_F(WiredWindowTest, ExecuteFramesARealClientRunIntoTheProgressList)
{
    APR_REQUIRE_COMPONENT(testsupport::SvnFound(), "svn", "not found on the search path");
    TfrmZEL &w = openOnPlan();
    ASSERT_TRUE(w.atividades().stlSaidaSvn.has_value());
    w.Desabilita_Botoes();
    EXPECT_TRUE(w.atividades().Execute(QStringLiteral("VERSÃO DO CLIENTE"), QStringLiteral("svn --version --quiet"), vcs::ListSink(w.lsbProgresso), true));
    const QStringList shown = lines(w.lsbProgresso);
    ASSERT_GE(shown.size(), 4) << qPrintable(shown.join('\n'));
    EXPECT_EQ(shown.at(0), vcs::ConsoleRunner::separator());
    EXPECT_EQ(shown.at(1), QStringLiteral("VERSÃO DO CLIENTE"));
    EXPECT_EQ(shown.at(2), QStringLiteral("Resultado :"));
    EXPECT_TRUE(shown.join('\n').contains(QRegularExpression(QStringLiteral("^1\\.\\d+\\.\\d+"),
                                                             QRegularExpression::MultilineOption)));
    EXPECT_EQ(w.stlConexoes(), QStringList{QStringLiteral("netZEL=0")}) << "the use is returned";

    // The info caption captures the raw output instead of showing it.
    QListWidget hidden;
    EXPECT_TRUE(w.atividades().Execute(QStringLiteral("EXECUTANDO SVN INFO"), QStringLiteral("svn --version --quiet"), vcs::ListSink(&hidden), true));
    EXPECT_TRUE(w.atividades().TextoCapturado().contains(QRegularExpression(QStringLiteral("^1\\.\\d+"))));
    EXPECT_FALSE(lines(&hidden).join('\n').contains(QRegularExpression(QStringLiteral("^1\\.\\d+"),
                                                                       QRegularExpression::MultilineOption)));

    // Back to the plan, then "Last Log" shows the same lines again.
    w.btnConfirmaSubVersion->click();
    EXPECT_TRUE(w.panDbgPadrao->isVisibleTo(&w));
    w.sbtLastLog->click();
    EXPECT_TRUE(w.panSubVersion->isVisibleTo(&w));
    EXPECT_EQ(lines(w.lsbProgresso), shown);
    EXPECT_EQ(w.pgrSubVersion->value(), w.pgrSubVersion->maximum());
    EXPECT_TRUE(w.btnConfirmaSubVersion->isEnabled());
}

TEST_F(WiredWindowTest, LockRefusalUnlocksTheCheckoutFilesAndClearsThemOnTheServer)
{
    APR_REQUIRE_COMPONENT(testsupport::SvnFound(), "svn", "not found on the search path");
    TfrmZEL &w = openOnPlan();
    ASSERT_FALSE(w.cdsPlanAtivTare.isEmpty());
    const vcs::ActivityKey emCurso = w.atividades().atividadeEmCurso();
    const QString task = emCurso.tarefa, activity = emCurso.atividade;
    ASSERT_FALSE(task.isEmpty());
    w.atividades().stlArqCheckout = {QStringLiteral("C:\\sistemas\\prod\\P400\\fontes\\Unit1.PAS"),
                        QStringLiteral("C:\\sistemas\\prod\\P400\\fontes\\Form1.dfm")};
    const QJsonArray activityKey{qor::FiliProc(), task, activity};
    for (int code = 0; code < w.atividades().stlArqCheckout.size(); ++code)
        w.Servidor().call(QStringLiteral("SetArqCheckout"),
                          {qor::FiliProc(), task, activity, QString::number(code), w.atividades().stlArqCheckout.at(code)});
    auto recorded = [&] {
        return w.Servidor().call(QStringLiteral("GetArqCheckout"), activityKey).toObject().value("rows").toArray().size();
    };
    ASSERT_EQ(recorded(), 2);
    dialogs->shown.clear();

    w.Desabilita_Botoes();
    w.btnConfirmaSubVersion->setEnabled(false);
    const QString refusal = QStringLiteral(
        "sh -c \"echo svn: warning: W160035: Path '/P400/fontes/Unit1.pas' is already locked by user 'svn_outro' in filesystem\"");
    qor::guarded([&] {
        w.atividades().Execute(QStringLiteral("BLOQUEANDO O ARQUIVO NO REPOSITÓRIO ... Unit1.pas"), refusal, vcs::ListSink(w.lsbProgresso), true);
        ADD_FAILURE() << "the lock refusal must end the operation";
    });

    const QString shown = lines(w.lsbProgresso).join('\n');
    EXPECT_TRUE(shown.contains(QStringLiteral("DESBLOQUEANDO O ARQUIVO ...Unit1.PAS"))) << qPrintable(shown);
    EXPECT_TRUE(shown.contains(QStringLiteral("DESBLOQUEANDO O ARQUIVO ...Form1.dfm"))) << qPrintable(shown);
    EXPECT_FALSE(shown.contains(w.atividades().stSenhaSvn)) << "the password is masked";
    EXPECT_EQ(recorded(), 0) << "ClearArqCheckout forgot the activity's files";
    ASSERT_FALSE(dialogs->shown.empty());
    EXPECT_TRUE(dialogs->shown.back().text.startsWith(QStringLiteral("Ocorreram erros durante a tentativa de Bloquear")))
        << qPrintable(dialogs->texts().join('\n'));
    EXPECT_TRUE(w.btnConfirmaSubVersion->isEnabled());
    EXPECT_EQ(w.stlConexoes(), QStringList{QStringLiteral("netZEL=0")});
}

// The module loaded as the host loads it: the exported filter narrows the window's plan.
TEST_F(WiredWindowTest, ExportedFilterNarrowsThePlanAndAReloadKeepsItsValuesWithoutDate)
{
    QLibrary library(QStringLiteral(APR_MODULE_LIBRARY));
    ASSERT_TRUE(library.load()) << qPrintable(library.errorString());
    using Entry = void (*)();
    auto cria = reinterpret_cast<Entry>(library.resolve("CriaAproAtiv"));
    auto filtro = reinterpret_cast<Entry>(library.resolve("CriaFiltroAtividade"));
    auto finaliza = reinterpret_cast<Entry>(library.resolve("FinalizaModulo"));
    ASSERT_TRUE(cria && filtro && finaliza);

    filtro();   // no main window yet: a clear message, nothing created
    ASSERT_EQ(dialogs->shown.size(), 1u);
    EXPECT_EQ(dialogs->shown.back().kind, qor::DialogRequest::Error);

    cria();
    settle();
    QWidget *main = nullptr;
    for (QWidget *widget : QApplication::allWidgets())
        if (widget->objectName() == QLatin1String("frmZEL"))
            main = widget;
    ASSERT_NE(main, nullptr);
    main->findChild<QPushButton *>(QStringLiteral("btnOk"))->click();
    auto *grid = main->findChild<QTableView *>(QStringLiteral("dbgPadrao"));
    ASSERT_NE(grid, nullptr);
    const int all = grid->model()->rowCount();
    ASSERT_GT(all, 1);
    const int requestColumn = [&] {
        for (int c = 0; c < grid->model()->columnCount(); ++c)
            if (grid->model()->headerData(c, Qt::Horizontal).toString() == plan::PlanColumnTitle(QStringLiteral("DSSOLISERV")))
                return c;
        return -1;
    }();
    ASSERT_GE(requestColumn, 0);
    const QString requestShown = grid->model()->index(0, requestColumn).data().toString();
    const QString request = requestShown.section(QLatin1Char(' '), 0, 0).trimmed();
    ASSERT_FALSE(request.isEmpty()) << qPrintable(requestShown);

    filtro();
    filtro();   // created once
    QList<QWidget *> dialogsFound;
    for (QWidget *widget : QApplication::topLevelWidgets())
        if (widget->objectName() == QLatin1String("frmFiltroAtivi"))
            dialogsFound << widget;
    ASSERT_EQ(dialogsFound.size(), 1);
    QWidget *dialog = dialogsFound.first();
    EXPECT_TRUE(dialog->isVisible());
    EXPECT_FALSE(dialog->isModal());
    dialog->findChild<QLineEdit *>(QStringLiteral("edtSolici"))->setText(QString::number(request.toLongLong()));
    // A planned start no activity has: the confirmed filter finds nothing.
    dialog->findChild<qor::TDateEditPlus *>(QStringLiteral("depPlanejado"))->setDate(QDate(2100, 1, 1));
    dialog->findChild<QPushButton *>(QStringLiteral("sbtConfirma"))->click();
    EXPECT_FALSE(dialog->isVisible());
    EXPECT_EQ(grid->model()->rowCount(), 0);

    // The window's reload sends date 0 but keeps the request.
    QAction *atualizar = nullptr;
    for (QAction *action : main->findChild<QMenu *>(QStringLiteral("pmnPadrao"))->actions())
        if (action->text() == QLatin1String("Atualizar"))
            atualizar = action;
    ASSERT_NE(atualizar, nullptr);
    atualizar->trigger();
    const int narrowed = grid->model()->rowCount();
    EXPECT_GE(narrowed, 1) << qPrintable(request + " " + dialog->findChild<QLineEdit *>(QStringLiteral("edtSolici"))->text()
                                          + " " + dialogs->texts().join('\n'));
    EXPECT_LT(narrowed, all);
    for (int r = 0; r < narrowed; ++r)
        EXPECT_TRUE(grid->model()->index(r, requestColumn).data().toString().startsWith(request)) << r;
    int errors = 0;
    for (const auto &shownDialog : dialogs->shown)
        errors += shownDialog.kind == qor::DialogRequest::Error;
    EXPECT_EQ(errors, 1) << qPrintable(dialogs->texts().join('\n'));

    finaliza();
    settle();
    for (QWidget *widget : QApplication::topLevelWidgets())
        EXPECT_NE(widget->objectName(), QLatin1String("frmFiltroAtivi")) << "unloading frees the dialog";
    library.unload();
}

}

namespace {

// Commands and closes under a running command, against the real client.
class CommandInProgressTest : public WiredWindowTest {
protected:
    void SetUp() override
    {
        WiredWindowTest::SetUp();
        if (HasFatalFailure() || IsSkipped())
            return;
        APR_REQUIRE_COMPONENT(testsupport::SvnFound(), "svn", "not found on the search path");
    }
    // Runs a real client command; during it (from the runner's first poll)
    // runs duringCommand.
    bool runWhile(TfrmZEL &w, std::function<void()> duringCommand)
    {
        bool ran = false;
        QTimer::singleShot(0, &w, [&] {
            ran = true;
            duringCommand();
        });
        const bool result = w.atividades().Execute(QStringLiteral("VERSÃO DO CLIENTE"), QStringLiteral("svn --version --quiet"),
                                      vcs::ListSink(w.lsbProgresso), true);
        EXPECT_TRUE(ran) << "the runner lets events run between its polls";
        return result;
    }
    QString storedLayout(TfrmZEL &w)
    {
        const QJsonArray rows = w.Servidor()
                                    .call(QStringLiteral("GetProgOperOpc"), {QStringLiteral("APR00100"), qor::Operador()})
                                    .toObject().value("rows").toArray();
        return rows.isEmpty() ? QString() : rows.at(0).toArray().at(0).toString();
    }
    // Stores a layout with the queue column in front; returns its text.
    QString storeQueueInFront()
    {
        TfrmZEL &w = openOnPlan();
        QHeaderView *header = w.dbgPadrao->horizontalHeader();
        header->moveSection(header->visualIndex(w.dtsPadrao->columnOf(QStringLiteral("NRPRIOATIVTR"))), 0);
        const QString text = storedLayout(w);
        w.close();
        settle();
        return text;
    }
    void storeDesignedLayout()
    {
        TfrmZEL &w = openOnPlan();
        w.layoutStore().RestauraDefault();
        w.close();
        settle();
    }
};

TEST_F(CommandInProgressTest, ClosingDuringACommandWaitsUntilItReturns)
{
    TfrmZEL &w = openOnPlan();
    apr::Modulo().boStCriado = true;
    w.Desabilita_Botoes();
    bool openWhileRunning = false;
    EXPECT_TRUE(runWhile(w, [&] {
        w.close();
        openWhileRunning = !window.isNull() && w.isVisible() && w.atividades().emExecucao();
    }));
    EXPECT_TRUE(openWhileRunning) << "the window stays while the command runs";
    ASSERT_FALSE(window.isNull());
    EXPECT_TRUE(w.fechamentoPendente());
    EXPECT_TRUE(lines(w.lsbProgresso).join('\n').contains(QRegularExpression(QStringLiteral("^1\\.\\d+"),
                                                                           QRegularExpression::MultilineOption)))
        << "the command ran to its end";
    settle();
    EXPECT_TRUE(window.isNull()) << "the close is carried out once the command returned";
    EXPECT_FALSE(apr::Modulo().boStCriado);
}

TEST_F(CommandInProgressTest, F5DuringACommandDoesNotReloadThePlan)
{
    TfrmZEL &w = openOnPlan();
    QApplication::setActiveWindow(&w);
    w.dbgPadrao->setFocus();
    QApplication::processEvents();
    int reloads = 0;
    QObject::connect(&w.cdsPlanAtivTare, &qor::RecordSet::dataReset, &w, [&] { ++reloads; });
    QTest::keyClick(w.dbgPadrao, Qt::Key_F5);
    ASSERT_EQ(reloads, 1) << "F5 reloads the plan outside a command";

    // Without the command view (a bare command) and with it (a workflow's).
    for (bool commandView : {false, true}) {
        if (commandView)
            w.Desabilita_Botoes();
        runWhile(w, [&] {
            QTest::keyClick(QApplication::focusWidget() ? QApplication::focusWidget() : &w, Qt::Key_F5);
            QTest::keyClick(w.panFiltro, Qt::Key_F5);
            for (QAction *action : w.pmnPadrao->actions())
                action->trigger();
        });
        EXPECT_EQ(reloads, 1) << "command view " << commandView;
    }
    EXPECT_EQ(dialogs->count(qor::DialogRequest::Modal), 0);
    w.btnConfirmaSubVersion->click();
    QTest::keyClick(w.dbgPadrao, Qt::Key_F5);
    EXPECT_EQ(reloads, 2) << "back on the plan the shortcut works again";
}

TEST_F(CommandInProgressTest, TheCommandsActivityIsTheOneCurrentAtItsStart)
{
    TfrmZEL &w = openOnPlan();
    ASSERT_GE(w.cdsPlanAtivTare.recordCount(), 2);
    w.cdsPlanAtivTare.moveTo(0);
    const vcs::ActivityKey emCurso = w.atividades().atividadeEmCurso();
    const QString task = emCurso.tarefa, activity = emCurso.atividade;
    const QString file = QStringLiteral("C:\\sistemas\\prod\\P400\\fontes\\Unit1.PAS");
    w.atividades().stlArqCheckout = {file};
    auto recorded = [&](int row) {
        const QJsonArray key{qor::FiliProc(), textAt(w, row, "NRTAREFA"), textAt(w, row, "NRPLATIVTARE")};
        return w.Servidor().call(QStringLiteral("GetArqCheckout"), key).toObject().value("rows").toArray().size();
    };
    for (int row : {0, 1})
        w.Servidor().call(QStringLiteral("SetArqCheckout"),
                          {qor::FiliProc(), textAt(w, row, "NRTAREFA"), textAt(w, row, "NRPLATIVTARE"), "0", file});
    ASSERT_EQ(recorded(0), 1);
    ASSERT_EQ(recorded(1), 1);

    w.Desabilita_Botoes();
    QTimer::singleShot(0, &w, [&] { w.cdsPlanAtivTare.moveTo(1); });
    qor::guarded([&] {
        w.atividades().Execute(QStringLiteral("BLOQUEANDO O ARQUIVO NO REPOSITÓRIO ... Unit1.pas"),
                  QStringLiteral("sh -c \"echo svn: warning: W160035: Path '/P400/fontes/Unit1.pas' is already "
                                 "locked by user 'svn_outro' in filesystem\""),
                  vcs::ListSink(w.lsbProgresso), true);
    });
    EXPECT_EQ(w.cdsPlanAtivTare.recNo(), 1) << "the cursor moved during the command";
    EXPECT_EQ(recorded(0), 0) << "the files of the command's activity " << qPrintable(task + "/" + activity)
                              << " are cleared";
    EXPECT_EQ(recorded(1), 1) << "the row current at the end is another activity";
    w.Servidor().call(QStringLiteral("ClearArqCheckout"),
                      {qor::FiliProc(), textAt(w, 1, "NRTAREFA"), textAt(w, 1, "NRPLATIVTARE")});
}

TEST_F(CommandInProgressTest, ClosingOnThePlatformPageKeepsTheStoredLayout)
{
    const QString stored = storeQueueInFront();
    ASSERT_FALSE(stored.isEmpty());
    window = new TfrmZEL;
    window->show();
    QApplication::processEvents();
    EXPECT_EQ(window->nbkAPR->currentIndex(), 0);
    window->close();
    settle();
    TfrmZEL &w = openOnPlan();
    EXPECT_EQ(storedLayout(w), stored);
    EXPECT_EQ(w.dbgPadrao->horizontalHeader()->visualIndex(w.dtsPadrao->columnOf(QStringLiteral("NRPRIOATIVTR"))), 0);
    w.close();
    settle();
    storeDesignedLayout();
}

TEST_F(CommandInProgressTest, ARemoteFailureMidwayEndsTheConfirmationOnThePlanPage)
{
    const QString stored = storeQueueInFront();
    window = new TfrmZEL;
    window->show();
    QApplication::processEvents();
    TfrmZEL &w = *window;
    dialogs->shown.clear();
    // The server goes away right after the plan of the platform has loaded.
    const qor::RecordSetEvent::Id cut = w.cdsPlanAtivTare.afterOpen.add([](qor::RecordSet &) {
        qor::Session session = qor::CurrentSession();
        session.webPort = 1;
        qor::SetSession(session);
    });
    w.btnOk->click();
    w.cdsPlanAtivTare.afterOpen.remove(cut);
    qor::SetSession(demoSession());

    ASSERT_EQ(dialogs->shown.size(), 1u) << "the failure alone, no pending actions without Get_Inicial";
    EXPECT_TRUE(dialogs->shown.at(0).text.startsWith(QStringLiteral("Não foi possível conectar ao servidor de aplicação")))
        << qPrintable(dialogs->shown.at(0).text);
    EXPECT_EQ(w.nbkAPR->currentIndex(), 1);
    EXPECT_GT(w.cdsPlanAtivTare.recordCount(), 0) << "the plan loaded before the failure stays";
    EXPECT_TRUE(w.dbgPadrao->isEnabled());
    EXPECT_FALSE(w.cdsParFilialGep.active());
    EXPECT_FALSE(apr::Modulo().boPrimeiraVez) << "the stored layout is restored before the plan loads";
    EXPECT_EQ(w.stlConexoes(), QStringList{QStringLiteral("netZEL=0")});

    w.close();    // the layout restored and unchanged: the stored one stays
    settle();
    EXPECT_TRUE(window.isNull());
    TfrmZEL &again = openOnPlan();
    EXPECT_EQ(storedLayout(again), stored);
    again.close();
    settle();
    storeDesignedLayout();
}

}

// "Update Version": the menu lists the platform's products; picking one asks
// first, and a copy it cannot check out (no repository root known) ends with
// the clear message and the window usable again.
TEST_F(WiredWindowTest, UpdateVersionListsTheProductsAndAPickedOneAsksFirst)
{
    qunsetenv("APR_SVN_ROOT");
    TfrmZEL &w = openOnPlan();
    w.sbtGet->click();
    ASSERT_NE(w.pmnProdSVN, nullptr);
    QStringList names;
    for (QAction *item : w.pmnProdSVN->actions())
        names << item->text();
    EXPECT_EQ(names, (QStringList{"Gestão Comercial", "Gestão Financeira", "Folha de Pagamento"}));
    w.pmnProdSVN->hide();
    const std::size_t before = dialogs->shown.size();
    w.pmnProdSVN->actions().at(0)->trigger();
    QApplication::processEvents();
    ASSERT_GE(dialogs->shown.size(), before + 2);
    EXPECT_EQ(dialogs->shown[before].text, w.msgPadrao.Msg("CONFIRMA_UPDATE_VERSAO") + " Gestão Comercial");
    EXPECT_TRUE(dialogs->shown.back().text.startsWith(w.msgPadrao.Msg("REPOSITORIO_SEM_RAIZ").left(20)))
        << dialogs->shown.back().text.toStdString();
    EXPECT_TRUE(w.btnConfirmaSubVersion->isEnabled());
    EXPECT_FALSE(apr::Modulo().boOperaSubversion);
    EXPECT_FALSE(w.atividades().emExecucao());
}

// The status cell: a planned development activity whose work item another
// operator holds is refused before anything is locked and stays planned; a
// paused activity is put in progress by the server and the running one paused.
TEST_F(WiredWindowTest, StatusCellChecksOutPlannedDevelopmentActivitiesAndSwitchesTheOthers)
{
    TfrmZEL &w = openOnPlan();
    const int held = rowOf(w, QStringLiteral("0000005009"), QStringLiteral("00001"));
    ASSERT_GE(held, 0) << "the P610 development activity is in the Delphi plan";
    ASSERT_EQ(textAt(w, held, "IDSITATIVTAR"), QStringLiteral("P"));
    dialogs->shown.clear();
    qor::guarded([&] { w.dbgPadraoCellClick(held, QStringLiteral("IDSITATIVTAR")); });
    settle();
    ASSERT_FALSE(dialogs->shown.empty());
    EXPECT_TRUE(dialogs->texts().join('\n').contains(QStringLiteral("000000000002 - Maria Souza")))
        << qPrintable(dialogs->texts().join('\n'));
    EXPECT_EQ(textAt(w, rowOf(w, QStringLiteral("0000005009"), QStringLiteral("00001")), "IDSITATIVTAR"),
              QStringLiteral("P"));
    EXPECT_TRUE(w.dbgPadrao->isEnabled());
    EXPECT_FALSE(apr::Modulo().boOperaSubversion);

    // The product's daily update after the click is another test's: no repository here.
    w.atividades().boPlataformaEscolhida = false;
    const int paused = rowOf(w, QStringLiteral("0000005002"), QStringLiteral("00001"));
    ASSERT_GE(paused, 0);
    ASSERT_EQ(textAt(w, paused, "IDSITATIVTAR"), QStringLiteral("I"));
    EXPECT_TRUE(qor::guarded([&] { w.dbgPadraoCellClick(paused, QStringLiteral("IDSITATIVTAR")); }))
        << qPrintable(dialogs->texts().join('\n'));
    settle();
    EXPECT_EQ(textAt(w, rowOf(w, QStringLiteral("0000005002"), QStringLiteral("00001")), "IDSITATIVTAR"),
              QStringLiteral("A"));
    EXPECT_EQ(textAt(w, rowOf(w, QStringLiteral("0000005001"), QStringLiteral("00001")), "IDSITATIVTAR"),
              QStringLiteral("I"));
}
