// Releases before and after the work, read from real working copies and
// recorded on the real apr-server; the retry question, the metadata release
// and the patch-script triggers.
#include "scripts/scriptvars.h"
#include "server/connectionuses.h"
#include "server/netconnection.h"
#include "server/netremoteserver.h"
#include "serverprocess.h"
#include "support.h"
#include "workflow/gravarelease.h"

using namespace wctest;
using workflow::GravaRelease;

namespace {

const QString kTask = "0000005001", kActivity = "00001";

struct Link {
    testsupport::ServerProcess process;
    server::TNetConnection connection;
    server::ConnectionUses uses;
    server::NetRemoteServer remote{connection, uses};
    bool start()
    {
        if (!process.start(QStringLiteral(APR_SERVER_BIN)))
            return false;
        connection.Host = process.host();
        connection.Port = process.port();
        connection.Token = process.token();
        return true;
    }
    QJsonValue files() { return remote.call("GetArqCheck", {"0001", kTask, kActivity}); }
    QStringList column(const QString &name)
    {
        QStringList values;
        const QJsonObject packet = files().toObject();
        int at = -1;
        const QJsonArray fields = packet["fields"].toArray();
        for (int i = 0; i < fields.size(); ++i)
            if (fields[i].toObject()["name"].toString() == name)
                at = i;
        for (const QJsonValue &row : packet["rows"].toArray())
            values << row.toArray().at(at).toString();
        return values;
    }
};

struct Recorder {
    int falhas = 0;
    QStringList progresso;
    QStringList abertos;
    workflow::ReleaseHooks hooks()
    {
        return {[this] { ++falhas; }, [this](const QStringList &l) { progresso << l; },
                [this](const QString &f, const QString &s, const QString &p, const QString &c) {
                    abertos << QStringList{f, s, p, c}.join('/');
                }};
    }
};

class RealRelease : public ::testing::TestWithParam<const char *> {
protected:
    void SetUp() override
    {
        APR_REQUIRE_COMPONENT(DavServer::instance().ok(), "Apache with mod_dav_svn", DavServer::instance().why);
        APR_REQUIRE_COMPONENT(link.start(), "apr-server", link.process.why());
        bench = std::make_unique<Bench>(GetParam());
        bench->svn({"mkdir", "--parents", "-m", "SOL:1 area", bench->repo("rel/trunk")});
        bench->svn({"checkout", bench->repo("rel/trunk"), bench->host("c:\\prod\\rel")});
        bench->write("c:\\prod\\rel\\uCad.pas", "unit uCad;\n");
        bench->svn({"add", bench->host("c:\\prod\\rel\\uCad.pas")});
        bench->svn({"commit", "-m", "SOL:1 cad", bench->host("c:\\prod\\rel")});
    }
    QString revision(const QString &logical)
    {
        return bench->svn({"info", "--show-item", "last-changed-revision", bench->host(logical)}).trimmed();
    }
    Link link;
    std::unique_ptr<Bench> bench;
    Recorder recorder;
};

}

TEST_P(RealRelease, ReleasesBeforeAndAfterACommitAndZeroForANewFile)
{
    GravaRelease grava(bench->fluxo, link.remote, recorder.hooks());
    const QString cad = "c:\\prod\\rel\\uCad.pas";
    link.remote.call("SetArqCheckout", {"0001", kTask, kActivity, "0", cad});
    const QString before = revision(cad);
    grava.Grava_Release_Antiga("0001", kTask, kActivity);
    EXPECT_EQ(link.column("CDRELEASEARQANT"), QStringList{before}) << bench->progresso.join('\n').toStdString();

    bench->write(cad, "unit uCad;\n// changed\n");
    bench->svn({"commit", "-m", "SOL:1 change", bench->host("c:\\prod\\rel")});
    const QString after = revision(cad);
    ASSERT_NE(after, before);
    grava.Grava_Release_Gerada("0001", kTask, kActivity);
    EXPECT_EQ(link.column("CDRELEASEARQATU"), QStringList{after});

    // A new file, not yet under version control, given without a drive: release 0.
    bench->write("c:\\prod\\rel\\novo.pas", "unit novo;\n");
    grava.Adiciona_Arquivo("0001", kTask, kActivity, "\\prod\\rel\\novo.pas");
    EXPECT_EQ(link.column("ARQUIVO"), (QStringList{cad, "c:\\prod\\rel\\novo.pas"}));
    EXPECT_EQ(link.column("CDRELEASEARQANT"), (QStringList{before, "0"}));
    // The same file in another case adds nothing.
    grava.Adiciona_Arquivo("0001", kTask, kActivity, "C:\\PROD\\REL\\NOVO.PAS");
    EXPECT_EQ(link.column("ARQUIVO").size(), 2);
    EXPECT_EQ(recorder.falhas, 0);
    EXPECT_FALSE(bench->progresso.join('\n').contains(kPass));
}

