// The methods the check-out of an activity calls, over the demo seed, and
// operators racing for one work item.
#include "harness.h"
#include "rpcerror.h"
#include <QJsonDocument>

using namespace apptest;

namespace {

const QString demo = "000000000001";
const QString maria = "000000000002";
const QString joao = "000000000003";
// Planned development activities of the demo operator (one task each, activity "00001").
const QString delphiTask = "0000005003", delphiItem = "0000000103";
const QString lumetraTask = "0000005016", lumetraItem = "0000000116";
const QString heldTask = "0000005009", heldItem = "0000000109";         // P610, held by Maria
const QString sharedTask = "0000005011", sharedItem = "0000000111";     // P150, João works on it too
const QString colleagueTask = "0000005101", colleagueRequest = "0000012101";
const QString runningTask = "0000005001";

class Checkout : public SeededServer {
protected:
    QString status(const QString &task)
    {
        QSqlQuery q = server.db().run("SELECT IDSITATIVTAR FROM planativtare WHERE NRTAREFA = ?", {task});
        const QString value = q.next() ? q.value(0).toString() : "?";
        q.finish(); // a statement left open would keep this connection's view of the data
        return value;
    }
    QJsonValue relation(const QString &product, const QString &item)
    {
        return client->result("GetVdRelacItTrabProd", {product, item});
    }
};

}

TEST_F(Checkout, WorkItemItsDirectoriesAndTheProductsDirectories)
{
    const QJsonArray key{"0001", demo, delphiTask, "00001", "P401"};
    for (const QString &item : {delphiItem, QString()}) {
        const QJsonValue p = client->result("GetItemTarefa", QJsonArray(key) << item);
        EXPECT_EQ(column(p, "CDITEMTRAB"), QStringList{delphiItem});
        EXPECT_EQ(column(p, "CDREDUITTRAB"), QStringList{"IT003"});
        EXPECT_EQ(column(p, "CDTIPOITTRAB"), QStringList{"01"});
    }
    EXPECT_EQ(column(client->result("GetItemTarefa", QJsonArray(key) << lumetraItem), "CDITEMTRAB"), QStringList{});

    EXPECT_EQ(column(client->result("GetDirItemTrab", {delphiItem, "P401"}), "DSDIRARQFONTIT"),
              (QStringList{"\\fontes\\", "relatorios"}));
    EXPECT_EQ(column(client->result("GetDirItemTrab", {lumetraItem, "T001"}), "DSDIRARQFONTIT"), QStringList{"fontes"});
    EXPECT_EQ(column(client->result("GetDirItemTrab", {delphiItem, "T001"}), "DSDIRARQFONTIT"), QStringList{});

    const QJsonValue dirs = client->result("GetDirProd", {"P401"});
    EXPECT_EQ(column(dirs, "DSDIRBASEVER"), QStringList{"c:\\sistemas\\prod\\P401;c:\\sistemas\\prod\\P401\\relatorios"});
    EXPECT_EQ(column(dirs, "DSDIRVSS"), QStringList{"/P401/trunk;/P401/trunk/relatorios"});
    EXPECT_EQ(column(client->result("GetDirProd", {"NONE"}), "DSDIRVSS"), QStringList{});
}

