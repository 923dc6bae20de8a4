// Start, pause, finish and conclusion of the plan's activities: the rules on
// their own, and the transitions driven against a recording server whose plan
// switches the way the application server's does.
#include "host/dialogs.h"
#include "host/messages.h"
#include "plan/planfields.h"
#include "plan/plangridcontroller.h"
#include "plan/processos.h"
#include "plan/transicoes.h"
#include "plantestsupport.h"
#include <QApplication>
#include <QTableView>
#include <QToolButton>
#include <gtest/gtest.h>

inline void PrintTo(const QString &s, std::ostream *os) { *os << '"' << s.toStdString() << '"'; }

using namespace plan;
using plantest::RecordingServer;

namespace {

const QDateTime kOntem = QDateTime(QDate::currentDate().addDays(-1), QTime(18, 0));
const QDateTime kAmanha = QDateTime(QDate::currentDate().addDays(1), QTime(18, 0));
const QDateTime kZero = QDateTime(QDate(1899, 12, 30), QTime(0, 0));

TEST(TransicoesRegras, PlanningDeadlinesAndTheirOrder)
{
    EXPECT_TRUE(SemPlanejamento("00:00", kAmanha)) << "no time planned, even with a planned end";
    EXPECT_TRUE(SemPlanejamento("04:00", kZero)) << "a zero planned end";
    EXPECT_TRUE(SemPlanejamento("04:00", QDateTime()));
    EXPECT_FALSE(SemPlanejamento("04:00", kAmanha));

    // The safety date alone decides, later or earlier than the patch's end.
    EXPECT_EQ(PrazoPatch(kOntem, kAmanha), kAmanha.date());
    EXPECT_EQ(PrazoPatch(kAmanha, kOntem), kOntem.date());
    EXPECT_EQ(PrazoPatch(kOntem, kZero), kOntem.date());

    const QDate hoje = QDate::currentDate();
    EXPECT_FALSE(RecusaMonitoramento("0000010703", "A", false, {}, {}, hoje)) << "may start without a patch group";
    EXPECT_FALSE(RecusaMonitoramento("0000010709", "A", false, {}, {}, hoje));
    EXPECT_EQ(RecusaMonitoramento("0000010702", "A", false, {}, {}, hoje).chave, "Nao_Proj");
    EXPECT_EQ(RecusaMonitoramento("0000010703", "I", false, {}, {}, hoje).chave, "Nao_Proj_And");
    EXPECT_FALSE(RecusaMonitoramento("0000010702", "A", true, kOntem, kAmanha, hoje));
    const Recusa vencida = RecusaMonitoramento("0000010708", "A", true, kAmanha, kOntem, hoje);
    EXPECT_EQ(vencida.chave, "Patch_Vencida");
    EXPECT_EQ(vencida.prazo, kOntem.date());
    EXPECT_FALSE(RecusaMonitoramento("0000010708", "A", true, QDateTime(hoje, QTime(0, 0)), kZero, hoje))
        << "the deadline's own day is still in time";

    InfoProjeto tudoErrado{"I", false, true, kOntem.date()};
    EXPECT_EQ(RecusaInicioPlanejado("00:00", kAmanha, tudoErrado).chave, "Nao_Apr");
    EXPECT_EQ(RecusaInicioPlanejado("04:00", kAmanha, tudoErrado).chave, "Nao_Acordo");
    tudoErrado.acordo = true;
    EXPECT_EQ(RecusaInicioPlanejado("04:00", kAmanha, tudoErrado).chave, "Nao_Proj_And");
    tudoErrado.sitProjeto = "A";
    EXPECT_EQ(RecusaInicioPlanejado("04:00", kAmanha, tudoErrado).prazo, kOntem.date());
    tudoErrado.patchVencida = false;
    EXPECT_FALSE(RecusaInicioPlanejado("04:00", kAmanha, tudoErrado));
}

// Each group as the operators' handbook lists it, against the one place the codes live.
TEST(TransicoesRegras, ProcessGroups)
{
    const auto grupo = [](bool (*predicado)(const QString &), const QStringList &codigos) {
        QStringList fora;
        for (int n = 0; n <= 20000; ++n) {
            const QString codigo = QStringLiteral("%1").arg(n, 10, 10, QChar('0'));
            if (predicado(codigo) != codigos.contains(codigo))
                fora << codigo;
        }
        return fora;
    };
    const QStringList planejados{"0000011045", "0000011054", "0000011077", "0000011080", "0000011048",
                                 "0000011078", "0000011269", "0000010171", "0000011262"};
    EXPECT_EQ(grupo(processos::Planejado, planejados), QStringList());
    EXPECT_EQ(grupo(processos::Monitoramento, {"0000010702", "0000010703", "0000010708", "0000010709"}), QStringList());
    EXPECT_EQ(grupo(processos::CheckoutLivre,
                    {"0000010196", "0000011633", "0000010706", "0000010712", "0000011329", "0000011270", "0000000663",
                     "0000011263", "0000011264", "0000011669", "0000013011", "0000013008", "0000013014", "0000013022",
                     "0000013015"}),
              QStringList());
    EXPECT_EQ(grupo(processos::PlanejadoCheckout, {"0000011045", "0000011054", "0000011077", "0000011080", "0000011262"}),
              QStringList());
    EXPECT_EQ(grupo(processos::DiretorioTrabalho, {"0000010196", "0000010706", "0000010712", "0000011045", "0000011054",
                                                   "0000011077", "0000011080"}),
              QStringList());
    EXPECT_EQ(grupo(processos::ConfirmaMenu, planejados + QStringList{"0000011633"}), QStringList());
    EXPECT_EQ(grupo(processos::Patch, {"0000011045", "0000011054", "0000011077", "0000011080", "0000010196",
                                       "0000010706", "0000011270", "0000000663", "0000011633", "0000011329",
                                       "0000011262", "0000010712", "0000011263", "0000011264", "0000011669",
                                       "0000013011", "0000013008", "0000013014", "0000013022"}),
              QStringList());
}

// ---- The transitions ----------------------------------------------------------------------------

struct Linha {
    QString tarefa, processo, situacao, tempo = "04:00";
    QDateTime fimPlanejado = kAmanha, realizado;
};

class Transicoes : public ::testing::Test {
protected:
    void SetUp() override
    {
        plantest::UseTestSession();
        textos.loadResource(QStringLiteral(FRMZEL_MSG));
        DefinePlanFields(plano);
        DefineAndamentoFields(andamento);
        andamento.open();
        servidor.answer("GetPlanAtivTare", [this](const QJsonArray &) { return pacote(planoServidor()); });
        servidor.answer("SetPlanAtivTare", [this](const QJsonArray &a) {
            situacaoNoClique = situacoesLocais();
            if (servidorFora)
                return qor::RemoteResult::error("Não foi possível conectar ao servidor de aplicação.");
            alterna(a.at(1).toString());
            return qor::RemoteResult{};
        });
        servidor.answer("SetFila_PlanAtiv", [this](const QJsonArray &) {
            return servidorFora ? qor::RemoteResult::error("Não foi possível conectar ao servidor de aplicação.")
                                : qor::RemoteResult{};
        });
        servidor.answer("GetAtivAndamento", [this](const QJsonArray &) {
            qor::RemoteResult r;
            r.value = andamento.data();
            return r;
        });
        servidor.answer("GetGeral", [this](const QJsonArray &) {
            qor::RemoteResult r;
            r.value = QJsonArray{plantest::Packet({plantest::Field("IDSITPROJETO", "string", 1)},
                                                  {{{"IDSITPROJETO", projeto}}}),
                                 plantest::Packet({plantest::Field("DTFPATCHGRPROJ", "datetime")}, patchVencida),
                                 plantest::Packet({plantest::Field("IDACORDOPROJ", "string", 1)},
                                                  {{{"IDACORDOPROJ", acordo}}}),
                                 QJsonValue()};
            return r;
        });
        servidor.answer("GetVerificaPatchTeste", [this](const QJsonArray &) {
            qor::RemoteResult r;
            r.value = plantest::Packet({plantest::Field("DTFPATCHGRPROJ", "datetime"), plantest::Field("DTSEGURGRPRJBL", "datetime")},
                                       patchTeste);
            return r;
        });
        servidor.answer("GetArqCheckout", [this](const QJsonArray &) {
            std::vector<QVariantMap> linhas;
            for (const QString &arquivo : arquivosEmCheckout)
                linhas.push_back({{"NMARQUIVO", arquivo}});
            qor::RemoteResult r;
            r.value = plantest::Packet({plantest::Field("NMARQUIVO", "string", 120)}, linhas);
            return r;
        });
        servidor.answer("GetOperSemApro", [this](const QJsonArray &) {
            std::vector<QVariantMap> linhas;
            for (const QString &nome : semApropriacao)
                linhas.push_back({{"CDOPERADOR", "000000000002"}, {"NMOPERADOR", nome}});
            qor::RemoteResult r;
            r.value = plantest::Packet({plantest::Field("CDOPERADOR", "string", 12), plantest::Field("NMOPERADOR", "string", 40)},
                                       linhas);
            return r;
        });
        servidor.answerPacket("GetProcAtend", plantest::Packet({plantest::Field("CDPROCATEINT")}, {}));
        op.sbtAteInterno = &interno;
        op.sbtAteExterno = &externo;
        interno.setCheckable(true);
        externo.setCheckable(true);
        op.bloqueiaGrade = [this] { gradeLivre = false; };
        op.liberaGrade = [this] { gradeLivre = true; };
        op.recarregaPlano = [this] { servidor.load(plano, "GetPlanAtivTare", {}); };
        op.atualizaArqLogin = [this] {
            EXPECT_TRUE(boOperaSubversion) << "the daily update runs as a version-control workflow";
            ++atualizacoes;
        };
        op.realizaCheckout = [this](const PedidoVersao &p) {
            checkouts << p.tarefa;
            arquivosEmCheckout = {"c:\\sistemas\\prod\\p401\\fontes\\up401.pas"};
        };
        op.idProdSvn = [](const QString &) { return QStringLiteral("S"); };
        op.plataforma = [] { return vcs::PlataformaProduto::Delphi; };
        op.anexaArquivoGeracao = [](const PedidoVersao &) { return true; };
        op.criaResposta = [](const AnswerRequest &) { return true; };
    }

