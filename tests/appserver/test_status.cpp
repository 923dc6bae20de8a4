// What an activity needs to start (project, homologation patch, agreement),
// finishing, reopening and concluding it, the booked working time with at
// most one open stretch per operator (two servers racing for him included),
// and the colleagues whose time has stopped.
#include "harness.h"
#include "rpcerror.h"
#include <QDate>
#include <QJsonDocument>

using namespace apptest;

namespace {

const QString demo = "000000000001", maria = "000000000002", joao = "000000000003";
const QString running = "0000005001";                               // P401, running
const QString delphiTask = "0000005003", delphiItem = "0000000103"; // P401, planned development
const QString financeTask = "0000005006";                           // P502, paused and finished
const QString legacyTask = "0000005023";                            // P300, suspended project
const QString frameworkTask = "0000005020";                         // S001, overdue patch
const QString monitoringTask = "0000005022";                        // S001 patch monitoring, no group

QString day(int offset) { return QDate::currentDate().addDays(offset).toString(Qt::ISODate); }

// The first column of every row (a null reads ""), straight from the database.
QStringList rows(apr::Database &db, const QString &sql, const QVariantList &binds = {})
{
    QStringList values;
    QSqlQuery q = db.run(sql, binds);
    while (q.next())
        values << q.value(0).toString();
    q.finish(); // a statement left open would keep reading an old snapshot
    return values;
}

const char *openOfDemo = "SELECT NRTAREFA FROM apropriacao WHERE CDOPERADOR = '000000000001' AND DTFIM IS NULL";

class Status : public SeededServer {
protected:
    QString stored(const QString &sql, const QVariantList &binds = {})
    {
        return rows(server.db(), sql, binds).value(0, "<none>");
    }
    QString of(const QString &column, const QString &task)
    {
        return stored("SELECT " + column + " FROM planativtare WHERE NRTAREFA = ?", {task});
    }
    QStringList openStretches() { return rows(server.db(), openOfDemo); }
    QJsonArray geral(const QString &task, const QString &request, const QString &item = "")
    {
        return client->result("GetGeral", {demo, request, "0001", task, "00001", demo, "", "", item}).toArray();
    }
    QJsonValue patchDates(const QString &task)
    {
        return client->result("GetVerificaPatchTeste", {"0001", task, "00001"});
    }
};

}

TEST_F(Status, GetGeralGivesProjectOverduePatchAgreementAndWorkItems)
{
    // The demo development activity may start: project in progress, patch
    // not due, agreement to the newest baseline.
    const QJsonArray ok = geral(delphiTask, "0000012003", delphiItem);
    ASSERT_EQ(ok.size(), 4);
    EXPECT_EQ(column(ok[0], "IDSITPROJETO"), QStringList{"A"});
    EXPECT_EQ(column(ok[1], "NRTAREFA"), QStringList{});
    EXPECT_EQ(column(ok[2], "NRBASELINEPR"), QStringList{"002"});
    EXPECT_EQ(column(ok[2], "IDACORDOPROJ"), QStringList{"S"});
    EXPECT_EQ(column(ok[2], "CDOPERADOR"), QStringList{demo});
    EXPECT_EQ(column(ok[3], "CDITEMTRAB"), QStringList{delphiItem});
    EXPECT_EQ(column(ok[3], "CDREDUITTRAB"), QStringList{"P401"});
    EXPECT_EQ(column(ok[3], "DSDIRARQFONT"), QStringList{"c:\\sistemas\\prod\\P401\\fontes"});
    EXPECT_EQ(column(ok[3], "CDFILIAL"), QStringList{"0001"});

    // The suspended project, which the demo operator did not agree to.
    const QJsonArray legacy = geral(legacyTask, "0000012023");
    EXPECT_EQ(column(legacy[0], "IDSITPROJETO"), QStringList{"S"});
    EXPECT_EQ(column(legacy[2], "IDACORDOPROJ"), QStringList{"N"});
    // A newer baseline without his agreement leaves him without one.
    server.db().run("INSERT INTO acordoproj (CDFILIAL, CDPROJETO, NRBASELINEPR, CDOPERADOR, IDACORDOPROJ)"
                    " VALUES ('0001', '0000000001', '003', ?, 'N')", {maria});
    EXPECT_EQ(column(geral(delphiTask, "0000012003")[2], "IDACORDOPROJ"), QStringList{});

    // The safety date passed yesterday: overdue, although the end is a week away.
    const QJsonArray late = geral(frameworkTask, "0000012020");
    EXPECT_EQ(column(late[1], "CDGRUPOPROJ"), QStringList{"0000000003"});
    EXPECT_TRUE(cell(late[1], 0, "DTFPATCHGRPROJ").toString().startsWith(day(-1)));
    // Without a request given the activity's own is used; an unknown activity gives empty packets.
    EXPECT_EQ(column(geral(frameworkTask, "")[1], "NRTAREFA"), QStringList{frameworkTask});
    for (const QJsonValue &packet : geral("9999999999", ""))
        EXPECT_TRUE(packet.toObject().value("rows").toArray().isEmpty());
}