TEST_F(Checkout, OtherRequestsOnTheWorkItemAndThePendingMark)
{
    const QJsonValue others = client->result("GetVdsolitemtrab", {"0000012011", "P150", sharedItem});
    EXPECT_EQ(column(others, "NRSOLISERV"), QStringList{colleagueRequest});
    EXPECT_EQ(column(others, "NRTAREFA"), QStringList{colleagueTask});
    EXPECT_EQ(column(others, "STATUSATIV"), QStringList{"Paralisada"});
    EXPECT_EQ(column(client->result("GetVdsolitemtrab", {"0000012003", "P401", delphiItem}), "NRTAREFA"),
              QStringList{});

    EXPECT_EQ(column(client->result("Getativpen", {sharedTask, "00001"}), "IDALTSTATUSPEND"), QStringList{"S"});
    client->result("SetStatusAtivPen", {sharedTask, "00001"});
    // Seen from the colleague's request the marked activity is pending.
    EXPECT_EQ(column(client->result("GetVdsolitemtrab", {colleagueRequest, "P150", sharedItem}), "STATUSATIV"),
              QStringList{"Pendente"});
    EXPECT_EQ(column(client->result("Getativpen", {sharedTask, "00001"}), "IDALTSTATUSPEND"), QStringList{"N"});
    // Once the colleague's activity is concluded nothing holds the item any more.
    server.db().run("UPDATE planativtare SET IDSITATIVTAR = 'C' WHERE NRTAREFA = ?", {colleagueTask});
    EXPECT_EQ(column(client->result("GetVdsolitemtrab", {"0000012011", "P150", sharedItem}), "NRTAREFA"),
              QStringList{});
    EXPECT_EQ(column(client->result("Getativpen", {sharedTask, "00001"}), "IDALTSTATUSPEND"), QStringList{"S"});
    // Putting the activity in progress takes the mark away.
    client->result("SetPlanAtivTare", {"0001", sharedTask, "00001"});
    QSqlQuery mark = server.db().run("SELECT IDATIVPEND FROM planativtare WHERE NRTAREFA = ?", {sharedTask});
    ASSERT_TRUE(mark.next());
    EXPECT_TRUE(mark.value(0).isNull());
    mark.finish();

    EXPECT_EQ(column(client->result("Getativpen", {"9999999999", "00001"}), "IDALTSTATUSPEND"), QStringList{});
    EXPECT_EQ(errorCode(client->call("SetStatusAtivPen", {"9999999999", "00001"})), apr::ApplicationError);
}

TEST_F(Checkout, HolderOfAWorkItemAndTheActivitysRecordedFiles)
{
    const QJsonValue held = relation("P610", heldItem);
    EXPECT_EQ(column(held, "IDSITCHECKOUT"), QStringList{"S"});
    EXPECT_EQ(column(held, "CDOPCHECKOUT"), QStringList{maria});
    const QJsonValue op = client->result("GetOperador", {maria});
    EXPECT_EQ(column(op, "CDOPERADOR"), QStringList{maria});
    EXPECT_EQ(column(op, "NMOPERADOR"), QStringList{"Maria Souza"});
    EXPECT_EQ(column(relation("P401", delphiItem), "CDITEMTRAB"), QStringList{});
    EXPECT_EQ(column(relation("T001", lumetraItem), "IDSITCHECKOUT"), QStringList{"N"});

    const QJsonArray activity{"0001", delphiTask, "00001"};
    EXPECT_EQ(column(client->result("GetVdArqCheckout", activity), "ARQUIVO"), QStringList{});
    client->result("SetArqCheckout", QJsonArray(activity) << "1" << "c:\\sistemas\\prod\\P401\\fontes\\uP401.pas");
    EXPECT_EQ(column(client->result("GetVdArqCheckout", activity), "ARQUIVO"),
              QStringList{"c:\\sistemas\\prod\\P401\\fontes\\uP401.pas"});
    client->result("ClearArqCheckout", activity);
    EXPECT_EQ(column(client->result("GetVdArqCheckout", activity), "ARQUIVO"), QStringList{});
}

