// The answer dialog driven offscreen through the dialog seam, against a
// recording server: the checks of a conclusion, the "Resposta" item's mode,
// the confirm button's rule, the rich text kept as typed, a failed save.
#include "host/dialogs.h"
#include "plan/respativ.h"
#include "plan/richtexteditor.h"
#include "plantestsupport.h"
#include <QApplication>
#include <QPushButton>
#include <QTest>
#include <QTextCursor>
#include <QTextEdit>
#include <QToolButton>
#include <gtest/gtest.h>

using namespace plan;
using plantest::RecordingServer;

namespace {

QJsonObject answerPacket(const QString &text = {})
{
    std::vector<QVariantMap> rows;
    if (!text.isNull())
        rows.push_back({{"CDFILIAL", "0001"}, {"NRTAREFA", "0000005001"}, {"NRPLATIVTARE", "00001"},
                        {"TXREATIVTARE", text}});
    return plantest::Packet({plantest::Field("CDFILIAL", "string", 4), plantest::Field("NRTAREFA"), plantest::Field("NRPLATIVTARE", "string", 5),
                             plantest::Field("TXREATIVTARE", "memo")},
                            rows);
}

QJsonObject qualificationsPacket(bool any)
{
    std::vector<QVariantMap> rows;
    if (any)
        rows = {{{"CDPROCESSO", "0000011045"}, {"CDQUALIFPROC", "01"}, {"NMQUALIFPROC", "Programa novo"}},
                {{"CDPROCESSO", "0000011045"}, {"CDQUALIFPROC", "02"}, {"NMQUALIFPROC", "Alteração"}}};
    return plantest::Packet({plantest::Field("CDPROCESSO"), plantest::Field("CDQUALIFPROC", "string", 2), plantest::Field("NMQUALIFPROC")}, rows);
}

class AnswerDialog : public ::testing::Test {
protected:
    void SetUp() override
    {
        plantest::UseTestSession();
        server.answerPacket("GetResposta", answerPacket());
        server.answerPacket("GetPesqQualifica", qualificationsPacket(true));
    }

    // Opens the dialog through CriaResposta; script runs while it is "shown".
    bool open(const QString &mode, std::function<void(TfrmRespAtiv &)> script, const QString &process = "0000011045")
    {
        dialogs->onModal = [&](QDialog &d) {
            auto &dialog = static_cast<TfrmRespAtiv &>(d);
            dialog.show();
            script(dialog);
            const int result = dialog.isVisible() ? QDialog::Rejected : dialog.result();
            stillOpen = dialog.isVisible();
            dialog.hide();
            return result;
        };
        return CriaResposta(server, {"0001", "0000005001", "00001", process, QString(), mode});
    }

    // Key by key; letters outside ASCII (which the test keyboard lacks) as the input method would give them.
    static void type(TfrmRespAtiv &dialog, const QString &text)
    {
        for (QChar c : text) {
            if (c.unicode() < 128)
                QTest::keyClick(dialog.dbrResposta->edit(), c.toLatin1());
            else
                dialog.dbrResposta->edit()->insertPlainText(QString(c));
        }
    }
    QString savedText() const
    {
        const auto saves = server.callsOf("SetResposta");
        return saves.empty() ? QStringLiteral("<none>") : saves.back().args.at(3).toString();
    }

    RecordingServer server;
    qor::ScopedScriptedDialogs dialogs;
    bool stillOpen = false;
};

}

TEST(AnswerText, LineBreaksOnlyCountAsEmpty)
{
    EXPECT_TRUE(AnswerIsEmpty(QStringLiteral("\r\n\n\u2029")));
    EXPECT_TRUE(AnswerIsEmpty(QString()));
    EXPECT_FALSE(AnswerIsEmpty(QStringLiteral("\n.\n")));
}

