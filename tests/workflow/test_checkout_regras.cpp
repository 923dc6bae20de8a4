// The check-out's decisions over a scripted application server: which checks
// run, what the operator is asked and told, and what is undone on the way out.
// No file is chosen here, so no lock is asked for.
#include "checkoutsupport.h"

using namespace chktest;
using workflow::Checkout;

namespace {

class Regras : public ::testing::Test {
protected:
    void SetUp() override
    {
        RespostasPadrao(bench.remote);
        QDir().mkpath(bench.host("c:\\prod\\chk\\Fontes\\Cad"));
        bench.write("c:\\prod\\chk\\Fontes\\Cad\\uCadCli.pas", "unit uCadCli;\n");
        janela.repositorio = "http://127.0.0.1:1/r/chk/trunk";
    }
    QString realiza(const QString &processo = "0000011045")
    {
        return AbortOf([&] { janela.novo()->Realiza_Checkout(janela.pedido(processo)); });
    }
    int perguntas() const { return bench.dialogs->count(qor::DialogRequest::Confirmation); }
    Bench bench;
    Janela janela{bench};
};

}

TEST_F(Regras, AProductOutOfVersionControlDoesNothing)
{
    bench.remote.answers["GetProdSubv"] = Packet({"IDPRODCONTRSUBV"}, {{"N"}});
    EXPECT_EQ(realiza(), "");
    for (const char *m : {"GetVdsolitemtrab", "GetItemTarefa", "SetCheckout", "ClearArqCheckout", "GetVdRelacItTrabProd"})
        EXPECT_EQ(bench.remote.count(m), 0) << m;
    EXPECT_TRUE(janela.selecoes.empty());
    EXPECT_TRUE(bench.runner->runner().results().isEmpty());
    EXPECT_FALSE(bench.modulo.boOperaSubversion);
}

TEST_F(Regras, OutsideTheDevelopmentProcessesNoCheckRuns)
{
    // Even a work item held by someone else and pending activities go unseen.
    bench.remote.answers["GetVdsolitemtrab"] = Packet({"NRSOLISERV", "NRTAREFA", "NRPLATIVTARE", "STATUSATIV"},
                                                      {{"0000012999", "0000005999", "00001", "ANDAMENTO"}});
    bench.remote.answers["Getativpen"] = Packet({"IDALTSTATUSPEND"}, {{"S"}});
    EXPECT_EQ(realiza("0000099999"), "");
    for (const char *m : {"GetVdsolitemtrab", "SetStatusAtivPen", "Getativpen", "GetDirProd", "GetOperador"})
        EXPECT_EQ(bench.remote.count(m), 0) << m;
    ASSERT_EQ(janela.selecoes.size(), 1u);
    EXPECT_EQ(janela.selecoes[0].modo, "");
    EXPECT_EQ(janela.selecoes[0].tipoItem, "03");
    EXPECT_EQ(janela.selecoes[0].diretorioBase, "c:\\prod\\chk\\");
    // Step 6: the relation did not exist, so it is inserted, for the host's operator.
    ASSERT_EQ(bench.remote.count("SetCheckout"), 1);
    EXPECT_EQ(bench.remote.calls.back().method, "SetCheckout");
    EXPECT_EQ(bench.remote.calls.back().args,
              (QJsonArray{"000000000001", "0000000100", "S", "P401", "I"}));
    EXPECT_FALSE(bench.modulo.boOperaSubversion);
}

