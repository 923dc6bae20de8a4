// Answers, qualifications and work items of an activity; attendances with
// their client, interlocutor and end; the named look-ups.
#include "harness.h"
#include <QJsonDocument>

using namespace apptest;

namespace {

const QString op = "000000000001";
const QString running = "0000005001"; // the demo operator's running activity (P401)

class Answers : public SeededServer {
protected:
    QJsonValue answerOf(const QString &task) { return client->result("GetResposta", {"0001", task, "00001"}); }
    QString stored(const QString &sql, const QVariantList &binds = {})
    {
        QSqlQuery q = server.db().run(sql, binds);
        const QString value = q.next() ? q.value(0).toString() : QStringLiteral("<none>");
        q.finish(); // a statement left open would keep reading an old snapshot
        return value;
    }
};

class Attendance : public Answers {
protected:
    QJsonValue andamento() { return client->result("GetAtivAndamento", {"0001", op}); }
    QString statusOf(const QString &task)
    {
        return stored("SELECT IDSITATIVTAR FROM planativtare WHERE NRTAREFA = ?", {task});
    }
    QJsonValue lookUp(const QString &query, const QJsonObject &parameters)
    {
        return client->result("GetPesquisa", {query, parameters});
    }
};

}

TEST_F(Answers, RichTextAnswerComesBackByteForByteAndIsReplaced)
{
    EXPECT_TRUE(answerOf(running).toObject().value("rows").toArray().isEmpty());
    const QString rich = "<html><body><p style=\"color:#ff0000\"><b>Corrigido</b> o cálculo d'água</p>\r\n"
                         "<ul><li>ação\t1</li></ul>  \n\n" + QString(70000, QChar(0x00e7)) + "</body></html>";
    client->result("SetResposta", {"0001", running, "00001", rich});
    const QJsonValue answer = answerOf(running);
    EXPECT_EQ(cell(answer, 0, "TXREATIVTARE").toString(), rich);
    EXPECT_EQ(cell(answer, 0, "NRTAREFA").toString(), running);
    EXPECT_EQ(answer.toObject().value("fields").toArray().at(3).toObject().value("type").toString(), "memo");

    client->result("SetResposta", {"0001", running, "00001", "segunda"});
    EXPECT_EQ(column(answerOf(running), "TXREATIVTARE"), QStringList{"segunda"});
}

TEST_F(Answers, AnswerRefusalsKeepWhatWasStored)
{
    client->result("SetResposta", {"0001", running, "00001", "guardada"});
    QJsonObject reply = client->call("SetResposta", {"0001", running, "00001", QString("a") + QChar(0) + "b"});
    EXPECT_EQ(errorCode(reply), -32000);
    EXPECT_TRUE(errorMessage(reply).contains("não foi gravada"));
    EXPECT_EQ(errorCode(client->call("SetResposta", {"0001", "9999999999", "00001", "x"})), -32000);
    // João's activity (task 5101) is not the demo operator's to answer.
    EXPECT_EQ(errorCode(client->call("SetResposta", {"0001", "0000005101", "00001", "x"})), -32003);
    EXPECT_EQ(column(answerOf(running), "TXREATIVTARE"), QStringList{"guardada"});
}

TEST_F(Answers, ChangeLogOfTheAnswersIsApplied)
{
    const QJsonArray fields{"CDFILIAL", "NRTAREFA", "NRPLATIVTARE", "TXREATIVTARE"};
    auto log = [&](const char *op, const QJsonValue &oldRow, const QJsonValue &newRow) {
        return QJsonObject{{"fields", fields},
                           {"changes", QJsonArray{QJsonObject{{"op", op}, {"old", oldRow}, {"new", newRow}}}}};
    };
    client->result("SetResp_PlanAtiv", {log("insert", QJsonValue(), QJsonArray{"0001", running, "00001", "um"})});
    EXPECT_EQ(column(answerOf(running), "TXREATIVTARE"), QStringList{"um"});
    client->result("SetResp_PlanAtiv", {log("update", QJsonArray{"0001", running, "00001", "um"},
                                            QJsonArray{"0001", running, "00001", "dois"})});
    EXPECT_EQ(column(answerOf(running), "TXREATIVTARE"), QStringList{"dois"});
    EXPECT_EQ(errorCode(client->call("SetResp_PlanAtiv",
                                     {log("insert", QJsonValue(), QJsonArray{"0001", "0000005101", "00001", "x"})})),
              -32003);
    client->result("SetResp_PlanAtiv", {log("delete", QJsonArray{"0001", running, "00001", "dois"}, QJsonValue())});
    EXPECT_TRUE(column(answerOf(running), "TXREATIVTARE").isEmpty());
}

