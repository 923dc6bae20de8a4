// The demo operator's day through the main window against the real server:
// an answer with a qualification, an internal attendance started with a
// client and an interlocutor and ended with a justification, "Descrição".
#include "../server/serverprocess.h"
#include "demosession.h"
#include "host/dialogs.h"
#include "module/frmzel.h"
#include "module/modulestate.h"
#include "plan/dadosadi.h"
#include "plan/respativ.h"
#include "plan/richtexteditor.h"
#include <QAction>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPointer>
#include <QTemporaryDir>
#include <QTest>
#include <QTextEdit>
#include <QToolButton>
#include <gtest/gtest.h>

namespace {

QAction *menuItem(apr::TfrmZEL &w, const char *name)
{
    return w.pmnPadrao->findChild<QAction *>(QString::fromLatin1(name));
}

// With APR_PICTURE_DIR set, the answer dialog as the operator fills it in
// is kept as resposta.png there (the picture of the documentation).
void savePicture(plan::TfrmRespAtiv &answer)
{
    const QString dir = qEnvironmentVariable("APR_PICTURE_DIR");
    if (dir.isEmpty())
        return;
    answer.dbrResposta->bold()->click();
    QTest::keyClick(answer.dbrResposta->edit(), Qt::Key_Return);
    QTest::keyClicks(answer.dbrResposta->edit(), "Alterado o calculo do desconto por cliente.");
    QTest::keyClick(answer.dbrResposta->edit(), Qt::Key_Return);
    answer.dbrResposta->bulletList()->click();
    QTest::keyClicks(answer.dbrResposta->edit(), "Teste com o cliente 0000000001");
    QTest::keyClick(answer.dbrResposta->edit(), Qt::Key_Return);
    answer.dbrResposta->setColour(QColor(0xc00000));
    QTest::keyClicks(answer.dbrResposta->edit(), "Revisar o relatorio de vendas");
    answer.resize(640, 420);
    answer.grab().save(dir + QStringLiteral("/resposta.png"));
}

bool moveTo(apr::TfrmZEL &w, const QString &task)
{
    return w.cdsPlanAtivTare.locate(QStringLiteral("NRTAREFA"), {task});
}

}

TEST(ModuleAnswers, AnswerAttendanceAndDescriptionAgainstTheServer)
{
    testsupport::ServerProcess server;
    ASSERT_TRUE(server.start(QStringLiteral(APR_SERVER_BIN))) << qPrintable(server.why());
    QTemporaryDir home;
    qputenv("APR_HOME", home.path().toUtf8());
    qor::SetSession(DemoSession(server));
    apr::Modulo() = apr::ModuleState{};
    qor::ScopedScriptedDialogs dialogs;
    QPointer<apr::TfrmZEL> window = OpenOnPlan();
    apr::TfrmZEL &w = *window;

    // "Resposta" on the running development activity, with a qualification.
    ASSERT_TRUE(moveTo(w, "0000005001"));
    dialogs->onPick = [](qor::RecordSet &records) { return records.locate("CDQUALIFPROC", {"02"}); };
    dialogs->onModal = [](QDialog &d) {
        auto &answer = dynamic_cast<plan::TfrmRespAtiv &>(d);
        answer.show();
        answer.btnQualifica->click();
        answer.dbrResposta->bold()->click();
        QTest::keyClicks(answer.dbrResposta->edit(), "Cadastro ajustado");
        savePicture(answer);
        answer.sbtConfirma->click();
        return answer.result();
    };
    menuItem(w, "mniResposta")->trigger();
    qor::RecordSet stored;
    w.Servidor().load(stored, "GetResposta", {"0001", "0000005001", "00001"});
    EXPECT_TRUE(stored.textOf("TXREATIVTARE").contains("Cadastro ajustado"));
    EXPECT_TRUE(stored.textOf("TXREATIVTARE").contains("font-weight"));
    w.GetPlanAtivTare();
    ASSERT_TRUE(moveTo(w, "0000005001"));
    EXPECT_EQ(w.cdsPlanAtivTare.textOf("CDQUALIFPROC"), "02");

    // An internal attendance with a client and an interlocutor.
    dialogs->onModal = [](QDialog &d) {
        auto &data = dynamic_cast<plan::TfrmDadosAdi &>(d);
        data.show();
        data.edtCdCliente->setText("123.456.789-09");
        data.edtCdOperador->setText("2");
        data.memObserva->setPlainText("Dúvida sobre o fechamento");
        data.sbtConfirma->click();
        return data.result();
    };
    w.sbtAteInterno->click();
    EXPECT_EQ(w.cdsAtividadeAndamento.textOf("IDATENDIMENTO"), "I");
    EXPECT_TRUE(w.sbtAteInterno->isChecked());

    // Ended with a justification.
    dialogs->onModal = [](QDialog &d) {
        auto &answer = dynamic_cast<plan::TfrmRespAtiv &>(d);
        answer.show();
        EXPECT_FALSE(answer.btnQualifica->isEnabled()); // the attendance process has none
        QTest::keyClicks(answer.dbrResposta->edit(), "Cliente orientado");
        answer.sbtConfirma->click();
        return answer.result();
    };
    w.sbtAteInterno->click();
    EXPECT_TRUE(w.cdsAtividadeAndamento.isEmpty());
    EXPECT_FALSE(w.sbtAteInterno->isChecked());

    // "Descrição" hands the activity to the description module.
    QString screen, parameter;
    qor::SetModuleLoader([&](const QString &code, const QString &p) {
        screen = code;
        parameter = p;
        return true;
    });
    ASSERT_TRUE(moveTo(w, "0000005001"));
    menuItem(w, "mniDescricao")->trigger();
    qor::SetModuleLoader(nullptr);
    EXPECT_EQ(screen, "APR00600");
    EXPECT_EQ(qor::ModuleParameters(parameter).mid(0, 3), (QStringList{"0001", "0000005001", "00001"}));
    EXPECT_EQ(dialogs->count(qor::DialogRequest::Error), 0) << dialogs->texts().join(" / ").toStdString();
    delete window.data();
}