TEST_F(Regras, OtherRequestsOnTheWorkItemMarkThePendingAndNameThem)
{
    const QStringList campos{"NRSOLISERV", "NRTAREFA", "NRPLATIVTARE", "STATUSATIV"};
    bench.remote.answers["GetVdsolitemtrab"] = Packet(campos, {{"0000012999", "0000005999", "00002", "ANDAMENTO"}});
    EXPECT_EQ(realiza(), "<silent>");
    ASSERT_EQ(bench.remote.count("SetStatusAtivPen"), 1);
    const qor::DialogRequest &um = bench.dialogs->shown.back();
    EXPECT_EQ(um.kind, qor::DialogRequest::Error);
    EXPECT_EQ(um.title, qor::ApplicationTitle());
    // The request that holds the item, not the operator's own.
    EXPECT_EQ(um.text, workcopy::Msg("ITEM_INDI") + "\r\r Solicitação: 0000012999  Tarefa: 0000005999  Atividade: 00002"
                           "  Status: ANDAMENTO\r\r" + workcopy::Msg("MSG_VDSOLITTRAB1"));

    bench.remote.answers["GetVdsolitemtrab"] =
        Packet(campos, {{"0000012999", "0000005999", "00002", "ANDAMENTO"}, {"0000013000", "0000006000", "00001", "PENDENTE"}});
    EXPECT_EQ(realiza(), "<silent>");
    EXPECT_EQ(bench.dialogs->shown.back().text,
              workcopy::Msg("ITEM_INDIS") + "\r\r Solicitação: 0000012999  Tarefa: 0000005999  Atividade: 00002  Status: ANDAMENTO\r"
                  " Solicitação: 0000013000  Tarefa: 0000006000  Atividade: 00001  Status: PENDENTE\r\r\r"
                  + workcopy::Msg("MSG_VDSOLITTRAB2"));
    EXPECT_EQ(bench.remote.count("SetStatusAtivPen"), 2);
    EXPECT_EQ(bench.remote.count("GetItemTarefa"), 0);   // DoCheckOut never started
    EXPECT_EQ(bench.remote.count("ClearArqCheckout"), 0);
    EXPECT_EQ(bench.remote.uses, 0);
    EXPECT_FALSE(bench.modulo.boOperaSubversion);
}

TEST_F(Regras, AWorkItemHeldByAnOperatorNamesHim)
{
    bench.remote.answers["GetVdRelacItTrabProd"] = Packet({"CDPRODUTO", "CDITEMTRAB", "IDSITCHECKOUT", "CDOPCHECKOUT"},
                                                          {{"P401", "0000000100", "S", "000000000007"}});
    bench.remote.answers["GetOperador"] = Packet({"CDOPERADOR", "NMOPERADOR"}, {{"000000000007", "FULANO DE TAL"}});
    EXPECT_EQ(realiza(), workcopy::Msg("Arq_Checkout_Usu") + "\r\n000000000007 - FULANO DE TAL");
    for (const wctest::FakeServer::Call &c : bench.remote.calls)
        if (c.method == "GetOperador")
            EXPECT_EQ(c.args, QJsonArray{"000000000007"});
    EXPECT_EQ(bench.remote.count("SetCheckout"), 0);
}

TEST(CheckoutDiretorios, SlashAndDriveRules)
{
    EXPECT_EQ(Checkout::ComBarraFinal("http://h/r/p"), "http://h/r/p/");
    EXPECT_EQ(Checkout::ComBarraFinal("http://h/r/p/"), "http://h/r/p/");
    EXPECT_EQ(Checkout::BaseDaCopia("\\Sistemas\\Prod"), "c:\\Sistemas\\Prod\\");
    EXPECT_EQ(Checkout::BaseDaCopia("d:\\x"), "d:\\x\\");
    EXPECT_EQ(Checkout::BaseDaCopia("D:\\x\\"), "D:\\x\\");
    EXPECT_EQ(Checkout::BaseDaCopia("C:\\Sistemas\\"), "C:\\Sistemas\\");
    EXPECT_EQ(Checkout::BaseDaCopia("c:\\Sistemas\\"), "c:\\Sistemas\\");
}

TEST_F(Regras, TheBaseAndURLOfTheCheckoutAreKeptAndAMissingOneIsUndone)
{
    janela.base = "\\prod\\chk";
    EXPECT_EQ(realiza(), "");
    EXPECT_EQ(bench.modulo.stDirVss, "http://127.0.0.1:1/r/chk/trunk/");
    EXPECT_EQ(bench.modulo.stDiretorio, "c:\\prod\\chk\\");

    janela.repositorio.clear();
    EXPECT_EQ(realiza(), workcopy::Msg("Dir_Rep_SV"));
    janela.repositorio = "x";
    janela.base.clear();
    EXPECT_EQ(realiza(), workcopy::Msg("Dir_CopTrab_SV"));
    // Each failure inside the check-out clears the activity's list.
    EXPECT_EQ(bench.remote.count("ClearArqCheckout"), 2);
    for (const wctest::FakeServer::Call &c : bench.remote.calls)
        if (c.method == "ClearArqCheckout")
            EXPECT_EQ(c.args, (QJsonArray{"0001", kTask, kActivity}));
    EXPECT_TRUE(janela.confirmacao);
}