    void linhas(const std::vector<Linha> &linhas)
    {
        servidorLinhas = linhas;
        servidor.load(plano, "GetPlanAtivTare", {});
    }
    TransicoesAtividade &transicoes()
    {
        if (!m_transicoes)
            m_transicoes = std::make_unique<TransicoesAtividade>(TransicoesContexto{
                servidor, plano, andamento, textos,
                {boCheckOut, boJustificou, boAcordo, boOperaSubversion, bkPosicao}, op});
        return *m_transicoes;
    }
    int linhaDe(const QString &tarefa) const
    {
        for (int r = 0; r < plano.recordCount(); ++r)
            if (plano.textAt("NRTAREFA", r) == tarefa)
                return r;
        return -1;
    }
    QString situacao(const QString &tarefa) const { return plano.textAt("IDSITATIVTAR", linhaDe(tarefa)); }
    bool clica(const QString &tarefa, const QString &campo = "IDSITATIVTAR")
    {
        return qor::guarded([&] { transicoes().dbgPadraoCellClick(linhaDe(tarefa), campo); });
    }
    std::size_t chamadas(const char *metodo) const { return servidor.callsOf(metodo).size(); }

    qor::RemoteResult pacote(const std::vector<Linha> &linhas) const
    {
        std::vector<QVariantMap> rows;
        for (const Linha &l : linhas)
            rows.push_back({{"CDFILIAL", "0001"}, {"NRTAREFA", l.tarefa}, {"NRPLATIVTARE", "00001"},
                            {"CDPROCESSO", l.processo}, {"IDSITATIVTAR", l.situacao}, {"DSTEMPLAITAR", l.tempo},
                            {"DTFIPATIVTAR", l.fimPlanejado}, {"DTFIRATIVTAR", l.realizado}, {"CDPRODGRUP", "P401"},
                            {"NRSOLISERV", "0000012001"}, {"CDPROJETO", "0000000001"}, {"NRPRIOATIVTR", "001"},
                            {"DSSTFASETRAM", "Em desenvolvimento"}});
        qor::RemoteResult r;
        r.value = plantest::PlanPacket(rows);
        return r;
    }
    std::vector<Linha> planoServidor() const { return servidorLinhas; }
    // The server's switch: the activity runs or pauses, the one that ran pauses.
    void alterna(const QString &tarefa)
    {
        for (Linha &l : servidorLinhas) {
            if (l.tarefa == tarefa)
                l.situacao = l.situacao == "A" ? "I" : "A";
            else if (l.situacao == "A")
                l.situacao = "I";
        }
    }
    QStringList situacoesLocais() const
    {
        QStringList s;
        for (int r = 0; r < plano.recordCount(); ++r)
            s << plano.textAt("NRTAREFA", r).right(1) + plano.textAt("IDSITATIVTAR", r);
        return s;
    }