TEST_F(Status, SafetyDateAloneDecidesAndARequestWithoutGroupHasNoDates)
{
    // P502's patch ended three days ago, but its safety date is ahead.
    const QJsonValue dates = patchDates(financeTask);
    EXPECT_TRUE(cell(dates, 0, "DTFPATCHGRPROJ").toString().startsWith(day(-3)));
    EXPECT_TRUE(cell(dates, 0, "DTSEGURGRPRJBL").toString().startsWith(day(5)));
    EXPECT_EQ(column(geral(financeTask, "0000012006")[1], "NRTAREFA"), QStringList{});
    // Without the safety date the passed end decides.
    server.db().run("UPDATE grupoproj SET DTSEGURGRPRJBL = NULL WHERE CDGRUPOPROJ = '0000000002'");
    EXPECT_EQ(column(geral(financeTask, "0000012006")[1], "NRTAREFA"), QStringList{financeTask});
    EXPECT_TRUE(cell(patchDates(financeTask), 0, "DTSEGURGRPRJBL").isNull());
    // The deadline day itself still takes work.
    server.db().run("UPDATE grupoproj SET DTFPATCHGRPROJ = ? WHERE CDGRUPOPROJ = '0000000002'", {day(0) + "T00:00:00"});
    EXPECT_EQ(column(geral(financeTask, "0000012006")[1], "NRTAREFA"), QStringList{});

    // Monitoring processes meet requests in no group: an empty packet that
    // still lists its fields, whatever the process.
    for (const QString &process : {"0000010702", "0000010703"}) {
        server.db().run("UPDATE planativtare SET CDPROCESSO = ? WHERE NRTAREFA = ?", {process, monitoringTask});
        const QJsonObject empty = patchDates(monitoringTask).toObject();
        EXPECT_TRUE(empty.value("rows").toArray().isEmpty()) << process.toStdString();
        EXPECT_EQ(empty.value("fields").toArray().size(), 2);
        EXPECT_EQ(column(geral(monitoringTask, "0000012022")[1], "NRTAREFA"), QStringList{});
    }
}