// The list was recorded under the activity's own branch: a failure clears it
// there, also when the operator signed in at another branch.
TEST_F(Regras, AFailureClearsTheListOfTheActivitysBranch)
{
    janela.repositorio.clear();
    workflow::PedidoCheckout pedido = janela.pedido();
    pedido.filial = "0002";
    EXPECT_EQ(AbortOf([&] { janela.novo()->Realiza_Checkout(pedido); }), workcopy::Msg("Dir_Rep_SV"));
    std::vector<QJsonArray> limpezas;
    for (const wctest::FakeServer::Call &c : bench.remote.calls)
        if (c.method == "ClearArqCheckout")
            limpezas.push_back(c.args);
    ASSERT_EQ(limpezas.size(), 1u);
    EXPECT_EQ(limpezas.front(), (QJsonArray{"0002", kTask, kActivity}));
}

TEST_F(Regras, SqlDirectoriesBelongToTheModellingGroups)
{
    bench.remote.answers["GetDirItemTrab"] = Packet({"DSDIRARQFONTIT"}, {{"\\Banco\\sql\\Scripts"}, {"\\Fontes\\Cad"}});
    EXPECT_EQ(realiza(), workcopy::Msg("Ativ_SQL"));
    EXPECT_TRUE(janela.selecoes.empty());
    for (const char *grupo : {"25", "68"}) {
        janela.cdsOperDesenv.setData(Packet({"NMLOGIN", "CDGRUPOPER"}, {{"w", grupo}}));
        QDir().mkpath(bench.host("c:\\prod\\chk\\Banco\\sql\\Scripts"));
        bench.write("c:\\prod\\chk\\Banco\\sql\\Scripts\\cadcli.sql", "--\n");
        EXPECT_EQ(realiza(), "") << grupo;
    }
    EXPECT_EQ(janela.selecoes.size(), 2u);
}

TEST_F(Regras, ScriptQuestionNewEndsChangeGoesOnCancelAborts)
{
    const QString script = "0000011270";
    bench.dialogs->answer(0);   // NOVO SCRIPT
    EXPECT_EQ(realiza(script), "");
    const qor::DialogRequest &q = bench.dialogs->shown.back();
    EXPECT_EQ(q.text, workcopy::Msg("SCRIPT"));
    EXPECT_EQ(q.buttons, (QStringList{"NOVO SCRIPT", "ALTERAR SCRIPT", "CANCELAR"}));
    EXPECT_TRUE(janela.selecoes.empty());
    EXPECT_EQ(bench.remote.count("ClearArqCheckout"), 0);

    bench.dialogs->answer(1);   // ALTERAR SCRIPT: the modelling selection
    EXPECT_EQ(realiza(script), "");
    ASSERT_EQ(janela.selecoes.size(), 1u);
    EXPECT_EQ(janela.selecoes[0].modo, "MODELAGEM");
    EXPECT_EQ(janela.selecoes[0].tipoItem, "04");

    bench.dialogs->answer(2);   // CANCELAR with the progress panel hidden
    EXPECT_EQ(realiza(script), "<silent>");
    EXPECT_EQ(janela.grade, 1);
    EXPECT_EQ(bench.remote.count("ClearArqCheckout"), 1);
    janela.painel = true;
    bench.dialogs->answer(2);
    EXPECT_EQ(realiza(script), "<silent>");
    EXPECT_EQ(janela.grade, 1);
    EXPECT_EQ(perguntas(), 4);
}

TEST_F(Regras, NewReportOnlyAsksForMissingDirectories)
{
    bench.remote.answers["GetItemTarefa"] = Packet({"CDITEMTRAB", "NMITEMTRAB", "CDREDUITTRAB", "CDTIPOITTRAB"},
                                                   {{"0000000100", "RELATORIO", "ZZZZZZ", "01"}});
    bench.dialogs->answer(0);   // NOVO RELATÓRIO: no file search, so no question about "ZZZZZZ"
    EXPECT_EQ(realiza(), "");
    EXPECT_EQ(bench.dialogs->shown.back().buttons, (QStringList{"NOVO RELATÓRIO", "ALTERAR RELATÓRIO", "CANCELAR"}));
    EXPECT_EQ(bench.dialogs->shown.size(), 1u);
    EXPECT_TRUE(janela.selecoes.empty());

    bench.dialogs->answer(1);   // ALTERAR RELATÓRIO: the search finds nothing; "Não": the directory is wrong
    bench.dialogs->answer(1);
    EXPECT_EQ(realiza(), workcopy::Msg("Dir_Copia_Trab_Inv"));
    EXPECT_EQ(bench.dialogs->shown[2].kind, qor::DialogRequest::Question);
    EXPECT_EQ(bench.dialogs->shown[2].text,
              workcopy::Msg("Local_Arq") + " \\Fontes\\Cad." + workcopy::Msg("ATIV_ITEM"));
    bench.dialogs->answer(2);
    EXPECT_EQ(realiza(), "<silent>");
}

