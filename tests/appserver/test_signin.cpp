// Sign-in, sessions and the rule of who may call what.
#include "catalogue.h"
#include "harness.h"
#include "rpcerror.h"
#include "seed.h"
#include <QJsonDocument>
#include <QRegularExpression>

using namespace apptest;

namespace {

const QString demo = "000000000001";
const QString maria = "000000000002";

class SignIn : public SeededServer {
protected:
    int count(const QString &sql)
    {
        QSqlQuery q = server.db().run(sql);
        return q.next() ? q.value(0).toInt() : -1;
    }
};

bool mentions(const QJsonObject &reply, const QString &text)
{
    return QJsonDocument(reply).toJson().contains(text.toUtf8());
}

}

TEST_F(SignIn, TokenIsResumedElsewhereUntilSignOut)
{
    Client first(server.port(), Client::WithoutSession);
    const QString token = first.signIn(demo, apr::demoPassword);
    EXPECT_TRUE(QRegularExpression("^[0-9a-f]{64}$").match(token).hasMatch()) << token.size();
    EXPECT_TRUE(first.call("GetAtivAndamento", {"0001", demo}).contains("result"));
    // Kept only as hashes.
    EXPECT_EQ(count("SELECT COUNT(*) FROM sessao WHERE DSHASHTOKEN = '" + token + "'"), 0);
    EXPECT_EQ(count("SELECT COUNT(*) FROM senha_operador WHERE DSHASHSENHA LIKE '$argon2id$%'"), 1);

    Client second(server.port(), Client::WithoutSession);
    ASSERT_TRUE(second.resume(token));
    EXPECT_TRUE(second.call("GetAtivAndamento", {"0001", demo}).contains("result"));
    EXPECT_TRUE(first.call("SignOut", {}).contains("result"));
    EXPECT_EQ(errorCode(first.call("GetAtivAndamento", {"0001", demo})), apr::NotSignedIn);
    Client third(server.port(), Client::WithoutSession);
    EXPECT_FALSE(third.resume(token));
    EXPECT_TRUE(mentions(third.lastError(), "encerrada"));
}

TEST_F(SignIn, BadTokensAndPasswordsAreClearErrorsAndTheConnectionGoesOn)
{
    Client bare(server.port(), Client::WithoutSession);
    for (const QString &token : {QString("abc"), QString(64, 'G'), QString(64, 'A'), QString(65, 'a')}) {
        EXPECT_FALSE(bare.resume(token));
        EXPECT_TRUE(mentions(bare.lastError(), "64 dígitos")) << token.toStdString();
    }
    // Well formed but never issued: a Resume before any SignIn.
    EXPECT_FALSE(bare.resume(QString(64, 'a')));
    EXPECT_TRUE(mentions(bare.lastError(), "inválida ou encerrada"));
    EXPECT_TRUE(bare.signIn(demo, "wrong").isEmpty());
    EXPECT_TRUE(bare.signIn("' OR '1'='1", apr::demoPassword).isEmpty());
    EXPECT_EQ(bare.lastError().value("message").toString(), "Operador ou senha incorretos.");
    EXPECT_FALSE(mentions(bare.lastError(), "OR '1'"));
    EXPECT_FALSE(bare.signIn(demo, apr::demoPassword).isEmpty());
    EXPECT_TRUE(bare.call("GetAtivAndamento", {"0001", demo}).contains("result"));
    // A failed sign-in on a signed-in connection leaves it without a session.
    EXPECT_TRUE(bare.signIn(demo, "wrong").isEmpty());
    EXPECT_EQ(errorCode(bare.call("GetAtivAndamento", {"0001", demo})), apr::NotSignedIn);
}

TEST_F(SignIn, IdleSessionExpires)
{
    const QString token = server.demoToken();
    server.db().run("UPDATE sessao SET DTULTIMOUSO = '2000-01-01T00:00:00'");
    Client late(server.port(), Client::WithoutSession);
    EXPECT_FALSE(late.resume(token));
    EXPECT_TRUE(mentions(late.lastError(), "expirada"));
    EXPECT_EQ(errorCode(late.call("GetAtivAndamento", {"0001", demo})), apr::NotSignedIn);
}

TEST_F(SignIn, EveryMethodButSignInAndResumeNeedsASession)
{
    Client bare(server.port(), Client::WithoutSession);
    for (const apr::MethodEntry &method : apr::catalogue()) {
        const QString name = method.name;
        if (name == "SignIn" || name == "Resume")
            continue;
        const QJsonObject reply = bare.call(name, {});
        EXPECT_EQ(errorCode(reply), apr::NotSignedIn) << method.name;
    }
}

// Each method with an operator argument refuses another operator's code,
// except the look-ups of other operators.
TEST_F(SignIn, OperatorArgumentsMustNameTheCaller)
{
    const QStringList lookups{"GetOperador", "GetOperSemApro"};
    int checked = 0;
    for (const apr::MethodEntry &method : apr::catalogue()) {
        const QString name = method.name;
        if (name == "SignIn")
            continue;
        for (const apr::Form &form : method.forms) {
            QJsonArray params;
            bool named = false;
            for (const apr::Param &param : form) {
                const bool isOperator = qstrcmp(param.name, "operador") == 0;
                named |= isOperator;
                params << (param.kind == apr::ArgKind::Integer || param.kind == apr::ArgKind::DateOrZero
                               ? QJsonValue(0)
                               : param.kind == apr::ArgKind::Date ? QJsonValue(date(QDate(2026, 1, 1)))
                                                                  : QJsonValue(isOperator ? maria : QString("0001")));
            }
            if (!named)
                continue;
            ++checked;
            const int code = errorCode(client->call(name, params));
            if (lookups.contains(name))
                EXPECT_NE(code, apr::Forbidden) << method.name;
            else
                EXPECT_EQ(code, apr::Forbidden) << method.name;
        }
    }
    EXPECT_GE(checked, 15);
}