TEST_F(Answers, QualificationsOfAProcessAndTheirUpdate)
{
    const QJsonValue all = client->result("GetPesqQualifica", {"0000011045", "", "T"});
    EXPECT_EQ(column(all, "CDQUALIFPROC"), (QStringList{"01", "02"}));
    EXPECT_EQ(column(all, "NMQUALIFPROC").first(), "Programa novo");
    EXPECT_EQ(column(client->result("GetPesqQualifica", {"0000011045", "02", ""}), "CDQUALIFPROC"),
              QStringList{"02"});
    // A process without qualifications.
    EXPECT_TRUE(column(client->result("GetPesqQualifica", {"0000011269", "", "T"}), "CDQUALIFPROC").isEmpty());

    client->result("SetUpdateQualif", {"02", "0001", running, "00001", "0000011045"});
    EXPECT_EQ(stored("SELECT CDQUALIFPROC FROM planativtare WHERE NRTAREFA = ?", {running}), "02");
    EXPECT_EQ(errorCode(client->call("SetUpdateQualif", {"77", "0001", running, "00001", "0000011045"})), -32000);
    EXPECT_EQ(stored("SELECT CDQUALIFPROC FROM planativtare WHERE NRTAREFA = ?", {running}), "02");
}

TEST_F(Answers, WorkItemsAreListedAndAddedToAnActivity)
{
    EXPECT_EQ(column(client->result("GetItemTrab", {"0000000103"}), "CDREDUITTRAB"), QStringList{"P401"});
    EXPECT_GE(column(client->result("GetItemTrab", {""}), "CDITEMTRAB").size(), 24);

    client->result("Inclui_ItemTrab", {"0000000103", "0001", running, "00001"});
    client->result("Inclui_ItemTrab", {"0000000103", "0001", running, "00001"}); // twice is once
    EXPECT_EQ(stored("SELECT COUNT(*) FROM itemtarefa WHERE NRTAREFA = ?", {running}), "2");
    EXPECT_EQ(errorCode(client->call("Inclui_ItemTrab", {"0000009999", "0001", running, "00001"})), -32000);
}

TEST_F(Answers, DescriptionOfAnActivity)
{
    const QJsonArray both = client->result("GetDescricaoAtiv", {"0001", running, "00001"}).toArray();
    ASSERT_EQ(both.size(), 2);
    EXPECT_EQ(column(both.at(0), "NRSOLISERV"), QStringList{"0000012001"});
    EXPECT_EQ(column(both.at(0), "NMPROCESSO"), QStringList{"Desenvolvimento de Programa"});
    EXPECT_EQ(column(both.at(1), "CDITEMTRAB"), QStringList{"0000000101"});
    EXPECT_EQ(errorCode(client->call("GetDescricaoAtiv", {"0001", "9999999999", "00001"})), -32000);
}

TEST_F(Attendance, InternalAttendanceRunsInsteadOfThePlanAndEnds)
{
    EXPECT_EQ(statusOf(running), "A");
    client->result("SetTarefa", {"0001", op, "1"});
    const QJsonValue open = andamento();
    ASSERT_EQ(column(open, "IDATENDIMENTO"), QStringList{"I"});
    EXPECT_EQ(column(open, "CDPROCESSO"), QStringList{"0000011300"});
    const QString task = cell(open, 0, "NRTAREFA").toString();
    EXPECT_EQ(statusOf(running), "I");
    EXPECT_EQ(statusOf(task), "A");
    EXPECT_EQ(stored("SELECT NRTAREFA FROM apropriacao WHERE CDOPERADOR = ? AND DTFIM IS NULL", {op}), task);
    // A second one waits for the first to end.
    EXPECT_EQ(errorCode(client->call("SetTarefa", {"0001", op, "2"})), -32000);

    // Internal: no client needed; the interlocutor's code is the stored one.
    client->result("SetAproAtiv", {"0001", op, "000000000002", "", "Dúvida sobre 'relatório'"});
    EXPECT_EQ(stored("SELECT CDOPERINTERL FROM atendimento WHERE NRTAREFA = ?", {task}), "000000000002");
    EXPECT_EQ(stored("SELECT DSOBSERVACAO FROM atendimento WHERE NRTAREFA = ?", {task}), "Dúvida sobre 'relatório'");

    // The justification is the attendance's answer: it is the operator's activity.
    client->result("SetResposta", {"0001", task, "00001", "justificativa"});
    client->result("SetDesaproAtiv", {"0001", op});
    client->result("SetEquipTrab", {op, "0001", task, "00001", "0001"});
    EXPECT_TRUE(column(andamento(), "IDATENDIMENTO").isEmpty());
    EXPECT_EQ(statusOf(task), "C");
    EXPECT_EQ(stored("SELECT COUNT(*) FROM apropriacao WHERE CDOPERADOR = ? AND DTFIM IS NULL", {op}), "0");
    EXPECT_EQ(stored("SELECT CDOPERADOR FROM equipetrab WHERE NRTAREFA = ?", {task}), op);
    EXPECT_EQ(errorCode(client->call("SetDesaproAtiv", {"0001", op})), -32000);
}

