// The attendance bar and "Dados Adicionais", and the plan's "Descrição",
// "Resposta" and requirement document, driven offscreen through the dialog
// seam against a recording server.
#include "host/dialogs.h"
#include "plan/attendance.h"
#include "plan/dadosadi.h"
#include "plan/planactions.h"
#include "plan/planfields.h"
#include "plan/respativ.h"
#include "plan/richtexteditor.h"
#include "plantestsupport.h"
#include <QApplication>
#include <QDir>
#include <QJsonObject>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTemporaryDir>
#include <QTest>
#include <QTextEdit>
#include <QToolButton>
#include <gtest/gtest.h>

using namespace plan;
using plantest::RecordingServer;

namespace {

QJsonObject andamento(const QString &kind)
{
    qor::RecordSet shape;
    DefineAndamentoFields(shape);
    shape.open();
    std::vector<QVariantMap> rows;
    if (!kind.isEmpty())
        rows.push_back({{"CDFILIAL", "0001"}, {"NRTAREFA", "0000009001"}, {"NRPLATIVTARE", "00001"},
                        {"CDPROCESSO", "0000011300"}, {"IDATENDIMENTO", kind}});
    return plantest::Packet(shape.data().value("fields").toArray(), rows);
}

// The named look-ups as the server answers them: all rows for "T", else the one coded.
qor::RemoteResult lookUp(const QJsonArray &args)
{
    const QJsonObject p = args.at(1).toObject();
    std::vector<QVariantMap> rows;
    qor::RemoteResult r;
    if (args.at(0).toString() == "cliente") {
        const std::vector<QVariantMap> all = {
            {{"CDCLIENTE", "0000000001"}, {"NRINSJURCLIE", "11222333000181"}, {"NMFANTCLIE", "Bom Preço"},
             {"IDTPIJURCLIE", "J"}},
            {{"CDCLIENTE", "0000000003"}, {"NRINSJURCLIE", "12345678909"}, {"NMFANTCLIE", "Vida Plena"},
             {"IDTPIJURCLIE", "F"}}};
        for (const QVariantMap &row : all)
            if (p.value("P_TNRINSJURCLIE").toString() == "T" || row["NRINSJURCLIE"] == p.value("P_NRINSJURCLIE").toString())
                rows.push_back(row);
        r.value = plantest::Packet({plantest::Field("CDCLIENTE", "string", 21), plantest::Field("NRINSJURCLIE", "string", 20),
                                    plantest::Field("NMFANTCLIE", "string", 50), plantest::Field("IDTPIJURCLIE", "string", 1)},
                                   rows);
    } else {
        const std::vector<QVariantMap> all = {{{"CDOPERADOR", "000000000002"}, {"NMOPERADOR", "Maria Souza"}},
                                              {{"CDOPERADOR", "000000000012"}, {"NMOPERADOR", "Doze"}}};
        for (const QVariantMap &row : all)
            if (p.value("P_TCDOPERADOR").toString() == "T" || row["CDOPERADOR"] == p.value("P_CDOPERADOR").toString())
                rows.push_back(row);
        r.value = plantest::Packet({plantest::Field("CDOPERADOR", "string", 12), plantest::Field("NMOPERADOR", "string", 40)}, rows);
    }
    return r;
}

class Attendance : public ::testing::Test {
protected:
    void SetUp() override
    {
        plantest::UseTestSession();
        server.answer("GetPesquisa", lookUp);
        server.answer("GetAtivAndamento", [this](const QJsonArray &) {
            qor::RemoteResult r;
            r.value = andamento(runningKind);
            return r;
        });
        server.answerPacket("GetResposta", QJsonObject{{"fields", QJsonArray{}}, {"rows", QJsonArray{}}});
        server.answerPacket("GetPesqQualifica", QJsonObject{{"fields", QJsonArray{}}, {"rows", QJsonArray{}}});
        DefineAndamentoFields(cdsAtividadeAndamento);
        interno.setCheckable(true);
        externo.setCheckable(true);
        // What the plan load does: the attendance in progress and the buttons.
        reload = [this] {
            ++reloads;
            cdsAtividadeAndamento.setData(andamento(runningKind));
            interno.setChecked(runningKind == "I");
            externo.setChecked(runningKind == "E");
        };
        reload();
        reloads = 0;
    }