TEST_F(SignIn, TwoOperatorsCannotTouchEachOthersActivities)
{
    Client &other = as(maria);
    const QJsonArray demoActivity{"0001", "0000005001", "00001"};
    EXPECT_EQ(errorCode(other.call("SetFila_PlanAtiv", {"0001", "0000005001", "00001", "9"})), apr::Forbidden);
    EXPECT_EQ(errorCode(other.call("ClearArqCheckout", demoActivity)), apr::Forbidden);
    EXPECT_EQ(errorCode(other.call("SetArqCheckout", {"0001", "0000005001", "00001", "1", "c:\\x.pas"})),
              apr::Forbidden);
    // Reading the files under work by another operator stays allowed.
    EXPECT_TRUE(other.call("GetArqCheckout", demoActivity).contains("result"));
    // The owner still can.
    EXPECT_TRUE(client->call("SetArqCheckout", {"0001", "0000005001", "00001", "1", "c:\\x.pas"}).contains("result"));
    EXPECT_EQ(column(client->result("GetArqCheckout", demoActivity), "NMARQUIVO"), QStringList{"c:\\x.pas"});
    EXPECT_EQ(errorCode(client->call("GetAtivAndamento", {"0001", maria})), apr::Forbidden);
}

TEST_F(SignIn, FiveFailuresLockTheCodeForAMinuteWhetherItExistsOrNot)
{
    Client bare(server.port(), Client::WithoutSession);
    for (const QString &code : {demo, QString("000000000999")}) {
        for (int i = 0; i < 5; ++i) {
            EXPECT_TRUE(bare.signIn(code, "wrong").isEmpty());
            EXPECT_EQ(bare.lastError().value("message").toString(), "Operador ou senha incorretos.");
        }
        EXPECT_TRUE(bare.signIn(code, apr::demoPassword).isEmpty());
        EXPECT_TRUE(mentions(bare.lastError(), "bloqueada")) << code.toStdString();
    }
    server.db().run("UPDATE falha_entrada SET DTBLOQUEIO = '2000-01-01T00:00:00'");
    EXPECT_FALSE(bare.signIn(demo, apr::demoPassword).isEmpty());
    EXPECT_EQ(count("SELECT COUNT(*) FROM falha_entrada WHERE CDOPERADOR = '" + demo + "'"), 0);
}

TEST(SignInShared, SessionOfOneServerIsAcceptedByAnother)
{
    Server first;
    ASSERT_TRUE(first.start()) << first.output().toStdString();
    Server second(first.databaseUrl());
    ASSERT_TRUE(second.start({})) << second.output().toStdString();
    Client there(second.port(), first.demoToken());
    EXPECT_TRUE(there.call("GetAtivAndamento", {"0001", demo}).contains("result"));
}

TEST(SignInAdmin, PasswdReadsThePasswordFromStandardInput)
{
    Server server;
    ASSERT_TRUE(server.start()) << server.output().toStdString();
    QProcess passwd;
    passwd.setProcessChannelMode(QProcess::MergedChannels);
    passwd.start(APR_SERVER_BIN, {"passwd", "--database", server.databaseUrl(), maria});
    passwd.write("nova-senha-da-maria\n");
    passwd.closeWriteChannel();
    ASSERT_TRUE(passwd.waitForFinished(30000));
    EXPECT_EQ(passwd.exitCode(), 0);
    EXPECT_FALSE(passwd.readAll().contains("nova-senha"));
    Client bare(server.port(), Client::WithoutSession);
    EXPECT_FALSE(bare.signIn(maria, "nova-senha-da-maria").isEmpty());

    passwd.start(APR_SERVER_BIN, {"passwd", "--database", server.databaseUrl(), "999999999999"});
    passwd.write("whatever-long\n");
    passwd.closeWriteChannel();
    ASSERT_TRUE(passwd.waitForFinished(30000));
    EXPECT_EQ(passwd.exitCode(), 2);
    passwd.start(APR_SERVER_BIN, {"passwd", "--database", server.databaseUrl(), maria});
    passwd.write("short\n");
    passwd.closeWriteChannel();
    ASSERT_TRUE(passwd.waitForFinished(30000));
    EXPECT_EQ(passwd.exitCode(), 2);
}

TEST(SignInAdmin, ListeningBeyondLoopbackWithoutTlsIsRefused)
{
    Server server;
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(APR_SERVER_BIN, {"--listen", "0.0.0.0:0", "--database", server.databaseUrl()});
    ASSERT_TRUE(process.waitForFinished(30000));
    EXPECT_EQ(process.exitCode(), 2);
    EXPECT_TRUE(process.readAll().contains("--insecure-listen"));
}