TEST_F(Regras, TheFileSearchOfDelphiProducts)
{
    // Type "02" searches by the name: nothing holds "CADAST", "Sim" makes it a new work item.
    bench.remote.answers["GetItemTarefa"] = Packet({"CDITEMTRAB", "NMITEMTRAB", "CDREDUITTRAB", "CDTIPOITTRAB"},
                                                   {{"0000000100", "CADASTRO", "CADCLI", "02"}});
    bench.dialogs->answer(0);
    EXPECT_EQ(realiza(), "");
    EXPECT_TRUE(janela.selecoes.empty());
    bench.write("c:\\prod\\chk\\Fontes\\Cad\\fCadastro.dfm", "x\n");
    EXPECT_EQ(realiza(), "");
    EXPECT_EQ(janela.selecoes.size(), 1u);
    // An XDB directory and the other platforms do not search; "*" and "." entries are never looked at.
    bench.remote.answers["GetDirItemTrab"] =
        Packet({"DSDIRARQFONTIT"}, {{"\\Fontes\\Xdb"}, {"\\Falta\\*"}, {"\\Falta\\a.b"}});
    QDir().mkpath(bench.host("c:\\prod\\chk\\Fontes\\Xdb"));
    EXPECT_EQ(realiza(), "");
    janela.plataforma(workflow::PlataformaProduto::Asp);
    bench.remote.answers["GetDirItemTrab"] = Packet({"DSDIRARQFONTIT"}, {{"Fontes\\Cad"}});
    bench.remote.answers["GetItemTarefa"] = Packet({"CDITEMTRAB", "NMITEMTRAB", "CDREDUITTRAB", "CDTIPOITTRAB"},
                                                   {{"0000000100", "NADA", "NADA", "03"}});
    EXPECT_EQ(realiza(), "");
    EXPECT_EQ(janela.selecoes.size(), 3u);
    EXPECT_EQ(bench.dialogs->count(qor::DialogRequest::Question), 1);
}

TEST_F(Regras, AMissingDirectoryIsCreatedOrTheCheckoutEnds)
{
    bench.remote.answers["GetDirItemTrab"] = Packet({"DSDIRARQFONTIT"}, {{"\\Fontes\\Novo"}});
    bench.dialogs->answer(1);   // CANCELAR
    EXPECT_EQ(realiza(), "<silent>");
    EXPECT_EQ(bench.dialogs->shown.back().text,
              workcopy::Msg("Dir_Nao_Enc") + "c:\\prod\\chk\\Fontes\\Novo" + ".  Utilize a opção \"CRIAR O DIRETÓRIO"
              " PARA TRABALHO\", se a atividade for de um novo item de trabalho.");
    EXPECT_EQ(bench.dialogs->shown.back().buttons, (QStringList{"CRIAR DIRETÓRIO PARA TRABALHO", "CANCELAR"}));
    EXPECT_EQ(bench.remote.count("ClearArqCheckout"), 1);
}

TEST_F(Regras, CancellingTheSelectionEndsAScriptAndAbortsTheRest)
{
    janela.confirma = false;
    EXPECT_EQ(realiza(), "<silent>");
    EXPECT_EQ(janela.grade, 1);
    EXPECT_EQ(janela.barra.last(), 1000000);
    EXPECT_EQ(bench.remote.count("ClearArqCheckout"), 1);
    EXPECT_EQ(bench.remote.count("SetCheckout"), 0);
    bench.dialogs->answer(1);   // ALTERAR SCRIPT
    EXPECT_EQ(realiza("0000011270"), "");
    EXPECT_EQ(bench.remote.count("ClearArqCheckout"), 1);
    EXPECT_EQ(bench.remote.count("SetCheckout"), 1);
}

TEST_F(Regras, AnEarlierListIsClearedAndAnExistingRelationUpdated)
{
    bench.remote.answers["GetVdArqCheckout"] = Packet({"ARQUIVO"}, {{"c:\\velho.pas"}});
    bench.remote.answers["GetVdRelacItTrabProd"] = Packet({"CDPRODUTO", "CDITEMTRAB", "IDSITCHECKOUT", "CDOPCHECKOUT"},
                                                          {{"P401", "0000000100", "N", ""}});
    EXPECT_EQ(realiza(), "");
    EXPECT_EQ(bench.remote.count("ClearArqCheckout"), 1);
    EXPECT_EQ(bench.remote.calls.back().args.last(), "U");
}