    void onData(std::function<void(TfrmDadosAdi &)> script) { dadosAdi = std::move(script); }
    void onAnswer(std::function<void(TfrmRespAtiv &)> script) { resposta = std::move(script); }
    void install()
    {
        dialogs->onModal = [this](QDialog &d) {
            d.show();
            if (auto *data = qobject_cast<TfrmDadosAdi *>(&d); data && dadosAdi)
                dadosAdi(*data);
            if (auto *answer = qobject_cast<TfrmRespAtiv *>(&d); answer && resposta)
                resposta(*answer);
            const int result = d.isVisible() ? QDialog::Rejected : d.result();
            d.hide();
            return result;
        };
    }
    // Presses a toggle as the operator does: the state flips, then the handler runs.
    void press(QToolButton &button, void (AttendanceActions::*handler)())
    {
        install();
        button.setChecked(!button.isChecked());
        AttendanceActions actions({server, cdsAtividadeAndamento, interno, externo, reload, nullptr});
        qor::guarded([&] { (actions.*handler)(); });
    }
    QStringList methods() const
    {
        QStringList names;
        for (const auto &call : server.calls)
            names << call.method;
        return names;
    }

    RecordingServer server;
    qor::ScopedScriptedDialogs dialogs;
    qor::RecordSet cdsAtividadeAndamento;
    QToolButton interno, externo;
    QString runningKind;
    int reloads = 0;
    std::function<void()> reload;
    std::function<void(TfrmDadosAdi &)> dadosAdi;
    std::function<void(TfrmRespAtiv &)> resposta;
};

}

TEST(Registration, MaskedNumbersGiveTheirDigits)
{
    EXPECT_EQ(RegistrationDigits(" 123.456.789-09 "), "12345678909");
    EXPECT_EQ(RegistrationDigits("11.222.333/0001-81"), "11222333000181");
    EXPECT_EQ(RegistrationDigits("1' OR '1"), "1' OR '1");
}

TEST_F(Attendance, InternalAttendanceMayGoWithoutAClient)
{
    onData([&](TfrmDadosAdi &d) {
        d.edtCdOperador->setText("000000000002");
        d.memObserva->setPlainText("Ajuda no fechamento");
        d.sbtConfirma->click();
        runningKind = "I";
    });
    press(interno, &AttendanceActions::sbtAteInternoClick);
    ASSERT_EQ(server.callsOf("SetTarefa").size(), 1u);
    EXPECT_EQ(server.callsOf("SetTarefa")[0].args, (QJsonArray{"0001", "000000000001", "1"}));
    EXPECT_EQ(server.callsOf("SetAproAtiv")[0].args,
              (QJsonArray{"0001", "000000000001", "000000000002", "", "Ajuda no fechamento"}));
    EXPECT_EQ(reloads, 1);
    EXPECT_TRUE(interno.isChecked());
}

TEST_F(Attendance, ExternalAttendanceNeedsAClientAndSendsItsCode)
{
    onData([&](TfrmDadosAdi &d) {
        d.edtCdOperador->setText("2");
        d.sbtConfirma->click();
        EXPECT_EQ(dialogs->shown.back().text, "Cliente deve ser informado");
        EXPECT_TRUE(server.callsOf("SetTarefa").empty());
        d.edtCdCliente->setText("123.456.789-09");
        d.sbtConfirma->click();
        EXPECT_EQ(d.edtNmCliente->text(), "Vida Plena");
    });
    press(externo, &AttendanceActions::sbtAteExternoClick);
    EXPECT_EQ(server.callsOf("SetTarefa")[0].args.at(2), "2");
    EXPECT_EQ(server.callsOf("SetAproAtiv")[0].args.at(3), "0000000003");
    EXPECT_EQ(reloads, 1);
    EXPECT_FALSE(externo.isChecked()); // the server (here) started nothing: the reload says so
}

TEST_F(Attendance, InterlocutorIsLookedUpAtWidthTwelve)
{
    onData([&](TfrmDadosAdi &d) {
        d.edtCdOperador->setText("12");
        d.edtCdOperadorExit();
        EXPECT_EQ(d.edtCdOperador->text(), "000000000012");
        EXPECT_EQ(d.edtNmInterlocutor->text(), "Doze");
        d.edtCdOperador->setText("99");
        qor::guarded([&] { d.Vd_Operador(true); });
        EXPECT_EQ(dialogs->shown.back().text, "Interlocutor não cadastrado");
        EXPECT_TRUE(d.edtNmInterlocutor->text().isEmpty());
    });
    press(interno, &AttendanceActions::sbtAteInternoClick);
    const auto lookUps = server.callsOf("GetPesquisa");
    ASSERT_GE(lookUps.size(), 1u);
    EXPECT_EQ(lookUps[0].args.at(1).toObject().value("P_CDOPERADOR").toString(), "000000000012");
    EXPECT_TRUE(server.callsOf("SetTarefa").empty());
    EXPECT_EQ(reloads, 1); // closing without confirm reloads too
}

