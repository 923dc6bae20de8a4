// A plan of 5,000 activities: the server's share (the remote call until the
// last byte of its reply is in) and the client's share (reading the reply's
// JSON, the result check, the filled record set and the painted grid, top and
// bottom). The server's own time per call, from its log, is shown as well.
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

constexpr int kActivities = 5000;
const QString kOperator = QStringLiteral("000000000001");
const QString kBranch = QStringLiteral("0001");

class ServerProcess {
public:
    ServerProcess(const QString &database, bool seed)
    {
        QStringList args{"--listen", "127.0.0.1:0", "--database", "sqlite:" + database, "--log-level", "debug"};
        if (seed)
            args << "--seed" << "demo";
        m_process.setStandardErrorFile(database + ".log", QIODevice::Append);
        m_log = database + ".log";
        m_process.start(QStringLiteral(APR_SERVER_BIN), args);
        QByteArray out;
        while (port == 0 && m_process.waitForReadyRead(20000)) {
            out += m_process.readAllStandardOutput();
            const int at = out.indexOf("listening on ");
            const int end = at < 0 ? -1 : out.indexOf('\n', at);
            if (end > at)
                port = QString::fromUtf8(out.mid(at + 13, end - at - 13)).trimmed().section(':', -1).toInt();
        }
        if (port == 0)
            qFatal("apr-server did not start: %s", m_process.readAllStandardError().constData());
    }
    ~ServerProcess()
    {
        m_process.terminate();
        if (!m_process.waitForFinished(5000))
            m_process.kill();
    }
    int port = 0;

    // The durations the server logged for `method`, the last `count` of them.
    std::vector<double> loggedMs(const QByteArray &method, size_t count)
    {
        std::vector<double> ms;
        const QByteArray prefix = "call " + method + " ";
        QFile log(m_log);
        if (!log.open(QIODevice::ReadOnly))
            return ms;
        for (const QByteArray &line : log.readAll().split('\n')) {
            const qsizetype at = line.indexOf(prefix);
            if (at >= 0 && line.endsWith(" ms"))
                ms.push_back(line.mid(at + prefix.size()).chopped(3).toDouble());
        }
        ms.erase(ms.begin(), ms.end() - qsizetype(std::min(count, ms.size())));
        return ms;
    }

private:
    QProcess m_process;
    QString m_log;
};

// Copies the demo operator's open activities (and their tasks) under new task
// numbers, `missing` of them.
void growPlan(const QString &path, int missing)
{
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("grow"));
    db.setDatabaseName(path);
    if (!db.open())
        qFatal("cannot open %s", qPrintable(path));
    {
        QSqlQuery open(db);
        open.exec("SELECT * FROM planativtare WHERE CDOPERRESP = '" + kOperator
                  + "' AND (IDSITATIVTAR IS NULL OR IDSITATIVTAR NOT IN ('C','X'))");
        std::vector<QSqlRecord> activities;
        while (open.next())
            activities.push_back(open.record());
        const auto insertCopy = [&](const QString &table, QSqlRecord record, const QString &task) {
            record.setValue(QStringLiteral("NRTAREFA"), task);
            QStringList names, marks;
            for (int i = 0; i < record.count(); ++i) {
                names << record.fieldName(i);
                marks << QStringLiteral("?");
            }
            QSqlQuery ins(db);
            ins.prepare("INSERT INTO " + table + " (" + names.join(',') + ") VALUES (" + marks.join(',') + ")");
            for (int i = 0; i < record.count(); ++i)
                ins.addBindValue(record.value(i));
            if (!ins.exec())
                qFatal("%s", qPrintable(ins.lastError().text()));
        };
        db.transaction();
        for (int n = 0; n < missing; ++n) {
            const QSqlRecord &activity = activities[size_t(n) % activities.size()];
            const QString task = QStringLiteral("9%1").arg(n, 9, 10, QChar('0'));
            QSqlQuery t(db);
            t.prepare("SELECT * FROM tarefa WHERE CDFILIAL = ? AND NRTAREFA = ?");
            t.addBindValue(activity.value("CDFILIAL"));
            t.addBindValue(activity.value("NRTAREFA"));
            t.exec();
            if (t.next())
                insertCopy(QStringLiteral("tarefa"), t.record(), task);
            insertCopy(QStringLiteral("planativtare"), activity, task);
        }
        db.commit();
    }
    db.close();
    QSqlDatabase::removeDatabase(QStringLiteral("grow"));
}

QJsonArray planArguments()
{
    return {kBranch, kOperator, 0, "", "", "", "", "", "", ""};
}

QByteArray requestLine(const QString &method, const QJsonArray &params)
{
    const QJsonObject request{{"jsonrpc", "2.0"}, {"id", 1}, {"method", method}, {"params", params}};
    return QJsonDocument(request).toJson(QJsonDocument::Compact) + '\n';
}

QByteArray exchange(QTcpSocket &socket, const QByteArray &line)
{
    socket.write(line);
    QByteArray reply;
    while (!reply.endsWith('\n') && socket.waitForReadyRead(30000))
        reply += socket.readAll();
    return reply;
}

// The demo operator's session (the seed's password), for every connection of the run.
QString signIn(int port)
{
    QTcpSocket socket;
    socket.connectToHost(QStringLiteral("127.0.0.1"), quint16(port));
    if (!socket.waitForConnected(10000))
        qFatal("cannot connect to apr-server");
    const QByteArray reply = exchange(socket, requestLine(QStringLiteral("SignIn"),
                                                          {kOperator, QStringLiteral("demo-entrada"), kBranch,
                                                           QStringLiteral("0001")}));
    const QString token = QJsonDocument::fromJson(reply).object().value(QStringLiteral("result")).toString();
    if (token.isEmpty())
        qFatal("the demo operator could not sign in: %s", reply.constData());
    return token;
}

int planRows(int port)
{
    server::TNetConnection connection;
    server::ConnectionUses uses;
    connection.Host = QStringLiteral("127.0.0.1");
    connection.Port = port;
    connection.Token = signIn(port);
    server::NetRemoteServer remote(connection, uses);
    const QJsonValue packet = remote.call(QStringLiteral("GetPlanAtivTare"), planArguments());
    return int(packet.toObject().value(QStringLiteral("rows")).toArray().size());
}

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