TEST_F(Status, FinishedActivityIsPausedResumedAndReopened)
{
    client->result("SetFinalizaTarefa", {"0001", running, "00001", "1", "0000000001"});
    EXPECT_TRUE(of("DTFIRATIVTAR", running).startsWith(day(0)));
    EXPECT_EQ(of("IDSITATIVTAR", running), "A");
    client->result("SetPlanAtivTare", {"0001", running, "00001"});
    EXPECT_EQ(of("IDSITATIVTAR", running), "I");
    EXPECT_EQ(openStretches(), QStringList{});
    // Resumed, it runs with its realised end until that is taken away.
    client->result("SetPlanAtivTare", {"0001", running, "00001"});
    EXPECT_EQ(of("IDSITATIVTAR", running), "A");
    EXPECT_NE(of("DTFIRATIVTAR", running), "");
    client->result("SetFinalizaTarefa", {"0001", running, "00001", "0", "0000000001"});
    EXPECT_EQ(of("DTFIRATIVTAR", running), "");
    EXPECT_EQ(openStretches(), QStringList{running});

    EXPECT_EQ(errorCode(client->call("SetFinalizaTarefa", {"0001", running, "00001", "S", ""})), apr::ApplicationError);
    server.db().run("UPDATE planativtare SET DTFIRATIVTAR = '2026-01-05T17:00:00' WHERE NRTAREFA = '0000005005'");
    EXPECT_EQ(errorCode(client->call("SetFinalizaTarefa", {"0001", "0000005005", "00001", "0", ""})),
              apr::ApplicationError); // concluded: keeps its end
    EXPECT_EQ(of("DTFIRATIVTAR", "0000005005"), "2026-01-05T17:00:00");
    EXPECT_EQ(errorCode(client->call("SetFinalizaTarefa", {"0001", "9999999999", "00001", "1", ""})),
              apr::ApplicationError);
    EXPECT_EQ(errorCode(client->call("SetFinalizaTarefa", {"0001", "0000005101", "00001", "1", ""})), apr::Forbidden);
}

TEST_F(Status, ConclusionEndsTheTimeAndGivesTheWorkItemBack)
{
    client->result("SetPlanAtivTare", {"0001", delphiTask, "00001"});
    client->result("SetCheckout", {demo, delphiItem, "S", "P401", "I"});
    client->result("SetArqCheckout", {"0001", delphiTask, "00001", "1", "c:\\sistemas\\prod\\P401\\fontes\\uP401.pas"});
    const QJsonArray conclude{"0001", delphiTask, "00001", delphiItem, "02", demo, "0001", "0000000001", "P401"};
    // A qualification the process does not have changes nothing.
    QJsonArray wrong = conclude;
    wrong[4] = "99";
    EXPECT_EQ(errorCode(client->call("SetConcAtivGeral", wrong)), apr::ApplicationError);
    EXPECT_EQ(of("IDSITATIVTAR", delphiTask), "A");

    client->result("SetConcAtivGeral", conclude);
    EXPECT_EQ(of("IDSITATIVTAR", delphiTask), "C");
    EXPECT_EQ(of("CDQUALIFPROC", delphiTask), "02");
    const QString concluded = of("DTCONATIVTAR", delphiTask);
    EXPECT_TRUE(concluded.startsWith(day(0)));
    EXPECT_NE(of("DTFIRATIVTAR", delphiTask), ""); // concluded while running: finished now
    EXPECT_EQ(openStretches(), QStringList{});
    EXPECT_EQ(stored("SELECT COUNT(*) FROM apropriacao WHERE NRTAREFA = ? AND DTFIM >= DTINICIO", {delphiTask}), "1");
    const QJsonValue relation = client->result("GetVdRelacItTrabProd", {"P401", delphiItem});
    EXPECT_EQ(column(relation, "IDSITCHECKOUT"), QStringList{"N"});
    EXPECT_TRUE(cell(relation, 0, "CDOPCHECKOUT").isNull());
    EXPECT_EQ(column(client->result("GetArqCheckout", {"0001", delphiTask, "00001"}), "NMARQUIVO"), QStringList{});
    EXPECT_EQ(stored("SELECT IDSITCHECKOUT FROM itemtarefa WHERE NRTAREFA = ?", {delphiTask}), "N");
    // A colleague may take the item now.
    EXPECT_FALSE(as(maria).call("SetCheckout", {maria, delphiItem, "S", "P401", "U"}).contains("error"));

    // Repeated (a reply lost on the way) it changes nothing, not even the colleague's hold.
    client->result("SetConcAtivGeral", conclude);
    EXPECT_EQ(of("DTCONATIVTAR", delphiTask), concluded);
    EXPECT_EQ(column(client->result("GetVdRelacItTrabProd", {"P401", delphiItem}), "CDOPCHECKOUT"), QStringList{maria});
    // Cancelled stays cancelled.
    EXPECT_EQ(errorCode(client->call("SetConcAtivGeral", {"0001", "0000005008", "00001", "", "", demo, "0001", "", ""})),
              apr::ApplicationError);
    EXPECT_EQ(of("IDSITATIVTAR", "0000005008"), "X");
}