// "I" and "U" are both an upsert, whatever the module expected to find.
TEST_F(Checkout, SetCheckoutTakesAFreeOrOwnWorkItemAndRefusesAnotherOperatorsOne)
{
    const struct {
        QString product, item, mode;
    } takes[] = {{"P401", delphiItem, "I"}, {"P401", delphiItem, "I"}, {"T001", lumetraItem, "I"},
                 {"P150", sharedItem, "U"}, {"P401", "0000000101", "U"}};
    for (const auto &t : takes) {
        const QJsonObject reply = client->call("SetCheckout", {demo, t.item, "S", t.product, t.mode});
        EXPECT_FALSE(reply.contains("error")) << QJsonDocument(reply).toJson().toStdString();
        const QJsonValue r = relation(t.product, t.item);
        EXPECT_EQ(column(r, "IDSITCHECKOUT"), QStringList{"S"}) << t.item.toStdString();
        EXPECT_EQ(column(r, "CDOPCHECKOUT"), QStringList{demo}) << t.item.toStdString();
    }

    for (const QString &mode : {"I", "U"}) {
        const QJsonObject refused = client->call("SetCheckout", {demo, heldItem, "S", "P610", mode});
        EXPECT_EQ(errorCode(refused), apr::ApplicationError);
        EXPECT_EQ(errorMessage(refused), "Atividade não pode ser colocada em andamento. O item de trabalho está "
                                         "bloqueado para o usuário 000000000002 - Maria Souza");
    }
    EXPECT_EQ(column(relation("P610", heldItem), "CDOPCHECKOUT"), QStringList{maria});

    const QJsonArray bad[] = {{demo, delphiItem, "N", "P401", "U"}, {demo, delphiItem, "S", "P401", "X"},
                              {demo, "9999999999", "S", "P401", "I"}, {demo, delphiItem, "S", "NONE", "I"}};
    for (const QJsonArray &params : bad)
        EXPECT_EQ(errorCode(client->call("SetCheckout", params)), apr::ApplicationError)
            << QJsonDocument(params).toJson().toStdString();
}

TEST_F(Checkout, SetPlanAtivTareSwitchesBetweenRunningAndPausedAndBooksTheTime)
{
    ASSERT_EQ(status(runningTask), "A");
    client->result("SetPlanAtivTare", {"0001", delphiTask, "00001"});
    EXPECT_EQ(status(delphiTask), "A");
    EXPECT_EQ(status(runningTask), "I");
    auto open = [&] {
        QStringList tasks;
        QSqlQuery q = server.db().run("SELECT NRTAREFA FROM apropriacao WHERE CDOPERADOR = ? AND DTFIM IS NULL"
                                      " ORDER BY NRTAREFA",
                                      {demo});
        while (q.next())
            tasks << q.value(0).toString();
        q.finish();
        return tasks;
    };
    EXPECT_EQ(open(), QStringList{delphiTask});

    client->result("SetPlanAtivTare", {"0001", delphiTask, "00001"});
    EXPECT_EQ(status(delphiTask), "I");
    EXPECT_EQ(open(), QStringList{});
    client->result("SetPlanAtivTare", {"0001", runningTask, "00001"});
    EXPECT_EQ(status(runningTask), "A");
    EXPECT_EQ(open(), QStringList{runningTask});

    // Concluded stays concluded; an unknown activity is reported.
    client->result("SetPlanAtivTare", {"0001", "0000005005", "00001"});
    EXPECT_EQ(status("0000005005"), "C");
    EXPECT_EQ(errorCode(client->call("SetPlanAtivTare", {"0001", "9999999999", "00001"})), apr::ApplicationError);
}

