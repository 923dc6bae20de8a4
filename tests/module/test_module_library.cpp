// The module loaded the way the host loads it: QLibrary and its exports.
#include "../server/serverprocess.h"
#include "host/dialogs.h"
#include "host/services.h"
#include <QAbstractButton>
#include <QApplication>
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
        session.token = server.token();
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

}
