#include "host/dialogs.h"
#include "host/messages.h"
#include "host/services.h"

#include <QApplication>
#include <QDir>
#include <QJsonArray>
#include <QJsonObject>
#include <QWidget>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <stdexcept>

using namespace qor;

TEST(Ajusta, PadsDigitCodesWithZerosAndOthersWithBlanks)
{
    EXPECT_EQ(Ajusta("11045", 10), "0000011045");
    EXPECT_EQ(Ajusta("7", 3), "007");
    EXPECT_EQ(Ajusta("123", 10), "0000000123");
    EXPECT_EQ(Ajusta(" 42 ", 4), "0042");
    EXPECT_EQ(Ajusta("", 10), "");
    EXPECT_EQ(Ajusta("   ", 3), "");
    EXPECT_EQ(Ajusta("AB", 4), "  AB");
    EXPECT_EQ(Ajusta("12A", 5), "  12A");
    EXPECT_EQ(Ajusta("0000000000123", 10), "0000000123");
    EXPECT_EQ(Ajusta("1234", 4), "1234");
}

TEST(TextHelpers, EmptyStringAllTrimReplicateIif)
{
    EXPECT_TRUE(EmptyString(""));
    EXPECT_TRUE(EmptyString(" \t\r\n"));
    EXPECT_FALSE(EmptyString(" a "));
    EXPECT_EQ(AllTrim("  a b  "), "a b");
    EXPECT_EQ(Replicate("z", 3), "zzz");
    EXPECT_EQ(Replicate("z", 0), "");
    EXPECT_EQ(Replicate("z", -2), "");
    EXPECT_EQ(iif<QString>(true, "a", "b"), "a");
}

TEST(PictPess, MasksPersonAndCompanyNumbers)
{
    EXPECT_EQ(PictPess("12345678901"), "123.456.789-01");
    EXPECT_EQ(PictPess("12345678000195"), "12.345.678/0001-95");
    EXPECT_EQ(PictPess("123.456.789-01"), "123.456.789-01");
    EXPECT_EQ(PictPess("12345"), "12345");
    EXPECT_EQ(PictPess("1234567890A"), "1234567890A");
    EXPECT_EQ(PictPess("12345678901", "J"), "12345678901") << "a company number has 14 digits";
    EXPECT_EQ(PictPess("12345678000195", "j"), "12.345.678/0001-95");
}

TEST(MensErro, ShowsTheTextAsAnErrorAndAborts)
{
    ScopedScriptedDialogs dialogs;
    bool after = false;
    try {
        MensErro("Tarefa não encontrada.", true);
        after = true;
    } catch (const EAbort &e) {
        EXPECT_EQ(e.message(), "Tarefa não encontrada.");
        EXPECT_FALSE(e.isSilent());
    }
    EXPECT_FALSE(after);
    ASSERT_EQ(dialogs->shown.size(), 1u);
    EXPECT_EQ(dialogs->shown[0].kind, DialogRequest::Error);
    EXPECT_EQ(dialogs->shown[0].text, "Tarefa não encontrada.");

    EXPECT_THROW(MensErro(""), EAbort) << "an empty text still shows something and aborts";
    EXPECT_FALSE(dialogs->shown[1].text.isEmpty());
}

TEST(CheckResultServ, ErrorIsShownWithItsDetailAndAborts)
{
    ScopedScriptedDialogs dialogs;
    RemoteResult ok;
    ok.value = QJsonObject{{"fields", QJsonArray{}}};
    EXPECT_EQ(CheckResultServ(ok, true, 0), ok.value);
    EXPECT_TRUE(dialogs->shown.empty());

    try {
        CheckResultServ(RemoteResult::error("Tarefa inexistente", "ORA-01403: no data found"), true, 0);
        FAIL() << "an error result must abort";
    } catch (const EAbort &e) {
        EXPECT_EQ(e.message(), "Tarefa inexistente");
    }
    ASSERT_EQ(dialogs->shown.size(), 1u);
    EXPECT_EQ(dialogs->shown[0].kind, DialogRequest::Detail);
    EXPECT_EQ(dialogs->shown[0].text, "Tarefa inexistente");
    EXPECT_EQ(dialogs->shown[0].detail, "ORA-01403: no data found");

    EXPECT_THROW(CheckResultServ(RemoteResult::error(""), true, 0), EAbort);
    EXPECT_FALSE(dialogs->shown[1].text.isEmpty()) << "an error without a message is not shown blank";
}

TEST(MsgAlertEx, ReturnsTenElevenTwelveAndPassesTheButtons)
{
    ScopedScriptedDialogs dialogs;
    dialogs->answer(0);
    dialogs->answer(1);
    dialogs->answer(2);
    const QStringList three{"Sim", "Não", "Cancelar"};
    EXPECT_EQ(MsgAlertEx("Gravar?", 3, three, 1, 0, 20), 10);
    EXPECT_EQ(MsgAlertEx("Gravar?", 3, three, 1, 20, 0), 11);
    EXPECT_EQ(MsgAlertEx("Gravar?", 3, three), 12);
    const DialogRequest &first = dialogs->shown[0];
    EXPECT_EQ(first.kind, DialogRequest::Confirmation);
    EXPECT_EQ(first.buttons, three);
    EXPECT_EQ(first.defaultButton, 0);
    EXPECT_EQ(first.escapeButton, 2) << "0 means the last button answers Escape";
    EXPECT_EQ(first.minimumWidth, 20);
    EXPECT_EQ(dialogs->shown[1].escapeButton, 2) << "a number beyond the buttons means the last";
    EXPECT_EQ(dialogs->shown[1].minimumWidth, 0);

    EXPECT_EQ(MsgAlertEx("Pronto.", 2, {"OK"}), 10);
    EXPECT_EQ(dialogs->shown.back().kind, DialogRequest::Information);
}

