// The server under a working day's mix: 200 operators on loopback, 70%
// GetAtivAndamento, 20% GetPlanAtivTare of a 50-row plan, 10%
// SetFila_PlanAtiv, every reply checked. SQLite first, then the same mix for
// fewer operators while other clients sign in with wrong passwords, then
// PostgreSQL in a throw-away cluster when one can be started.
#include "database.h"
#include "loadgenerator.h"
#include "wrongpasswords.h"
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QSqlRecord>
#include <QTemporaryDir>
#include <QTcpSocket>
#include <QUrl>
#include <cstdio>
#include <functional>
#include <memory>
#include <stdexcept>

namespace {

const QString kBranch = QStringLiteral("0001");
const QString kOperator = QStringLiteral("000000000001");
constexpr int kPlanRows = 50;

const QString kPassword = QStringLiteral("demo-entrada");   // the demo seed's

// Thrown, not exited, so the servers started so far are stopped on the way out.
[[noreturn]] void fail(const QString &why)
{
    throw std::runtime_error(why.toStdString());
}

class ServerProcess {
public:
    // Quiet: the server's log is left out (a flood of refusals would fill it).
    ServerProcess(const QString &database, const QStringList &extra, bool quiet = false)
    {
        m_process.setProcessChannelMode(quiet ? QProcess::SeparateChannels : QProcess::ForwardedErrorChannel);
        if (quiet)
            m_process.setStandardErrorFile(QProcess::nullDevice());
        m_process.start(APR_SERVER_BIN, QStringList{"--listen", "127.0.0.1:0", "--database", database} + extra);
        QByteArray out;
        while (port == 0 && m_process.waitForReadyRead(60000)) {
            out += m_process.readAllStandardOutput();
            const qsizetype at = out.indexOf("listening on ");
            const qsizetype end = at < 0 ? -1 : out.indexOf('\n', at);
            if (end > at)
                port = quint16(QString::fromUtf8(out.mid(at + 13, end - at - 13)).section(':', -1).toUInt());
        }
        if (port == 0)
            fail("apr-server did not start");
    }
    ~ServerProcess()
    {
        m_process.terminate();
        if (!m_process.waitForFinished(10000))
            m_process.kill();
    }
    quint16 port = 0;

private:
    QProcess m_process;
};

QByteArray requestLine(const QString &method, const QJsonArray &params)
{
    const QJsonObject request{{"jsonrpc", "2.0"}, {"id", 1}, {"method", method}, {"params", params}};
    return QJsonDocument(request).toJson(QJsonDocument::Compact) + '\n';
}

QByteArray exchangeLine(QTcpSocket &socket, const QString &method, const QJsonArray &params)
{
    socket.write(requestLine(method, params));
    QByteArray reply;
    while (!reply.contains('\n') && socket.waitForReadyRead(30000))
        reply += socket.readAll();
    return reply.left(reply.indexOf('\n'));
}

QJsonObject exchange(QTcpSocket &socket, const QString &method, const QJsonArray &params)
{
    const QByteArray reply = exchangeLine(socket, method, params);
    const QJsonObject object = QJsonDocument::fromJson(reply).object();
    if (!object.contains("result"))
        fail(method + " failed: " + QString::fromUtf8(reply));
    return object;
}

// One call on a connection of its own, in the session of token.
QJsonObject call(quint16 port, const QString &token, const QString &method, const QJsonArray &params)
{
    QTcpSocket socket;
    socket.connectToHost("127.0.0.1", port);
    if (!socket.waitForConnected(10000))
        fail("cannot connect to apr-server");
    if (!token.isEmpty())
        exchange(socket, "Resume", {token});
    return exchange(socket, method, params);
}

// The demo operator signs in once; every connection resumes that session.
QString signIn(quint16 port)
{
    return call(port, {}, "SignIn", {kOperator, kPassword, kBranch, "0001"}).value("result").toString();
}

QJsonArray planArguments()
{
    return {kBranch, kOperator, 0, "", "", "", "", "", "", ""};
}

QJsonArray planRows(quint16 port, const QString &token)
{
    return call(port, token, "GetPlanAtivTare", planArguments()).value("result").toObject().value("rows").toArray();
}

// Copies open activities of the operator (with their tasks) under new task
// numbers until his plan holds `wanted` rows.
void growPlan(const QString &url, int missing)
{
    apr::Database db(apr::DatabaseUrl::parse(url));
    QSqlQuery open = db.run("SELECT * FROM planativtare WHERE CDOPERRESP = ? AND CDFILIAL = ?"
                            " AND (IDSITATIVTAR IS NULL OR IDSITATIVTAR NOT IN ('C','X'))"
                            " ORDER BY NRTAREFA, NRPLATIVTARE", {kOperator, kBranch});
    std::vector<QSqlRecord> activities;
    while (open.next())
        activities.push_back(open.record());
    auto insertCopy = [&db](const QString &table, QSqlRecord record, const QString &task) {
        record.setValue("NRTAREFA", task);
        QStringList names, marks;
        QVariantList values;
        for (int i = 0; i < record.count(); ++i) {
            names << record.fieldName(i);
            marks << "?";
            values << record.value(i);
        }
        db.run("INSERT INTO " + table + " (" + names.join(',') + ") VALUES (" + marks.join(',') + ")", values);
    };
    apr::Transaction tx(db);
    for (int n = 0; n < missing; ++n) {
        const QSqlRecord &activity = activities[size_t(n) % activities.size()];
        const QString task = QString("8%1").arg(n, 9, 10, QChar('0'));
        QSqlQuery t = db.run("SELECT * FROM tarefa WHERE CDFILIAL = ? AND NRTAREFA = ?",
                             {activity.value("CDFILIAL"), activity.value("NRTAREFA")});
        if (t.next())
            insertCopy("tarefa", t.record(), task);
        insertCopy("planativtare", activity, task);
    }
    tx.commit();
}

QJsonObject parsed(const QByteArray &reply)
{
    return QJsonDocument::fromJson(reply).object();
}

using ReplyCheck = std::function<bool(const QByteArray &reply)>;

// The reply after its id: the same for every call of a kind, since the load
// writes back the queue positions the plan already has.
QByteArrayView afterId(const QByteArray &reply)
{
    const qsizetype comma = reply.indexOf(',');
    return comma < 0 ? QByteArrayView() : QByteArrayView(reply).sliced(comma + 1);
}

// A call of the mix, with the reply it must get every time: one reply is
// read now and checked field by field, and each reply of the load must be
// that one byte for byte.
bench::CallKind callKind(quint16 port, const QString &token, const QString &method, const QJsonArray &params,
                         const ReplyCheck &sound, int weight)
{
    QTcpSocket socket;
    socket.connectToHost("127.0.0.1", port);
    if (!socket.waitForConnected(10000))
        fail("cannot connect to apr-server");
    exchange(socket, "Resume", {token});
    const QByteArray reference = exchangeLine(socket, method, params);
    if (!sound(reference))
        fail(method + " gave a wrong reply: " + QString::fromUtf8(reference.left(300)));
    const QByteArray expected = afterId(reference).toByteArray();
    return {method.toUtf8(), QJsonDocument(params).toJson(QJsonDocument::Compact),
            [expected](const QByteArray &reply) { return afterId(reply) == expected; }, weight};
}

std::vector<bench::CallKind> workingDay(quint16 port, const QString &token, const QJsonArray &plan,
                                        qsizetype openAttendances)
{
    std::vector<bench::CallKind> mix;
    mix.push_back(callKind(port, token, "GetAtivAndamento", {kBranch, kOperator},
                           [openAttendances](const QByteArray &reply) {
                               const QJsonObject r = parsed(reply).value("result").toObject();
                               return r.value("fields").toArray().size() == 5
                                      && r.value("rows").toArray().size() == openAttendances;
                           },
                           70));
    mix.push_back(callKind(port, token, "GetPlanAtivTare", planArguments(),
                           [](const QByteArray &reply) {
                               const QJsonObject r = parsed(reply).value("result").toObject();
                               const QJsonArray rows = r.value("rows").toArray();
                               return rows.size() == kPlanRows && rows.at(kPlanRows - 1).toArray().size() == 50;
                           },
                           20));
    // Queue positions of a few activities of the plan, over and over.
    const QJsonArray first = plan.at(0).toArray();
    const QJsonArray last = plan.at(plan.size() - 1).toArray();
    for (const QJsonArray &row : {first, last}) {
        const QJsonArray params{row.at(4), row.at(1), row.at(2), row.at(0).toString()};
        mix.push_back(callKind(port, token, "SetFila_PlanAtiv", params,
                               [](const QByteArray &reply) {
                                   const QJsonObject r = parsed(reply);
                                   return r.contains("result") && r.value("result").isNull()
                                          && !r.contains("error");
                               },
                               5));
    }
    return mix;
}

// A server over a seeded database whose operator has a plan of kPlanRows
// rows, with his session and the figures the replies are checked against.
struct Prepared {
    std::unique_ptr<ServerProcess> server;
    QString token;
    QJsonArray plan;
    qsizetype openAttendances = 0;