    qor::ScopedScriptedDialogs dialogs;
    qor::TMessages textos;
    RecordingServer servidor;
    qor::RecordSet plano{"cdsPlanAtivTare"};
    qor::RecordSet andamento{"cdsAtividadeAndamento"};
    QToolButton interno, externo;
    OperacoesTransicoes op;
    bool boCheckOut = true, boJustificou = false, boAcordo = false, boOperaSubversion = false;
    qor::RecordSet::Bookmark bkPosicao = -1;
    std::unique_ptr<TransicoesAtividade> m_transicoes;

    std::vector<Linha> servidorLinhas;
    QString projeto = "A", acordo = "S";
    std::vector<QVariantMap> patchVencida, patchTeste;
    QStringList arquivosEmCheckout, semApropriacao, checkouts, situacaoNoClique;
    bool servidorFora = false, gradeLivre = true;
    int atualizacoes = 0;
};

TEST_F(Transicoes, StartingOneActivityPausesTheRunningOneAndReloads)
{
    linhas({{"0000005001", "0000011300", "A"}, {"0000005002", "0000011300", "I"}});
    EXPECT_TRUE(clica("0000005002"));
    EXPECT_EQ(situacaoNoClique, (QStringList{"1I", "2A"})) << "paused here before the server's call";
    EXPECT_EQ(situacao("0000005002"), "A");
    EXPECT_EQ(situacao("0000005001"), "I");
    EXPECT_EQ(plano.textOf("NRTAREFA"), "0000005002") << "the cursor back on the clicked activity";
    EXPECT_EQ(atualizacoes, 1);
    EXPECT_TRUE(gradeLivre);
    EXPECT_FALSE(boOperaSubversion);
    EXPECT_TRUE(checkouts.isEmpty()) << "a paused activity is resumed, not checked out";
}

TEST_F(Transicoes, PlannedProcessesNeedTimeAndEndAndPauseWithoutChecks)
{
    linhas({{"0000005001", "0000011048", "P", "00:00"}, {"0000005002", "0000011048", "P", "04:00", kZero},
            {"0000005003", "0000011048", "A", "00:00", kZero}});
    acordo = "N";
    for (const char *tarefa : {"0000005001", "0000005002"}) {
        dialogs->shown.clear();
        EXPECT_FALSE(clica(tarefa));
        ASSERT_EQ(dialogs->shown.size(), 1u);
        EXPECT_EQ(dialogs->shown[0].text, textos.Msg("Nao_Apr")) << "planning is checked before the agreement";
        EXPECT_EQ(situacao(tarefa), "P");
        EXPECT_TRUE(gradeLivre) << "the grid is released before the refusal";
    }
    EXPECT_EQ(atualizacoes, 0) << "a refusal ends the click before the daily update";
    EXPECT_EQ(chamadas("SetPlanAtivTare"), 0u);

    dialogs->shown.clear();
    EXPECT_TRUE(clica("0000005003")) << "pausing checks nothing";
    EXPECT_TRUE(dialogs->shown.empty());
    EXPECT_EQ(situacao("0000005003"), "I");
    EXPECT_EQ(atualizacoes, 1);
}

TEST_F(Transicoes, MonitoringWithoutPatchGroupAndTheSafetyDate)
{
    linhas({{"0000005001", "0000010703", "P"}, {"0000005002", "0000010702", "P"}});
    EXPECT_TRUE(clica("0000005001")) << "0000010703 starts without a homologation patch group";
    EXPECT_EQ(situacao("0000005001"), "A");
    EXPECT_FALSE(clica("0000005002"));
    EXPECT_EQ(dialogs->shown.back().text, textos.Msg("Nao_Proj"));
    EXPECT_EQ(situacao("0000005002"), "P");

    patchTeste = {{{"DTFPATCHGRPROJ", kOntem}, {"DTSEGURGRPRJBL", kAmanha}}};
    EXPECT_TRUE(clica("0000005002")) << "the later safety date decides alone";
    EXPECT_EQ(situacao("0000005002"), "A");
    patchTeste = {{{"DTFPATCHGRPROJ", kAmanha}, {"DTSEGURGRPRJBL", kOntem}}};
    EXPECT_FALSE(clica("0000005002")) << "a monitoring activity is not even paused past its deadline";
    EXPECT_EQ(dialogs->shown.back().text,
              textos.Msg("Patch_Vencida") + " " + kOntem.date().toString("dd/MM/yyyy") + ".");
}

TEST_F(Transicoes, ResumingAFinishedActivityReopensIt)
{
    linhas({{"0000005001", "0000011300", "I", "04:00", kAmanha, kOntem}});
    EXPECT_TRUE(clica("0000005001"));
    const auto reabre = servidor.callsOf("SetFinalizaTarefa");
    ASSERT_EQ(reabre.size(), 1u);
    EXPECT_EQ(reabre[0].args, (QJsonArray{"0001", "0000005001", "00001", "0", "0000000001"}));
    EXPECT_EQ(situacao("0000005001"), "A");

    // The confirm cell of the running activity finishes it.
    EXPECT_TRUE(clica("0000005001", "IDORIGTARE"));
    ASSERT_EQ(servidor.callsOf("SetFinalizaTarefa").size(), 2u);
    EXPECT_EQ(servidor.callsOf("SetFinalizaTarefa")[1].args.at(3), "1");
    EXPECT_EQ(plano.fieldByName("DTFIRATIVTAR").asDateTime().date(), QDate::currentDate());
}

TEST_F(Transicoes, AnotherColumnRunsOnlyTheDailyUpdate)
{
    linhas({{"0000005001", "0000011300", "P"}});
    servidor.calls.clear();
    EXPECT_TRUE(clica("0000005001", "NMPROCESSO"));
    EXPECT_EQ(atualizacoes, 1);
    EXPECT_TRUE(servidor.calls.empty());
    EXPECT_EQ(situacao("0000005001"), "P");
}

TEST_F(Transicoes, TheTimerIsSilentWhereItMustBe)
{
    linhas({{"0000005001", "0000011300", "A"}});
    semApropriacao = {"Maria Souza", "João Lima"};
    transicoes().tmrOperSemAtivTimer("frmAcompanhaAPR");
    boOperaSubversion = true;
    transicoes().tmrOperSemAtivTimer("frmZEL");
    boOperaSubversion = false;
    EXPECT_EQ(chamadas("GetOperSemApro"), 0u);
    EXPECT_TRUE(dialogs->shown.empty());

    transicoes().tmrOperSemAtivTimer("frmZEL");
    ASSERT_EQ(dialogs->shown.size(), 1u);
    EXPECT_EQ(dialogs->shown[0].text, textos.Msg("Oper_Sem_Apro") + "\nMaria Souza\nJoão Lima");
    EXPECT_EQ(dialogs->shown[0].buttons, QStringList{"OK"});

    semApropriacao.clear();
    transicoes().tmrOperSemAtivTimer("frmZEL");
    EXPECT_EQ(dialogs->shown.size(), 1u) << "nothing to say with an empty list";
}

// The server goes away after the check-out locked the files: the plan shows
// the server's state and a note, and the next click starts without a second check-out.
TEST_F(Transicoes, AStartTheServerNeverRecordedResumesWithoutASecondCheckout)
{
    linhas({{"0000005001", "0000011300", "A"}, {"0000005003", "0000011045", "P"}});
    // The grid saves the queue position of every posted row: the first call that fails.
    QTableView grade;
    auto *modelo = new PlanGridModel(&plano, &grade);
    grade.setModel(modelo);
    new PlanGridController(grade, *modelo, servidor, &grade);
    servidorFora = true;
    op.setArquivo = [](const QString &, const QString &) {};
    EXPECT_FALSE(clica("0000005003"));
    EXPECT_EQ(checkouts, QStringList{"0000005003"});
    EXPECT_TRUE(transicoes().inicioPendente({"0001", "0000005003", "00001"})) << dialogs->texts().join("|").toStdString();
    EXPECT_EQ(situacao("0000005003"), "P");
    EXPECT_EQ(situacao("0000005001"), "A") << "the running activity is not shown paused";
    EXPECT_EQ(plano.fieldByName("DSSTFASETRAM").displayTextAt(linhaDe("0000005003")), textos.Msg("Inicio_Pendente"));
    EXPECT_EQ(plano.fieldByName("DSSTFASETRAM").displayTextAt(linhaDe("0000005001")), "Em desenvolvimento");
    EXPECT_TRUE(gradeLivre);

    servidorFora = false;
    EXPECT_TRUE(clica("0000005003"));
    EXPECT_EQ(checkouts, QStringList{"0000005003"}) << "the files are held already";
    EXPECT_EQ(situacao("0000005003"), "A");
    EXPECT_EQ(plano.fieldByName("DSSTFASETRAM").displayTextAt(linhaDe("0000005003")), "Em desenvolvimento");

    // A new window knows it from the server's list of checked-out files.
    servidorLinhas[1].situacao = "P";
    linhas(servidorLinhas);
    m_transicoes.reset();
    EXPECT_TRUE(clica("0000005003"));
    EXPECT_EQ(checkouts, QStringList{"0000005003"});
    EXPECT_EQ(situacao("0000005003"), "A");
}

// A check-in that fails half-way never concludes; the next conclusion does.
TEST_F(Transicoes, AConclusionWhoseCheckinFailsIsNotConcluded)
{
    linhas({{"0000005001", "0000011045", "I", "04:00", kAmanha, kOntem}});
    EXPECT_FALSE(clica("0000005001", "IDORIGTARE"));
    EXPECT_EQ(dialogs->shown.back().text, textos.Msg("Checkin_Indisponivel")) << "no check-in, no conclusion";
    EXPECT_EQ(chamadas("SetConcAtivGeral"), 0u);

    int tentativas = 0;
    bool confirmou = false;
    op.realizaCheckin = [&](const PedidoVersao &) -> bool {
        if (++tentativas == 1)
            qor::MensErro("Commit falhou", true);
        confirmou = true;
        return true;
    };
    op.confirmouCheckin = [&] { return confirmou; };
    op.limpaConfirmacaoCheckin = [&] { confirmou = false; };
    m_transicoes.reset();
    EXPECT_FALSE(clica("0000005001", "IDORIGTARE"));
    EXPECT_EQ(chamadas("SetConcAtivGeral"), 0u);
    EXPECT_EQ(situacao("0000005001"), "I");
    EXPECT_TRUE(gradeLivre);

    EXPECT_TRUE(clica("0000005001", "IDORIGTARE"));
    ASSERT_EQ(chamadas("SetConcAtivGeral"), 1u);
    EXPECT_EQ(situacao("0000005001"), "C");
    EXPECT_FALSE(confirmou) << "boConfirmaCheckin is cleared";
}

TEST_F(Transicoes, ConfirmarChecksRunningPlannedActivitiesOnly)
{
    linhas({{"0000005001", "0000011048", "A", "00:00"}, {"0000005002", "0000011633", "A", "00:00"}});
    plano.moveTo(linhaDe("0000005001"));
    EXPECT_FALSE(qor::guarded([&] { transicoes().MenuItem7Click(); }));
    EXPECT_EQ(dialogs->shown.back().text, textos.Msg("Nao_Apr"));
    op.idProdSvn = [](const QString &) { return QStringLiteral("N"); };
    m_transicoes.reset();
    plano.moveTo(linhaDe("0000005002"));
    EXPECT_TRUE(qor::guarded([&] { transicoes().MenuItem7Click(); })) << "the integrated test skips the start checks";
    EXPECT_EQ(chamadas("SetConcAtivGeral"), 1u);
}

}

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