TEST(Guarded, AbortIsSilentOtherFailuresReachTheHandler)
{
    ScopedScriptedDialogs dialogs;
    EXPECT_TRUE(guarded([] {}));
    EXPECT_FALSE(guarded([] { Abort(); }));
    EXPECT_FALSE(guarded([] { throw EAbort("já mostrado"); }));
    EXPECT_TRUE(dialogs->shown.empty());

    ActiveShowAvi(nullptr, 0);
    EXPECT_FALSE(guarded([] { throw std::runtime_error("disco cheio"); }));
    ASSERT_EQ(dialogs->shown.size(), 1u) << "the default handler shows the exception";
    EXPECT_EQ(dialogs->shown[0].kind, DialogRequest::Error);
    EXPECT_EQ(dialogs->shown[0].text, "disco cheio");
    EXPECT_FALSE(BusyIndicatorShown()) << "and removes the busy indicator";

    QStringList seen;
    auto previous = SetApplicationExceptionHandler([&](const std::exception &e) { seen << e.what(); });
    guarded([] { throw std::logic_error("erro de programa"); });
    guarded([] { throw 42; });
    EXPECT_EQ(seen.size(), 2);
    EXPECT_EQ(seen.first(), "erro de programa");
    SetApplicationExceptionHandler(previous);

    SetApplicationExceptionHandler([](const std::exception &) { throw std::runtime_error("handler falhou"); });
    EXPECT_FALSE(guarded([] { throw std::runtime_error("x"); })) << "a failing handler does not escape";
    SetApplicationExceptionHandler(nullptr);
}

TEST(BusyIndicator, ShowsCaptionsByKindAndDeactivatesHarmlessly)
{
    DeactiveShowAvi();
    DeactiveShowAvi();
    EXPECT_FALSE(BusyIndicatorShown());
    QWidget host;
    host.resize(400, 300);
    host.show();
    ActiveShowAvi(&host, 6, "Atualizando produto...");
    EXPECT_TRUE(BusyIndicatorShown());
    EXPECT_EQ(BusyIndicatorCaption(), "Atualizando produto...");
    ActiveShowAvi(&host, 1);
    EXPECT_EQ(BusyIndicatorCaption(), TMessages::host().Msg("PROCESSANDO"));
    ActiveShowAvi(&host, 0);
    EXPECT_EQ(BusyIndicatorCaption(), TMessages::host().Msg("AGUARDE"));
    EXPECT_EQ(host.findChildren<QWidget *>("panShowAvi").size(), 1) << "one panel, whatever the calls";
    DeactiveShowAvi();
    EXPECT_FALSE(BusyIndicatorShown());
    {
        BusyCursor busy;
        EXPECT_NE(QGuiApplication::overrideCursor(), nullptr);
    }
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
}

TEST(SSPLogonUser, ChecksTheDomainAccountsFile)
{
    QTemporaryDir home;
    const QByteArray saved = qgetenv("APR_HOME");
    qputenv("APR_HOME", home.path().toUtf8());
    SetLogonChecker(DomainFileLogonUser);
    EXPECT_EQ(DomainPasswdPath(), home.path() + "/domain/passwd");
    EXPECT_FALSE(SSPLogonUser("CALBREX", "maria", "x")) << "no file: nobody is accepted";

    ASSERT_TRUE(QDir(home.path()).mkpath("domain"));
    QFile file(DomainPasswdPath());
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("# contas\n");
    file.write(DomainAccountLine("CALBREX", "maria", "s3gr3d0").toUtf8() + "\n");
    file.write(DomainAccountLine("CALBREX", "joao", "outra", "sal").toUtf8() + "\n");
    file.close();

    EXPECT_TRUE(SSPLogonUser("CALBREX", "maria", "s3gr3d0"));
    EXPECT_TRUE(SSPLogonUser("calbrex", "MARIA", "s3gr3d0")) << "domain and user in any case";
    EXPECT_FALSE(SSPLogonUser("CALBREX", "maria", "S3GR3D0"));
    EXPECT_FALSE(SSPLogonUser("OUTRO", "maria", "s3gr3d0"));
    EXPECT_FALSE(SSPLogonUser("CALBREX", "maria", ""));
    EXPECT_TRUE(SSPLogonUser("CALBREX", "joao", "outra"));
    EXPECT_FALSE(DomainAccountLine("D", "u", "segredo").contains("segredo"));

    SetLogonChecker([](const QString &, const QString &user, const QString &) { return user == "teste"; });
    EXPECT_TRUE(SSPLogonUser("X", "teste", ""));
    SetLogonChecker(nullptr);
    if (saved.isNull()) qunsetenv("APR_HOME");
    else qputenv("APR_HOME", saved);
}

TEST(Session, GettersReadTheSignedInSession)
{
    Session s;
    s.operador = "000000000007";
    s.filial = "0002";
    s.empresa = "0003";
    s.webUrl = "10.0.0.5";
    s.webPort = 7100;
    s.keepConnected = true;
    SetSession(s);
    EXPECT_EQ(Operador(), "000000000007");
    EXPECT_EQ(FiliProc(), "0002");
    EXPECT_EQ(EmprProc(), "0003");
    EXPECT_EQ(WebURL(), "10.0.0.5");
    EXPECT_EQ(WebPort(), 7100);
    EXPECT_TRUE(KeepConnected());
    SetSession(Session{});
}
