// The server over TLS: the whole plan loads through a verified connection,
// and neither a clear-text client nor one trusting another authority gets in.
#include "harness.h"
#include "seed.h"
#include <QFile>
#include <QJsonDocument>
#include <QSslSocket>

using namespace apptest;

namespace {

class Tls : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(QSslSocket::supportsSsl()) << "Qt's TLS backend is missing (OpenSSL plugin, libssl)";
        ASSERT_TRUE(makeCertificate(dir.path(), "server"));
        ASSERT_TRUE(makeCertificate(dir.path(), "stranger"));
        ASSERT_TRUE(server.start({"--seed", "demo", "--tls-cert", path("server.pem"), "--tls-key", path("server.key")}))
            << server.output().toStdString();
        address = QString("127.0.0.1:%1").arg(server.port());
    }
    QString path(const QString &name) const { return dir.filePath(name); }
    // apr-call signed in as the demo operator, the password on standard input.
    int call(const QString &caFile, const QStringList &method, QByteArray &out)
    {
        QProcess process;
        process.start(APR_CALL_BIN, QStringList{"--server", address, "--ca-file", caFile, "--operator",
                                                "000000000001", "--branch", "0001", "--company", "0001"} + method);
        process.write(QByteArray(apr::demoPassword) + "\n");
        process.closeWriteChannel();
        if (!process.waitForFinished(60000))
            return -1;
        out = process.readAllStandardOutput() + process.readAllStandardError();
        return process.exitCode();
    }
    QTemporaryDir dir;
    Server server;
    QString address;
};

}

TEST_F(Tls, WholePlanLoadsOverAVerifiedConnection)
{
    QByteArray out;
    ASSERT_EQ(call(path("server.pem"), {"GetPlanAtivTare", "0001", "000000000001", "0", "", "", "", "", "", "", ""}, out),
              0) << out.toStdString();
    const QJsonObject packet = QJsonDocument::fromJson(out).object();
    EXPECT_EQ(packet.value("fields").toArray().size(), 50);
    EXPECT_GE(packet.value("rows").toArray().size(), 20);
}

TEST_F(Tls, ClearTextAndUntrustedClientsAreTurnedAway)
{
    QByteArray out;
    EXPECT_EQ(call(path("stranger.pem"), {"GetAtivAndamento", "0001", "000000000001"}, out), 2);
    EXPECT_FALSE(out.contains(apr::demoPassword));
    Client plain(server.port(), Client::WithoutSession);
    const QJsonObject reply = plain.call("SignIn", {"000000000001", apr::demoPassword, "0001", "0001"});
    EXPECT_FALSE(reply.contains("result"));
    // The server goes on serving.
    EXPECT_EQ(call(path("server.pem"), {"GetAtivAndamento", "0001", "000000000001"}, out), 0) << out.toStdString();
}

TEST(TlsOptions, BadFilesAreRefusedAtStart)
{
    Server server;
    EXPECT_EQ(server.runToEnd({"--tls-cert", "/nonexistent.pem", "--tls-key", "/nonexistent.key"}), 2);
    EXPECT_EQ(server.runToEnd({"--tls-cert", "/nonexistent.pem"}), 2);
    EXPECT_TRUE(server.output().contains("--tls-key")) << server.output().toStdString();
}