TEST_F(Attendance, ClientLookUpFillsTheEditsAndAnEmptiedCodeSendsNoClient)
{
    dialogs->onPick = [](qor::RecordSet &records) { return records.locate("CDCLIENTE", {"0000000001"}); };
    onData([&](TfrmDadosAdi &d) {
        d.btpCliente->click();
        EXPECT_EQ(dialogs->shown.back().title, "Cliente");
        EXPECT_EQ(d.edtCdCliente->text(), "11222333000181");
        EXPECT_EQ(d.qryCliente.fieldByName("NRINSJURCLIE").displayText(), "11.222.333/0001-81");
        d.edtCdCliente->clear();
        d.edtCdOperador->setText("2");
        d.sbtConfirma->click();
    });
    press(interno, &AttendanceActions::sbtAteInternoClick);
    EXPECT_EQ(server.callsOf("SetAproAtiv")[0].args.at(3), "");
}

TEST_F(Attendance, OtherKindRunningIsRefusedAndTheButtonsRestored)
{
    runningKind = "I";
    reload();
    press(externo, &AttendanceActions::sbtAteExternoClick);
    EXPECT_TRUE(dialogs->texts().contains(
        "Atendimento Interno deve ser finalizado para que se inicie outro atendiimento."));
    EXPECT_TRUE(interno.isChecked());
    EXPECT_FALSE(externo.isChecked());
    EXPECT_EQ(dialogs->count(qor::DialogRequest::Modal), 0);
}

TEST_F(Attendance, CancelledJustificationLeavesTheAttendanceRunning)
{
    runningKind = "I";
    reload();
    reloads = 0;
    onAnswer([&](TfrmRespAtiv &d) {
        QTest::keyClicks(d.dbrResposta->edit(), "nada");
        dialogs->answer(0);
        d.sbtCancel->click();
    });
    press(interno, &AttendanceActions::sbtAteInternoClick);
    EXPECT_TRUE(server.callsOf("SetDesaproAtiv").empty());
    EXPECT_FALSE(interno.isChecked()); // up until the next plan load
    EXPECT_EQ(reloads, 0);
}

TEST_F(Attendance, JustifiedEndOfAnInternalAttendanceJoinsItsTeam)
{
    runningKind = "I";
    reload();
    reloads = 0;
    onAnswer([&](TfrmRespAtiv &d) {
        QTest::keyClicks(d.dbrResposta->edit(), "Atendido");
        d.sbtConfirma->click();
        runningKind.clear();
    });
    press(interno, &AttendanceActions::sbtAteInternoClick);
    EXPECT_EQ(server.callsOf("SetResposta")[0].args.at(1), "0000009001");
    EXPECT_EQ(server.callsOf("SetEquipTrab")[0].args,
              (QJsonArray{"000000000001", "0001", "0000009001", "00001", "0001"}));
    EXPECT_TRUE(methods().indexOf("SetDesaproAtiv") < methods().indexOf("SetEquipTrab"));
    EXPECT_EQ(reloads, 1);
    EXPECT_FALSE(interno.isChecked());
}

TEST_F(Attendance, ExternalEndDoesNotJoinTheTeamAndFollowUpIsAMissingModule)
{
    runningKind = "E";
    reload();
    reloads = 0;
    onAnswer([&](TfrmRespAtiv &d) {
        QTest::keyClicks(d.dbrResposta->edit(), "Visita feita");
        d.sbtConfirma->click();
    });
    press(externo, &AttendanceActions::sbtAteExternoClick);
    EXPECT_EQ(server.callsOf("SetDesaproAtiv").size(), 1u);
    EXPECT_TRUE(server.callsOf("SetEquipTrab").empty());

    qor::SetModuleLoader(nullptr);
    AttendanceActions({server, cdsAtividadeAndamento, interno, externo, reload, nullptr}).sbtAcompanhamentoClick();
    EXPECT_TRUE(dialogs->shown.back().text.contains("APR00500"));
}