TEST_P(RealRelease, AddedFileTakesTheCodeAfterTheHighestNotTheCount)
{
    GravaRelease grava(bench->fluxo, link.remote, recorder.hooks());
    // Codes 0 and 2 in use (1 left the list): the count would give 2.
    link.remote.call("SetArqCheckout", {"0001", kTask, kActivity, "0", "c:\\prod\\rel\\a.pas"});
    link.remote.call("SetArqCheckout", {"0001", kTask, kActivity, "2", "c:\\prod\\rel\\uCad.pas"});
    link.remote.call("SetReleaseAntSVN", {"0001", kTask, kActivity, "2", revision("c:\\prod\\rel\\uCad.pas")});
    bench->write("c:\\prod\\rel\\b.pas", "unit b;\n");
    grava.Adiciona_Arquivo("0001", kTask, kActivity, "C:\\prod\\rel\\b.pas");
    EXPECT_EQ(link.column("CODIGO"), (QStringList{"0", "2", "3"}));
    EXPECT_EQ(link.column("ARQUIVO").at(1), "c:\\prod\\rel\\uCad.pas");
    EXPECT_EQ(link.column("CDRELEASEARQANT").at(1), revision("c:\\prod\\rel\\uCad.pas"));
    EXPECT_EQ(link.column("ARQUIVO").at(2), "C:\\prod\\rel\\b.pas");
}

TEST_P(RealRelease, AFileNeitherVersionedNorUnknownEndsTheOperation)
{
    GravaRelease grava(bench->fluxo, link.remote, recorder.hooks());
    // Outside every working copy: no release and no "?" line.
    QDir().mkpath(bench->host("c:\\solto"));
    bench->write("c:\\solto\\x.pas", "x\n");
    link.remote.call("SetArqCheckout", {"0001", kTask, kActivity, "0", "c:\\solto\\x.pas"});
    EXPECT_THROW(grava.Grava_Release_Ant_Checkin("0001", kTask, kActivity, "0", "c:\\solto\\x.pas"), qor::EAbort);
    EXPECT_TRUE(bench->dialogs->texts().last().contains("c:\\solto\\x.pas"));
    EXPECT_EQ(link.column("CDRELEASEARQANT"), QStringList{""});
}

INSTANTIATE_TEST_SUITE_P(Languages, RealRelease, ::testing::Values("C", "pt_BR.UTF-8"),
                         [](const auto &info) { return std::string(info.param[0] == 'C' ? "C" : "pt_BR"); });

TEST(ReleaseQuestion, RetriesThenAsksAndEndsWithoutRecording)
{
    Bench bench;
    Recorder recorder;
    // A file whose info has no <url>: no release to find.
    bench.remote.answers["GetArqCheck"] =
        Packet({"CDFILIAL", "NRTAREFA", "NRPLATIVTARE", "CODIGO", "ARQUIVO"},
               {{"0001", kTask, kActivity, "0", "c:\\nada\\x.pas"}});
    GravaRelease grava(bench.fluxo, bench.remote, recorder.hooks());
    bench.dialogs->answer(0);   // "Sim": once more
    bench.dialogs->answer(1);   // "Não"
    EXPECT_THROW(grava.Grava_Release_Gerada("0001", kTask, kActivity), qor::EAbort);
    int questions = 0;
    for (const qor::DialogRequest &r : bench.dialogs->shown)
        questions += r.kind == qor::DialogRequest::Confirmation;
    EXPECT_EQ(questions, 2);
    for (const qor::DialogRequest &r : bench.dialogs->shown)
        if (r.kind == qor::DialogRequest::Confirmation)
            EXPECT_EQ(r.buttons, (QStringList{"Sim", "Não"}));
    EXPECT_TRUE(bench.dialogs->texts().last().contains("c:\\nada\\x.pas"));
    EXPECT_TRUE(bench.dialogs->texts().last().startsWith("Não foi possível recuperar a release gerada"));
    EXPECT_EQ(bench.remote.count("SetReleaseAtuSVN"), 0);
    EXPECT_EQ(recorder.falhas, 1);
    EXPECT_EQ(bench.remote.uses, 0);
}

