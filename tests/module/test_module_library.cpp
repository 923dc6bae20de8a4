// The module loaded the way the host loads it: QLibrary and its exports.
#include "../server/serverprocess.h"
#include "demosession.h"
#include "host/dialogs.h"
#include "host/services.h"
#include <QAbstractButton>
#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QLibrary>
#include <QListWidget>
#include <QTableView>
#include <QMenu>
#include <QTcpSocket>
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
        APR_REQUIRE_COMPONENT(server.start(QStringLiteral(APR_SERVER_BIN)), "apr-server", server.why());
        qputenv("APR_HOME", home.path().toUtf8());
        qor::Session session = DemoSession(server);
        qor::SetSession(session);
        library.setFileName(QStringLiteral(APR_MODULE_LIBRARY));
        ASSERT_TRUE(library.load()) << qPrintable(library.errorString());
        cria = reinterpret_cast<Entry>(library.resolve("CriaAproAtiv"));
        iniProc = reinterpret_cast<Entry>(library.resolve("IniProc"));
        finaliza = reinterpret_cast<Entry>(library.resolve("FinalizaModulo"));
        ASSERT_TRUE(cria && iniProc && finaliza);
    }
    // The server's answer to one call, on a connection of the test's own.
    QByteArray serverReply(const QString &method, const QJsonArray &params)
    {
        QTcpSocket socket;
        socket.connectToHost(server.host(), quint16(server.port()));
        if (!socket.waitForConnected(5000))
            return "no connection: " + socket.errorString().toUtf8();
        const QJsonObject resume{{"jsonrpc", "2.0"}, {"id", 1}, {"method", "Resume"}, {"params", QJsonArray{server.token()}}};
        const QJsonObject call{{"jsonrpc", "2.0"}, {"id", 2}, {"method", method}, {"params", params}};
        socket.write(QJsonDocument(resume).toJson(QJsonDocument::Compact) + '\n');
        socket.write(QJsonDocument(call).toJson(QJsonDocument::Compact) + '\n');
        QByteArray replies;
        while (replies.count('\n') < 2 && socket.waitForReadyRead(5000))
            replies += socket.readAll();
        return replies.split('\n').value(1);
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

using TextEntry = void (*)(const char *, const char *, const char *, const char *);

// The patch-script window through its export, driven by its own buttons, on a
// product directory of drive C: and the real server's patch.
TEST_F(ModuleLibraryTest, ScriptCreatorRegistersAChosenFileOnThePatch)
{
    auto anexo = reinterpret_cast<TextEntry>(library.resolve("CriaAnexoScript"));
    ASSERT_TRUE(anexo);
    // Without the main window there is no server link to work through.
    anexo("0001", "0000012001", "P401", "0000011045");
    ASSERT_FALSE(dialogs->shown.empty());
    EXPECT_EQ(dialogs->shown.back().kind, qor::DialogRequest::Error);

    QTemporaryDir drive;
    qputenv("APR_DRIVE_C", drive.path().toUtf8());
    QDir().mkpath(drive.path() + "/sistemas/prod/P401/sql");
    QFile script(drive.path() + "/sistemas/prod/P401/sql/Pkg_P401.dpk");
    ASSERT_TRUE(script.open(QIODevice::WriteOnly));
    script.close();
    cria();
    settle();
    QString title;
    QStringList listed;
    dialogs->onModal = [&](QDialog &window) {
        title = window.windowTitle();
        auto *list = window.findChild<QListWidget *>("flbArquivos");
        auto *tree = window.findChild<QListWidget *>("dlbDiretorio");
        for (int row = 0; row < tree->count(); ++row)
            if (tree->item(row)->data(Qt::UserRole).toString().endsWith("\\sql"))
                emit tree->itemActivated(tree->item(row));
        for (int row = 0; row < list->count(); ++row)
            listed << list->item(row)->text();
        list->selectAll();
        window.findChild<QAbstractButton *>("tbtIncluiPatch")->click();
        window.findChild<QAbstractButton *>("sbtConfirma")->click();
        return window.result();
    };
    anexo("0001", "0000012001", "P401", "0000011045");
    qunsetenv("APR_DRIVE_C");
    EXPECT_EQ(title, "Selecionar Arquivos Para Gerar Patch");
    EXPECT_EQ(listed, QStringList{"Pkg_P401.dpk"});

    const QByteArray versao = serverReply("GetVersao", {"0000012001", "0001"});
    // Two files on the patch now: the next sequence is 3.
    EXPECT_TRUE(versao.contains(R"("3")")) << versao.constData();
}

using SelectFilesEntry = const char *(*)(const char *, const char *, const char *, const char *, const char *,
                                         const char *, const char *, const char *);

// The check-out selection through its export: the eight texts reach the
// dialog and the server, and the text result is a constant the caller neither
// frees nor sees overwritten by a later call.
TEST_F(ModuleLibraryTest, CheckoutSelectionOpensThroughItsExport)
{
    auto selecao = reinterpret_cast<SelectFilesEntry>(library.resolve("CriaSelectFiles"));
    ASSERT_TRUE(selecao);
    const char *semJanela = selecao("P401", "\\sistemas\\prod\\P401", "", "0000000103", "03", "0001", "0000005003", "00001");
    ASSERT_NE(semJanela, nullptr);
    EXPECT_STREQ(semJanela, "");
    ASSERT_EQ(dialogs->shown.size(), 1u);
    EXPECT_EQ(dialogs->shown.back().kind, qor::DialogRequest::Error);
    EXPECT_EQ(dialogs->count(qor::DialogRequest::Modal), 0);

    cria();
    settle();
    QWidget *window = moduleWindows().value(0);
    ASSERT_TRUE(window);
    window->findChild<QAbstractButton *>(QStringLiteral("btnOk"))->click();
    QStringList menu;
    QString titulo;
    const auto itensDoMenu = [&](QDialog &dialog) {
        titulo = dialog.windowTitle();
        dialog.show();
        dialog.findChild<QAbstractButton *>(QStringLiteral("btnSelDir"))->click();
        menu.clear();
        for (QAction *item : dialog.findChild<QMenu *>(QStringLiteral("pmnDirItemtrab"))->actions())
            menu << item->text();
    };
    dialogs->onModal = [&](QDialog &dialog) {
        itensDoMenu(dialog);
        auto *lista = dialog.findChild<QListWidget *>(QStringLiteral("lsbArquivos"));
        lista->addItem(QStringLiteral("C:\\sistemas\\prod\\P401\\fontes\\uP401.pas"));
        emit lista->itemDoubleClicked(lista->item(0));
        dialog.findChild<QAbstractButton *>(QStringLiteral("sbtConfirma"))->click();   // "Sim" to the question
        return dialog.result();
    };
    const char *confirmou = selecao("P401", "\\sistemas\\prod\\P401", "", "0000000103", "03", "0001", "0000005003", "00001");
    EXPECT_STREQ(confirmou, "S");
    EXPECT_EQ(titulo, QStringLiteral("Selecionar Arquivos para Checkout"));
    EXPECT_EQ(menu, (QStringList{"C:\\sistemas\\prod\\P401\\fontes\\", "C:\\sistemas\\prod\\P401\\relatorios\\"}));
    const QByteArray gravados = serverReply("GetArqCheckout", {"0001", "0000005003", "00001"});
    EXPECT_TRUE(gravados.contains(R"(c:\\sistemas\\prod\\p401\\fontes\\up401.pas)")) << gravados.constData();

    dialogs->onModal = [&](QDialog &dialog) {
        itensDoMenu(dialog);
        dialog.findChild<QAbstractButton *>(QStringLiteral("sbtCancel"))->click();   // "Sim": cancel
        return dialog.result();
    };
    const char *cancelou = selecao("P401", "c:\\p\\", "MODELAGEM", "0000000103", "04", "0001", "0000005003", "00001");
    EXPECT_STREQ(cancelou, "N");
    EXPECT_EQ(menu, (QStringList{"c:\\p\\Sql\\ATUALIZA_BD\\Oracle\\", "c:\\p\\Sql\\ATUALIZA_BD\\SQLServer\\"}));
    EXPECT_STREQ(confirmou, "S") << "an earlier result is not overwritten";
}

using SelectFilesCheckinEntry = const char *(*)(const char *, const char *, const char *, const char *,
                                                const char *, const char *, const char *);

// The check-in selection through its export: refused without the main
// window, then opened over the activity's checked-out files and cancelled.
TEST_F(ModuleLibraryTest, CheckinSelectionOpensThroughItsExport)
{
    auto selecao = reinterpret_cast<SelectFilesCheckinEntry>(library.resolve("CriaSelectFilesCheckin"));
    ASSERT_TRUE(selecao);
    EXPECT_STREQ(selecao("P401", "\\sistemas\\prod\\P401", "0000000103", "03", "0001", "0000005003", "00001"), "");
    ASSERT_EQ(dialogs->shown.size(), 1u);
    EXPECT_EQ(dialogs->shown.back().kind, qor::DialogRequest::Error);

    cria();
    settle();
    QWidget *window = moduleWindows().value(0);
    ASSERT_TRUE(window);
    window->findChild<QAbstractButton *>(QStringLiteral("btnOk"))->click();
    serverReply("SetArqCheckout", {"0001", "0000005003", "00001", "0", "c:\\sistemas\\prod\\p401\\fontes\\up401.pas"});
    QString titulo;
    QStringList grade;
    dialogs->onModal = [&](QDialog &dialog) {
        titulo = dialog.windowTitle();
        dialog.show();
        auto *grid = dialog.findChild<QTableView *>(QStringLiteral("dbgArquivos"));
        for (int row = 0; row < grid->model()->rowCount(); ++row)
            grade << grid->model()->index(row, 0).data().toString();
        dialog.findChild<QAbstractButton *>(QStringLiteral("sbtCancel"))->click();   // "Sim": cancel
        return dialog.result();
    };
    EXPECT_STREQ(selecao("P401", "\\sistemas\\prod\\P401", "0000000103", "03", "0001", "0000005003", "00001"), "N");
    EXPECT_EQ(titulo, QStringLiteral("Selecionar Arquivos para Checkin"));
    EXPECT_EQ(grade, QStringList{"c:\\sistemas\\prod\\p401\\fontes\\up401.pas"});
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
