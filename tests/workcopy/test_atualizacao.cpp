// The product update: the 12:30 rules, the pairing of directories, the control
// file (also when it is corrupt or its writer is killed), and real updates.
#include "support.h"
#include "host/abort.h"
#include "workcopy/arquivocontrole.h"
#include "workcopy/atualizacaoproduto.h"
#include "workcopy/renomeiadiretorios.h"
#include "workcopy/textos.h"
#include <QJsonArray>
#include <csignal>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace wctest;
using workcopy::ArquivoControle;
using workcopy::AtualizacaoProduto;

namespace {

QDateTime at(const QString &text)
{
    return QDateTime::fromString(text, "dd/MM/yyyy HH:mm");
}

QString abortOf(const std::function<void()> &action)
{
    try {
        action();
    } catch (const qor::EAbort &abort) {
        return abort.message();
    }
    return {};
}

// The window's side of the services, over a Bench.
struct Janela {
    explicit Janela(Bench &bench) : ctx{bench.fluxo, stDirArqSV, escolhida, cdsOperDesenv, cdsParamVersao}
    {
        ctx.progresso = bench.sink;
        ctx.paths = bench.paths;
        ctx.agora = [this] { return agora; };
        ctx.barra = [this](int p) { barra << p; };
        ctx.confirmacao = [this](bool on) { confirmacao = on; };
        ctx.desabilitaBotoes = [this] { ++desabilitou; };
        cdsOperDesenv.setData(Packet({"NMLOGIN"}, {{"w"}}));
    }
    QString stDirArqSV = "c:\\svnupdate";
    bool escolhida = true;
    qor::RecordSet cdsOperDesenv, cdsParamVersao;
    QDateTime agora = at("10/03/2026 09:00");
    QList<int> barra;
    bool confirmacao = false;
    int desabilitou = 0;
    workcopy::WorkCopyContext ctx;
};

}

TEST(Regras1230, TheExamples)
{
    // Same day 11:50, now 12:31: only the 12:30 rule; 12:30 itself counts on neither side.
    auto v = AtualizacaoProduto::Vence("10/03/2026 11:50:00", at("10/03/2026 12:31"));
    EXPECT_TRUE(v.devido());
    EXPECT_FALSE(v.outroDia);
    EXPECT_FALSE(AtualizacaoProduto::Vence("10/03/2026 11:50:00", at("10/03/2026 12:30")).devido());
    EXPECT_FALSE(AtualizacaoProduto::Vence("10/03/2026 12:30:00", at("10/03/2026 15:00")).devido());
    // Yesterday 10:00, now 14:00: both.
    v = AtualizacaoProduto::Vence("09/03/2026 10:00:00", at("10/03/2026 14:00"));
    EXPECT_TRUE(v.outroDia);
    EXPECT_TRUE(v.depoisDas1230);
    // Today 13:00: not due on the same day.
    EXPECT_FALSE(AtualizacaoProduto::Vence("10/03/2026 13:00:00", at("10/03/2026 18:00")).devido());
}

TEST(CaminhoControle, DirectoryFormsAndAPath)
{
    EXPECT_EQ(ArquivoControle::CompletaCaminho("D:\\upd\\"), "D:\\upd\\svnupdate_workdir.cds");
    EXPECT_EQ(ArquivoControle::CompletaCaminho("D:\\upd"), "D:\\upd\\svnupdate_workdir.cds");
    EXPECT_EQ(ArquivoControle::CompletaCaminho("D:\\upd\\svnupdate_workdir.cds"), "D:\\upd\\svnupdate_workdir.cds");
}

