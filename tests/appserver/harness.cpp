#include "harness.h"
#include "seed.h"
#include "sessions.h"
#include <QMutex>
#include <QCoreApplication>
#include <QJsonDocument>
#include <QRegularExpression>
#include <QUrl>

namespace apptest {

namespace {

int databaseCounter = 0;

// The demo sessions of the servers running, by port, for Client(port).
QMutex tokensMutex;
QHash<quint16, QString> demoTokens;

QString adminUrl()
{
    return qEnvironmentVariable("APR_TEST_PG_ADMIN");
}

QString freshPostgresDatabase()
{
    const QString name = QString("aprtest_%1_%2").arg(QCoreApplication::applicationPid()).arg(++databaseCounter);
    apr::Database admin(apr::DatabaseUrl::parse(adminUrl()));
    admin.run("CREATE DATABASE " + name);
    QUrl url(adminUrl());
    url.setPath("/" + name);
    return url.toString();
}

}

bool OnPostgresql()
{
    return !adminUrl().isEmpty();
}

QString FilterOfThisDatabasesRun()
{
    return OnPostgresql() ? "-*OnSqlite.*" : "-*OnPostgresql.*";
}

Server::Server()
{
    m_url = adminUrl().isEmpty() ? "sqlite:" + m_dir.filePath("apr.db") : freshPostgresDatabase();
}

Server::~Server()
{
    stop();
    m_db.reset();
    if (!adminUrl().isEmpty() && !m_borrowed) {
        apr::Database admin(apr::DatabaseUrl::parse(adminUrl()));
        admin.run("DROP DATABASE IF EXISTS " + QUrl(m_url).path().mid(1));
    }
}

QStringList Server::arguments(const QStringList &extra) const
{
    return QStringList{"--listen", "127.0.0.1:0", "--database", m_url} + extra;
}

bool Server::start(const QStringList &extra)
{
    m_process = std::make_unique<QProcess>();
    m_process->setProcessChannelMode(QProcess::MergedChannels);
    m_process->start(APR_SERVER_BIN, arguments(extra));
    if (!m_process->waitForStarted(10000)) {
        m_output = m_process->errorString();
        return false;
    }
    static const QRegularExpression ready("apr-server listening on 127\\.0\\.0\\.1:(\\d+)\n");
    QByteArray seen;
    while (m_process->waitForReadyRead(30000)) {
        seen += m_process->readAll();
        const auto match = ready.match(QString::fromUtf8(seen));
        if (match.hasMatch()) {
            m_port = quint16(match.captured(1).toUInt());
            m_output = QString::fromUtf8(seen);
            if (m_port != 0 && extra.contains("--seed") && !extra.contains("--tls-cert")) {
                Client bare(m_port, Client::WithoutSession);
                m_demoToken = bare.signIn("000000000001", apr::demoPassword);
                QMutexLocker lock(&tokensMutex);
                demoTokens.insert(m_port, m_demoToken);
            }
            return m_port != 0;
        }
    }
    m_output = QString::fromUtf8(seen + m_process->readAll());
    return false;
}

int Server::runToEnd(const QStringList &extra)
{
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(APR_SERVER_BIN, arguments(extra));
    if (!process.waitForFinished(30000)) {
        process.kill();
        process.waitForFinished();
        m_output = "still running";
        return -1;
    }
    m_output = QString::fromUtf8(process.readAll());
    return process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
}

void Server::stop()
{
    if (!m_process || m_process->state() == QProcess::NotRunning)
        return;
    {
        QMutexLocker lock(&tokensMutex);
        demoTokens.remove(m_port);
    }
    m_process->terminate();
    if (!m_process->waitForFinished(10000)) {
        m_process->kill();
        m_process->waitForFinished(5000);
        m_exitCode = -1;
        return;
    }
    m_output += QString::fromUtf8(m_process->readAll());
    m_exitCode = m_process->exitStatus() == QProcess::NormalExit ? m_process->exitCode() : -1;
}

apr::Database &Server::db()
{
    if (!m_db)
        m_db = std::make_unique<apr::Database>(apr::DatabaseUrl::parse(m_url));
    return *m_db;
}

void Server::givePassword(const QString &operador, const QString &password)
{
    apr::Transaction tx(db());
    ASSERT_TRUE(apr::setOperatorPassword(db(), operador, password.toUtf8())) << operador.toStdString();
    tx.commit();
}

Client::Client(quint16 port, Start start)
{
    m_socket.connectToHost("127.0.0.1", port);
    m_socket.waitForConnected(10000);
    QString token;
    if (start == Resumed) {
        QMutexLocker lock(&tokensMutex);
        token = demoTokens.value(port);
    }
    if (!token.isEmpty())
        EXPECT_TRUE(resume(token)) << QJsonDocument(m_lastError).toJson().toStdString();
}

Client::Client(quint16 port, const QString &token) : Client(port, WithoutSession)
{
    EXPECT_TRUE(resume(token)) << QJsonDocument(m_lastError).toJson().toStdString();
}

QString Client::signIn(const QString &operador, const QString &password, const QString &filial,
                       const QString &empresa)
{
    const QJsonObject reply = call("SignIn", {operador, password, filial, empresa});
    m_lastError = reply.value("error").toObject();
    return reply.value("result").toString();
}

bool Client::resume(const QString &token)
{
    const QJsonObject reply = call("Resume", {token});
    m_lastError = reply.value("error").toObject();
    return reply.contains("result");
}

void Client::send(const QByteArray &bytes)
{
    m_socket.write(bytes);
    while (m_socket.bytesToWrite() > 0 && m_socket.waitForBytesWritten(15000)) {
    }
}

QJsonObject Client::readReply(int timeoutMs)
{
    m_buffer += m_socket.readAll(); // what arrived while writing
    while (!m_buffer.contains('\n')) {
        if (!m_socket.waitForReadyRead(timeoutMs))
            return QJsonObject{{"timeout", true}};
        m_buffer += m_socket.readAll();
    }
    const qsizetype end = m_buffer.indexOf('\n');
    const QByteArray line = m_buffer.left(end);
    m_buffer.remove(0, end + 1);
    return QJsonDocument::fromJson(line).object();
}

QJsonObject Client::call(const QString &method, const QJsonArray &params)
{
    const QJsonObject request{{"jsonrpc", "2.0"}, {"id", m_nextId++}, {"method", method}, {"params", params}};
    send(QJsonDocument(request).toJson(QJsonDocument::Compact) + '\n');
    return readReply();
}

QJsonValue Client::result(const QString &method, const QJsonArray &params)
{
    const QJsonObject reply = call(method, params);
    EXPECT_FALSE(reply.contains("error")) << method.toStdString() << ": "
                                          << QJsonDocument(reply).toJson().toStdString();
    return reply.value("result");
}

QJsonObject date(const QDate &day)
{
    return QJsonObject{{"date", day.toString("yyyy-MM-dd") + "T00:00:00"}};
}

int errorCode(const QJsonObject &reply)
{
    return reply.value("error").toObject().value("code").toInt();
}

QString errorMessage(const QJsonObject &reply)
{
    return reply.value("error").toObject().value("message").toString();
}

QStringList column(const QJsonValue &packet, const QString &name)
{
    const QJsonArray fields = packet.toObject().value("fields").toArray();
    int index = -1;
    for (int i = 0; i < fields.size(); ++i)
        if (fields[i].toObject().value("name").toString() == name)
            index = i;
    QStringList values;
    if (index < 0)
        return {"<no field " + name + ">"};
    for (const QJsonValue &row : packet.toObject().value("rows").toArray())
        values << row.toArray().at(index).toString();
    return values;
}

QJsonValue cell(const QJsonValue &packet, int row, const QString &name)
{
    const QJsonArray fields = packet.toObject().value("fields").toArray();
    for (int i = 0; i < fields.size(); ++i)
        if (fields[i].toObject().value("name").toString() == name)
            return packet.toObject().value("rows").toArray().at(row).toArray().at(i);
    return QJsonValue::Undefined;
}

std::unique_ptr<Client> clientAs(Server &server, const QString &operador)
{
    server.givePassword(operador);
    auto client = std::make_unique<Client>(server.port(), Client::WithoutSession);
    EXPECT_FALSE(client->signIn(operador).isEmpty()) << operador.toStdString() << ": "
                                                     << QJsonDocument(client->lastError()).toJson().toStdString();
    return client;
}

Client &SeededServer::as(const QString &operador)
{
    std::unique_ptr<Client> &other = others[operador];
    if (!other)
        other = clientAs(server, operador);
    return *other;
}

void SeededServer::SetUp()
{
    ASSERT_TRUE(server.start()) << server.output().toStdString();
    client = std::make_unique<Client>(server.port());
    ASSERT_TRUE(client->connected());
}

}
