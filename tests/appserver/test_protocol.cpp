// The wire protocol: framing, ids, errors, and that bad input never costs the
// connection or the server.
#include "harness.h"
#include "seed.h"
#include <QFile>
#include <QJsonDocument>

using namespace apptest;

namespace {

class Protocol : public SeededServer {};

QByteArray line(const QJsonObject &request)
{
    return QJsonDocument(request).toJson(QJsonDocument::Compact) + '\n';
}

QJsonObject request(int id, const QString &method, const QJsonArray &params)
{
    return {{"jsonrpc", "2.0"}, {"id", id}, {"method", method}, {"params", params}};
}

const QJsonArray progOptions{"APR00100", "000000000001"};

void expectStillAnswers(Client &client)
{
    const QJsonObject reply = client.call("GetProgOperOpc", progOptions);
    EXPECT_TRUE(reply.value("result").isObject()) << QJsonDocument(reply).toJson().toStdString();
}

}

TEST_F(Protocol, PipelinedRequestsAreAnsweredInOrderWithTheirIds)
{
    QByteArray batch;
    for (int id : {7, 3, 11})
        batch += line(request(id, "GetProgOperOpc", progOptions));
    client->send(batch);
    for (int id : {7, 3, 11}) {
        const QJsonObject reply = client->readReply();
        EXPECT_EQ(reply.value("jsonrpc").toString(), "2.0");
        EXPECT_EQ(reply.value("id").toInt(), id);
        EXPECT_TRUE(reply.value("result").toObject().contains("fields"));
    }
}

TEST_F(Protocol, RequestSplitAcrossWritesIsOneRequest)
{
    const QByteArray whole = line(request(5, "GetProgOperOpc", progOptions));
    client->send(whole.left(10));
    client->send(whole.mid(10));
    EXPECT_EQ(client->readReply().value("id").toInt(), 5);
}

TEST_F(Protocol, BadInputGivesAnErrorAndTheConnectionGoesOn)
{
    struct Case {
        QByteArray line;
        int code;
    } cases[] = {
        {"{\"jsonrpc\":\"2.0\",\"id\":1,\"method\":", -32700},
        {"not json at all", -32700},
        {"[1,2,3]", -32600},
        {"42", -32600},
        {"{\"jsonrpc\":\"2.0\",\"id\":1}", -32600},
        {"{\"jsonrpc\":\"2.0\",\"id\":1,\"method\":\"GetProgOperOpc\",\"params\":{}}", -32600},
        {"{\"jsonrpc\":\"2.0\",\"id\":1,\"method\":\"NoSuchMethod\",\"params\":[]}", -32601},
    };
    for (const Case &c : cases) {
        client->send(c.line + '\n');
        const QJsonObject reply = client->readReply();
        EXPECT_EQ(errorCode(reply), c.code) << c.line.toStdString();
        EXPECT_TRUE(reply.value("error").toObject().value("data").toObject().contains("detail"));
        expectStillAnswers(*client);
    }
}

TEST_F(Protocol, ParseErrorHasNullId)
{
    client->send("{oops\n");
    const QJsonObject reply = client->readReply();
    EXPECT_TRUE(reply.contains("id"));
    EXPECT_TRUE(reply.value("id").isNull());
}

TEST_F(Protocol, WrongArgumentCountNamesTheMethod)
{
    const QJsonObject reply = client->call("GetPlanAtivTare", {"0001", "000000000001"});
    EXPECT_EQ(errorCode(reply), -32602);
    EXPECT_TRUE(errorMessage(reply).contains("GetPlanAtivTare")) << errorMessage(reply).toStdString();
    EXPECT_TRUE(errorMessage(reply).contains("10"));
}