TEST_F(Status, OneOpenStretchPerOperatorOverPlanAndAttendance)
{
    // The database itself refuses a second open stretch.
    server.db().run("INSERT INTO apropriacao (CDOPERADOR, CDFILIAL, NRTAREFA, NRPLATIVTARE, DTINICIO)"
                    " VALUES (?, '0001', ?, '00001', '2026-01-05T08:00:00')", {maria, "0000000001"});
    EXPECT_THROW(server.db().run("INSERT INTO apropriacao (CDOPERADOR, CDFILIAL, NRTAREFA, NRPLATIVTARE, DTINICIO)"
                                 " VALUES (?, '0001', ?, '00001', '2026-01-05T09:00:00')", {maria, "0000000002"}),
                 apr::RpcError);

    client->result("SetPlanAtivTare", {"0001", delphiTask, "00001"});
    client->result("SetTarefa", {"0001", demo, "2"});
    const QString attendance = openStretches().value(0);
    EXPECT_EQ(openStretches().size(), 1);
    EXPECT_NE(attendance, delphiTask);
    EXPECT_EQ(stored("SELECT IDATENDIMENTO FROM apropriacao WHERE NRTAREFA = ?", {attendance}), "E");
    EXPECT_EQ(of("IDSITATIVTAR", delphiTask), "I");
    // While it is open no plan activity starts, nor is it switched as one.
    EXPECT_EQ(errorCode(client->call("SetPlanAtivTare", {"0001", delphiTask, "00001"})), apr::ApplicationError);
    EXPECT_EQ(errorCode(client->call("SetPlanAtivTare", {"0001", attendance, "00001"})), apr::ApplicationError);
    EXPECT_EQ(openStretches(), QStringList{attendance});
    client->result("SetAproAtiv", {"0001", demo, maria, "0000000001", ""});
    client->result("SetDesaproAtiv", {"0001", demo});
    EXPECT_EQ(openStretches(), QStringList{});
    client->result("SetPlanAtivTare", {"0001", delphiTask, "00001"});
    EXPECT_EQ(openStretches(), QStringList{delphiTask});
    EXPECT_EQ(stored("SELECT IDATENDIMENTO FROM apropriacao WHERE DTFIM IS NULL"), "");

    // Written by a server whose clock ran ahead: the next stretches neither
    // end before they begin nor overlap it.
    server.db().run("UPDATE apropriacao SET DTINICIO = '2099-01-01T10:00:00' WHERE DTFIM IS NULL");
    client->result("SetPlanAtivTare", {"0001", delphiTask, "00001"});
    client->result("SetPlanAtivTare", {"0001", running, "00001"});
    EXPECT_EQ(stored("SELECT DTINICIO FROM apropriacao WHERE DTFIM IS NULL AND NRTAREFA = ?", {running}),
              "2099-01-01T10:00:00");
    EXPECT_EQ(stored("SELECT COUNT(*) FROM apropriacao WHERE DTFIM < DTINICIO"), "0");
}

