// The counted connection uses and the transport, against a plain local listener.
#include "host/dialogs.h"
#include "host/services.h"
#include "server/connectionuses.h"
#include "server/netconnection.h"
#include "server/netremoteserver.h"
#include "server/remote.h"
#include <QJsonObject>
#include <QCoreApplication>
#include <QTcpServer>
#include <QTcpSocket>
#include <gtest/gtest.h>

namespace {

// A listener that counts the connections it accepted and those still open.
class Listener {
public:
    Listener() { m_server.listen(QHostAddress::LocalHost, 0); }
    int port() const { return m_server.serverPort(); }
    int accepted()
    {
        pump();
        return m_accepted;
    }
    int open()
    {
        pump();
        int n = 0;
        for (QTcpSocket *s : m_sockets)
            if (s->state() == QAbstractSocket::ConnectedState)
                ++n;
        return n;
    }

private:
    void pump()
    {
        for (int i = 0; i < 20; ++i) {
            m_server.waitForNewConnection(5);
            while (QTcpSocket *s = m_server.nextPendingConnection()) {
                m_sockets.push_back(s);
                ++m_accepted;
            }
            for (QTcpSocket *s : m_sockets)
                s->waitForReadyRead(1);
            QCoreApplication::processEvents();
        }
    }
    QTcpServer m_server;
    std::vector<QTcpSocket *> m_sockets;
    int m_accepted = 0;
};

class ConnectionUsesTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        qor::Session session;
        session.webUrl = QStringLiteral("127.0.0.1");
        session.webPort = listener.port();
        qor::SetSession(session);
        QObject::connect(&netZEL, &server::TNetConnection::beforeConnect, [](server::TNetConnection &c) {
            c.Host = qor::WebURL();
            c.Port = qor::WebPort();
        });
    }
    Listener listener;
    server::TNetConnection netZEL{QStringLiteral("netZEL")};
    server::ConnectionUses uses;
};

TEST_F(ConnectionUsesTest, FirstUseAddsTheEntryAndConnectsWithTheSessionAddress)
{
    EXPECT_TRUE(uses.stlConexoes.isEmpty());
    uses.ConnectServer(netZEL, true);
    EXPECT_EQ(uses.stlConexoes, QStringList{QStringLiteral("netZEL=1")});
    EXPECT_TRUE(netZEL.Connected());
    EXPECT_EQ(netZEL.Port, listener.port());
    EXPECT_EQ(listener.accepted(), 1);
}

TEST_F(ConnectionUsesTest, NestedUsesConnectOnceAndDisconnectAtTheSecondRelease)
{
    uses.ConnectServer(netZEL, true);
    uses.ConnectServer(netZEL, true);
    EXPECT_EQ(uses.stlConexoes.value(0), QStringLiteral("netZEL=2"));
    EXPECT_EQ(netZEL.openCount(), 1);
    uses.ConnectServer(netZEL, false);
    EXPECT_TRUE(netZEL.Connected());
    EXPECT_EQ(netZEL.closeCount(), 0);
    uses.ConnectServer(netZEL, false);
    EXPECT_FALSE(netZEL.Connected());
    EXPECT_EQ(netZEL.closeCount(), 1);
    EXPECT_EQ(uses.stlConexoes.value(0), QStringLiteral("netZEL=0"));
    EXPECT_EQ(listener.accepted(), 1);
    EXPECT_EQ(listener.open(), 0);
}

TEST_F(ConnectionUsesTest, ReleaseWithoutUseStaysAtZeroAndDisconnects)
{
    netZEL.setConnected(true);
    ASSERT_TRUE(netZEL.Connected());
    uses.ConnectServer(netZEL, false);
    EXPECT_EQ(uses.stlConexoes, QStringList{QStringLiteral("netZEL=0")});
    EXPECT_FALSE(netZEL.Connected());
    uses.ConnectServer(netZEL, false);
    EXPECT_EQ(uses.count(QStringLiteral("netZEL")), 0);
}

TEST_F(ConnectionUsesTest, PermanentUseKeepsTheConnectionThroughReleases)
{
    uses.ConnectServer(netZEL, true);       // the window's permanent use
    for (int i = 0; i < 3; ++i) {
        uses.ConnectServer(netZEL, true);
        uses.ConnectServer(netZEL, false);
    }
    EXPECT_TRUE(netZEL.Connected());
    EXPECT_EQ(netZEL.openCount(), 1);
    EXPECT_EQ(netZEL.closeCount(), 0);
    EXPECT_EQ(uses.count(QStringLiteral("netZEL")), 1);
}

TEST_F(ConnectionUsesTest, EachConnectionHasItsOwnEntry)
{
    server::TNetConnection other{QStringLiteral("netOutro")};
    other.Host = QStringLiteral("127.0.0.1");
    other.Port = listener.port();
    uses.ConnectServer(netZEL, true);
    uses.ConnectServer(other, true);
    uses.ConnectServer(other, true);
    EXPECT_EQ(uses.stlConexoes, (QStringList{QStringLiteral("netZEL=1"), QStringLiteral("netOutro=2")}));
}

TEST(NetConnection, UnreachableServerBecomesAnErrorResultNotAnException)
{
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost, 0);
    const int port = probe.serverPort();
    probe.close();     // nothing listens there now

    server::TNetConnection connection;
    connection.Host = QStringLiteral("127.0.0.1");
    connection.Port = port;
    connection.ConnectTimeoutMs = 3000;
    connection.setConnected(true);
    EXPECT_FALSE(connection.Connected());
    const qor::RemoteResult result = connection.call(QStringLiteral("GetAtivAndamento"), {"0001", "1"});
    EXPECT_TRUE(result.isError);
    EXPECT_TRUE(result.errorMessage.startsWith(QStringLiteral("Não foi possível conectar ao servidor de aplicação")));
    EXPECT_FALSE(result.errorDetail.isEmpty());
}

TEST(NetRemoteServer, TransportFailureIsReportedAndTheUseReturned)
{
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost, 0);
    const int port = probe.serverPort();
    probe.close();

    qor::ScopedScriptedDialogs dialogs;
    server::TNetConnection connection;
    connection.ConnectTimeoutMs = 3000;
    QObject::connect(&connection, &server::TNetConnection::beforeConnect, [port](server::TNetConnection &c) {
        c.Host = QStringLiteral("127.0.0.1");
        c.Port = port;
    });
    server::ConnectionUses uses;
    server::NetRemoteServer remote(connection, uses);
    EXPECT_THROW(remote.call(QStringLiteral("GetAtivAndamento"), {"0001", "000000000001"}), qor::EAbort);
    EXPECT_EQ(uses.count(connection.objectName()), 0);
    ASSERT_FALSE(dialogs->shown.empty());
    const QString all = dialogs->texts().join(QLatin1Char('\n'));
    EXPECT_TRUE(all.contains(QStringLiteral("Não foi possível conectar ao servidor de aplicação"))) << qPrintable(all);
}

TEST(ServerDate, IsTheProtocolsDateObject)
{
    const QJsonValue date = server::Date(QDateTime(QDate(2026, 3, 9), QTime(14, 5, 7)));
    EXPECT_EQ(date.toObject().value("date").toString(), QStringLiteral("2026-03-09T14:05:07"));
}

}
