// apr-host's sign-in options and its document area with the real module.
#include "../server/serverprocess.h"
#include "host/app/serversignin.h"
#include "host/app/signindialog.h"
#include "server/netconnection.h"
#include <QLabel>
#include <QLineEdit>
#include "host/app/hostoptions.h"
#include "host/app/hostwindow.h"
#include "host/dialogs.h"
#include "host/services.h"
#include <QAbstractButton>
#include <QApplication>
#include <QFileInfo>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPointer>
#include <QAction>
#include <QSettings>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QStatusBar>
#include <QStatusTipEvent>
#include <QTemporaryDir>
#include <QPlainTextEdit>
#include <QTableView>
#include <QTableWidget>
#include <gtest/gtest.h>

namespace {

QStringList argv(std::initializer_list<const char *> args)
{
    QStringList list{QStringLiteral("apr-host")};
    for (const char *a : args)
        list << QString::fromUtf8(a);
    return list;
}

class HostOptionsTest : public ::testing::Test {
protected:
    void SetUp() override { qputenv("APR_HOME", home.path().toUtf8()); }
    QTemporaryDir home;
};

TEST_F(HostOptionsTest, CommandLineSignsInAndOverridesTheSettings)
{
    qor::Session saved;
    saved.operador = QStringLiteral("000000000009");
    saved.filial = QStringLiteral("0002");
    saved.empresa = QStringLiteral("0003");
    saved.webUrl = QStringLiteral("servidor");
    saved.webPort = 7100;
    host::SaveSession(saved);

    const host::HostOptions fromSettings = host::ParseHostOptions(argv({}));
    EXPECT_TRUE(fromSettings.sessionComplete);
    EXPECT_EQ(fromSettings.session.operador, QStringLiteral("000000000009"));
    EXPECT_EQ(fromSettings.session.webPort, 7100);

    const host::HostOptions options = host::ParseHostOptions(
        argv({"--operator", "000000000001", "--server", "127.0.0.1:7010", "--module", "APR00100",
              "--dev-platform", "2", "--keep-connected"}));
    EXPECT_TRUE(options.error.isEmpty()) << qPrintable(options.error);
    EXPECT_EQ(options.session.operador, QStringLiteral("000000000001"));
    EXPECT_EQ(options.session.filial, QStringLiteral("0002"));
    EXPECT_EQ(options.session.webUrl, QStringLiteral("127.0.0.1"));
    EXPECT_EQ(options.session.webPort, 7010);
    EXPECT_TRUE(options.session.keepConnected);
    EXPECT_EQ(options.openAtStart, QStringList{QStringLiteral("APR00100")});
    EXPECT_EQ(options.platform, 2);
}

TEST_F(HostOptionsTest, BadValuesAreRefusedWithAMessage)
{
    EXPECT_FALSE(host::ParseHostOptions(argv({"--server", "semporta"})).error.isEmpty());
    EXPECT_FALSE(host::ParseHostOptions(argv({"--server", "h:70000"})).error.isEmpty());
    EXPECT_FALSE(host::ParseHostOptions(argv({"--dev-platform", "4"})).error.isEmpty());
    EXPECT_FALSE(host::ParseHostOptions(argv({"--sem-isso"})).error.isEmpty());
    EXPECT_FALSE(host::ParseHostOptions(argv({"--operator", "1"})).sessionComplete);
}

class HostWindowTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        APR_REQUIRE_COMPONENT(server.start(QStringLiteral(APR_SERVER_BIN)), "apr-server", server.why());
        qputenv("APR_HOME", home.path().toUtf8());
        options.session.operador = QStringLiteral("000000000001");
        options.session.filial = QStringLiteral("0001");
        options.session.empresa = QStringLiteral("0001");
        options.session.webUrl = server.host();
        options.session.webPort = server.port();
        options.session.token = server.token();
        options.moduleDir = QFileInfo(QStringLiteral(APR_MODULE_LIBRARY)).absolutePath();
        qor::SetSession(options.session);
        window = std::make_unique<host::HostWindow>(options);
        qor::SetHostMainWindow(window.get());
        qor::SetChildWindowOpener([this](QWidget *child) { window->openChild(child); });
        window->show();
    }
    void TearDown() override
    {
        window.reset();
        qor::SetChildWindowOpener({});
        qor::SetHostMainWindow(nullptr);
    }
    static void settle()
    {
        for (int i = 0; i < 5; ++i) {
            QApplication::processEvents();
            QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        }
    }
    QList<QMdiSubWindow *> frames() const { return window->mdiArea()->subWindowList(); }

    testsupport::ServerProcess server;
    QTemporaryDir home;
    qor::ScopedScriptedDialogs dialogs;
    host::HostOptions options;
    std::unique_ptr<host::HostWindow> window;
};