TEST_F(Status, ColleaguesWhoseTimeStoppedLongerThanTheLimit)
{
    const QDateTime now = QDateTime::currentDateTime();
    const QString midnight = day(0) + "T00:00:00";
    auto stamp = [](const QDateTime &when) { return when.toString("yyyy-MM-ddTHH:mm:ss"); };
    const QString aMinuteAgo = std::max(midnight, stamp(now.addSecs(-60)));
    auto book = [&](const QString &op, const QString &start, const QVariant &end) {
        server.db().run("INSERT INTO apropriacao (CDOPERADOR, CDFILIAL, NRTAREFA, NRPLATIVTARE, DTINICIO, DTFIM)"
                        " VALUES (?, '0001', '0000005101', '00001', ?, ?)", {op, start, end});
    };
    book(maria, midnight, aMinuteAgo);                      // stopped a minute ago
    book(joao, midnight, QVariant());                       // still running
    book(demo, midnight, aMinuteAgo);                       // the caller himself
    book("000000000004", midnight, aMinuteAgo);             // no longer active
    auto listed = [&] { return column(client->result("GetOperSemApro", {"0001", demo}), "CDOPERADOR"); };
    server.db().run("UPDATE filial SET QTLIMSEMAPROP = 0.05"); // three seconds
    EXPECT_EQ(listed(), QStringList{maria});
    server.db().run("UPDATE filial SET QTLIMSEMAPROP = 30");
    EXPECT_EQ(listed(), QStringList{});
    // A stretch of another day is no interruption of today's work.
    server.db().run("UPDATE filial SET QTLIMSEMAPROP = 0.05");
    server.db().run("UPDATE apropriacao SET DTINICIO = ?, DTFIM = ? WHERE CDOPERADOR = ?",
                    {day(-1) + "T08:00:00", day(-1) + "T17:00:00", maria});
    EXPECT_EQ(listed(), QStringList{});
    server.db().run("UPDATE filial SET QTLIMSEMAPROP = NULL");
    EXPECT_EQ(listed(), QStringList{});
    EXPECT_EQ(errorCode(client->call("GetOperSemApro", {"9999", demo})), 0) << "an unknown branch lists nobody";
}

namespace {

QByteArray requestLine(int id, const QString &method, const QJsonArray &params)
{
    const QJsonObject request{{"jsonrpc", "2.0"}, {"id", id}, {"method", method}, {"params", params}};
    return QJsonDocument(request).toJson(QJsonDocument::Compact) + '\n';
}

}

// Two servers on one database, two connections on each, all switching the
// demo operator's activities at once: every call succeeds, one after the
// other, and at most one stretch is ever open, the one of the activity running.
TEST(OneRunningStretch, RacingCallsOfOneOperatorOnTwoServersNeverLeaveTwoOpen)
{
    Server first;
    ASSERT_TRUE(first.start({"--seed", "demo", "--workers", "4"})) << first.output().toStdString();
    Server second(first.databaseUrl());
    ASSERT_TRUE(second.start({"--seed", "demo", "--workers", "4"})) << second.output().toStdString();
    const QStringList tasks{"0000005002", "0000005003", "0000005004", "0000005006"};
    std::vector<std::unique_ptr<Client>> clients;
    for (int i = 0; i < 4; ++i)
        clients.push_back(std::make_unique<Client>(i % 2 ? second.port() : first.port()));
    constexpr int rounds = 12;
    for (int round = 0; round < rounds; ++round) {
        for (int i = 0; i < 4; ++i)
            clients[size_t(i)]->send(requestLine(round, "SetPlanAtivTare", {"0001", tasks[i], "00001"}));
        for (auto &c : clients) {
            const QJsonObject reply = c->readReply();
            ASSERT_TRUE(reply.contains("result")) << QJsonDocument(reply).toJson().toStdString();
        }
        const QStringList open = rows(first.db(), openOfDemo);
        ASSERT_LE(open.size(), 1) << "round " << round;
        // The time goes to the one activity running.
        EXPECT_EQ(rows(first.db(), "SELECT NRTAREFA FROM planativtare WHERE CDOPERRESP = ? AND IDSITATIVTAR = 'A'",
                       {demo}),
                  open) << "round " << round;
    }
    // One after the other, none ending before it began ("~" sorts after every date).
    const QStringList stretches = rows(first.db(), "SELECT DTINICIO || ' ' || COALESCE(DTFIM, '~') FROM apropriacao"
                                                   " WHERE CDOPERADOR = ? ORDER BY DTINICIO", {demo});
    QString lastEnd;
    for (const QString &stretch : stretches) {
        EXPECT_GE(stretch.section(' ', 0, 0), lastEnd) << stretch.toStdString();
        lastEnd = stretch.section(' ', 1);
        EXPECT_GE(lastEnd, stretch.section(' ', 0, 0)) << stretch.toStdString();
    }
}
