#pragma once
// The 5,000-activity plan on a real apr-server: the server started on a
// SQLite file seeded with the demo and grown with copies of the demo
// operator's open activities, and the raw calls the benches time it with.
#include "server/connectionuses.h"
#include "server/netconnection.h"
#include "server/netremoteserver.h"
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QTcpSocket>
#include <algorithm>
#include <vector>

namespace benchplan {

inline constexpr int kActivities = 5000;
inline const QString kOperator = QStringLiteral("000000000001");
inline const QString kBranch = QStringLiteral("0001");

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
inline void growPlan(const QString &path, int missing)
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

inline QJsonArray planArguments()
{
    return {kBranch, kOperator, 0, "", "", "", "", "", "", ""};
}

inline QByteArray requestLine(const QString &method, const QJsonArray &params)
{
    const QJsonObject request{{"jsonrpc", "2.0"}, {"id", 1}, {"method", method}, {"params", params}};
    return QJsonDocument(request).toJson(QJsonDocument::Compact) + '\n';
}

inline QByteArray exchange(QTcpSocket &socket, const QByteArray &line)
{
    socket.write(line);
    QByteArray reply;
    while (!reply.endsWith('\n') && socket.waitForReadyRead(30000))
        reply += socket.readAll();
    return reply;
}

// The demo operator's session (the seed's password), for every connection of the run.
inline QString signIn(int port)
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

inline int planRows(int port)
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

}
