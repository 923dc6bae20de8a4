// The plan query over the demo seed: each filter, the product range of each
// platform, the planned-start date, ordering and the packet's fields.
#include "harness.h"
#include "args.h"
#include "plan_fields.h"
#include <QJsonDocument>

using namespace apptest;

namespace {

struct Filter {
    QJsonValue planned = 0;
    QString project, request, workItem, process, client, from, to;
};

class Plan : public SeededServer {
protected:
    QJsonValue plan(const Filter &f, const QString &operatorCode = "000000000001", const QString &branch = "0001")
    {
        Client &caller = operatorCode == "000000000001" ? *client : as(operatorCode);
        return caller.result("GetPlanAtivTare", {branch, operatorCode, f.planned, f.project, f.request,
                                                  f.workItem, f.process, f.client, f.from, f.to});
    }
    QStringList products(const Filter &f) { return column(plan(f), "CDPRODGRUP"); }
};

QStringList unique(QStringList list)
{
    list.removeDuplicates();
    return list;
}

}

TEST_F(Plan, CarriesEveryFieldWithTypeAndSize)
{
    const QJsonValue packet = plan({});
    const QJsonArray fields = packet.toObject().value("fields").toArray();
    ASSERT_EQ(fields.size(), 50);
    QHash<QString, QJsonObject> byName;
    for (const QJsonValue &f : fields)
        byName.insert(f.toObject().value("name").toString(), f.toObject());
    const struct {
        const char *name, *type;
        int size;
    } expected[] = {
        {"NRPRIOATIVTR", "string", 3}, {"NRTAREFA", "string", 10},   {"NRPLATIVTARE", "string", 5},
        {"IDSITATIVTAR", "string", 1}, {"DTFIPATIVTAR", "datetime", 0}, {"NRCPLXITATIV", "float", 0},
        {"DSDIRVSS", "string", 250},   {"CDREDUITTRAB", "string", 10}, {"QTLIMSEMAPROP", "float", 0},
        {"CDARVPRODGRUP", "string", 20}, {"DSSTFASETRAM", "string", 50}, {"DTINPATIVTAR", "datetime", 0},
    };
    for (const auto &e : expected) {
        ASSERT_TRUE(byName.contains(e.name)) << e.name;
        EXPECT_EQ(byName[e.name].value("type").toString(), e.type) << e.name;
        if (e.size)
            EXPECT_EQ(byName[e.name].value("size").toInt(), e.size) << e.name;
    }
    for (const QJsonValue &row : packet.toObject().value("rows").toArray())
        EXPECT_EQ(row.toArray().size(), 50);
}

TEST_F(Plan, RowsJoinTheirRequestProductAndOperators)
{
    const QJsonValue packet = plan({.request = "0000012001"});
    ASSERT_EQ(column(packet, "NRTAREFA"), QStringList{"0000005001"});
    EXPECT_EQ(cell(packet, 0, "IDSITATIVTAR").toString(), "A");
    EXPECT_EQ(cell(packet, 0, "NMPROCESSO").toString(), "Desenvolvimento de Programa");
    EXPECT_EQ(cell(packet, 0, "NMOPERINCL").toString(), "Maria Souza");
    EXPECT_EQ(cell(packet, 0, "NMOPERRESP").toString(), "Operador Demonstração");
    EXPECT_EQ(cell(packet, 0, "NMFANTCLIE").toString(), "Supermercados Bom Preço");
    EXPECT_EQ(cell(packet, 0, "DSDIRBASEVER").toString(), "c:\\sistemas\\prod\\P401;c:\\sistemas\\prod\\P401\\relatorios");
    EXPECT_EQ(cell(packet, 0, "DSDIRVSS").toString(), "/P401/trunk;/P401/trunk/relatorios");
    EXPECT_EQ(cell(packet, 0, "CDARVPRODGRUP").toString(), "01.04.01");
    EXPECT_EQ(cell(packet, 0, "QTLIMSEMAPROP").toDouble(), 30.0);
    EXPECT_TRUE(apr::parseStamp(cell(packet, 0, "DTFIPATIVTAR").toString()).has_value());
    EXPECT_TRUE(cell(packet, 0, "DTFIRATIVTAR").isNull());
}