    bench::LoadPlan load(const bench::LoadPlan &shape) const
    {
        bench::LoadPlan load = shape;
        load.port = server->port;
        load.greeting = requestLine("Resume", {token});
        return load;
    }
    std::vector<bench::CallKind> mix() const { return workingDay(server->port, token, plan, openAttendances); }
};

Prepared prepare(const QString &database, bool quiet = false)
{
    {
        ServerProcess seeding(database, {"--seed", "demo", "--log-level", "error"});
        const int seeded = int(planRows(seeding.port, signIn(seeding.port)).size());
        growPlan(database, kPlanRows - seeded);
    }
    Prepared prepared;
    prepared.server = std::make_unique<ServerProcess>(database, QStringList{"--log-level", "error"}, quiet);
    const quint16 port = prepared.server->port;
    prepared.token = signIn(port);
    prepared.plan = planRows(port, prepared.token);
    if (prepared.plan.size() != kPlanRows)
        fail(QString("the plan holds %1 rows, not %2").arg(prepared.plan.size()).arg(kPlanRows));
    prepared.openAttendances = call(port, prepared.token, "GetAtivAndamento", {kBranch, kOperator})
                                   .value("result").toObject().value("rows").toArray().size();
    return prepared;
}

void report(const bench::LoadResult &r)
{
    if (!r.firstFailure.isEmpty())
        std::fprintf(stderr, "bench_server: first failure: %s\n", qPrintable(r.firstFailure));
    std::fprintf(stderr, "  replies at the client's socket: p50 %.2f ms, p99 %.2f ms\n", r.socketP50, r.socketP99);
    for (const auto &kind : r.kinds)
        std::fprintf(stderr, "  %s: %ld calls, p50 %.2f ms, p99 %.2f ms\n", kind.method.constData(), kind.calls,
                     kind.p50, kind.p99);
}

void measure(const QString &label, const QString &database, const bench::LoadPlan &shape)
{
    const Prepared prepared = prepare(database);
    const bench::LoadPlan load = prepared.load(shape);
    const bench::LoadResult r = bench::runLoad(load, prepared.mix());
    report(r);
    std::printf("%s %d clients: %.0f calls/s, p50 %.2f ms, p99 %.2f ms, %ld failed\n", qPrintable(label),
                load.connections, r.calls / r.seconds, r.p50, r.p99, r.failed);
    std::fflush(stdout);
}

// Operators at work while clients sign in with wrong passwords as fast as
// they are answered, more of them than the server lets one address check at
// once: the operators' p99 is the figure, the refusals per second beside it.
void measureUnderWrongPasswords(const QString &database, const bench::LoadPlan &shape, int guessers)
{
    const Prepared prepared = prepare(database, true);
    const bench::LoadPlan load = prepared.load(shape);
    const std::vector<bench::CallKind> mix = prepared.mix();
    bench::WrongPasswords wrong(prepared.server->port, guessers);
    QElapsedTimer clock;
    clock.start();
    const long refusedBefore = wrong.refusedWrong() + wrong.refusedOverLimit();
    const bench::LoadResult r = bench::runLoad(load, mix);
    const double seconds = clock.nsecsElapsed() / 1e9;
    const long refused = wrong.refusedWrong() + wrong.refusedOverLimit() - refusedBefore;
    report(r);
    std::fprintf(stderr, "  %d clients guessing: %ld refused for the password, %ld for too many at once,"
                         " %ld other replies%s%s\n",
                 guessers, wrong.refusedWrong(), wrong.refusedOverLimit(), wrong.unexpected(),
                 wrong.unexpected() ? ", first: " : "", qPrintable(wrong.firstUnexpected()));
    std::fprintf(stderr, "  honest %d clients: %.0f calls/s, p50 %.2f ms, %ld failed\n", load.connections,
                 r.calls / r.seconds, r.p50, r.failed);
    std::printf("server under wrong passwords: honest p99 %.2f ms, refused sign-ins %.1f/s\n", r.p99,
                refused / seconds);
    std::fflush(stdout);
}

QString freshPostgresDatabase(const QString &admin)
{
    const QString name = QString("aprbench_%1").arg(QCoreApplication::applicationPid());
    apr::Database db(apr::DatabaseUrl::parse(admin));
    db.run("DROP DATABASE IF EXISTS " + name);
    db.run("CREATE DATABASE " + name);
    QUrl url(admin);
    url.setPath("/" + name);
    return url.toString();
}

}