TEST_F(HostWindowTest, ModuleOpensMaximisedInTheDocumentAreaOnce)
{
    ASSERT_TRUE(window->openModule(QStringLiteral("APR00100")));
    ASSERT_TRUE(window->openModule(QStringLiteral("apr00100")));
    settle();
    ASSERT_EQ(frames().size(), 1);
    EXPECT_TRUE(frames().first()->isMaximized());
    EXPECT_EQ(frames().first()->widget()->objectName(), QStringLiteral("frmZEL"));
    EXPECT_TRUE(dialogs->shown.empty()) << qPrintable(dialogs->texts().join('\n'));
}

TEST_F(HostWindowTest, ClosingTheFrameDestroysTheWindowAndTheMenuBuildsANewOne)
{
    ASSERT_TRUE(window->openModule(QStringLiteral("APR00100")));
    settle();
    QPointer<QWidget> first = frames().first()->widget();
    first->findChild<QAbstractButton *>(QStringLiteral("btnOk"))->click();
    frames().first()->close();
    settle();
    EXPECT_TRUE(first.isNull());
    EXPECT_TRUE(frames().isEmpty());

    QAction *menu = window->findChild<QAction *>(QStringLiteral("actAPR00100"));
    ASSERT_NE(menu, nullptr);
    menu->trigger();
    settle();
    ASSERT_EQ(frames().size(), 1);
    EXPECT_EQ(frames().first()->widget()->windowTitle(), QStringLiteral("Apropriação de Atividades"));
}

TEST_F(HostWindowTest, UnloadingTakesTheWindowAlong)
{
    ASSERT_TRUE(window->openModule(QStringLiteral("APR00100")));
    settle();
    window->unloadModule(QStringLiteral("APR00100"));
    settle();
    EXPECT_TRUE(frames().isEmpty());
    ASSERT_TRUE(window->openModule(QStringLiteral("APR00100")));
    settle();
    EXPECT_EQ(frames().size(), 1);
}

TEST_F(HostWindowTest, StatusBarKeepsTheSessionAfterTheMenusHints)
{
    const QStringList expected = {QStringLiteral("Operador 000000000001"), QStringLiteral("Filial 0001"),
                                  QStringLiteral("Empresa 0001"),
                                  QStringLiteral("Servidor %1:%2").arg(server.host()).arg(server.port())};
    const auto shown = [this] {
        QStringList texts;
        for (const char *name : {"lblOperador", "lblFilial", "lblEmpresa", "lblServidor"}) {
            auto *label = window->statusBar()->findChild<QLabel *>(QLatin1String(name));
            texts << (label && label->isVisible() ? label->text() : QString());
        }
        return texts;
    };
    EXPECT_EQ(shown(), expected);
    QMenu *modules = window->menuBar()->actions().first()->menu();
    ASSERT_NE(modules, nullptr);
    modules->popup(window->mapToGlobal(QPoint(10, 10)));
    QApplication::processEvents();
    // Hovering an item sends its hint (often empty) to the main window.
    for (const QString &hint : {QStringLiteral("Abre a tela"), QString()}) {
        QStatusTipEvent tip(hint);
        QApplication::sendEvent(modules, &tip);
    }
    modules->hide();
    QApplication::processEvents();
    EXPECT_EQ(shown(), expected);
}

