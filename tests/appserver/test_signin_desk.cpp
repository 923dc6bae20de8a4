// Sign-ins are checked apart from the other calls: clients sending wrong
// passwords do not hold up an operator already signed in, on either kind of
// connection; a connection's replies keep their order; and the sign-ins in
// progress from one address are limited.
#include "harness.h"
#include "rpcerror.h"
#include "seed.h"
#include <QJsonDocument>
#include <QSslSocket>

using namespace apptest;

namespace {

const QString demo = "000000000001";
const QString wrongCredentials = "Operador ou senha incorretos.";

QByteArray request(int id, const QString &method, const QJsonArray &params)
{
    const QJsonObject object{{"jsonrpc", "2.0"}, {"id", id}, {"method", method}, {"params", params}};
    return QJsonDocument(object).toJson(QJsonDocument::Compact) + '\n';
}

QByteArray signInLine(const QString &operador, const QString &password)
{
    return request(1, "SignIn", {operador, password, "0001", "0001"});
}

// The same cases over clear text (epoll threads) and over TLS (Qt's sockets).
class SignInDesk : public ::testing::TestWithParam<bool> {
protected:
    void SetUp() override
    {
        QStringList options{"--seed", "demo", "--workers", "2", "--sign-in-threads", "1"};
        if (tls()) {
            ASSERT_TRUE(QSslSocket::supportsSsl()) << "Qt's TLS backend is missing (OpenSSL plugin, libssl)";
            ASSERT_TRUE(makeCertificate(dir.path(), "server"));
            options << "--tls-cert" << dir.filePath("server.pem") << "--tls-key" << dir.filePath("server.key");
        }
        ASSERT_TRUE(server.start(options + extraOptions)) << server.output().toStdString();
    }
    bool tls() const { return GetParam(); }
    std::unique_ptr<Client> connect(Client::Start start)
    {
        return tls() ? std::make_unique<Client>(server.port(), dir.filePath("server.pem"), start)
                     : std::make_unique<Client>(server.port(), start);
    }
    // Sends one wrong sign-in on each of `count` new connections, for codes nobody has.
    std::vector<std::unique_ptr<Client>> strangersSigningIn(int count)
    {
        std::vector<std::unique_ptr<Client>> strangers;
        for (int i = 0; i < count; ++i)
            strangers.push_back(connect(Client::WithoutSession));
        // All connected first (a TLS handshake takes a while), then sent together.
        for (int i = 0; i < count; ++i)
            strangers[size_t(i)]->send(signInLine(QString("0000000009%1").arg(i, 2, 10, QChar('0')), "chute"));
        return strangers;
    }

    QStringList extraOptions;
    QTemporaryDir dir;
    Server server;
};

class SignInDeskLimited : public SignInDesk {
protected:
    void SetUp() override
    {
        extraOptions = {"--sign-ins-per-address", "2"};
        SignInDesk::SetUp();
    }
};

}

// More wrong sign-ins than threads answering calls: the operator's plan comes
// back while every one of them still waits for its refusal.
TEST_P(SignInDesk, WrongPasswordsDoNotHoldUpASignedInOperator)
{
    const std::unique_ptr<Client> operador = connect(Client::Resumed);
    const std::vector<std::unique_ptr<Client>> strangers = strangersSigningIn(8);

    const QJsonObject plan = operador->call("GetPlanAtivTare", {"0001", demo, 0, "", "", "", "", "", "", ""});
    ASSERT_TRUE(plan.contains("result")) << QJsonDocument(plan).toJson().toStdString();
    EXPECT_FALSE(plan.value("result").toObject().value("rows").toArray().isEmpty());
    int refusedBeforeThePlan = 0;
    for (const auto &stranger : strangers)
        refusedBeforeThePlan += stranger->replyWaiting() ? 1 : 0;
    EXPECT_EQ(refusedBeforeThePlan, 0);

    for (const auto &stranger : strangers) {
        const QJsonObject refusal = stranger->readReply();
        EXPECT_EQ(errorCode(refusal), apr::ApplicationError) << QJsonDocument(refusal).toJson().toStdString();
        EXPECT_EQ(errorMessage(refusal), wrongCredentials);
    }
    // A right password still gets in, and the failures were counted per code.
    EXPECT_FALSE(connect(Client::WithoutSession)->signIn(demo, apr::demoPassword).isEmpty());
    QSqlQuery counted = server.db().run("SELECT COUNT(*) FROM falha_entrada WHERE QTFALHAS = 1");
    ASSERT_TRUE(counted.next());
    EXPECT_EQ(counted.value(0).toInt(), 8);
}

