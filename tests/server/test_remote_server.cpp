// The calling convention against the real application server (demo seed).
#include "serverprocess.h"
#include "host/dialogs.h"
#include "host/recordset.h"
#include "host/services.h"
#include "server/connectionuses.h"
#include "server/netconnection.h"
#include "server/netremoteserver.h"
#include <QJsonArray>
#include <gtest/gtest.h>

namespace {

const QString kFilial = QStringLiteral("0001");
const QString kOperador = QStringLiteral("000000000001");

class RemoteServerTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        APR_REQUIRE_COMPONENT(apr.start(QStringLiteral(APR_SERVER_BIN)), "apr-server", apr.why());
        useServer(apr);
        QObject::connect(&netZEL, &server::TNetConnection::beforeConnect, [](server::TNetConnection &c) {
            c.Host = qor::WebURL();
            c.Port = qor::WebPort();
            c.Token = qor::SessionToken();
        });
    }
    static void useServer(const testsupport::ServerProcess &process)
    {
        qor::Session session;
        session.operador = kOperador;
        session.filial = kFilial;
        session.empresa = QStringLiteral("0001");
        session.webUrl = process.host();
        session.webPort = process.port();
        session.token = process.token();
        qor::SetSession(session);
    }
    QJsonArray planArgs(const QJsonValue &date, const QString &ini, const QString &fin) const
    {
        return {kFilial, kOperador, date, "", "", "", "", "", ini, fin};
    }

    testsupport::ServerProcess apr;
    qor::ScopedScriptedDialogs dialogs;
    server::TNetConnection netZEL{QStringLiteral("netZEL")};
    server::ConnectionUses uses;
    server::NetRemoteServer remote{netZEL, uses};
};

TEST_F(RemoteServerTest, PlanPacketLoadsWithThePlanFieldsAndTheUseIsReturned)
{
    qor::RecordSet plan(QStringLiteral("cdsPlanAtivTare"));
    remote.load(plan, QStringLiteral("GetPlanAtivTare"), planArgs(0, "", ""));
    EXPECT_GE(plan.recordCount(), 20);
    for (const char *name : {"NRPRIOATIVTR", "NRTAREFA", "NRPLATIVTARE", "CDFILIAL", "IDSITATIVTAR", "CDPROCESSO",
                             "DSSOLISERV", "DSTEMPLAITAR", "CDREDUITTRAB", "QTLIMSEMAPROP", "DSSTFASETRAM",
                             "CDARVPRODGRUP", "DSDIRBASEVER", "DSDIRVSS"})
        EXPECT_NE(plan.findField(QString::fromLatin1(name)), nullptr) << name;
    EXPECT_EQ(uses.count(QStringLiteral("netZEL")), 0);
    EXPECT_FALSE(netZEL.Connected());
    EXPECT_TRUE(dialogs->shown.empty());
}

TEST_F(RemoteServerTest, ProductRangeAndDateArgumentsNarrowThePlan)
{
    qor::RecordSet all, delphi, dated;
    remote.load(all, QStringLiteral("GetPlanAtivTare"), planArgs(0, "", ""));
    remote.load(delphi, QStringLiteral("GetPlanAtivTare"), planArgs(0, "P4", "P9zz"));
    remote.load(dated, QStringLiteral("GetPlanAtivTare"),
                planArgs(server::Date(QDateTime(QDate(2000, 1, 1), QTime(0, 0))), "", ""));
    EXPECT_GT(delphi.recordCount(), 0);
    EXPECT_LT(delphi.recordCount(), all.recordCount());
    EXPECT_TRUE(dated.active());
}

TEST_F(RemoteServerTest, ServerErrorIsShownAbortsAndTheConnectionStillAnswers)
{
    server::RemoteServer::Use held(remote);        // one connection for the whole test
    EXPECT_THROW(remote.call(QStringLiteral("NaoExiste"), {}), qor::EAbort);
    EXPECT_THROW(remote.call(QStringLiteral("GetAtivAndamento"), {kFilial}), qor::EAbort);
    EXPECT_THROW(remote.call(QStringLiteral("GetVersao"), {"0000000001", kFilial}), qor::EAbort);
    EXPECT_EQ(dialogs->shown.size(), 3u);
    EXPECT_EQ(uses.count(QStringLiteral("netZEL")), 1);
    EXPECT_EQ(netZEL.openCount(), 1);

    qor::RecordSet andamento;
    remote.load(andamento, QStringLiteral("GetAtivAndamento"), {kFilial, kOperador});
    EXPECT_TRUE(andamento.findField(QStringLiteral("IDATENDIMENTO")) != nullptr);
}

TEST_F(RemoteServerTest, InicialAnswersFivePacketsOrNulls)
{
    const QJsonArray packets = remote.callArray(
        QStringLiteral("Get_Inicial"), {kOperador, kFilial, kOperador, "ninguem-assim", "P4", "P9zz"});
    ASSERT_EQ(packets.size(), 5);
    EXPECT_TRUE(packets.at(1).isObject());
    EXPECT_TRUE(packets.at(3).isNull());      // no developer with that login
}

TEST_F(RemoteServerTest, HeldConnectionSurvivesAServerRestart)
{
    server::RemoteServer::Use held(remote);
    remote.call(QStringLiteral("GetAtivAndamento"), {kFilial, kOperador});
    apr.stop();
    testsupport::ServerProcess second;
    ASSERT_TRUE(second.start(QStringLiteral(APR_SERVER_BIN))) << qPrintable(second.why());
    useServer(second);
    const qor::RemoteResult first = remote.callRaw(QStringLiteral("GetAtivAndamento"), {kFilial, kOperador});
    // The dropped socket is noticed by the first call at the latest; the next one reconnects.
    const qor::RemoteResult again =
        first.isError ? remote.callRaw(QStringLiteral("GetAtivAndamento"), {kFilial, kOperador}) : first;
    EXPECT_FALSE(again.isError) << qPrintable(again.errorMessage + " " + again.errorDetail);
}

}
