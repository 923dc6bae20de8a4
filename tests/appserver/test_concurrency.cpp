// Many clients at once over real TCP: writes that all land, replies in the
// order of each connection, slow or stuck clients that hold up nobody else.
#include "harness.h"
#include <QJsonDocument>
#include <QFile>
#include <QTemporaryDir>
#include <QThread>

using namespace apptest;

namespace {

QByteArray requestLine(int id, const QString &method, const QJsonArray &params)
{
    const QJsonObject request{{"jsonrpc", "2.0"}, {"id", id}, {"method", method}, {"params", params}};
    return QJsonDocument(request).toJson(QJsonDocument::Compact) + '\n';
}

struct PlanRowKey {
    QString branch, task, activity;
};

std::vector<PlanRowKey> activities(apr::Database &db)
{
    std::vector<PlanRowKey> keys;
    QSqlQuery q = db.run("SELECT CDFILIAL, NRTAREFA, NRPLATIVTARE FROM planativtare ORDER BY NRTAREFA");
    while (q.next())
        keys.push_back({q.value(0).toString(), q.value(1).toString(), q.value(2).toString()});
    return keys;
}

const QJsonArray planOfTheDemoOperator{"0001", "000000000001", 0, "", "", "", "", "", "", ""};

class Concurrency : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(server.start({"--seed", "demo", "--workers", "4"})) << server.output().toStdString(); }

    std::vector<std::unique_ptr<Client>> clients(int count)
    {
        std::vector<std::unique_ptr<Client>> list;
        for (int i = 0; i < count; ++i)
            list.push_back(std::make_unique<Client>(server.port()));
        return list;
    }

    Server server;
};

}

TEST_F(Concurrency, ParallelWritesAllLandAndNoneMeetsALockedDatabase)
{
    const std::vector<PlanRowKey> keys = activities(server.db());
    ASSERT_GE(keys.size(), 20u);
    auto writers = clients(20);
    constexpr int rounds = 15;
    // Every client queues its writes at once: the queue position of its own
    // activity, and the demo operator's options of a program of its own.
    for (size_t c = 0; c < writers.size(); ++c) {
        QByteArray batch;
        for (int r = 0; r < rounds; ++r) {
            const PlanRowKey &k = keys[c];
            batch += requestLine(2 * r, "SetFila_PlanAtiv",
                                 {k.branch, k.task, k.activity, QString("%1").arg(r * 20 + int(c), 3, 10, QChar('0'))});
            batch += requestLine(2 * r + 1, "SetProgOperOpc",
                                 {QString("PROG%1").arg(c), "000000000001", QString("layout %1").arg(r), "2"});
        }
        writers[c]->send(batch);
    }
    for (auto &writer : writers)
        for (int i = 0; i < 2 * rounds; ++i) {
            const QJsonObject reply = writer->readReply();
            ASSERT_FALSE(reply.contains("error")) << QJsonDocument(reply).toJson().toStdString();
            ASSERT_TRUE(reply.contains("result")) << "no reply";
        }
    for (size_t c = 0; c < writers.size(); ++c) {
        QSqlQuery q = server.db().run("SELECT NRPRIOATIVTR FROM planativtare WHERE NRTAREFA = ? AND NRPLATIVTARE = ?",
                                      {keys[c].task, keys[c].activity});
        ASSERT_TRUE(q.next());
        EXPECT_EQ(q.value(0).toString(), QString("%1").arg((rounds - 1) * 20 + int(c), 3, 10, QChar('0')));
        QSqlQuery o = server.db().run("SELECT TXPROPRIED FROM progoperopc WHERE CDPROGRAMA = ?",
                                      {QString("PROG%1").arg(c)});
        ASSERT_TRUE(o.next());
        EXPECT_EQ(o.value(0).toString(), QString("layout %1").arg(rounds - 1));
    }
}

TEST_F(Concurrency, RepliesOfOneConnectionComeInTheOrderOfItsRequests)
{
    Client client(server.port());
    QByteArray batch;
    // Heavy and light calls mixed, so that a reordering would show.
    for (int id = 1; id <= 60; ++id)
        batch += id % 3 == 0 ? requestLine(id, "GetPlanAtivTare", planOfTheDemoOperator)
                             : requestLine(id, "GetProgOperOpc", {"APR00100", "000000000001"});
    client.send(batch);
    for (int id = 1; id <= 60; ++id) {
        const QJsonObject reply = client.readReply();
        ASSERT_EQ(reply.value("id").toInt(), id);
        EXPECT_TRUE(reply.value("result").isObject());
    }
}