TEST_F(Plan, EmptyFiltersGiveTheWholePlanInQueueOrder)
{
    const QJsonValue packet = plan({});
    const QStringList queue = column(packet, "NRPRIOATIVTR");
    EXPECT_EQ(queue.size(), 23); // the cancelled/concluded row of 34 days ago is gone
    QStringList sorted = queue;
    sorted.sort();
    EXPECT_EQ(queue, sorted);
    const QStringList statuses = column(packet, "IDSITATIVTAR");
    for (const char *s : {"P", "A", "I", "C", "X", ""})
        EXPECT_TRUE(statuses.contains(s)) << s;
}

TEST_F(Plan, ProductRangeOfEachPlatform)
{
    EXPECT_EQ(unique(products({.from = "P4", .to = "P9zz"})), (QStringList{"P401", "P502", "P610"}));
    EXPECT_EQ(products({.from = "P4", .to = "P9zz"}).size(), 10);
    EXPECT_EQ(unique(products({.from = "P150", .to = "P15z"})), (QStringList{"P150", "P151"}));
    EXPECT_EQ(products({.from = "P150", .to = "P15z"}).size(), 5);
    EXPECT_EQ(unique(products({.from = "T", .to = "Tzzz"})), (QStringList{"T001", "T002"}));
    EXPECT_EQ(unique(products({.from = "S", .to = "Szzz"})), (QStringList{"S001"}));
    // Bounds are inclusive, compared as plain text.
    EXPECT_EQ(unique(products({.from = "P502", .to = "P502"})), (QStringList{"P502"}));
    EXPECT_TRUE(products({.from = "P4", .to = "P9zz"}).filter("P300").isEmpty());
    EXPECT_TRUE(unique(products({})).contains("P300"));
}

TEST_F(Plan, PlannedStartZeroMeansNoDateAndADateKeepsThatDayOn)
{
    EXPECT_EQ(column(plan({.planned = 0}), "NRTAREFA").size(), 23);
    const QJsonValue today = plan({.planned = date(QDate::currentDate())});
    const QStringList starts = column(today, "DTINPATIVTAR");
    EXPECT_EQ(starts.size(), 10);
    const QString midnight = QDate::currentDate().toString("yyyy-MM-dd") + "T00:00:00";
    for (const QString &s : starts)
        EXPECT_GE(s, midnight);
    // A time of day in the date does not matter: the whole day counts.
    const QJsonObject noon{{"date", QDate::currentDate().toString("yyyy-MM-dd") + "T12:00:00"}};
    EXPECT_EQ(column(plan({.planned = noon}), "NRTAREFA").size(), 10);
    EXPECT_EQ(column(plan({.planned = date(QDate::currentDate().addDays(100))}), "NRTAREFA").size(), 0);
}

TEST_F(Plan, EachTextFilter)
{
    EXPECT_EQ(column(plan({.project = "0000000002"}), "NRTAREFA").size(), 5);
    EXPECT_EQ(column(plan({.request = "0000012002"}), "NRTAREFA"), QStringList{"0000005002"});
    EXPECT_EQ(column(plan({.workItem = "IT004"}), "NRTAREFA"), QStringList{"0000005004"});
    EXPECT_EQ(column(plan({.workItem = "0000000103"}), "NRTAREFA"), QStringList{"0000005003"});
    EXPECT_EQ(column(plan({.process = "0000011054"}), "NRTAREFA").size(), 6);
    EXPECT_EQ(column(plan({.process = "corretiva"}), "NRTAREFA").size(), 6);
    EXPECT_EQ(column(plan({.client = "SÃO JOÃO"}), "NRTAREFA").size(), 8);
    EXPECT_EQ(column(plan({.client = "nobody here"}), "NRTAREFA").size(), 0);
    // Filters combine.
    EXPECT_EQ(column(plan({.process = "0000011054", .from = "P4", .to = "P9zz"}), "NRTAREFA").size(), 2);
}

