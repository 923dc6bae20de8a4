// The methods the check-in of an activity calls, over the demo seed.
#include "harness.h"
#include "args.h"
#include "rpcerror.h"

using namespace apptest;

namespace {

const QString maria = "000000000002";
const QJsonArray activity{"0001", "0000005001", "00001"};
const QJsonArray otherActivity{"0001", "0000005003", "00001"};

class Checkin : public SeededServer {
protected:
    static QJsonArray with(const QJsonArray &key, std::initializer_list<QJsonValue> more)
    {
        QJsonArray args = key;
        for (const QJsonValue &v : more)
            args.append(v);
        return args;
    }
    // A file of the activity as the check-out and the check-in record it.
    void file(const QJsonArray &key, const QString &code, const QString &path, const QJsonValue &before)
    {
        client->result("SetArqCheckout", with(key, {code, path}));
        client->result("SetReleaseAntSVN", with(key, {code, before}));
    }
    QStringList before(const QJsonArray &key)
    {
        const QJsonValue files = client->result("GetArqCheck", key);
        QStringList values;
        for (int i = 0; i < column(files, "CODIGO").size(); ++i) {
            const QJsonValue v = cell(files, i, "CDRELEASEARQANT");
            values << (v.isNull() ? "null" : v.toString());
        }
        return values;
    }
    QDateTime productState(const QString &product)
    {
        QSqlQuery q = server.db().run("SELECT DTATUPRODSUBVER FROM produto WHERE CDPRODUTO = ?", {product});
        const QString text = q.next() ? q.value(0).toString() : QString();
        q.finish();
        return apr::parseStamp(text).value_or(QDateTime());
    }
};

}

// The script check-in: each script is added to the activity with its release
// before the work (0 when it is new), committed, given its new release, and
// then the new ones lose the 0; what the check-in reads back stays whole.
TEST_F(Checkin, ScriptCheckinRecordsNewFilesWithoutAReleaseBefore)
{
    const QString novo = "c:\\sistemas\\prod\\P401\\sql\\atualiza_bd\\P401_002.sql";
    const QString antigo = "c:\\sistemas\\prod\\P401\\sql\\atualiza_bd\\P401_001.sql";
    file(activity, "0", novo, 0);
    file(activity, "1", antigo, "41");
    file(otherActivity, "0", "c:\\sistemas\\prod\\P401\\fontes\\novo.pas", 0);
    file(activity, "2", "c:\\sistemas\\prod\\P401\\sql\\atualiza_bd\\P401_003.sql", "000");
    client->result("SetReleaseAtuSVN", with(activity, {"58", "0"}));
    client->result("SetReleaseAtuSVN", with(activity, {"59", "1"}));
    client->result("SetReleaseAtuSVN", with(activity, {"60", "2"}));

    EXPECT_TRUE(client->result("SetReleaseAntNula", activity).isNull());

    EXPECT_EQ(before(activity), (QStringList{"null", "41", "null"}));
    const QJsonValue files = client->result("GetArqCheck", activity);
    EXPECT_EQ(column(files, "CDRELEASEARQATU"), (QStringList{"58", "59", "60"}));
    EXPECT_EQ(column(files, "ARQUIVO").mid(0, 2), (QStringList{novo, antigo}));
    EXPECT_EQ(column(client->result("GetArqCheckout", activity), "NMARQUIVO"), column(files, "ARQUIVO"));
    // Another activity's new file keeps its mark; calling again changes nothing.
    EXPECT_EQ(before(otherActivity), QStringList{"0"});
    client->result("SetReleaseAntNula", activity);
    EXPECT_EQ(before(activity), (QStringList{"null", "41", "null"}));
    // An activity without files is no error.
    client->result("SetReleaseAntNula", {"0001", "0000005016", "00001"});
}

TEST_F(Checkin, ReleaseBeforeIsClearedOnlyOnTheOperatorsOwnKnownActivity)
{
    file(activity, "0", "c:\\sistemas\\prod\\P401\\sql\\x.sql", 0);
    EXPECT_EQ(errorCode(as(maria).call("SetReleaseAntNula", activity)), apr::Forbidden);
    const QJsonObject unknown = client->call("SetReleaseAntNula", {"0001", "9999999999", "00001"});
    EXPECT_EQ(errorCode(unknown), apr::ApplicationError);
    EXPECT_EQ(errorMessage(unknown), "Atividade não encontrada no plano.");
    EXPECT_EQ(before(activity), QStringList{"0"});
}

// Other operators' daily update compares the product's state date with the
// one it last saw, by "later than": every check-in must move it on.
TEST_F(Checkin, ProductStateDateMovesOnWithEveryCheckin)
{
    const QDateTime seeded = productState("P401");
    client->result("SetDataAtuProd", {"P401"});
    const QDateTime first = productState("P401");
    EXPECT_GT(first, seeded);
    EXPECT_LE(first.secsTo(QDateTime::currentDateTime()), 60);
    // A second check-in in the same second is still later.
    client->result("SetDataAtuProd", {"P401"});
    const QDateTime second = productState("P401");
    EXPECT_GT(second, first);
    const QJsonValue svn = client->result("GetProdSVN", {"P401", "P401"});
    EXPECT_EQ(apr::parseStamp(cell(svn, 0, "DTATUPRODSUBVER").toString()).value_or(QDateTime()), second);
    // Other products stay; any operator's check-in of the product counts.
    EXPECT_EQ(productState("P502"), seeded);
    as(maria).result("SetDataAtuProd", {" P401 "});
    EXPECT_GT(productState("P401"), second);
}

TEST_F(Checkin, ProductStateDateOfAnUnknownProductIsRefused)
{
    const QJsonObject reply = client->call("SetDataAtuProd", {"NONE"});
    EXPECT_EQ(errorCode(reply), apr::ApplicationError);
    EXPECT_EQ(errorMessage(reply), "Produto não encontrado.");
    EXPECT_EQ(errorCode(client->call("SetDataAtuProd", {""})), apr::ApplicationError);
}

// What the check-in reads: the work item's directories decide whether a
// working copy is set up at all, and the files held decide what is unlocked.
TEST_F(Checkin, WhatTheCheckinReadsOfTheActivity)
{
    EXPECT_FALSE(column(client->result("GetDirItemTrab", {"0000000103", "P401"}), "DSDIRARQFONTIT").isEmpty());
    EXPECT_TRUE(column(client->result("GetDirItemTrab", {"0000000103", "T001"}), "DSDIRARQFONTIT").isEmpty());
    EXPECT_TRUE(column(client->result("GetArqCheckout", activity), "NMARQUIVO").isEmpty());
    file(activity, "0", "c:\\sistemas\\prod\\P401\\fontes\\uP401.pas", "17");
    // Another operator reads the files (the only-unlock path of a colleague's activity).
    EXPECT_EQ(column(as(maria).result("GetArqCheckout", activity), "NMARQUIVO"),
              QStringList{"c:\\sistemas\\prod\\P401\\fontes\\uP401.pas"});
}