TEST_F(Protocol, WrongArgumentTypeNamesMethodAndArgument)
{
    QJsonObject reply = client->call("GetProgOperOpc", {"APR00100", 12});
    EXPECT_EQ(errorCode(reply), -32602);
    EXPECT_TRUE(errorMessage(reply).contains("GetProgOperOpc"));
    EXPECT_TRUE(errorMessage(reply).contains("operador")) << errorMessage(reply).toStdString();

    reply = client->call("GetProdAtual", {"0"});
    EXPECT_EQ(errorCode(reply), -32602);
    reply = client->call("GetProdAtual", {1.5});
    EXPECT_EQ(errorCode(reply), -32602);
    // The planned-start date: only 0 or a date object.
    const QJsonArray base{"0001", "000000000001"};
    for (const QJsonValue &bad : {QJsonValue(1), QJsonValue("2026-01-01"),
                                  QJsonValue(QJsonObject{{"date", "31/12/2026"}})}) {
        QJsonArray params = base;
        params << bad << "" << "" << "" << "" << "" << "" << "";
        reply = client->call("GetPlanAtivTare", params);
        EXPECT_EQ(errorCode(reply), -32602) << QJsonDocument(QJsonArray{bad}).toJson().toStdString();
        EXPECT_TRUE(errorMessage(reply).contains("argument 3"));
    }
    expectStillAnswers(*client);
}

TEST_F(Protocol, CatalogueHoldsTheFiftyFourMethods)
{
    const char *names[] = {
        "ClearArqCheckout", "DelPatchTram", "Get_Inicial", "Get_ItemTarefa", "GetArqCheck", "GetArqCheckout",
        "GetArquivosPatch", "GetAtivAndamento", "Getativpen", "GetDirItemTrab", "GetDirProd", "GetGeral",
        "GetItemTarefa", "GetItemTrab", "GetOperador", "GetOperSemApro", "GetParamProdSVN", "GetPatchFaseTram",
        "GetPesqQualifica", "GetPlanAtivTare", "GetProcAtend", "GetProdAtual", "GetProdMercado", "GetProdSubv",
        "GetProdSVN", "GetProgOperOpc", "GetResposta", "GetVdArqCheckout", "GetVdRelacItTrabProd",
        "GetVdsolitemtrab", "GetVerificaPatchTeste", "GetVersao", "Inclui_ItemTrab", "InsPatchTram",
        "ReleaseMetaDados", "SetAproAtiv", "SetArqCheckout", "SetCheckout", "SetConcAtivGeral", "SetDataAtuProd",
        "SetDesaproAtiv", "SetEquipTrab", "SetFila_PlanAtiv", "SetFinalizaTarefa", "SetPlanAtivTare",
        "SetProgOperOpc", "SetReleaseAntNula", "SetReleaseAntSVN", "SetReleaseAtuSVN", "SetResp_PlanAtiv",
        "SetResposta", "SetStatusAtivPen", "SetTarefa", "SetUpdateQualif",
    };
    ASSERT_EQ(std::size(names), 54u);
    QJsonArray tooMany;
    for (int i = 0; i < 20; ++i)
        tooMany << "x";
    for (const char *name : names)
        EXPECT_EQ(errorCode(client->call(name, tooMany)), -32602) << name;
}

TEST(ProtocolLimits, OversizedLineIsRefusedAndSkipped)
{
    Server server;
    ASSERT_TRUE(server.start({"--max-line", "4096", "--seed", "demo"})) << server.output().toStdString();
    Client client(server.port());
    // Well over the limit, sent in pieces, then a valid request on the same connection.
    const QByteArray piece(64 * 1024, 'a');
    client.send("{\"jsonrpc\":\"2.0\",\"id\":1,\"method\":\"GetProgOperOpc\",\"params\":[\"");
    for (int i = 0; i < 64; ++i)
        client.send(piece);
    client.send("\"]}\n");
    const QJsonObject refused = client.readReply();
    EXPECT_EQ(errorCode(refused), -32600);
    EXPECT_TRUE(refused.value("id").isNull());
    expectStillAnswers(client);
    // A line just under the limit is still served.
    const QByteArray padded = "{\"jsonrpc\":\"2.0\",\"id\":2,\"method\":\"GetProgOperOpc\",\"params\":[\"APR00100\",\"0\"],\"pad\":\""
                              + QByteArray(3900, 'b') + "\"}\n";
    client.send(padded);
    EXPECT_EQ(client.readReply().value("id").toInt(), 2);
}

