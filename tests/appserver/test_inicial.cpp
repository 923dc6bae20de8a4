// Get_Inicial in its two forms.
#include "harness.h"
#include <QJsonDocument>

using namespace apptest;

namespace {

class Inicial : public SeededServer {
protected:
    QJsonArray packets(const QString &op, const QString &login, const QString &from = "P4",
                       const QString &to = "P9zz")
    {
        Client &caller = op == "000000000001" ? *client : as(op);
        const QJsonValue r = caller.result("Get_Inicial", {op, "0001", op, login, from, to});
        EXPECT_TRUE(r.isArray());
        EXPECT_EQ(r.toArray().size(), 5);
        return r.toArray();
    }
};

}

TEST_F(Inicial, SixArgumentFormGivesTheFivePackets)
{
    const QJsonArray p = packets("000000000001", "root");
    EXPECT_EQ(column(p[0], "CDFILIAL"), QStringList{"0001"});
    EXPECT_EQ(column(p[1], "NRACAO"), (QStringList{"0000000001", "0000000002"}));
    EXPECT_EQ(column(p[1], "STATUSACAO"), (QStringList{"Em andamento", "Pendente"}));
    EXPECT_FALSE(cell(p[1], 0, "DTPREVENCEAC").toString().isEmpty());
    EXPECT_EQ(column(p[2], "CDPRODUTO"), (QStringList{"P401", "P502", "P610"}));
    EXPECT_EQ(cell(p[2], 0, "DSDIRBASEVER").toString(), "c:\\sistemas\\prod\\P401;c:\\sistemas\\prod\\P401\\relatorios");
    EXPECT_EQ(cell(p[2], 0, "DSDIRVSS").toString(), "/P401/trunk;/P401/trunk/relatorios");
    EXPECT_EQ(cell(p[2], 0, "NMPRODUTO").toString(), "Gestão Comercial");
    EXPECT_EQ(column(p[3], "CDOPERADOR"), QStringList{"000000000001"});
    EXPECT_EQ(column(p[3], "CDGRUPOPER"), QStringList{"10"});
    EXPECT_EQ(column(p[4], "CDPROCESSO"), QStringList{"0000011265"});
    EXPECT_TRUE(cell(p[4], 0, "DTINPATIVTAR").toString().startsWith(QDate::currentDate().toString("yyyy-MM-dd")));
}

TEST_F(Inicial, VersionParametersFollowThePlatformRange)
{
    EXPECT_EQ(column(packets("000000000001", "root", "P150", "P15z")[2], "CDPRODUTO"), (QStringList{"P150", "P151"}));
    EXPECT_EQ(column(packets("000000000001", "root", "S", "Szzz")[2], "CDPRODUTO"), QStringList{"S001"});
    // Products outside version control never appear.
    EXPECT_FALSE(column(packets("000000000001", "root", "", "")[2], "CDPRODUTO").contains("P300"));
}

TEST_F(Inicial, NullElementsWhenThereIsNoDevelopmentOperatorOrOperator)
{
    QJsonArray p = packets("000000000001", "someone-else");
    EXPECT_TRUE(p[3].isNull());
    EXPECT_TRUE(p[0].isObject());
    EXPECT_TRUE(p[1].isObject());

    // An operator removed while his session lasts.
    as("000000000003");
    server.db().run("DELETE FROM operador WHERE CDOPERADOR = '000000000003'");
    p = packets("000000000003", "nobody");
    EXPECT_TRUE(p[1].isNull());
    EXPECT_TRUE(p[3].isNull());
    EXPECT_TRUE(p[4].isNull());
    EXPECT_TRUE(p[0].isObject()); // the branch is still known
}

TEST_F(Inicial, LoginMayCarryTheRepositoryPrefix)
{
    EXPECT_EQ(column(packets("000000000001", "svn_root")[3], "CDOPERADOR"), QStringList{"000000000001"});
}

TEST_F(Inicial, NoMonitoringPacketRowsWhenNothingIsPlannedForToday)
{
    server.db().run("UPDATE planativtare SET DTINPATIVTAR = ? WHERE CDPROCESSO = '0000011265'",
                    {QDate::currentDate().addDays(-1).toString("yyyy-MM-dd") + "T08:00:00"});
    const QJsonArray p = packets("000000000001", "root");
    ASSERT_TRUE(p[4].isObject());
    EXPECT_TRUE(p[4].toObject().value("rows").toArray().isEmpty());
}

TEST_F(Inicial, ThreeArgumentFormIsALightCheck)
{
    const QJsonObject ok = client->call("Get_Inicial", {"000000000001", "0001", "000000000001"});
    ASSERT_TRUE(ok.contains("result")) << QJsonDocument(ok).toJson().toStdString();
    EXPECT_TRUE(ok.value("result").isNull());
    Client &removed = as("000000000003");
    server.db().run("DELETE FROM operador WHERE CDOPERADOR = '000000000003'");
    const QJsonObject unknown = removed.call("Get_Inicial", {"000000000003", "0001", "000000000003"});
    EXPECT_EQ(errorCode(unknown), -32000);
    EXPECT_EQ(errorCode(client->call("Get_Inicial", {"000000000001", "0001", "000000000001", "root"})), -32602);
}