int run(const QCoreApplication &app)
{
    QStringList args = app.arguments().mid(1);
    const bool postgresOnly = args.removeAll("--postgresql") > 0;
    const bool sqliteOnly = args.removeAll("--sqlite") > 0;
    const bool wrongPasswordsOnly = args.removeAll("--wrong-passwords") > 0;
    bench::LoadPlan shape;
    // Fewer operators under wrong passwords: the guessers' hashing takes a core.
    bench::LoadPlan honest;
    honest.connections = 50;
    honest.rate = 1500;
    int guessers = 32;
    for (qsizetype i = 0; i + 1 < args.size(); i += 2) {
        const double value = args[i + 1].toDouble();
        if (args[i] == "--rate") shape.rate = value;
        else if (args[i] == "--seconds") shape.duration = honest.duration = value;
        else if (args[i] == "--clients") shape.connections = int(value);
        else if (args[i] == "--guessers") guessers = int(value);
        else fail("usage: bench_server [--sqlite | --postgresql | --wrong-passwords] [--rate CALLS_PER_S]"
                  " [--seconds S] [--clients N] [--guessers N]");
    }
    if (wrongPasswordsOnly) {
        QTemporaryDir dir;
        measureUnderWrongPasswords("sqlite:" + dir.filePath("apr.db"), honest, guessers);
        return 0;
    }
    if (postgresOnly) {
        const QString admin = qEnvironmentVariable("APR_TEST_PG_ADMIN");
        if (admin.isEmpty())
            fail("--postgresql needs APR_TEST_PG_ADMIN");
        measure("server postgresql", freshPostgresDatabase(admin), shape);
        return 0;
    }
    {
        QTemporaryDir dir;
        measure("server", "sqlite:" + dir.filePath("apr.db"), shape);
    }
    {
        QTemporaryDir dir;
        measureUnderWrongPasswords("sqlite:" + dir.filePath("apr.db"), honest, guessers);
    }
    if (sqliteOnly)
        return 0;
    // The same load on PostgreSQL, in a cluster of its own.
    QProcess postgres;
    postgres.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    postgres.start(APR_PG_RUNNER, QStringList{app.applicationFilePath(), "--postgresql"} + args);
    postgres.waitForFinished(-1);
    // Only the figures on standard output; the cluster's own talk goes to standard error.
    for (const QByteArray &line : postgres.readAllStandardOutput().split('\n')) {
        if (line.startsWith("server postgresql"))
            std::printf("%s\n", line.constData());
        else if (!line.isEmpty())
            std::fprintf(stderr, "%s\n", line.constData());
    }
    if (postgres.exitCode() == 77)
        std::fprintf(stderr, "bench_server: no PostgreSQL could be started; its line is left out\n");
    return postgres.exitCode() == 0 || postgres.exitCode() == 77 ? 0 : 1;
}

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    try {
        return run(app);
    } catch (const std::exception &e) {
        std::fprintf(stderr, "bench_server: %s\n", e.what());
        return 1;
    }
}