TEST_F(Checkout, AnOperatorActsOnlyForHimselfButMayLookUpTheHolder)
{
    EXPECT_EQ(errorCode(client->call("SetCheckout", {maria, delphiItem, "S", "P401", "I"})), apr::Forbidden);
    EXPECT_EQ(column(relation("P401", delphiItem), "CDITEMTRAB"), QStringList{});
    EXPECT_EQ(errorCode(client->call("GetItemTarefa", {"0001", maria, delphiTask, "00001", "P401", delphiItem})),
              apr::Forbidden);
    // João's activity is not the demo operator's to switch or mark.
    EXPECT_EQ(errorCode(client->call("SetPlanAtivTare", {"0001", colleagueTask, "00001"})), apr::Forbidden);
    EXPECT_EQ(errorCode(client->call("SetStatusAtivPen", {colleagueTask, "00001"})), apr::Forbidden);
    EXPECT_EQ(status(colleagueTask), "I");

    Client &other = as(joao);
    EXPECT_EQ(column(other.result("GetOperador", {demo}), "NMOPERADOR"), QStringList{"Operador Demonstração"});
    other.result("SetPlanAtivTare", {"0001", colleagueTask, "00001"});
    EXPECT_EQ(status(colleagueTask), "A");
    // Maria's hold is refused to João as it is to anyone but her; she may take it again.
    EXPECT_EQ(errorCode(other.call("SetCheckout", {joao, heldItem, "S", "P610", "U"})), apr::ApplicationError);
    EXPECT_FALSE(as(maria).call("SetCheckout", {maria, heldItem, "S", "P610", "U"}).contains("error"));
}

namespace {

QByteArray requestLine(int id, const QString &method, const QJsonArray &params)
{
    const QJsonObject request{{"jsonrpc", "2.0"}, {"id", id}, {"method", method}, {"params", params}};
    return QJsonDocument(request).toJson(QJsonDocument::Compact) + '\n';
}

class CheckoutRace : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(server.start({"--seed", "demo", "--workers", "4"})) << server.output().toStdString();
        for (int i = 0; i < operators; ++i) {
            const QString code = QString("0000000001%1").arg(i, 2, 10, QChar('0'));
            server.db().run("INSERT INTO operador (CDOPERADOR, NMOPERADOR, CDFILIAL) VALUES (?, ?, '0001')",
                            {code, QString("Operador %1").arg(i)});
            codes << code;
            clients.push_back(clientAs(server, code));
        }
    }

    static constexpr int operators = 8;
    Server server;
    QStringList codes;
    std::vector<std::unique_ptr<Client>> clients;
};

}

// Every operator asks for the same free work items at once, item after item in
// one batch: each item goes to exactly one of them, and the others are told who.
TEST_F(CheckoutRace, OneWorkItemGoesToExactlyOneOfTheOperatorsAskingAtOnce)
{
    const QStringList items{"0000000103", "0000000104", "0000000102", "0000000105"};
    for (int c = 0; c < operators; ++c) {
        QByteArray batch;
        for (int i = 0; i < items.size(); ++i)
            batch += requestLine(i, "SetCheckout", {codes[c], items[i], "S", "P401", c % 2 ? "U" : "I"});
        clients[size_t(c)]->send(batch);
    }
    std::vector<QStringList> winners(size_t(items.size()));
    for (int c = 0; c < operators; ++c)
        for (int i = 0; i < items.size(); ++i) {
            const QJsonObject reply = clients[size_t(c)]->readReply();
            ASSERT_TRUE(reply.contains("result") || reply.contains("error")) << "no reply";
            if (reply.contains("result")) {
                winners[size_t(i)] << codes[c];
                continue;
            }
            ASSERT_EQ(errorCode(reply), apr::ApplicationError) << QJsonDocument(reply).toJson().toStdString();
            EXPECT_TRUE(errorMessage(reply).contains("bloqueado para o usuário 0000000001"))
                << errorMessage(reply).toStdString();
        }
    for (int i = 0; i < items.size(); ++i) {
        ASSERT_EQ(winners[size_t(i)].size(), 1) << items[i].toStdString() << ": "
                                                << winners[size_t(i)].join(' ').toStdString();
        QSqlQuery q = server.db().run("SELECT COUNT(*), MIN(CDOPCHECKOUT) FROM itemtrab_prod"
                                      " WHERE CDITEMTRAB = ? AND CDPRODUTO = 'P401'",
                                      {items[i]});
        ASSERT_TRUE(q.next());
        EXPECT_EQ(q.value(0).toInt(), 1);
        EXPECT_EQ(q.value(1).toString(), winners[size_t(i)].first());
        q.finish();
    }
}