TEST_F(AnswerDialog, ConclusionRefusesAnEmptyAnswerThenAMissingQualification)
{
    const bool confirmed = open("", [&](TfrmRespAtiv &d) {
        QTest::keyClick(d.dbrResposta->edit(), Qt::Key_Return);
        QTest::keyClick(d.dbrResposta->edit(), Qt::Key_Return);
        d.sbtConfirma->click();
        EXPECT_EQ(dialogs->shown.back().text, "Resposta deve ser informada");
        type(d, "Feito");
        d.sbtConfirma->click();
        EXPECT_EQ(dialogs->shown.back().text, "Qualificação deve ser informada");
        EXPECT_TRUE(d.isVisible());
    });
    EXPECT_FALSE(confirmed);
    EXPECT_TRUE(stillOpen);
    EXPECT_TRUE(server.callsOf("SetResposta").empty());
    EXPECT_TRUE(server.callsOf("SetUpdateQualif").empty());
}

TEST_F(AnswerDialog, ConclusionWithAQualificationRecordsBoth)
{
    dialogs->onPick = [](qor::RecordSet &records) { return records.locate("CDQUALIFPROC", {"02"}); };
    const bool confirmed = open("", [&](TfrmRespAtiv &d) {
        d.btnQualifica->click();
        EXPECT_EQ(dialogs->shown.back().title, "Qualificação|Escolha a qualificação do trabalho realizado");
        EXPECT_TRUE(d.sbtConfirma->isEnabled());
        type(d, "Corrigido");
        d.sbtConfirma->click();
    });
    EXPECT_TRUE(confirmed);
    ASSERT_EQ(server.callsOf("SetUpdateQualif").size(), 1u);
    EXPECT_EQ(server.callsOf("SetUpdateQualif")[0].args,
              (QJsonArray{"02", "0001", "0000005001", "00001", "0000011045"}));
    EXPECT_TRUE(savedText().contains("Corrigido"));
}

TEST_F(AnswerDialog, ResponseItemSavesWithoutQualificationOrChecks)
{
    const bool confirmed = open("1", [&](TfrmRespAtiv &d) {
        type(d, "Anotação parcial");
        d.sbtConfirma->click();
    });
    EXPECT_TRUE(confirmed);
    EXPECT_TRUE(server.callsOf("SetUpdateQualif").empty());
    EXPECT_EQ(server.callsOf("GetPesqQualifica").size(), 1u); // only the opening's
    EXPECT_TRUE(savedText().contains("Anotação parcial"));
}

TEST_F(AnswerDialog, ResponseItemKeepsAQualificationThatWasPicked)
{
    dialogs->onPick = [](qor::RecordSet &records) { return records.locate("CDQUALIFPROC", {"01"}); };
    EXPECT_TRUE(open("1", [&](TfrmRespAtiv &d) {
        d.btnQualifica->click();
        type(d, "Com qualificação");
        d.sbtConfirma->click();
    }));
    ASSERT_EQ(server.callsOf("SetUpdateQualif").size(), 1u);
    EXPECT_EQ(server.callsOf("SetUpdateQualif")[0].args.at(0), "01");
}

TEST_F(AnswerDialog, ProcessWithoutQualificationsSkipsTheUpdate)
{
    server.answerPacket("GetPesqQualifica", qualificationsPacket(false));
    const bool confirmed = open("", [&](TfrmRespAtiv &d) {
        EXPECT_FALSE(d.btnQualifica->isEnabled());
        type(d, "Justificativa");
        d.sbtConfirma->click();
    });
    EXPECT_TRUE(confirmed);
    EXPECT_TRUE(server.callsOf("SetUpdateQualif").empty());
    EXPECT_EQ(server.callsOf("SetResposta").size(), 1u);
}

TEST_F(AnswerDialog, ConfirmStartsDisabledAndTypingEnablesIt)
{
    open("1", [&](TfrmRespAtiv &d) {
        EXPECT_FALSE(d.sbtConfirma->isEnabled());
        QTest::keyClick(d.dbrResposta->edit(), Qt::Key_Return, Qt::ControlModifier); // refused while disabled
        EXPECT_EQ(dialogs->count(qor::DialogRequest::Question), 0);
        type(d, "x");
        EXPECT_TRUE(d.sbtConfirma->isEnabled());
        QTest::keyClick(d.dbrResposta->edit(), Qt::Key_Return, Qt::ControlModifier);
    });
    EXPECT_EQ(server.callsOf("SetResposta").size(), 1u) << "Ctrl+Enter confirms once the button is on";
}

