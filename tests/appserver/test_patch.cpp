// The patch and release methods, over the demo seed.
#include "harness.h"

using namespace apptest;

namespace {

class PatchMethods : public SeededServer {
protected:
    const QString request = "0000012001";
    QJsonValue versao() { return client->result("GetVersao", {request, "0001"}); }
    QJsonValue phase() { return QJsonObject{{"date", cell(versao(), 0, "DTALFASETRAM").toString()}}; }
    QJsonObject insert(const QString &file, const QString &sequence)
    {
        return client->call("InsPatchTram", {"0001", request, sequence, file, "P401", "5.0", "5.0.1", "010",
                                             phase(), QJsonValue()});
    }
    static QString inserted(const QJsonObject &reply) { return reply["byref"][0][0].toString(); }
    QStringList files() { return column(client->result("GetArquivosPatch", {"0001", request, phase()}), "DSARQPATCH"); }
};

class ReleaseMethods : public SeededServer {
protected:
    const QJsonArray activity{"0001", "0000005001", "00001"};
    QJsonArray with(std::initializer_list<QJsonValue> more) const
    {
        QJsonArray args = activity;
        for (const QJsonValue &v : more)
            args.append(v);
        return args;
    }
};

}

TEST_F(PatchMethods, VersaoGivesThePatchPhaseTheNextSequenceAndTheProductRoot)
{
    const QJsonValue v = versao();
    EXPECT_EQ(cell(v, 0, "CDVERPROORIG").toString(), "5.0");
    EXPECT_FALSE(cell(v, 0, "DTALFASETRAM").toString().isEmpty());
    // One script is seeded on this patch.
    EXPECT_EQ(cell(v, 0, "NRSEQPATCH").toString(), "2");
    // The root working copy alone, not the list of every directory.
    EXPECT_EQ(cell(v, 0, "DSDIRBASEVER").toString(), "c:\\sistemas\\prod\\P401");
    EXPECT_EQ(errorCode(client->call("GetVersao", {"9999999999", "0001"})), -32000);
}

TEST_F(PatchMethods, InsertRefusesAFileAlreadyOnThePatchInAnyCase)
{
    const QString seeded = "\\sistemas\\prod\\P401\\sql\\atualiza_bd\\P401_001.sql";
    EXPECT_EQ(files(), QStringList{seeded});
    EXPECT_EQ(inserted(insert(seeded.toUpper(), "002")), "False");
    EXPECT_EQ(inserted(insert("\\sistemas\\prod\\P401\\sql\\novo.sql", "002")), "True");
    EXPECT_EQ(cell(versao(), 0, "NRSEQPATCH").toString(), "3");
    EXPECT_EQ(files().size(), 2);
    // Bad input is refused as such, not answered "False".
    EXPECT_EQ(errorCode(insert("", "003")), -32000);
    EXPECT_EQ(errorCode(insert("\\x.sql", "abc")), -32000);
}

TEST_F(PatchMethods, NamesWithQuotesBlanksAndAccentsComeBackIntact)
{
    const QString odd = "\\sistemas\\prod\\P401\\sql\\atualiza_bd\\Ação d'água \"v2\".sql";
    EXPECT_EQ(inserted(insert(odd, "002")), "True");
    EXPECT_TRUE(files().contains(odd));
    EXPECT_TRUE(column(client->result("GetPatchFaseTram", {"0001", request}), "DSARQPATCH").contains(odd));
    client->result("DelPatchTram", {request, "0001", odd, phase()});
    EXPECT_FALSE(files().contains(odd));
}