TEST(Pares, InOrderWithCInFrontAndTheVerdictOfUnevenLists)
{
    Bench bench;
    Janela janela(bench);
    AtualizacaoProduto update(janela.ctx);
    update.Preenche_Diretorios_Atualiza("C:\\Sistemas\\A;\\b", "/A/trunk;/B/trunk");
    ASSERT_EQ(update.cdsDiretoriosGet.recordCount(), 2);
    update.cdsDiretoriosGet.first();
    EXPECT_EQ(update.cdsDiretoriosGet.textOf("DIRCOPTRAB"), "c:\\sistemas\\a");
    EXPECT_EQ(update.cdsDiretoriosGet.textOf("DIRREPSVN"), "/a/trunk");
    update.cdsDiretoriosGet.next();
    EXPECT_EQ(update.cdsDiretoriosGet.textOf("DIRCOPTRAB"), "c:\\b");
    EXPECT_EQ(abortOf([&] { update.Preenche_Diretorios_Atualiza("c:\\a;c:\\b", "/a"); }), workcopy::Msg("Erro_Rep"));
    EXPECT_EQ(update.cdsDiretoriosGet.recordCount(), 1);
    EXPECT_EQ(abortOf([&] { update.Preenche_Diretorios_Atualiza("c:\\a", "/a;/b"); }), workcopy::Msg("Erro_Cop_Trab"));
    EXPECT_EQ(abortOf([&] { update.Preenche_Diretorios_Atualiza("", "/a"); }), workcopy::Msg("Dir_Get_Cop_Trab"));
    EXPECT_EQ(abortOf([&] { update.Preenche_Diretorios_Atualiza("c:\\a", ""); }), workcopy::Msg("Dir_Get_Rep"));
}

TEST(ArquivoDeControle, ACorruptOrForeignFileIsReportedAndTreatedAsAbsent)
{
    Bench bench;
    ArquivoControle controle(bench.paths);
    const QString path = "c:\\svnupdate\\svnupdate_workdir.cds";
    bench.write(path, "\x01\x02 nada disso");
    EXPECT_FALSE(controle.carrega(path));
    EXPECT_EQ(controle.registros().recordCount(), 0);
    ASSERT_EQ(bench.dialogs->shown.size(), 1u);
    EXPECT_EQ(bench.dialogs->shown[0].text, workcopy::MsgF("CONTROLE_ILEGIVEL", {path}));
    // A record set of another kind saved in its place.
    qor::RecordSet foreign;
    foreign.setData(Packet({"OUTRO"}, {{"x"}}));
    ASSERT_TRUE(foreign.saveToFile(bench.host(path)));
    EXPECT_FALSE(controle.carrega(path));
    EXPECT_EQ(bench.dialogs->shown.size(), 2u);
    controle.registra("P401", at("01/03/2026 10:00"), at("10/03/2026 09:00"));
    controle.grava(path);
    ArquivoControle again(bench.paths);
    ASSERT_TRUE(again.carrega(path));
    ASSERT_TRUE(again.localiza("P401"));
    EXPECT_EQ(again.registros().textOf("DTULTIMOUPDATE"), "10/03/2026 09:00:00");
    EXPECT_EQ(again.registros().fieldByName("DTATUPRODSUBVER").asDateTime(), at("01/03/2026 10:00"));
}

TEST(ArquivoDeControle, AWriterKilledMidWriteLeavesTheOldFileWhole)
{
    Bench bench;
    const QString path = "c:\\svnupdate\\svnupdate_workdir.cds";
    {
        ArquivoControle controle(bench.paths);
        controle.registra("P401", at("01/03/2026 10:00"), at("10/03/2026 09:00"));
        controle.grava(path);
    }
    const QString dir = QFileInfo(bench.host(path)).path();
    const pid_t child = fork();
    if (child == 0) {
        ArquivoControle controle(bench.paths);
        QList<QVariantList> rows;
        for (int i = 0; i < 20000; ++i)
            rows << QVariantList{QString::number(i), "2026-03-01T10:00:00", "10/03/2026 09:00:00"};
        controle.registros().setData(Packet({"CDPRODUTO", "DTATUPRODSUBVER", "DTULTIMOUPDATE"}, rows));
        // The disk fills up mid-write: the kernel kills the writer (SIGXFSZ).
        const rlimit limit{64 * 1024, 64 * 1024};
        setrlimit(RLIMIT_FSIZE, &limit);
        controle.grava(path);
        _exit(0);
    }
    int status = 0;
    waitpid(child, &status, 0);
    ASSERT_TRUE(WIFSIGNALED(status)) << "the writer was not killed during its write";
    EXPECT_EQ(WTERMSIG(status), SIGXFSZ);
    ArquivoControle controle(bench.paths);
    ASSERT_TRUE(controle.carrega(path));
    EXPECT_EQ(controle.registros().recordCount(), 1);
    EXPECT_TRUE(controle.localiza("P401"));
}