// Connections are spread over several I/O threads while the workers answer
// in any order: each reply must still reach the connection that asked, in
// its place. Every client reads back what it wrote under a key of its own.
TEST_F(Concurrency, ManyConnectionsEachGetTheirOwnRepliesInOrder)
{
    auto many = clients(40);
    constexpr int rounds = 6;
    for (size_t c = 0; c < many.size(); ++c) {
        QByteArray batch;
        const QString oper = QString("LOOP%1").arg(c);
        for (int r = 0; r < rounds; ++r) {
            batch += requestLine(2 * r, "SetProgOperOpc", {oper, "000000000001", QString("%1/%2").arg(oper).arg(r), "2"});
            batch += requestLine(2 * r + 1, "GetProgOperOpc", {oper, "000000000001"});
        }
        many[c]->send(batch);
    }
    for (size_t c = 0; c < many.size(); ++c) {
        const QString oper = QString("LOOP%1").arg(c);
        for (int r = 0; r < rounds; ++r) {
            const QJsonObject written = many[c]->readReply();
            ASSERT_EQ(written.value("id").toInt(-1), 2 * r) << QJsonDocument(written).toJson().toStdString();
            const QJsonObject read = many[c]->readReply();
            ASSERT_EQ(read.value("id").toInt(-1), 2 * r + 1);
            EXPECT_EQ(column(read.value("result"), "TXPROPRIED"), QStringList{QString("%1/%2").arg(oper).arg(r)});
        }
    }
}

// A write held up by a lock another program holds on the data is a slow
// call: a short call of another client is answered first, and the write
// completes once the lock is gone.
TEST_F(Concurrency, SlowCallDoesNotHoldUpAnotherClientsShortCall)
{
    const PlanRowKey k = activities(server.db()).front();
    apr::Database &db = server.db();
    // Connected (and their session resumed) before the lock is taken.
    Client slow(server.port()), quick(server.port());
    db.transaction();
    if (db.isPostgres())
        db.run("SELECT 1 FROM planativtare WHERE CDFILIAL = ? AND NRTAREFA = ? AND NRPLATIVTARE = ? FOR UPDATE",
               {k.branch, k.task, k.activity});
    slow.send(requestLine(1, "SetFila_PlanAtiv", {k.branch, k.task, k.activity, "777"}));
    QThread::msleep(200); // the write reaches its lock first
    const QJsonObject quickReply = quick.call("GetAtivAndamento", {"0001", "000000000001"});
    EXPECT_TRUE(quickReply.value("result").isObject()) << QJsonDocument(quickReply).toJson().toStdString();
    const QJsonObject stillWaiting = slow.readReply(50);
    EXPECT_TRUE(stillWaiting.contains("timeout")) << "the write was answered before the lock was released";
    db.commit();
    const QJsonObject slowReply = slow.readReply();
    EXPECT_TRUE(slowReply.contains("result") && !slowReply.contains("error"))
        << QJsonDocument(slowReply).toJson().toStdString();
    QSqlQuery q = db.run("SELECT NRPRIOATIVTR FROM planativtare WHERE NRTAREFA = ? AND NRPLATIVTARE = ?",
                         {k.task, k.activity});
    ASSERT_TRUE(q.next());
    EXPECT_EQ(q.value(0).toString(), "777");
}

TEST_F(Concurrency, ClientsThatStopReadingOrHangUpMidRequestHoldUpNobody)
{
    // One client asks for the plan over and over and never reads a reply.
    Client flooding(server.port());
    QByteArray flood;
    for (int id = 0; id < 400; ++id)
        flood += requestLine(id, "GetPlanAtivTare", planOfTheDemoOperator);
    flooding.send(flood);
    // Others send half a request and leave.
    for (int i = 0; i < 10; ++i) {
        QTcpSocket half;
        half.connectToHost("127.0.0.1", server.port());
        ASSERT_TRUE(half.waitForConnected(5000));
        half.write(requestLine(1, "GetAtivAndamento", {"0001", "000000000001"}).left(25));
        half.waitForBytesWritten(5000);
        half.abort();
    }
    auto others = clients(5);
    for (int round = 0; round < 4; ++round)
        for (auto &other : others)
            EXPECT_TRUE(other->call("GetAtivAndamento", {"0001", "000000000001"}).value("result").isObject());
}

TEST(ConnectionLimits, IdleConnectionIsClosedAfterTheTimeOut)
{
    Server server;
    ASSERT_TRUE(server.start({"--seed", "demo", "--idle-timeout", "3"})) << server.output().toStdString();
    QTcpSocket idle;
    idle.connectToHost("127.0.0.1", server.port());
    ASSERT_TRUE(idle.waitForConnected(5000));
    EXPECT_TRUE(idle.state() == QAbstractSocket::UnconnectedState || idle.waitForDisconnected(20000));
    // A new connection is served as usual.
    Client client(server.port());
    EXPECT_TRUE(client.call("GetAtivAndamento", {"0001", "000000000001"}).value("result").isObject());
}

TEST(ServerLog, FailedCallsGetALineAndBadLogOptionsAreRefused)
{
    Server server;
    ASSERT_TRUE(server.start({"--seed", "demo", "--log-level", "error"})) << server.output().toStdString();
    Client client(server.port());
    client.call("SetFila_PlanAtiv", {"0001", "9999999999", "00001", "001"});
    client.call("GetProgOperOpc", {"APR00100", "000000000001"});
    server.stop();
    EXPECT_TRUE(server.output().contains("call SetFila_PlanAtiv failed [-32000] Atividade não encontrada no plano."))
        << server.output().toStdString();
    EXPECT_FALSE(server.output().contains("GetProgOperOpc"));

    Server refused;
    EXPECT_NE(refused.runToEnd({"--log-level", "loud"}), 0);
    EXPECT_NE(refused.runToEnd({"--workers", "0"}), 0);
    EXPECT_NE(refused.runToEnd({"--idle-timeout", "never"}), 0);
}

