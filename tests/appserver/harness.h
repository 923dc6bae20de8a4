#pragma once
// A real apr-server on 127.0.0.1, port 0, over a fresh database, and a line
// client to talk to it. The database is a temporary SQLite file, or a fresh
// PostgreSQL database when APR_TEST_PG_ADMIN (a postgresql:// URL of a
// maintenance database) is set.
#include "database.h"
#include "testsupport/realcomponent.h"
#include <QJsonArray>
#include <QJsonObject>
#include <QProcess>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <map>
#include <memory>

namespace apptest {

// The password the harness gives the operators it signs in.
inline const QString testPassword = "senha-de-teste";

// The run's database: PostgreSQL when APR_TEST_PG_ADMIN names a maintenance
// database (the appserver_postgresql test starts a cluster and sets it), else SQLite.
bool OnPostgresql();
// Cases of one database only live in suites named "...OnSqlite" or
// "...OnPostgresql"; the other database's run leaves them out: this is the gtest
// filter that does so, which main.cpp sets unless a filter is given.
QString FilterOfThisDatabasesRun();

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
    // Sets the operator's password (testPassword by default) through db().
    void givePassword(const QString &operador, const QString &password = testPassword);
    // The demo operator's session token, signed in once when the server came up with the demo seed.
    QString demoToken() const { return m_demoToken; }

private:
    QStringList arguments(const QStringList &extra) const;
    QTemporaryDir m_dir;
    QString m_url;
    std::unique_ptr<QProcess> m_process;
    std::unique_ptr<apr::Database> m_db;
    bool m_borrowed = false;
    quint16 m_port = 0;
    QString m_demoToken;
    int m_exitCode = -1;
    QString m_output;
};

class Client {
public:
    enum Start { Resumed, WithoutSession };
    // Resumes the demo operator's session of the server on that port (when it
    // has one), so tests call as him; WithoutSession leaves the connection bare.
    explicit Client(quint16 port, Start start = Resumed);
    Client(quint16 port, const QString &token);
    // Signs in on this connection; the token, or empty with the reply in lastError().
    QString signIn(const QString &operador, const QString &password = testPassword,
                   const QString &filial = "0001", const QString &empresa = "0001");
    bool resume(const QString &token);
    QJsonObject lastError() const { return m_lastError; }
    bool connected() const { return m_socket.state() == QAbstractSocket::ConnectedState; }
    void send(const QByteArray &bytes);
    QJsonObject readReply(int timeoutMs = 15000);
    QJsonObject call(const QString &method, const QJsonArray &params);
    // The result of a call that must succeed.
    QJsonValue result(const QString &method, const QJsonArray &params);

private:
    QTcpSocket m_socket;
    QByteArray m_buffer;
    QJsonObject m_lastError;
    int m_nextId = 1;
};

QJsonObject date(const QDate &day);
int errorCode(const QJsonObject &reply);
QString errorMessage(const QJsonObject &reply);
// Column `name` of every row of a packet.
QStringList column(const QJsonValue &packet, const QString &name);
QJsonValue cell(const QJsonValue &packet, int row, const QString &name);

// A connection signed in as operador, who gets testPassword first.
std::unique_ptr<Client> clientAs(Server &server, const QString &operador);

// In the SetUp of a "...OnSqlite" or "...OnPostgresql" fixture: a case asked for
// by name in the other database's run fails (or skips, see realcomponent.h).
#define APR_REQUIRE_POSTGRESQL()                                                                       \
    APR_REQUIRE_COMPONENT(::apptest::OnPostgresql(), "PostgreSQL",                                      \
                          "APR_TEST_PG_ADMIN names no maintenance database; the appserver_postgresql "  \
                          "test starts a cluster and runs these cases")
#define APR_REQUIRE_SQLITE()                                                                           \
    APR_REQUIRE_COMPONENT(!::apptest::OnPostgresql(), "An SQLite database",                             \
                          "this run uses PostgreSQL (APR_TEST_PG_ADMIN)")

// A server with the demo seed and one client (the demo operator), started per test.
class SeededServer : public ::testing::Test {
protected:
    void SetUp() override;
    // A second connection, signed in as another operator of the seed.
    Client &as(const QString &operador);
    Server server;
    std::unique_ptr<Client> client;
    std::map<QString, std::unique_ptr<Client>> others;
};

}