TEST(VersaoDoCliente, MajorAndMinorAreReadWhole)
{
    int major = 0, minor = 0;
    ASSERT_TRUE(workcopy::RenomeiaDiretorios::LeVersao("1.14.2\n", major, minor));
    EXPECT_EQ(minor, 14);
    ASSERT_TRUE(workcopy::RenomeiaDiretorios::LeVersao("1.10.0", major, minor));
    EXPECT_EQ(minor, 10);
    ASSERT_TRUE(workcopy::RenomeiaDiretorios::LeVersao("1.6.17 (r1128011)", major, minor));
    EXPECT_EQ(minor, 6);
    EXPECT_FALSE(workcopy::RenomeiaDiretorios::LeVersao("svn: command not found", major, minor));
    EXPECT_FALSE(workcopy::RenomeiaDiretorios::LeVersao("", major, minor));
}

namespace {

// A product of two working copies of the test's repository area, on the c: drive.
class RealUpdate : public ::testing::TestWithParam<const char *> {
protected:
    void SetUp() override
    {
        APR_REQUIRE_COMPONENT(DavServer::instance().ok(), "Apache with mod_dav_svn", DavServer::instance().why);
        bench = std::make_unique<Bench>(GetParam());
        janela = std::make_unique<Janela>(*bench);
        bench->svn({"mkdir", "--parents", "-m", "SOL:1 area", bench->repo("trunk/fontes"), bench->repo("trunk/relatorios")});
        bench->svn({"checkout", bench->repo("trunk"), bench->host("c:\\sistemas\\prod\\p1")});
        bench->svn({"checkout", bench->repo("trunk"), bench->host("c:\\outra")});
        bench->write("c:\\outra\\fontes\\Unit1.pas", "unit Unit1;\n");
        bench->svn({"add", bench->host("c:\\outra\\fontes\\Unit1.pas")});
        bench->svn({"commit", "-m", "SOL:1 x", bench->host("c:\\outra")});
        dirs = "c:\\sistemas\\prod\\P1;c:\\sistemas\\prod\\p1\\relatorios";
        reps = "/" + bench->area + "/trunk;/" + bench->area + "/trunk/relatorios";
    }
    void produto(const QString &method, const QString &estado)
    {
        bench->remote.answers[method] = Packet({"CDPRODUTO", "NMPRODUTO", "DSDIRBASEVER", "DSDIRVSS", "DTATUPRODSUBVER"},
                                               {{"P401", "Produto Um", dirs, reps, estado}});
    }
    QStringList informacoes() const
    {
        QStringList out;
        for (const auto &r : bench->dialogs->shown)
            out << r.text;
        return out;
    }
    std::unique_ptr<Bench> bench;
    std::unique_ptr<Janela> janela;
    QString dirs, reps;
};

}