class SharedDatabaseOnPostgresql : public ::testing::Test {
protected:
    void SetUp() override { APR_REQUIRE_POSTGRESQL(); }
};

// Two servers on one PostgreSQL database serve the same operators.
TEST_F(SharedDatabaseOnPostgresql, WriteThroughOneServerIsReadThroughTheOther)
{
    Server first;
    Server second(first.databaseUrl());
    ASSERT_TRUE(first.start()) << first.output().toStdString();
    ASSERT_TRUE(second.start()) << second.output().toStdString();
    Client viaFirst(first.port()), viaSecond(second.port());
    for (int round = 0; round < 5; ++round) {
        const QString queue = QString("%1").arg(round, 3, 10, QChar('0'));
        ASSERT_TRUE(viaFirst.result("SetFila_PlanAtiv", {"0001", "0000005006", "00001", queue}).isNull());
        const QJsonValue plan = viaSecond.result("GetPlanAtivTare", planOfTheDemoOperator);
        const qsizetype row = column(plan, "NRTAREFA").indexOf("0000005006");
        ASSERT_GE(row, 0);
        EXPECT_EQ(column(plan, "NRPRIOATIVTR").at(row), queue);
        const QString layout = QString("layout %1").arg(round);
        ASSERT_TRUE(viaSecond.result("SetProgOperOpc", {"APR00100", "000000000001", layout, "2"}).isNull());
        EXPECT_EQ(column(viaFirst.result("GetProgOperOpc", {"APR00100", "000000000001"}), "TXPROPRIED"),
                  QStringList{layout});
    }
}

// A restarted PostgreSQL costs the calls caught by it an error reply, never a
// false success; the server reconnects and the next calls work.
TEST_F(SharedDatabaseOnPostgresql, RestartedDatabaseGivesErrorsNotFalseSuccessAndServingGoesOn)
{
    const QString restart = qEnvironmentVariable("APR_TEST_PG_RESTART");
    APR_REQUIRE_COMPONENT(!restart.isEmpty(), "A PostgreSQL the test may restart",
                          "APR_TEST_PG_RESTART names no restart script (the appserver_postgresql test gives one)");
    Server server;
    ASSERT_TRUE(server.start({"--seed", "demo", "--workers", "2"})) << server.output().toStdString();
    Client client(server.port());
    ASSERT_TRUE(client.result("SetFila_PlanAtiv", {"0001", "0000005006", "00001", "100"}).isNull());
    server.db(); // the test's own connection, opened before the restart
    ASSERT_EQ(QProcess::execute(restart, {}), 0);
    int successes = 0;
    for (int attempt = 0; attempt < 6; ++attempt) {
        const QString queue = QString::number(200 + attempt);
        const QJsonObject reply = client.call("SetFila_PlanAtiv", {"0001", "0000005006", "00001", queue});
        ASSERT_TRUE(reply.contains("result") || reply.contains("error")) << "no reply";
        if (reply.contains("error"))
            continue;
        ++successes;
        QSqlQuery q = server.db().run("SELECT NRPRIOATIVTR FROM planativtare WHERE NRTAREFA = '0000005006'");
        ASSERT_TRUE(q.next());
        EXPECT_EQ(q.value(0).toString(), queue) << "a write answered as done did not land";
    }
    EXPECT_GE(successes, 4);
}

// The server copies its write-ahead log back into the database file as it
// goes: a copy of the file alone, taken while the server runs, soon holds
// what was just written, and the log does not keep growing.
class WriteAheadLogOnSqlite : public ::testing::Test {
protected:
    void SetUp() override { APR_REQUIRE_SQLITE(); }
};

TEST_F(WriteAheadLogOnSqlite, WritesReachTheDatabaseFileWhileTheServerRuns)
{
    Server server;
    ASSERT_TRUE(server.start({"--seed", "demo"})) << server.output().toStdString();
    Client client(server.port());
    ASSERT_FALSE(client.call("SetProgOperOpc", {"PROGWAL", "000000000001", "gravado", "2"}).contains("error"));
    const QString file = server.databaseUrl().mid(7);
    bool inTheFile = false;
    for (int attempt = 0; attempt < 50 && !inTheFile; ++attempt) {
        QThread::msleep(100);
        QTemporaryDir copyDir;
        const QString copy = copyDir.filePath("alone.db");
        ASSERT_TRUE(QFile::copy(file, copy));
        try {
            apr::Database alone(apr::DatabaseUrl::parse("sqlite:" + copy));
            inTheFile = alone.run("SELECT 1 FROM progoperopc WHERE CDPROGRAMA = 'PROGWAL' AND TXPROPRIED = 'gravado'")
                            .next();
        } catch (const std::exception &) {
            // copied in the middle of a checkpoint; the next copy will do
        }
    }
    EXPECT_TRUE(inTheFile);
}
