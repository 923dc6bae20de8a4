// The check-in's decisions over a scripted application server: when it runs
// at all, when it asks, where the working copy is and what a cancelled
// selection leaves. Nothing here reaches the repository.
#include "checkoutsupport.h"
#include "workflow/checkin.h"

using namespace chktest;

namespace {

class RegrasCheckin : public ::testing::Test {
protected:
    void SetUp() override
    {
        RespostasPadrao(bench.remote);
        bench.remote.answers["GetArqCheckout"] = Packet({"NMARQUIVO", "IDADICIONADODEPOIS"}, {});
        bench.write(backup + "uCadCli.pas", "original\n");
        hooks.raizBackup = [] { return QStringLiteral("h:\\workdir\\"); };
        hooks.mostraAnimacao = [](const QString &) {};
        hooks.fechaAnimacao = [] {};
        hooks.filial = [] { return QStringLiteral("0001"); };
        hooks.operador = [] { return QStringLiteral("000000000001"); };
        hooks.selecao = [this](workflow::WorkflowContext &, workflow::PlataformaProduto,
                               const workflow::SelecaoCheckin &v, bool &ok) {
            selecoes.push_back(v);
            ok = false;   // the operator cancels
        };
    }
    QString realiza(const QString &processo = "0000011045", const QString &base = "\\prod\\chk")
    {
        workflow::Checkin checkin(bench.fluxo, janela.ctx, bo, hooks);
        workflow::PedidoCheckin pedido{"P401", processo, "0001", kRequest, kTask, kActivity, "0000000100",
                                       "http://127.0.0.1:1/r/chk/trunk", base};
        return AbortOf([&] { realizou = checkin.Realiza_Checkin(pedido); });
    }
    bool comBackup() const { return QFileInfo::exists(bench.host(backup + "uCadCli.pas")); }
    int perguntas() const { return bench.dialogs->count(qor::DialogRequest::Confirmation); }

    const QString backup = "h:\\workdir\\w\\" + kRequest + "\\" + kTask + "\\" + kActivity + "\\";
    Bench bench;
    Janela janela{bench};
    workflow::CheckinHooks hooks;
    std::vector<workflow::SelecaoCheckin> selecoes;
    bool bo = true, realizou = false;
};

}

TEST_F(RegrasCheckin, AProcessWithoutCheckinRunsNothing)
{
    EXPECT_EQ(realiza("0000099999"), "");
    EXPECT_FALSE(realizou);
    EXPECT_TRUE(bench.remote.calls.empty());
    EXPECT_TRUE(comBackup());
    EXPECT_EQ(realiza("0000013022"), "");   // one of the four check-in-only processes
    EXPECT_TRUE(realizou);
}

TEST_F(RegrasCheckin, AProductOutOfVersionControlOnlyRemovesTheBackup)
{
    bench.remote.answers["GetProdSubv"] = Packet({"IDPRODCONTRSUBV"}, {{"N"}});
    EXPECT_EQ(realiza(), "");
    EXPECT_TRUE(realizou);
    EXPECT_EQ(perguntas(), 0);
    EXPECT_TRUE(bench.runner->runner().results().isEmpty());
    EXPECT_EQ(bench.remote.count("SetDataAtuProd"), 0);
    EXPECT_TRUE(bo) << "unchanged";
    EXPECT_FALSE(comBackup());
}

// Leaving the question with Escape is no answer: nothing is unlocked,
// committed or recorded, and the activity keeps its backup.
TEST_F(RegrasCheckin, EscapeOnTheQuestionNeitherConfirmsNorUnlocks)
{
    bench.dialogs->answer(-1);
    realiza();
    EXPECT_FALSE(realizou);
    ASSERT_EQ(perguntas(), 1);
    const qor::DialogRequest &pergunta = bench.dialogs->shown.front();
    EXPECT_EQ(pergunta.escapeButton, qor::DialogRequest::NoButton);
    EXPECT_EQ(pergunta.buttons, QStringList({"CONFIRMAR ATIVIDADE", "APENAS DESBLOQUEAR"}));
    EXPECT_TRUE(selecoes.empty());
    EXPECT_TRUE(bench.runner->runner().results().isEmpty());
    EXPECT_EQ(bench.remote.count("GetArqCheckout"), 0);
    EXPECT_EQ(bench.remote.count("SetDataAtuProd"), 0);
    EXPECT_TRUE(comBackup());
}

// The operator cancels the selection: nothing is sent, the product's date
// moves on, and the backup of his work stays (nothing of it reached the repository).
TEST_F(RegrasCheckin, ACancelledSelectionKeepsTheBackup)
{
    bench.dialogs->answer(0);
    EXPECT_EQ(realiza("0000011045", "C:\\Prod\\chk"), "");
    ASSERT_EQ(selecoes.size(), 1u);
    EXPECT_EQ(selecoes[0].diretorioBase, "C:\\Prod\\chk\\");   // a drive given is kept
    EXPECT_EQ(selecoes[0].tipoItem, "03");
    EXPECT_EQ(selecoes[0].itemTrab, "0000000100");
    EXPECT_FALSE(bo);
    EXPECT_EQ(bench.remote.count("SetDataAtuProd"), 1);
    EXPECT_TRUE(comBackup());
    EXPECT_TRUE(bench.dialogs->texts().value(0).startsWith("Ao Confirmar a atividade"));
}

TEST_F(RegrasCheckin, ChecksOfTheChoiceAndTheDirectories)
{
    bench.dialogs->answer(0);
    EXPECT_EQ(realiza("0000011045", ""), workcopy::Msg("Dir_CopTrab_SV"));
    bench.remote.answers["GetDirItemTrab"] = Packet({"DSDIRARQFONTIT"}, {});
    bench.dialogs->answer(0);
    EXPECT_EQ(realiza(), workcopy::Msg("Dir_Copia_Trab_Inv"));
    EXPECT_TRUE(selecoes.empty());
    EXPECT_TRUE(comBackup());
    EXPECT_FALSE(bench.modulo.boOperaSubversion);

    // The Lumetra products' platform never asks.
    janela.plataforma(workflow::PlataformaProduto::ProdutoLumetra);
    bench.remote.answers["GetDirItemTrab"] = Packet({"DSDIRARQFONTIT"}, {{"\\Fontes\\Cad"}});
    const int antes = perguntas();
    EXPECT_EQ(realiza(), "");
    EXPECT_EQ(perguntas(), antes);
    EXPECT_EQ(selecoes.size(), 1u);
}
