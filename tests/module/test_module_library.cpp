// The module loaded the way the host loads it: QLibrary and its exports.
#include "../server/serverprocess.h"
#include "host/dialogs.h"
#include "host/services.h"
#include <QAbstractButton>
#include <QApplication>
#include <QDialog>
#include <QLineEdit>
#include <QLibrary>
#include <QPointer>
#include <QStackedWidget>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

using Entry = void (*)();

QList<QWidget *> moduleWindows()
{
    QList<QWidget *> found;
    for (QWidget *w : QApplication::allWidgets())
        if (w->objectName() == QLatin1String("frmZEL"))
            found << w;
    return found;
}

void settle()
{
    for (int i = 0; i < 5; ++i) {
        QApplication::processEvents();
        QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
}

class ModuleLibraryTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!server.start(QStringLiteral(APR_SERVER_BIN)))
            GTEST_SKIP() << qPrintable(server.why());
        qputenv("APR_HOME", home.path().toUtf8());
        qor::Session session;
        session.operador = QStringLiteral("000000000001");
        session.filial = QStringLiteral("0001");
        session.empresa = QStringLiteral("0001");
        session.webUrl = server.host();
        session.webPort = server.port();
        qor::SetSession(session);
        library.setFileName(QStringLiteral(APR_MODULE_LIBRARY));
        ASSERT_TRUE(library.load()) << qPrintable(library.errorString());
        cria = reinterpret_cast<Entry>(library.resolve("CriaAproAtiv"));
        iniProc = reinterpret_cast<Entry>(library.resolve("IniProc"));
        finaliza = reinterpret_cast<Entry>(library.resolve("FinalizaModulo"));
        ASSERT_TRUE(cria && iniProc && finaliza);
    }
    void TearDown() override
    {
        if (finaliza)
            finaliza();
        settle();
        if (library.isLoaded())
            library.unload();
    }

    testsupport::ServerProcess server;
    QTemporaryDir home;
    qor::ScopedScriptedDialogs dialogs;
    QLibrary library;
    Entry cria = nullptr, iniProc = nullptr, finaliza = nullptr;
};

TEST_F(ModuleLibraryTest, TwoCreatorCallsMakeOneWindow)
{
    cria();
    cria();
    iniProc();
    settle();
    const QList<QWidget *> windows = moduleWindows();
    ASSERT_EQ(windows.size(), 1);
    EXPECT_TRUE(windows.first()->isVisible());
    EXPECT_TRUE(windows.first()->isMaximized());
    EXPECT_TRUE(dialogs->shown.empty()) << qPrintable(dialogs->texts().join('\n'));
}

TEST_F(ModuleLibraryTest, ClosingAndReopeningBuildsANewWindow)
{
    cria();
    settle();
    ASSERT_EQ(moduleWindows().size(), 1);
    QPointer<QWidget> first = moduleWindows().first();
    first->findChild<QAbstractButton *>(QStringLiteral("btnOk"))->click();
    EXPECT_EQ(first->findChild<QStackedWidget *>(QStringLiteral("nbkAPR"))->currentIndex(), 1);
    first->close();
    settle();
    EXPECT_TRUE(first.isNull());
    EXPECT_TRUE(moduleWindows().isEmpty());

    cria();
    settle();
    ASSERT_EQ(moduleWindows().size(), 1);
    QWidget *second = moduleWindows().first();
    EXPECT_EQ(second->findChild<QStackedWidget *>(QStringLiteral("nbkAPR"))->currentIndex(), 0);
    EXPECT_EQ(second->windowTitle(), QStringLiteral("Apropriação de Atividades"));
}

TEST_F(ModuleLibraryTest, UnloadHookRemovesTheWindow)
{
    cria();
    settle();
    ASSERT_EQ(moduleWindows().size(), 1);
    finaliza();
    settle();
    EXPECT_TRUE(moduleWindows().isEmpty());
}

TEST_F(ModuleLibraryTest, ShowLogAndTheAuthenticationOpenThroughTheirExports)
{
    auto criaShowHistory = reinterpret_cast<Entry>(library.resolve("CriaShowHistory"));
    auto criaAutenticacao = reinterpret_cast<Entry>(library.resolve("CriaAutenticacao"));
    ASSERT_TRUE(criaShowHistory && criaAutenticacao);
    // The viewer needs the main window's account: without it, a message and nothing opens.
    criaShowHistory();
    ASSERT_EQ(dialogs->shown.size(), 1u);
    EXPECT_EQ(dialogs->shown.back().kind, qor::DialogRequest::Error);

    // Accepted with no main window to take the account: nothing is written anywhere.
    qor::SetLogonChecker([](const QString &, const QString &, const QString &) { return true; });
    int accepted = -1;
    dialogs->onModal = [&](QDialog &dialog) {
        dialog.findChild<QLineEdit *>(QStringLiteral("edtDominio"))->setText(QStringLiteral("CALBREX"));
        dialog.findChild<QLineEdit *>(QStringLiteral("edtSenha"))->setText(QStringLiteral("s"));
        dialog.findChild<QAbstractButton *>(QStringLiteral("sbtConfirma"))->click();
        accepted = dialog.result();
        return dialog.result();
    };
    criaAutenticacao();
    EXPECT_EQ(accepted, int(QDialog::Accepted));
    EXPECT_EQ(dialogs->shown.back().title, QStringLiteral("Autenticação do Usuário da Rede"));

    cria();
    settle();
    QWidget *window = moduleWindows().value(0);
    ASSERT_TRUE(window);
    window->findChild<QAbstractButton *>(QStringLiteral("btnOk"))->click();
    criaAutenticacao();
    EXPECT_EQ(accepted, int(QDialog::Accepted));
    dialogs->onModal = [](QDialog &dialog) { return int(dialog.findChild<QWidget *>(QStringLiteral("dbgPadrao")) != nullptr); };
    window->findChild<QAbstractButton *>(QStringLiteral("sbtShowHistory"))->click();
    EXPECT_EQ(dialogs->shown.back().title, QStringLiteral("Show Log"));
    qor::SetLogonChecker(nullptr);
}

}
