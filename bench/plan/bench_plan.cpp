// A plan of 5,000 activities: the server's share (the remote call until the
// last byte of its reply is in) and the client's share (reading the reply's
// JSON, the result check, the filled record set and the painted grid, top and
// bottom). The server's own time per call, from its log, is shown as well.
#include "benchplanserver.h"
#include "plan/plandelegate.h"
#include "plan/planfields.h"
#include "plan/planloader.h"
#include "host/dialogs.h"
#include "host/services.h"
#include "server/connectionuses.h"
#include "server/netconnection.h"
#include "server/netremoteserver.h"
#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QPainter>
#include <QProcess>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QJsonDocument>
#include <QTableView>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

using namespace benchplan;

struct Fixture {
    QTemporaryDir dir;
    std::unique_ptr<ServerProcess> server;
    server::TNetConnection connection;
    server::ConnectionUses uses;
    std::unique_ptr<server::NetRemoteServer> remote;
    qor::RecordSet plan{QStringLiteral("cdsPlanAtivTare")};
    QTableView grid;
    plan::PlanGridModel *model = nullptr;
    QString ini, fin;
    QTcpSocket raw;

    Fixture()
    {
        const QString path = dir.filePath(QStringLiteral("apr.db"));
        int seeded = 0;
        {
            ServerProcess demo(path, true);
            seeded = planRows(demo.port);
        }
        growPlan(path, kActivities - seeded);
        server = std::make_unique<ServerProcess>(path, false);
        connection.Host = QStringLiteral("127.0.0.1");
        connection.Port = server->port;
        connection.Token = signIn(server->port);
        remote = std::make_unique<server::NetRemoteServer>(connection, uses);
        remote->acquire();          // one permanent use, as the window keeps it
        plan::DefinePlanFields(plan);
        model = new plan::PlanGridModel(&plan, &grid);
        grid.setModel(model);
        plan::ApplyPlanColumns(grid, *model);
        grid.setItemDelegate(new plan::PlanDelegate(*model, &grid));
        grid.resize(1280, 800);
    }

    QJsonArray arguments()
    {
        plan::PlanContext ctx{*remote, plan, ini, fin};
        return plan::PlanArguments(ctx, QJsonValue(0), {});
    }

    QByteArray serverShare()
    {
        if (raw.state() != QAbstractSocket::ConnectedState) {
            raw.connectToHost(QStringLiteral("127.0.0.1"), quint16(server->port));
            if (!raw.waitForConnected(10000))
                qFatal("cannot connect to apr-server");
            exchange(raw, requestLine(QStringLiteral("Resume"), {connection.Token}));
        }
        return exchange(raw, requestLine(QStringLiteral("GetPlanAtivTare"), arguments()));
    }

    void clientShare(const QByteArray &reply)
    {
        const QJsonObject object = QJsonDocument::fromJson(reply).object();
        plan.setData(qor::CheckResultServ(server::TNetConnection::interpretReply(object)).toObject());
        QImage image(grid.size(), QImage::Format_RGB32);
        grid.scrollToTop();
        grid.render(&image);
        grid.scrollToBottom();
        grid.render(&image);
    }
};

Fixture *g_fixture = nullptr;

void BM_PlanServer(benchmark::State &state)
{
    for (auto _ : state)
        benchmark::DoNotOptimize(g_fixture->serverShare());
}
BENCHMARK(BM_PlanServer)->Unit(benchmark::kMillisecond)->Iterations(5);

void BM_PlanClient(benchmark::State &state)
{
    const QByteArray result = g_fixture->serverShare();
    for (auto _ : state)
        g_fixture->clientShare(result);
    state.counters["rows"] = g_fixture->plan.recordCount();
}
BENCHMARK(BM_PlanClient)->Unit(benchmark::kMillisecond)->Iterations(5);

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

}

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    qor::SetDialogSeam(qor::CreateConsoleSeam());
    qor::Session session;
    session.operador = kOperator;
    session.filial = kBranch;
    qor::SetSession(session);
    Fixture fixture;
    g_fixture = &fixture;

    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();

    std::vector<double> serverMs, clientMs;
    for (int i = 0; i < 7; ++i) {
        QElapsedTimer t;
        t.start();
        const QByteArray result = fixture.serverShare();
        serverMs.push_back(t.nsecsElapsed() / 1e6);
        t.restart();
        fixture.clientShare(result);
        clientMs.push_back(t.nsecsElapsed() / 1e6);
    }
    const int rows = fixture.plan.recordCount();
    if (rows != kActivities)
        std::fprintf(stderr, "bench_plan: the plan holds %d rows, not %d\n", rows, kActivities);
    const std::vector<double> own = fixture.server->loggedMs("GetPlanAtivTare", serverMs.size());
    std::printf("plan %d rows: server %.0f ms, client %.0f ms (the server's own time %.0f ms)\n", rows,
                median(serverMs), median(clientMs), own.empty() ? -1.0 : median(own));
    benchmark::Shutdown();
    g_fixture = nullptr;
    return rows == kActivities ? 0 : 1;
}