TEST_F(AnswerDialog, CancelAsksAndTheCloseBoxIsSwallowed)
{
    const bool confirmed = open("1", [&](TfrmRespAtiv &d) {
        type(d, "rascunho");
        d.close();
        EXPECT_TRUE(d.isVisible());
        dialogs->answer(1); // "Não"
        d.sbtCancel->click();
        EXPECT_TRUE(d.isVisible());
        EXPECT_EQ(dialogs->shown.back().text, "Cancelar Operação ?");
        dialogs->answer(0);
        QTest::keyClick(&d, Qt::Key_Escape);
        EXPECT_FALSE(d.isVisible());
    });
    EXPECT_FALSE(confirmed);
    EXPECT_TRUE(server.callsOf("SetResposta").empty());
}

TEST_F(AnswerDialog, FailedSaveKeepsTheTextAndSaysSo)
{
    bool serverDown = true;
    server.answer("SetResposta", [&](const QJsonArray &) {
        return serverDown ? qor::RemoteResult::error("Conexão perdida", "socket closed") : qor::RemoteResult{};
    });
    const bool confirmed = open("1", [&](TfrmRespAtiv &d) {
        type(d, "Texto longo e importante");
        d.sbtConfirma->click();
        EXPECT_TRUE(d.isVisible());
        EXPECT_TRUE(dialogs->shown.back().text.contains("não foi gravada"));
        EXPECT_TRUE(dialogs->shown.back().text.contains("Conexão perdida"));
        EXPECT_EQ(d.dbrResposta->plainText(), "Texto longo e importante");
        EXPECT_TRUE(d.sbtConfirma->isEnabled());
        EXPECT_FALSE(d.boConfirma_Atividade());
        serverDown = false;
        d.sbtConfirma->click();
    });
    EXPECT_TRUE(confirmed);
    EXPECT_EQ(server.callsOf("SetResposta").size(), 2u);
    EXPECT_TRUE(savedText().contains("Texto longo e importante"));
}

TEST_F(AnswerDialog, FormattedAnswerIsReadBackAsSaved)
{
    open("1", [&](TfrmRespAtiv &d) {
        d.dbrResposta->bold()->click();
        type(d, "Negrito");
        d.dbrResposta->bold()->click();
        QTest::keyClick(d.dbrResposta->edit(), Qt::Key_Return);
        d.dbrResposta->bulletList()->click();
        type(d, "item um");
        d.dbrResposta->setColour(Qt::red);
        type(d, " vermelho");
        d.sbtConfirma->click();
    });
    const QString saved = savedText();
    EXPECT_TRUE(saved.contains("font-weight:700") || saved.contains("font-weight:600")) << saved.toStdString();
    EXPECT_TRUE(saved.contains("<ul")) << saved.toStdString();
    EXPECT_TRUE(saved.contains("#ff0000")) << saved.toStdString();

    server.answerPacket("GetResposta", answerPacket(saved));
    open("1", [&](TfrmRespAtiv &d) {
        EXPECT_EQ(d.dbrResposta->storedText(), saved);
        EXPECT_EQ(d.dbrResposta->plainText(), "Negrito\nitem um vermelho");
        dialogs->answer(0);
        d.sbtCancel->click();
    });
}

TEST_F(AnswerDialog, PlainAnswerOfEarlierDaysIsShownAsWritten)
{
    server.answerPacket("GetResposta", answerPacket("linha 1\nlinha <2>"));
    open("1", [&](TfrmRespAtiv &d) {
        EXPECT_EQ(d.dbrResposta->plainText(), "linha 1\nlinha <2>");
        dialogs->answer(0);
        d.sbtCancel->click();
    });
}

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