namespace {

class PlanItems : public ::testing::Test {
protected:
    void SetUp() override
    {
        plantest::UseTestSession();
        qputenv("APR_DRIVE_C", drive.path().toUtf8());
        DefinePlanFields(plan);
        DefineItemTarefaFields(items);
        plan.setData(plantest::PlanPacket({{{"CDFILIAL", "0001"}, {"NRTAREFA", "0000005001"},
                                            {"NRPLATIVTARE", "00001"}, {"NRSOLISERV", "0000012001"},
                                            {"IDGERATVCONS", "N"}, {"CDPROCESSO", "0000011270"},
                                            {"CDPRODGRUP", "P401"}, {"DSDIRBASEVER", "c:\\sistemas\\prod\\P401"}}}));
        items.open();
        QDir(drive.path()).mkpath("docs/0000012001/REQUISITO");
    }
    void TearDown() override { qunsetenv("APR_DRIVE_C"); }

    PlanActions actions(const QString &base = "c:\\docs")
    {
        PlanActions a({server, plan, items, [base] { return qor::Cripto(base, 2); },
                       [this](const QString &f, const QString &s, const QString &g, const QString &p) {
                           scripts << f + "/" + s + "/" + g + "/" + p;
                       },
                       nullptr});
        a.openDocument = [this](const QString &path) { opened << path; return true; };
        return a;
    }

    QTemporaryDir drive;
    RecordingServer server;
    qor::ScopedScriptedDialogs dialogs;
    qor::RecordSet plan, items;
    QStringList scripts, opened;
};

}

TEST_F(PlanItems, DocumentNameWithoutACurrentWorkItemEndsInAnUnderscore)
{
    EXPECT_EQ(actions().requirementDocument(), "c:\\docs\\0000012001\\REQUISITO\\0000012001_.doc");
    actions().dbgPadraoDblClick();
    EXPECT_TRUE(opened.isEmpty()); // normally not found
}

TEST_F(PlanItems, ExistingDocumentOpensThroughThePathLayer)
{
    plan.edit();
    plan.fieldByName("IDGERATVCONS").setValue("S");
    plan.post();
    QFile doc(drive.path() + "/docs/0000012001/REQUISITO/REQUISITO_0000012001.doc");
    ASSERT_TRUE(doc.open(QIODevice::WriteOnly));
    doc.close();
    actions("c:\\docs\\").dbgPadraoDblClick();
    ASSERT_EQ(opened.size(), 1);
    EXPECT_EQ(QFileInfo(opened[0]).canonicalFilePath(), QFileInfo(doc).canonicalFilePath());
}

TEST_F(PlanItems, MissingDirectorySettingIsRefused)
{
    qor::guarded([&] { actions("").dbgPadraoDblClick(); });
    EXPECT_EQ(dialogs->shown.back().text, "O diretório dos documentos das solicitações não está configurado.");
    EXPECT_TRUE(opened.isEmpty());
}

TEST_F(PlanItems, DescriptionGetsItsFiveValues)
{
    QStringList loaded;
    qor::SetModuleLoader([&](const QString &code, const QString &parameter) {
        loaded << code;
        loaded << qor::ModuleParameters(parameter);
        return true;
    });
    actions().Descrio1Click();
    qor::SetModuleLoader(nullptr);
    EXPECT_EQ(loaded, (QStringList{"APR00600", "0001", "0000005001", "00001", "c:\\sistemas\\prod\\P401", "N"}));
}

TEST_F(PlanItems, AnswerOfAScriptProcessOffersTheScriptsFirst)
{
    server.answerPacket("GetResposta", QJsonObject{{"fields", QJsonArray{}}, {"rows", QJsonArray{}}});
    server.answerPacket("GetPesqQualifica", QJsonObject{{"fields", QJsonArray{}}, {"rows", QJsonArray{}}});
    QString mode;
    dialogs->onModal = [&](QDialog &) { return int(QDialog::Rejected); };
    actions().Resposta1Click();
    EXPECT_EQ(scripts, QStringList{"0001/0000012001/P401/0000011270"});
    EXPECT_EQ(dialogs->count(qor::DialogRequest::Modal), 1);
    EXPECT_FALSE(AnswerAsksForScripts("0000011045"));
}

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