// A call sent behind a sign-in on the same connection is answered after it,
// in the session the sign-in left: a failed one leaves none.
TEST_P(SignInDesk, CallsBehindASignInWaitForIt)
{
    const std::unique_ptr<Client> operador = connect(Client::Resumed);
    ASSERT_TRUE(operador->call("GetAtivAndamento", {"0001", demo}).contains("result"));
    operador->send(signInLine(demo, "errada") + request(2, "GetAtivAndamento", {"0001", demo}));
    const QJsonObject refusal = operador->readReply();
    EXPECT_EQ(refusal.value("id").toInt(), 1);
    EXPECT_EQ(errorMessage(refusal), wrongCredentials);
    const QJsonObject after = operador->readReply();
    EXPECT_EQ(after.value("id").toInt(), 2);
    EXPECT_EQ(errorCode(after), apr::NotSignedIn) << QJsonDocument(after).toJson().toStdString();

    operador->send(signInLine(demo, apr::demoPassword) + request(3, "GetAtivAndamento", {"0001", demo}));
    EXPECT_TRUE(operador->readReply().value("result").isString());
    const QJsonObject signedIn = operador->readReply();
    EXPECT_EQ(signedIn.value("id").toInt(), 3);
    EXPECT_TRUE(signedIn.contains("result")) << QJsonDocument(signedIn).toJson().toStdString();
}

// Of four sign-ins sent at once from one address, two are checked and two
// refused for the limit, which counts no failure against their codes.
TEST_P(SignInDeskLimited, SignInsBeyondTheLimitOfAnAddressAreRefused)
{
    const std::vector<std::unique_ptr<Client>> strangers = strangersSigningIn(4);
    int checked = 0, overLimit = 0;
    for (const auto &stranger : strangers) {
        const QJsonObject reply = stranger->readReply();
        if (errorMessage(reply) == wrongCredentials) {
            ++checked;
        } else {
            ++overLimit;
            EXPECT_EQ(errorCode(reply), apr::TooManySignIns) << QJsonDocument(reply).toJson().toStdString();
            EXPECT_EQ(reply.value("id").toInt(), 1);
            EXPECT_EQ(errorMessage(reply), "Há entradas demais em andamento a partir deste endereço. "
                                           "Aguarde a resposta das anteriores e tente novamente.");
        }
    }
    EXPECT_EQ(checked, 2);
    EXPECT_EQ(overLimit, 2);
    QSqlQuery counted = server.db().run("SELECT COUNT(*) FROM falha_entrada");
    ASSERT_TRUE(counted.next());
    EXPECT_EQ(counted.value(0).toInt(), 2);
    // Once answered, they no longer count: the address signs in again.
    for (const auto &stranger : strangers)
        EXPECT_FALSE(stranger->signIn(demo, apr::demoPassword).isEmpty())
            << QJsonDocument(stranger->lastError()).toJson().toStdString();
}

INSTANTIATE_TEST_SUITE_P(Connections, SignInDesk, ::testing::Values(false, true),
                         [](const auto &info) { return std::string(info.param ? "Tls" : "Plain"); });
INSTANTIATE_TEST_SUITE_P(Connections, SignInDeskLimited, ::testing::Values(false, true),
                         [](const auto &info) { return std::string(info.param ? "Tls" : "Plain"); });