TEST(MetadataRelease, OnlyOnTheLumetraPlatformAndOnlyANumberGoesOn)
{
    Link link;
    APR_REQUIRE_COMPONENT(link.start(), "apr-server", link.process.why());
    Bench bench;
    bench.usuario = "SVN_demo";
    Recorder recorder;
    GravaRelease grava(bench.fluxo, link.remote, recorder.hooks());
    const workflow::RegistroPlano t001{"0001", "0000005016", "00001", "03.00.01"};
    bench.fluxo.setPlataforma(vcs::PlataformaProduto::Delphi);
    grava.Grava_Release_MetaDados(t001);
    EXPECT_EQ(bench.modulo.stReleaseMetaDados, "");
    bench.fluxo.setPlataforma(vcs::PlataformaProduto::ProdutoLumetra);
    grava.Grava_Release_MetaDados(t001);
    EXPECT_EQ(bench.modulo.stReleaseMetaDados, "42");
    EXPECT_EQ(recorder.progresso.last(), "Release Metadados: 42");
    grava.Grava_Release_MetaDados(t001);
    EXPECT_EQ(bench.modulo.stReleaseMetaDados, "43");

    EXPECT_THROW(grava.Grava_Release_MetaDados({"0001", "0000005019", "00001", "03.00.02"}), qor::EAbort);
    EXPECT_EQ(bench.dialogs->texts().last(), workflow::ReleaseTexts().Msg("PROD_NAO_PARAM"));
    EXPECT_EQ(recorder.falhas, 1);

    // An empty answer is the server's failure, named with the product, not a number to commit.
    GravaRelease vazio(bench.fluxo, bench.remote, recorder.hooks());
    bench.remote.answers["ReleaseMetaDados"] = "";
    EXPECT_THROW(vazio.Grava_Release_MetaDados(t001), qor::EAbort);
    EXPECT_TRUE(bench.dialogs->texts().last().contains("03.00.01"));
    EXPECT_EQ(bench.modulo.stReleaseMetaDados, "");
    bench.remote.answers["ReleaseMetaDados"] = "ERRO_OUTRA";
    EXPECT_THROW(vazio.Grava_Release_MetaDados(t001), qor::EAbort);
    EXPECT_EQ(bench.dialogs->shown.back().kind, qor::DialogRequest::Detail);
    EXPECT_EQ(bench.dialogs->shown.back().detail, "OUTRA");
    EXPECT_EQ(recorder.falhas, 3);
}

TEST(ScriptTriggers, ConclusionOpensTheScriptWindowOnlyWhereItIsNeeded)
{
    Link link;
    APR_REQUIRE_COMPONENT(link.start(), "apr-server", link.process.why());
    Bench bench;
    Recorder recorder;
    GravaRelease grava(bench.fluxo, link.remote, recorder.hooks());
    bool &marcado = scripts::Scripts().boArquivoMarcado;

    marcado = false;
    bench.fluxo.setPlataforma(vcs::PlataformaProduto::Delphi);
    grava.Anexa_Arquivo_Geracao("P401", "0001", "0000012001", "0000011265");   // no scripts for it
    EXPECT_TRUE(marcado);
    marcado = false;
    grava.Anexa_Arquivo_Geracao("P300", "0001", "0000012023", "0000011045");   // not under version control
    EXPECT_TRUE(marcado);
    marcado = false;
    bench.fluxo.setPlataforma(vcs::PlataformaProduto::Asp);
    grava.Anexa_Arquivo_Geracao("P150", "0001", "0000012011", "0000011045");  // ASP platform, patch mode
    EXPECT_TRUE(marcado);
    EXPECT_TRUE(recorder.abertos.isEmpty());
    marcado = false;
    bench.fluxo.setPlataforma(vcs::PlataformaProduto::Delphi);
    grava.Anexa_Arquivo_Geracao("P401", "0001", "0000012001", "0000011045");
    bench.fluxo.setPlataforma(vcs::PlataformaProduto::Asp);
    grava.Anexa_Arquivo_Geracao("P150", "0001", "0000012011", "0000011270");  // modelling on any platform
    EXPECT_FALSE(marcado);
    EXPECT_EQ(recorder.abertos, (QStringList{"0001/0000012001/P401/0000011045", "0001/0000012011/P150/0000011270"}));

    recorder.abertos.clear();
    link.remote.call("SetArqCheckout", {"0001", kTask, kActivity, "0", "c:\\p\\default.asp"});
    link.remote.call("SetArqCheckout", {"0001", kTask, kActivity, "1", "c:\\p.d\\LEIAME"});
    grava.Anexo_Arquivo_Geracao_Asp("0001", kTask, kActivity, "0000012001", "P401", "0000011045");
    EXPECT_TRUE(recorder.abertos.isEmpty());
    link.remote.call("SetArqCheckout", {"0001", kTask, kActivity, "2", "c:\\p\\uCad.PAS"});
    grava.Anexo_Arquivo_Geracao_Asp("0001", kTask, kActivity, "0000012001", "P401", "0000011045");
    EXPECT_EQ(recorder.abertos.size(), 1);
}