TEST_F(PatchMethods, DeleteAndPhaseScriptsFollowThePhaseAndTheModellingDirectory)
{
    insert("\\sistemas\\prod\\P401\\fontes\\Pkg_P401.dpk", "002");
    const QStringList modelling = column(client->result("GetPatchFaseTram", {"0001", request}), "DSARQPATCH");
    EXPECT_EQ(modelling, QStringList{"\\sistemas\\prod\\P401\\sql\\atualiza_bd\\P401_001.sql"});
    // Another phase date holds nothing, and deleting there touches nothing.
    const QJsonObject other{{"date", "2001-01-01T00:00:00"}};
    EXPECT_TRUE(column(client->result("GetArquivosPatch", {"0001", request, other}), "DSARQPATCH").isEmpty());
    client->result("DelPatchTram", {request, "0001", modelling[0], other});
    EXPECT_EQ(files().size(), 2);
    client->result("DelPatchTram", {request, "0001", modelling[0].toUpper(), phase()});
    EXPECT_EQ(files(), QStringList{"\\sistemas\\prod\\P401\\fontes\\Pkg_P401.dpk"});
    EXPECT_TRUE(column(client->result("GetPatchFaseTram", {"0001", request}), "DSARQPATCH").isEmpty());
}

TEST_F(ReleaseMethods, ReleasesBeforeAndAfterAreStoredPerFileCode)
{
    client->result("SetArqCheckout", with({"0", "c:\\sistemas\\prod\\P401\\fontes\\uP401.pas"}));
    client->result("SetArqCheckout", with({"1", "c:\\sistemas\\prod\\P401\\fontes\\novo.pas"}));
    client->result("SetReleaseAntSVN", with({"0", "17"}));
    client->result("SetReleaseAntSVN", with({"1", 0}));
    client->result("SetReleaseAtuSVN", with({"18", "0"}));
    const QJsonValue files = client->result("GetArqCheck", activity);
    EXPECT_EQ(column(files, "CDRELEASEARQANT"), (QStringList{"17", "0"}));
    EXPECT_EQ(cell(files, 0, "CDRELEASEARQATU").toString(), "18");
    EXPECT_TRUE(cell(files, 1, "CDRELEASEARQATU").isNull());
    // An empty release before the work is kept as none; a file code not listed,
    // a non-revision and an empty release after the check-in are refused.
    client->result("SetReleaseAntSVN", with({"0", ""}));
    EXPECT_TRUE(cell(client->result("GetArqCheck", activity), 0, "CDRELEASEARQANT").isNull());
    EXPECT_EQ(errorCode(client->call("SetReleaseAntSVN", with({"7", "3"}))), -32000);
    EXPECT_EQ(errorCode(client->call("SetReleaseAntSVN", with({"0", "r3"}))), -32000);
    EXPECT_EQ(errorCode(client->call("SetReleaseAtuSVN", with({"", "0"}))), -32000);
}

TEST_F(ReleaseMethods, MetadataReleaseCountsPerProductAndNamesAProductNotSetUp)
{
    const auto meta = [&](const QString &tree) {
        return client->result("ReleaseMetaDados", {"demo", "0001", "0000005016", "00001", tree}).toString();
    };
    EXPECT_EQ(meta("03.00.01"), "42");
    EXPECT_EQ(meta("03.00.01"), "43");
    EXPECT_EQ(meta("03.00.02"), "ERRO_PROD_NAO_PARAM");
    EXPECT_EQ(client->result("ReleaseMetaDados", {"", "0001", "0000005016", "00001", "03.00.01"}).toString(),
              "ERRO_USUARIO_NAO_INFORMADO");
    EXPECT_EQ(meta("03.00.01"), "44");
}

TEST_F(ReleaseMethods, ProdSubvTellsAProductUnderVersionControl)
{
    EXPECT_EQ(cell(client->result("GetProdSubv", {"P401"}), 0, "IDPRODCONTRSUBV").toString(), "S");
    EXPECT_EQ(cell(client->result("GetProdSubv", {"P300"}), 0, "IDPRODCONTRSUBV").toString(), "N");
    EXPECT_TRUE(column(client->result("GetProdSubv", {"NONE"}), "CDPRODUTO").isEmpty());
}
