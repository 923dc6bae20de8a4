#pragma once
// A real apr-server on 127.0.0.1, port 0, over a fresh database, and a line
// client to talk to it. The database is a temporary SQLite file, or a fresh
// PostgreSQL database when APR_TEST_PG_ADMIN (a postgresql:// URL of a
// maintenance database) is set.
#include "database.h"
#include <QJsonArray>
#include <QJsonObject>
#include <QProcess>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <memory>

namespace apptest {

class Server {
public:
    Server();
    // A second server on the database of another.
    explicit Server(const QString &databaseUrl) : m_url(databaseUrl), m_borrowed(true) {}
    ~Server();

    QString databaseUrl() const { return m_url; }
    // Starts apr-server; false with output() when it does not come up.
    bool start(const QStringList &extra = {"--seed", "demo"});
    // Runs apr-server to its end (for start-up failures); returns the exit code.
    int runToEnd(const QStringList &extra);
    void stop();
    int exitCode() const { return m_exitCode; }
    quint16 port() const { return m_port; }
    QString output() const { return m_output; }
    // A connection of the test's own to the same database.
    apr::Database &db();

private:
    QStringList arguments(const QStringList &extra) const;
    QTemporaryDir m_dir;
    QString m_url;
    std::unique_ptr<QProcess> m_process;
    std::unique_ptr<apr::Database> m_db;
    bool m_borrowed = false;
    quint16 m_port = 0;
    int m_exitCode = -1;
    QString m_output;
};

class Client {
public:
    explicit Client(quint16 port);
    bool connected() const { return m_socket.state() == QAbstractSocket::ConnectedState; }
    void send(const QByteArray &bytes);
    QJsonObject readReply(int timeoutMs = 15000);
    QJsonObject call(const QString &method, const QJsonArray &params);
    // The result of a call that must succeed.
    QJsonValue result(const QString &method, const QJsonArray &params);

private:
    QTcpSocket m_socket;
    QByteArray m_buffer;
    int m_nextId = 1;
};

QJsonObject date(const QDate &day);
int errorCode(const QJsonObject &reply);
QString errorMessage(const QJsonObject &reply);
// Column `name` of every row of a packet.
QStringList column(const QJsonValue &packet, const QString &name);
QJsonValue cell(const QJsonValue &packet, int row, const QString &name);

// A server with the demo seed and one client, started per test.
class SeededServer : public ::testing::Test {
protected:
    void SetUp() override;
    Server server;
    std::unique_ptr<Client> client;
};

}