TEST_F(HostWindowTest, DescriptionModuleShowsTheActivityOfItsValues)
{
    const QString values =
        qor::ModuleParameterText({"0001", "0000005001", "00001", "c:\\sistemas\\prod\\P401", "S"});
    ASSERT_TRUE(window->openModule(QStringLiteral("APR00600"), values));
    settle();
    ASSERT_EQ(frames().size(), 1);
    QWidget *description = frames()[0]->widget();
    EXPECT_EQ(description->objectName(), QStringLiteral("frmDescricaoAtiv"));
    EXPECT_TRUE(description->findChild<QLineEdit *>("edtSolicitacao")->text().startsWith("0000012001 - "));
    EXPECT_EQ(description->findChild<QLineEdit *>("edtConsolidada")->text(), QStringLiteral("Sim"));
    EXPECT_EQ(description->findChild<QLineEdit *>("edtDiretorio")->text(), QStringLiteral("c:\\sistemas\\prod\\P401"));
    EXPECT_TRUE(description->findChild<QLineEdit *>("edtSolicitacao")->isReadOnly());
    EXPECT_TRUE(description->findChild<QPlainTextEdit *>("memDescricao")->toPlainText().contains("0000012001"));
    EXPECT_EQ(description->findChild<QTableView *>("dbgItens")->model()->rowCount(), 1);

    // Without its values the module says so and opens nothing.
    EXPECT_TRUE(window->openModule(QStringLiteral("APR00600"), QString()));
    settle();
    EXPECT_EQ(frames().size(), 1);
    EXPECT_TRUE(dialogs->texts().contains(QStringLiteral("A descrição da atividade precisa de filial, tarefa e atividade.")));
    window->unloadModule(QStringLiteral("APR00600"));
    settle();
    EXPECT_TRUE(frames().isEmpty());
}

// The follow-up of appropriation: from the host's menu, and from the plan's
// button through the host's loader, one window either way.
TEST_F(HostWindowTest, FollowUpOpensFromTheMenuAndFromThePlansButton)
{
    QAction *menu = window->findChild<QAction *>(QStringLiteral("actAPR00500"));
    ASSERT_NE(menu, nullptr);
    EXPECT_EQ(menu->text(), QStringLiteral("APR00500 - Acompanhamento Apropriação"));
    menu->trigger();
    settle();
    ASSERT_EQ(frames().size(), 1);
    QPointer<QWidget> followUp = frames()[0]->widget();
    EXPECT_EQ(followUp->objectName(), QStringLiteral("frmAcompanhaAPR"));
    EXPECT_TRUE(frames()[0]->isMaximized());
    EXPECT_GT(followUp->findChild<QTableWidget *>(QStringLiteral("dbgApropriacao"))->rowCount(), 0);

    qor::SetModuleLoader([this](const QString &code, const QString &parameter) {
        return window->openModule(code, parameter);
    });
    ASSERT_TRUE(window->openModule(QStringLiteral("APR00100")));
    settle();
    QWidget *plan = window->findChild<QWidget *>(QStringLiteral("frmZEL"));
    ASSERT_NE(plan, nullptr);
    plan->findChild<QAbstractButton *>(QStringLiteral("sbtAcompanhamento"))->click();
    settle();
    qor::SetModuleLoader({});
    EXPECT_EQ(frames().size(), 2);
    ASSERT_NE(window->mdiArea()->activeSubWindow(), nullptr);
    EXPECT_EQ(window->mdiArea()->activeSubWindow()->widget(), followUp.data());
    // The window the plan's timer asks about is the document, not the host's frame.
    QApplication::setActiveWindow(window.get());
    ASSERT_EQ(QApplication::activeWindow(), window.get());
    ASSERT_NE(qor::ActiveWindow(), nullptr);
    EXPECT_EQ(qor::ActiveWindow()->objectName(), QStringLiteral("frmAcompanhaAPR"));
    window->mdiArea()->setActiveSubWindow(frames()[0]->widget() == followUp ? frames()[1] : frames()[0]);
    EXPECT_EQ(qor::ActiveWindow()->objectName(), QStringLiteral("frmZEL"));
    EXPECT_TRUE(dialogs->shown.empty()) << qPrintable(dialogs->texts().join('\n'));
    window->unloadModule(QStringLiteral("APR00500"));
    settle();
    EXPECT_TRUE(followUp.isNull());
}

