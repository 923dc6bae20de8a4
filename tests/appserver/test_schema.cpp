// Schema creation, migration of an older database, and seeding twice.
#include "harness.h"
#include "migrations.h"

using namespace apptest;

namespace {

int count(apr::Database &db, const QString &table)
{
    QSqlQuery q = db.run("SELECT COUNT(*) FROM " + table);
    return q.next() ? q.value(0).toInt() : -1;
}

}

TEST(Schema, NewDatabaseGetsTheLatestVersion)
{
    Server server;
    ASSERT_TRUE(server.start({}));
    EXPECT_EQ(apr::schemaVersion(server.db()), int(apr::migrationSteps().size()));
    EXPECT_EQ(count(server.db(), "planativtare"), 0);
}

TEST(Schema, OlderDatabaseIsMigratedKeepingItsRows)
{
    Server server;
    apr::migrate(server.db(), 1);
    ASSERT_EQ(apr::schemaVersion(server.db()), 1);
    server.db().run("INSERT INTO produto (CDPRODUTO, NMPRODUTO, CDPRODGRUP, IDPRODCONTRSUBV)"
                    " VALUES ('P777', 'Produto antigo', 'P777', 'S')");
    ASSERT_TRUE(server.start({})) << server.output().toStdString();
    EXPECT_EQ(apr::schemaVersion(server.db()), int(apr::migrationSteps().size()));
    server.db().run("INSERT INTO filial (CDFILIAL, CDEMPRESA) VALUES ('0001', '0001')");
    server.db().run("INSERT INTO operador (CDOPERADOR, NMOPERADOR) VALUES ('000000000077', 'Antigo')");
    const auto client = clientAs(server, "000000000077");
    const QJsonValue p = client->result("Get_Inicial", {"000000000077", "0001", "000000000077", "root", "P7", "P7zz"});
    EXPECT_EQ(column(p.toArray().at(2), "CDPRODUTO"), QStringList{"P777"});
}

// Stretches of time an older server left open side by side are closed where
// the operator's latest began, so the one-open-stretch index can be built.
TEST(Schema, OpenStretchesSideBySideAreClosedBeforeTheOneOpenRuleApplies)
{
    Server server;
    apr::migrate(server.db(), 7);
    for (const char *start : {"2026-03-02T08:00:00", "2026-03-02T09:00:00", "2026-03-02T10:00:00"})
        server.db().run("INSERT INTO apropriacao (CDOPERADOR, CDFILIAL, NRTAREFA, NRPLATIVTARE, DTINICIO)"
                        " VALUES ('000000000001', '0001', '0000000001', '00001', ?)", {start});
    apr::migrate(server.db());
    QSqlQuery q = server.db().run("SELECT DTINICIO, DTFIM FROM apropriacao ORDER BY DTINICIO");
    QStringList ends;
    while (q.next())
        ends << q.value(1).toString();
    EXPECT_EQ(ends, (QStringList{"2026-03-02T10:00:00", "2026-03-02T10:00:00", ""}));
}

TEST(Schema, DatabaseNewerThanTheServerIsRefused)
{
    Server server;
    apr::migrate(server.db());
    server.db().run("UPDATE schema_version SET version = version + 5");
    EXPECT_NE(server.runToEnd({}), 0);
    EXPECT_TRUE(server.output().contains("newer")) << server.output().toStdString();
}

TEST(Schema, SeedingTwiceAddsNothing)
{
    Server server;
    ASSERT_TRUE(server.start());
    server.stop();
    const int plan = count(server.db(), "planativtare");
    const int dirs = count(server.db(), "produto_dir");
    EXPECT_GE(plan, 20);
    ASSERT_TRUE(server.start());
    EXPECT_EQ(count(server.db(), "planativtare"), plan);
    EXPECT_EQ(count(server.db(), "produto_dir"), dirs);
    EXPECT_EQ(count(server.db(), "acao"), 3);
}

TEST(Schema, ServersStartingTogetherOnOneDatabaseBothComeUp)
{
    Server first;
    Server second(first.databaseUrl());
    QProcess a, b;
    for (QProcess *p : {&a, &b}) {
        p->setProcessChannelMode(QProcess::MergedChannels);
        p->start(APR_SERVER_BIN, {"--listen", "127.0.0.1:0", "--database", first.databaseUrl(), "--seed", "demo"});
    }
    for (QProcess *p : {&a, &b}) {
        QByteArray seen;
        while (!seen.contains("listening") && p->waitForReadyRead(30000))
            seen += p->readAll();
        EXPECT_TRUE(seen.contains("apr-server listening on")) << seen.toStdString();
        p->terminate();
        p->waitForFinished(10000);
    }
    EXPECT_EQ(apr::schemaVersion(first.db()), int(apr::migrationSteps().size()));
    EXPECT_EQ(count(first.db(), "planativtare"), 25);
}
