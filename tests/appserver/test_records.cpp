// Round trips of the operator's options, the check-out file table, the
// attendance in progress and the work items.
#include "harness.h"
#include <QJsonDocument>

using namespace apptest;

namespace {

class Records : public SeededServer {
protected:
    QStringList layout(const QString &op = "000000000001")
    {
        Client &caller = op == "000000000001" ? *client : as(op);
        return column(caller.result("GetProgOperOpc", {"APR00100", op}), "TXPROPRIED");
    }
    QStringList files(const QString &task)
    {
        return column(client->result("GetArqCheckout", {"0001", task, "00001"}), "NMARQUIVO");
    }
};

const QString layoutText = QString("IDSITATIVTAR#40  #").repeated(10);

}

TEST_F(Records, OptionsInsertUpdateAndRead)
{
    EXPECT_TRUE(layout().isEmpty());
    client->result("SetProgOperOpc", {"APR00100", "000000000001", layoutText, "1"});
    EXPECT_EQ(layout(), QStringList{layoutText});
    client->result("SetProgOperOpc", {"APR00100", "000000000001", "second", "2"});
    EXPECT_EQ(layout(), QStringList{"second"});
    // Another operator and another program are apart.
    EXPECT_TRUE(layout("000000000002").isEmpty());
    EXPECT_TRUE(column(client->result("GetProgOperOpc", {"APR00200", "000000000001"}), "TXPROPRIED").isEmpty());
}

TEST_F(Records, OptionsInsertOverAnExistingRowAndUpdateOfAMissingOneStoreTheText)
{
    client->result("SetProgOperOpc", {"APR00100", "000000000001", "first", "1"});
    client->result("SetProgOperOpc", {"APR00100", "000000000001", "again", "1"});
    EXPECT_EQ(layout(), QStringList{"again"});
    as("000000000003").result("SetProgOperOpc", {"APR00100", "000000000003", "fresh", "2"});
    EXPECT_EQ(layout("000000000003"), QStringList{"fresh"});
}

TEST_F(Records, OptionsRefuseBadModeAndOverlongTextKeepingTheOldValue)
{
    client->result("SetProgOperOpc", {"APR00100", "000000000001", "kept", "1"});
    EXPECT_EQ(errorCode(client->call("SetProgOperOpc", {"APR00100", "000000000001", "x", "3"})), -32000);
    EXPECT_EQ(errorCode(client->call("SetProgOperOpc", {"APR00100", "000000000001", QString(351, 'x'), "2"})),
              -32000);
    EXPECT_EQ(layout(), QStringList{"kept"});
    client->result("SetProgOperOpc", {"APR00100", "000000000001", QString(350, 'y'), "2"});
    EXPECT_EQ(layout(), QStringList{QString(350, 'y')});
}

TEST_F(Records, CheckoutFilesAreRecordedListedAndCleared)
{
    client->result("SetArqCheckout", {"0001", "0000005001", "00001", "0", "c:\\sistemas\\prod\\P401\\fontes\\a.pas"});
    client->result("SetArqCheckout", {"0001", "0000005001", "00001", "1", "c:\\sistemas\\prod\\P401\\fontes\\b.dfm"});
    client->result("SetArqCheckout", {"0001", "0000005002", "00001", "0", "c:\\sistemas\\prod\\P401\\outro.pas"});
    EXPECT_EQ(files("0000005001"), (QStringList{"c:\\sistemas\\prod\\P401\\fontes\\a.pas",
                                                "c:\\sistemas\\prod\\P401\\fontes\\b.dfm"}));
    const QJsonValue check = client->result("GetArqCheck", {"0001", "0000005001", "00001"});
    EXPECT_EQ(column(check, "CODIGO"), (QStringList{"0", "1"}));
    EXPECT_EQ(column(check, "ARQUIVO").size(), 2);

    EXPECT_TRUE(client->result("ClearArqCheckout", {"0001", "0000005001", "00001"}).isNull());
    EXPECT_TRUE(files("0000005001").isEmpty());
    EXPECT_EQ(files("0000005002").size(), 1); // another activity keeps its files
    // Clearing an activity without files is not an error.
    EXPECT_TRUE(client->result("ClearArqCheckout", {"0001", "0000005001", "00001"}).isNull());
}

TEST_F(Records, CheckoutCodeOrderIsNumericAndBadInputIsRefused)
{
    for (const char *code : {"10", "2"})
        client->result("SetArqCheckout", {"0001", "0000005003", "00001", code, QString("c:\\f%1.pas").arg(code)});
    EXPECT_EQ(files("0000005003"), (QStringList{"c:\\f2.pas", "c:\\f10.pas"}));
    EXPECT_EQ(errorCode(client->call("SetArqCheckout", {"0001", "0000005003", "00001", "abc", "c:\\x.pas"})), -32000);
    EXPECT_EQ(errorCode(client->call("SetArqCheckout", {"0001", "0000005003", "00001", "3", ""})), -32000);
    EXPECT_EQ(files("0000005003").size(), 2);
}

TEST_F(Records, AttendanceInProgress)
{
    const QJsonValue none = client->result("GetAtivAndamento", {"0001", "000000000001"});
    EXPECT_EQ(none.toObject().value("fields").toArray().size(), 5);
    EXPECT_TRUE(none.toObject().value("rows").toArray().isEmpty()); // the seeded one is closed
    server.db().run("INSERT INTO atendimento (CDFILIAL, CDOPERADOR, DTINIATEND, NRTAREFA, NRPLATIVTARE,"
                    " CDPROCESSO, IDATENDIMENTO) VALUES ('0001', '000000000001', '2026-01-05T09:00:00',"
                    " '0000005001', '00001', '0000011300', 'E')");
    const QJsonValue open = client->result("GetAtivAndamento", {"0001", "000000000001"});
    EXPECT_EQ(column(open, "IDATENDIMENTO"), QStringList{"E"});
    EXPECT_EQ(column(open, "NRTAREFA"), QStringList{"0000005001"});
    EXPECT_EQ(column(open, "CDPROCESSO"), QStringList{"0000011300"});
}

TEST_F(Records, WorkItemsOfTheOperatorsOpenActivities)
{
    const QJsonValue items = client->result("Get_ItemTarefa", {"0001", "000000000001"});
    const QStringList tasks = column(items, "NRTAREFA");
    EXPECT_TRUE(tasks.contains("0000005001"));
    EXPECT_FALSE(tasks.contains("0000005005")); // concluded
    EXPECT_FALSE(tasks.contains("0000005010")); // monitoring: no work item
    EXPECT_EQ(cell(items, 0, "CDREDUITTRAB").toString(), "IT001");
    EXPECT_EQ(cell(items, 0, "CDITEMTRAB").toString(), "0000000101");
    EXPECT_EQ(cell(items, 0, "IDSITCHECKOUT").toString(), "S");
    EXPECT_TRUE(column(as("000000000002").result("Get_ItemTarefa", {"0001", "000000000002"}), "NRTAREFA").isEmpty());
}
