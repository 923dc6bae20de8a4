// "Update Version" against the real application server with the demo seed:
// the menu's products, a missing copy of a Lumetra product checked out fresh,
// and the start-up update that then has nothing to do.
#include "support.h"
#include "../server/serverprocess.h"
#include "server/connectionuses.h"
#include "server/netconnection.h"
#include "server/netremoteserver.h"
#include "workcopy/arquivocontrole.h"
#include "workcopy/atualizacaoproduto.h"
#include "workcopy/operacoesproduto.h"

using namespace wctest;

class RealServer : public ::testing::TestWithParam<const char *> {};

TEST_P(RealServer, TheMenuListsThePlatformsProductsAndPickingOneChecksItsCopyOut)
{
    APR_REQUIRE_COMPONENT(DavServer::instance().ok(), "Apache with mod_dav_svn", DavServer::instance().why);
    testsupport::ServerProcess apr;
    APR_REQUIRE_COMPONENT(apr.start(APR_SERVER), "apr-server", apr.why());
    Bench bench(GetParam());
    bench.svn({"mkdir", "--parents", "-m", "SOL:1 produto", DavServer::instance().url + "/T001/trunk/fontes"});
    server::TNetConnection connection;
    connection.Host = apr.host();
    connection.Port = apr.port();
    connection.Token = apr.token();
    server::ConnectionUses uses;
    server::NetRemoteServer remote(connection, uses);
    QStringList a, b, c, d, renomeados;
    bench.modulo.stProdTrabIni = "T";
    bench.modulo.stProdTrabFin = "Tzzz";
    vcs::SvnClient svn(bench.usuario, bench.senha);
    workflow::WorkflowContext fluxo(bench.modulo, remote, svn, {a, b, c, d, renomeados});
    fluxo.setRunner(bench.runner.get());
    QString stDirArqSV = "c:\\svnupdate";
    bool escolhida = false;
    qor::RecordSet operDesenv, paramVersao;
    operDesenv.setData(Packet({"NMLOGIN"}, {{"w"}}));
    workcopy::WorkCopyContext ctx{fluxo, stDirArqSV, escolhida, operDesenv, paramVersao};
    ctx.paths = bench.paths;
    ctx.progresso = bench.sink;
    fluxo.setPlataforma(vcs::PlataformaProduto::ProdutoLumetra);
    ctx.raizRepositorio = DavServer::instance().url;

    workcopy::AtualizacaoProduto atualizacao(ctx);
    ASSERT_TRUE(atualizacao.CarregaVersoes());
    QStringList nomes;
    for (paramVersao.first(); !paramVersao.eof(); paramVersao.next())
        nomes << paramVersao.textOf("NMPRODUTO");
    EXPECT_EQ(nomes, (QStringList{"Lumetra Estoque", "Lumetra Compras"}));

    workcopy::OperacoesProduto(ctx).ClicaPopMenu("Lumetra &Estoque");
    EXPECT_TRUE(QFileInfo(bench.host("c:\\sistemas\\prod\\T001\\fontes")).isDir()) << bench.progresso.join('\n').toStdString();
    EXPECT_TRUE(QFileInfo(bench.host("c:\\sistemas\\prod\\T001") + "/.svn").isDir());
    workcopy::ArquivoControle controle(bench.paths);
    ASSERT_TRUE(controle.carrega(stDirArqSV));
    EXPECT_TRUE(controle.localiza("T001"));
    const QString gravado = controle.registros().textOf("DTULTIMOUPDATE");

    // The platform is chosen: the product is up to date here, so nothing runs.
    escolhida = true;
    const qsizetype comandos = bench.runner->runner().results().size();
    atualizacao.Atualiza_Arq_Login();
    EXPECT_FALSE(escolhida);
    EXPECT_EQ(bench.runner->runner().results().size(), comandos);
    ASSERT_TRUE(controle.carrega(stDirArqSV));
    ASSERT_TRUE(controle.localiza("T001"));
    EXPECT_EQ(controle.registros().textOf("DTULTIMOUPDATE"), gravado);
    EXPECT_EQ(uses.count("netZEL") + uses.count(""), 0);
    fluxo.setRunner(nullptr);
}

INSTANTIATE_TEST_SUITE_P(Languages, RealServer, ::testing::Values("C", "pt_BR.UTF-8"),
                         [](const auto &info) { return std::string(info.param[0] == 'C' ? "C" : "pt_BR"); });