TEST_F(Attendance, AttendanceDataRefusals)
{
    EXPECT_EQ(errorCode(client->call("SetAproAtiv", {"0001", op, "000000000002", "", ""})), -32000); // none open
    EXPECT_EQ(errorCode(client->call("SetTarefa", {"0001", op, "3"})), -32000);
    client->result("SetTarefa", {"0001", op, "2"});
    EXPECT_EQ(column(andamento(), "CDPROCESSO"), QStringList{"0000011301"});
    // External: the client is required; interlocutors must be active operators.
    EXPECT_EQ(errorCode(client->call("SetAproAtiv", {"0001", op, "000000000002", "", ""})), -32000);
    EXPECT_EQ(errorCode(client->call("SetAproAtiv", {"0001", op, "000000000004", "0000000001", ""})), -32000);
    EXPECT_EQ(errorCode(client->call("SetAproAtiv", {"0001", op, "", "0000000001", ""})), -32000);
    EXPECT_EQ(errorCode(client->call("SetAproAtiv", {"0001", op, "000000000002", "0000000099", ""})), -32000);
    client->result("SetAproAtiv", {"0001", op, "000000000002", "0000000001", ""});
    EXPECT_EQ(stored("SELECT CDCLIENTE FROM atendimento WHERE DTFIMATEND IS NULL"), "0000000001");
    // Another operator's attendance is not the demo operator's to start or end.
    EXPECT_EQ(errorCode(client->call("SetDesaproAtiv", {"0001", "000000000002"})), -32003);
    EXPECT_EQ(column(client->result("GetProcAtend", {"0001"}), "CDPROCATEDES"), QStringList{"0000011301"});
}

TEST_F(Attendance, NamedLookUpsBindTheirParameters)
{
    const QJsonValue clients = lookUp("cliente", {{"P_NRINSJURCLIE", ""}, {"P_TNRINSJURCLIE", "T"}});
    EXPECT_EQ(column(clients, "NMFANTCLIE").size(), 4);
    EXPECT_TRUE(column(clients, "IDTPIJURCLIE").contains("F"));
    EXPECT_TRUE(column(clients, "IDTPIJURCLIE").contains("J"));
    EXPECT_EQ(column(lookUp("cliente", {{"P_NRINSJURCLIE", "12345678909"}, {"P_TNRINSJURCLIE", ""}}), "NMFANTCLIE"),
              QStringList{"Clínica Vida Plena"});
    // A quote is a plain character of the code typed.
    EXPECT_TRUE(column(lookUp("cliente", {{"P_NRINSJURCLIE", "1' OR '1'='1"}, {"P_TNRINSJURCLIE", ""}}),
                       "CDCLIENTE").isEmpty());

    const QStringList active = column(lookUp("operador", {{"P_CDOPERADOR", ""}, {"P_TCDOPERADOR", "T"}}), "CDOPERADOR");
    EXPECT_EQ(active, (QStringList{"000000000001", "000000000002", "000000000003"}));
    EXPECT_EQ(column(lookUp("operador", {{"P_CDOPERADOR", "000000000003"}, {"P_TCDOPERADOR", ""}}), "NMOPERADOR"),
              QStringList{"João Pereira"});
    EXPECT_TRUE(column(lookUp("operador", {{"P_CDOPERADOR", "000000000004"}, {"P_TCDOPERADOR", ""}}), "NMOPERADOR")
                    .isEmpty());

    EXPECT_EQ(errorCode(client->call("GetPesquisa", {"SELECT * FROM operador", QJsonObject{}})), -32000);
    EXPECT_EQ(errorCode(client->call("GetPesquisa", {"operador", QJsonObject{{"P_CDOPERADOR", ""}}})), -32000);
}