TEST_F(Plan, OtherOperatorOrBranchGetsAnEmptyPacketWithFields)
{
    for (const auto &[op, branch] : {std::pair{"000000000002", "0001"}, std::pair{"000000000001", "0002"}}) {
        const QJsonValue packet = plan({}, op, branch);
        EXPECT_EQ(packet.toObject().value("fields").toArray().size(), 50);
        EXPECT_EQ(packet.toObject().value("rows").toArray().size(), 0);
    }
}

TEST_F(Plan, ConcludedRowsLeaveThePlanAfterThirtyDays)
{
    ASSERT_EQ(column(plan({.request = "0000012005"}), "IDSITATIVTAR"), QStringList{"C"});
    server.db().run("UPDATE planativtare SET DTCONATIVTAR = ? WHERE NRTAREFA = '0000005005'",
                    {apr::formatStamp(QDateTime(QDate::currentDate().addDays(-31), QTime(10, 0)))});
    EXPECT_TRUE(column(plan({.request = "0000012005"}), "IDSITATIVTAR").isEmpty());
}

TEST_F(Plan, QueuePositionRoundTrip)
{
    EXPECT_TRUE(client->result("SetFila_PlanAtiv", {"0001", "0000005006", "00001", "000"}).isNull());
    const QJsonValue packet = plan({});
    EXPECT_EQ(cell(packet, 0, "NRTAREFA").toString(), "0000005006");
    EXPECT_EQ(cell(packet, 0, "NRPRIOATIVTR").toString(), "000");

    QJsonObject reply = client->call("SetFila_PlanAtiv", {"0001", "9999999999", "00001", "001"});
    EXPECT_EQ(errorCode(reply), -32000);
    reply = client->call("SetFila_PlanAtiv", {"0001", "0000005006", "00001", "1234"});
    EXPECT_EQ(errorCode(reply), -32000);
    EXPECT_EQ(cell(plan({}), 0, "NRPRIOATIVTR").toString(), "000");
}

// On SQLite the plan is read on SQLite's own interface and written as JSON
// from its UTF-8 text; the Qt driver's way must give the very same text,
// for awkward values as well: escapes, accents, a character outside the
// basic plane, numbers stored in text columns and text in a number column.
class PlanOnSqlite : public Plan {
protected:
    void SetUp() override
    {
        APR_REQUIRE_SQLITE();
        Plan::SetUp();
    }
};

TEST_F(PlanOnSqlite, OwnInterfaceGivesTheDriversTextForEveryFilter)
{
    apr::Database &db = server.db();
    db.run("UPDATE tarefa SET DSREFETAREFA = ? WHERE NRTAREFA = '0000005006'",
           {QString::fromUtf8("aspas \" barra \\ tab\t nova\nlinha \x01 ação 𝄞 fim")});
    db.run("UPDATE planativtare SET NRREPETATIV = 7, VRFATOCPLX = 'abc' WHERE NRTAREFA = '0000005006'");
    db.run("UPDATE planativtare SET VRFATOCPLX = 2.5, NRCPLXITATIV = '3' WHERE NRTAREFA <> '0000005006'");
    const std::vector<Filter> filters{{},
                                      {.process = "corretiva"},
                                      {.client = "SÃO JOÃO"},
                                      {.from = "P4", .to = "P9zz"},
                                      {.planned = date(QDate(2020, 1, 1))},
                                      {.client = "nobody here"}};
    for (const Filter &f : filters) {
        const QJsonArray params{"0001", "000000000001", f.planned, f.project, f.request,
                                f.workItem, f.process, f.client, f.from, f.to};
        const QByteArray direct = apr::planPacket(db, params, apr::PlanReader::Direct);
        EXPECT_EQ(direct, apr::planPacket(db, params, apr::PlanReader::Driver)) << f.process.toStdString();
        EXPECT_TRUE(QJsonDocument::fromJson(direct).isObject());
    }
    const QJsonValue packet = plan({});
    const qsizetype row = column(packet, "NRTAREFA").indexOf("0000005006");
    ASSERT_GE(row, 0);
    EXPECT_EQ(cell(packet, int(row), "DSREFETAREFA").toString(),
              QString::fromUtf8("aspas \" barra \\ tab\t nova\nlinha \x01 ação 𝄞 fim"));
    EXPECT_EQ(cell(packet, int(row), "NRREPETATIV").toString(), "7");
}
