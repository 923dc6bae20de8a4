// The time-outs of the server link, against loopback listeners that never
// accept or never answer.
#include "server/connectionuses.h"
#include "server/netconnection.h"
#include "server/netremoteserver.h"
#include <QCoreApplication>
#include <QSettings>
#include <QTcpServer>
#include <QTemporaryDir>
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>
#include <vector>

namespace {

// A listener whose accept queue is full: nobody accepts, the kernel drops
// further connects, and a client's connect waits until it gives up.
class FullBacklog {
public:
    FullBacklog()
    {
        m_listener = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        ::bind(m_listener, reinterpret_cast<sockaddr *>(&address), sizeof address);
        ::listen(m_listener, 0);
        socklen_t size = sizeof address;
        ::getsockname(m_listener, reinterpret_cast<sockaddr *>(&address), &size);
        m_port = ntohs(address.sin_port);
        for (int i = 0; i < 16 && !m_full; ++i) addFiller(address);
    }
    ~FullBacklog()
    {
        for (int fd : m_fillers) ::close(fd);
        ::close(m_listener);
    }
    int port() const { return m_port; }
    bool full() const { return m_full; }

private:
    void addFiller(const sockaddr_in &address)
    {
        const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK, 0);
        m_fillers.push_back(fd);
        ::connect(fd, reinterpret_cast<const sockaddr *>(&address), sizeof address);
        pollfd waiting{fd, POLLOUT, 0};
        // A loopback handshake the kernel completes at once; one still pending
        // after this long was dropped.
        m_full = ::poll(&waiting, 1, 500) == 0;
    }
    int m_listener = -1;
    int m_port = 0;
    bool m_full = false;
    std::vector<int> m_fillers;
};

class ConnectTimeoutTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(backlog.full()) << "the kernel accepted every connect";
        connection.Host = QStringLiteral("127.0.0.1");
        connection.Port = backlog.port();
        connection.ConnectTimeoutMs = 300;
    }
    FullBacklog backlog;
    server::TNetConnection connection;
};

TEST_F(ConnectTimeoutTest, ConnectGivesUpAndTheCallBecomesAnErrorResult)
{
    connection.setConnected(true);
    EXPECT_FALSE(connection.Connected());
    EXPECT_FALSE(connection.lastConnectError().isEmpty());
    const qor::RemoteResult result = connection.call(QStringLiteral("GetAtivAndamento"), {"0001", "1"});
    EXPECT_TRUE(result.isError);
    EXPECT_TRUE(result.errorMessage.startsWith(QStringLiteral("Não foi possível conectar ao servidor de aplicação")));
}

TEST_F(ConnectTimeoutTest, AGroupFailsWholeAtItsFirstFailedConnectAndTheNextGroupTriesAgain)
{
    server::ConnectionUses uses;
    server::NetRemoteServer remote(connection, uses);
    {
        const server::RemoteServer::Use group(remote);
        for (int i = 0; i < 3; ++i)
            EXPECT_TRUE(remote.callRaw(QStringLiteral("GetAtivAndamento"), {"0001", "1"}).isError);
        EXPECT_EQ(connection.connectAttempts(), 1);
    }
    EXPECT_EQ(uses.count(connection.objectName()), 0);
    const server::RemoteServer::Use next(remote);
    EXPECT_EQ(connection.connectAttempts(), 2);
}

TEST(ReplyTimeout, AServerThatAcceptsAndNeverAnswersEndsTheCallAndTheConnection)
{
    QTcpServer silent;     // the kernel accepts; nobody reads or writes
    ASSERT_TRUE(silent.listen(QHostAddress::LocalHost, 0));
    server::TNetConnection connection;
    connection.Host = QStringLiteral("127.0.0.1");
    connection.Port = silent.serverPort();
    connection.ReplyTimeoutMs = 300;
    connection.setConnected(true);
    ASSERT_TRUE(connection.Connected());
    const qor::RemoteResult result = connection.call(QStringLiteral("GetAtivAndamento"), {"0001", "1"});
    EXPECT_TRUE(result.isError);
    EXPECT_EQ(result.errorDetail, QStringLiteral("o servidor não respondeu a tempo"));
    EXPECT_FALSE(connection.Connected());
}

TEST(LinkSettings, TimeOutsComeFromTheSettingsAndKeepTheirDefaultsOtherwise)
{
    QTemporaryDir dir;
    QSettings settings(dir.filePath(QStringLiteral("registry.ini")), QSettings::IniFormat);
    server::TNetConnection connection;
    connection.applySettings(settings);
    EXPECT_EQ(connection.ConnectTimeoutMs, 5000);
    EXPECT_GT(connection.ReplyTimeoutMs, connection.ConnectTimeoutMs);
    settings.setValue(QStringLiteral("servidor/TempoConexaoMs"), 1500);
    settings.setValue(QStringLiteral("servidor/TempoRespostaMs"), 90000);
    connection.applySettings(settings);
    EXPECT_EQ(connection.ConnectTimeoutMs, 1500);
    EXPECT_EQ(connection.ReplyTimeoutMs, 90000);
}

}