TEST_P(RealUpdate, TheStartUpUpdateRunsOncePerPlatformChoiceAndFollowsTheRules)
{
    produto("GetProdSVN", "2026-03-01T10:00:00");
    AtualizacaoProduto update(janela->ctx);
    update.Atualiza_Arq_Login();
    EXPECT_FALSE(janela->escolhida);
    EXPECT_EQ(informacoes(), QStringList{workcopy::MsgF("REALIZA_PRIMEIRO_UPDATE", {"Produto Um"})});
    EXPECT_TRUE(QFileInfo::exists(bench->host("c:\\sistemas\\prod\\p1\\fontes\\Unit1.pas")))
        << bench->progresso.join('\n').toStdString();
    EXPECT_EQ(janela->stDirArqSV, "c:\\svnupdate\\svnupdate_workdir.cds");
    EXPECT_EQ(janela->barra, (QList<int>{0, 500000, 1000000}));
    EXPECT_TRUE(janela->confirmacao);
    EXPECT_FALSE(bench->progresso.join('\n').contains(kPass));

    // The same choice: nothing more, whatever the server says.
    produto("GetProdSVN", "2026-03-09T10:00:00");
    update.Atualiza_Arq_Login();
    EXPECT_EQ(bench->remote.count("GetProdSVN"), 1);

    // A new choice, newer state, same day before 12:30: not due.
    janela->escolhida = true;
    janela->agora = at("10/03/2026 12:30");
    update.Atualiza_Arq_Login();
    EXPECT_EQ(informacoes().size(), 1);

    // After 12:30 it is due and brings the new revision.
    bench->write("c:\\outra\\fontes\\Unit1.pas", "unit Unit1; // 2\n");
    bench->svn({"commit", "-m", "SOL:2 x", bench->host("c:\\outra")});
    janela->escolhida = true;
    janela->agora = at("10/03/2026 12:31");
    update.Atualiza_Arq_Login();
    EXPECT_EQ(informacoes().last(), workcopy::MsgF("REALIZA_UPDATE_1230", {"Produto Um", "10/03/2026", "09:00"}));
    EXPECT_EQ(ReadAll(bench->host("c:\\sistemas\\prod\\p1\\fontes\\Unit1.pas")), "unit Unit1; // 2\n");
    ArquivoControle controle(bench->paths);
    ASSERT_TRUE(controle.carrega(janela->stDirArqSV));
    ASSERT_TRUE(controle.localiza("P401"));
    EXPECT_EQ(controle.registros().textOf("DTULTIMOUPDATE"), "10/03/2026 12:31:00");
}

TEST_P(RealUpdate, AFailingPairStopsTheUpdateBeforeAnythingRuns)
{
    produto("GetProdMercado", "2026-03-01T10:00:00");
    reps = "/" + bench->area + "/trunk;/" + bench->area + "/trunk/fontes";
    produto("GetProdMercado", "2026-03-01T10:00:00");
    AtualizacaoProduto update(janela->ctx);
    EXPECT_EQ(abortOf([&] { update.Atualiza_Arq_Prod_Merc("P401"); }),
              workcopy::MsgF("Atu_canc_rep_erro", {"c:\\sistemas\\prod\\p1\\relatorios"}));
    EXPECT_FALSE(QFileInfo::exists(bench->host("c:\\sistemas\\prod\\p1\\fontes\\Unit1.pas")));
    EXPECT_FALSE(QFileInfo::exists(bench->host("c:\\svnupdate\\svnupdate_workdir.cds")));
    EXPECT_EQ(janela->desabilitou, 0);
    dirs = "c:\\sistemas\\prod\\p1;c:\\sistemas\\prod\\nao";
    reps = "/" + bench->area + "/trunk;/" + bench->area + "/trunk/relatorios";
    produto("GetProdMercado", "2026-03-01T10:00:00");
    EXPECT_EQ(abortOf([&] { update.Atualiza_Arq_Prod_Merc("P401"); }),
              workcopy::MsgF("Atu_canc_cop_n_existe", {"c:\\sistemas\\prod\\nao"}));
}

INSTANTIATE_TEST_SUITE_P(Languages, RealUpdate, ::testing::Values("C", "pt_BR.UTF-8"),
                         [](const auto &info) { return std::string(info.param[0] == 'C' ? "C" : "pt_BR"); });