TEST_F(HostWindowTest, UnknownScreensAndMissingLibrariesGiveAClearMessage)
{
    EXPECT_FALSE(window->openModule(QStringLiteral("APR00999")));
    ASSERT_EQ(dialogs->shown.size(), 1u);
    EXPECT_EQ(dialogs->shown.back().text, QStringLiteral("A tela APR00999 não está disponível nesta instalação."));

    options.moduleDir = home.path();
    host::HostWindow elsewhere(options);
    EXPECT_FALSE(elsewhere.openModule(QStringLiteral("APR00100")));
    EXPECT_TRUE(dialogs->texts().join('\n').contains(QStringLiteral("Não foi possível carregar o módulo da tela APR00100")));
}

}

// The host's sign-in: a token for the right password, the server's own
// message for a wrong one, and the token resumed by a module's connection.
TEST_F(HostWindowTest, SignInGivesATokenThatTheModulesConnectionResumes)
{
    qor::Session session = options.session;
    const host::SignInOutcome refused = host::SignInToServer(session, QStringLiteral("nao-e-esta"));
    EXPECT_FALSE(refused.ok());
    EXPECT_EQ(refused.error, QStringLiteral("Operador ou senha incorretos."));
    const host::SignInOutcome accepted = host::SignInToServer(session, QStringLiteral("demo-entrada"));
    ASSERT_TRUE(accepted.ok()) << qPrintable(accepted.error);

    server::TNetConnection connection;
    connection.Host = session.webUrl;
    connection.Port = session.webPort;
    connection.setConnected(true);
    EXPECT_TRUE(connection.call(QStringLiteral("GetAtivAndamento"), {"0001", "000000000001"}).isError);
    connection.setConnected(false);
    connection.Token = accepted.token;
    connection.setConnected(true);
    const qor::RemoteResult answer = connection.call(QStringLiteral("GetAtivAndamento"), {"0001", "000000000001"});
    EXPECT_FALSE(answer.isError) << qPrintable(answer.errorMessage + " " + answer.errorDetail);
    // A token the server does not know fails the connect with the server's reason.
    connection.setConnected(false);
    connection.Token = QString(64, QLatin1Char('a'));
    connection.setConnected(true);
    EXPECT_FALSE(connection.Connected());
    EXPECT_TRUE(connection.lastConnectError().contains(QStringLiteral("Sessão inválida"))) << qPrintable(connection.lastConnectError());
}

TEST_F(HostOptionsTest, RefusedSignInShowsTheReasonAndAsksThePasswordAgain)
{
    qor::Session session;
    session.operador = QStringLiteral("000000000001");
    host::SignInDialog dialog(session);
    auto *password = dialog.findChild<QLineEdit *>(QStringLiteral("edtSenha"));
    ASSERT_NE(password, nullptr);
    EXPECT_EQ(password->echoMode(), QLineEdit::Password);
    password->setText(QStringLiteral("tentativa"));
    dialog.showRefusal(QStringLiteral("Operador ou senha incorretos."));
    EXPECT_TRUE(password->text().isEmpty());
    EXPECT_EQ(dialog.findChild<QLabel *>(QStringLiteral("lblRecusa"))->text(),
              QStringLiteral("Operador ou senha incorretos."));
    EXPECT_TRUE(host::ParseHostOptions(argv({"--password-stdin"})).passwordFromStdin);
    EXPECT_FALSE(host::ParseHostOptions(argv({"--password", "x"})).error.isEmpty());
}