TEST(ProtocolClients, SeveralClientsAtOnce)
{
    Server server;
    ASSERT_TRUE(server.start());
    std::vector<std::unique_ptr<Client>> clients;
    for (int i = 0; i < 6; ++i)
        clients.push_back(std::make_unique<Client>(server.port()));
    // Each sends a half request first, so the server holds six partial lines at once.
    const QByteArray whole = line(request(1, "GetProgOperOpc", progOptions));
    for (auto &c : clients)
        c->send(whole.left(20));
    for (auto &c : clients)
        c->send(whole.mid(20));
    for (auto &c : clients)
        EXPECT_EQ(c->readReply().value("id").toInt(), 1);
}

TEST(ProtocolLifecycle, TerminateStopsCleanly)
{
    Server server;
    ASSERT_TRUE(server.start());
    server.stop();
    EXPECT_EQ(server.exitCode(), 0) << server.output().toStdString();
}

TEST(ProtocolLifecycle, BadOptionsAreRefused)
{
    Server server;
    EXPECT_NE(server.runToEnd({"--max-line", "lots"}), 0);
    EXPECT_NE(server.runToEnd({"--seed", "nonsense"}), 0);
}

TEST(AprCall, PrintsResultOrError)
{
    Server server;
    ASSERT_TRUE(server.start());
    const QString address = QString("127.0.0.1:%1").arg(server.port());
    QTemporaryDir dir;
    QFile secret(dir.filePath("senha"));
    ASSERT_TRUE(secret.open(QIODevice::WriteOnly));
    secret.write(QByteArray(apr::demoPassword) + "\n");
    secret.close();
    QProcess call;
    call.start(APR_CALL_BIN, {"--server", address, "--operator", "000000000001", "--password-file", secret.fileName(),
                              "SetProgOperOpc", "APR00100", "000000000001", "abc def", "\"1\""});
    ASSERT_TRUE(call.waitForFinished(15000));
    EXPECT_EQ(call.exitCode(), 0) << call.readAllStandardError().toStdString();
    // The password on standard input.
    call.start(APR_CALL_BIN, {"--server", address, "--operator", "000000000001", "GetProgOperOpc", "APR00100",
                              "000000000001"});
    call.write(QByteArray(apr::demoPassword) + "\n");
    call.closeWriteChannel();
    ASSERT_TRUE(call.waitForFinished(15000));
    EXPECT_EQ(call.exitCode(), 0);
    const QJsonObject packet = QJsonDocument::fromJson(call.readAllStandardOutput()).object();
    EXPECT_EQ(column(packet, "TXPROPRIED"), QStringList{"abc def"});
    // Bare 1 is a number where a text is expected: an invalid-params error on stderr.
    call.start(APR_CALL_BIN, {"--server", address, "--operator", "000000000001", "--password-file",
                              secret.fileName(), "SetFila_PlanAtiv", "0001", "0000005001", "00001", "7"});
    ASSERT_TRUE(call.waitForFinished(15000));
    EXPECT_EQ(call.exitCode(), 1);
    EXPECT_TRUE(call.readAllStandardError().contains("SetFila_PlanAtiv"));
    EXPECT_TRUE(call.readAllStandardOutput().isEmpty());
    // Without signing in the server refuses, and a wrong password says so without echoing it.
    call.start(APR_CALL_BIN, {"--server", address, "GetProgOperOpc", "APR00100", "000000000001"});
    ASSERT_TRUE(call.waitForFinished(15000));
    EXPECT_EQ(call.exitCode(), 1);
    EXPECT_TRUE(call.readAllStandardError().contains("-32002"));
    call.start(APR_CALL_BIN, {"--server", address, "--operator", "000000000001", "GetProgOperOpc", "APR00100",
                              "000000000001"});
    call.write("not-the-password\n");
    call.closeWriteChannel();
    ASSERT_TRUE(call.waitForFinished(15000));
    EXPECT_EQ(call.exitCode(), 1);
    const QByteArray said = call.readAllStandardError() + call.readAllStandardOutput();
    EXPECT_TRUE(said.contains("Operador ou senha incorretos")) << said.toStdString();
    EXPECT_FALSE(said.contains("not-the-password"));
}
