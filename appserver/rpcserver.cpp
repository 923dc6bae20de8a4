#include "rpcserver.h"
#include "checkpointer.h"
#include "database.h"
#include "epollserver.h"
#include "linesplitter.h"
#include "rpcerror.h"
#include "workerpool.h"
#include <algorithm>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonParseError>
#include <QTcpSocket>
#include <QThread>
#include <unistd.h>
#include <exception>

namespace apr {

namespace {
constexpr qint64 readBufferLimit = 256 * 1024;
constexpr qint64 writeBufferLimit = 4 * 1024 * 1024;
constexpr size_t queuedLinesLimit = 64;
}

QByteArray errorReply(const QJsonValue &id, int code, const QString &message, const QString &detail)
{
    QJsonObject error{{"code", code}, {"message", message}, {"data", QJsonObject{{"detail", detail}}}};
    QJsonObject reply{{"jsonrpc", "2.0"}, {"id", id}, {"error", error}};
    return QJsonDocument(reply).toJson(QJsonDocument::Compact) + '\n';
}

namespace {

QByteArray successReply(const QJsonValue &id, const Reply &reply)
{
    if (!reply.resultJson.isEmpty() && !reply.byref) {
        // Keys in the order a JSON document writes them: id, jsonrpc, result.
        QByteArray line = QJsonDocument(QJsonObject{{"id", id}}).toJson(QJsonDocument::Compact);
        line.chop(1);
        line.reserve(line.size() + reply.resultJson.size() + 32);
        line += ",\"jsonrpc\":\"2.0\",\"result\":";
        line += reply.resultJson;
        line += "}\n";
        return line;
    }
    QJsonObject object{{"jsonrpc", "2.0"}, {"id", id}, {"result", reply.result}};
    if (reply.byref)
        object.insert("byref", *reply.byref);
    return QJsonDocument(object).toJson(QJsonDocument::Compact) + '\n';
}

bool validId(const QJsonValue &id)
{
    return id.isDouble() || id.isString() || id.isNull() || id.isUndefined();
}

}

namespace {

QByteArray failed(CallOutcome *outcome, const QByteArray &reply, int code, const QString &message,
                  const QString &detail)
{
    if (outcome) {
        outcome->errorCode = code;
        outcome->error = detail.isEmpty() ? message : message + " " + detail;
    }
    return reply;
}

QByteArray refuse(CallOutcome *outcome, const QJsonValue &id, int code, const QString &message,
                  const QString &detail)
{
    return failed(outcome, errorReply(id, code, message, detail), code, message, detail);
}

}

QByteArray answerLine(CallContext &context, const QByteArray &raw, CallOutcome *outcome)
{
    QByteArray line = raw;
    if (line.endsWith('\r'))
        line.chop(1);
    if (line.trimmed().isEmpty())
        return {};
    QJsonParseError parseError;
    const QJsonDocument doc = QJsonDocument::fromJson(line, &parseError);
    if (parseError.error != QJsonParseError::NoError) {
        // A bare scalar is valid JSON, just not a request.
        QJsonParseError scalarError;
        const QJsonDocument wrapped = QJsonDocument::fromJson("[" + line + "]", &scalarError);
        if (scalarError.error == QJsonParseError::NoError && wrapped.array().size() == 1)
            return refuse(outcome, QJsonValue::Null, InvalidRequest, "Invalid request",
                              "the request must be a JSON object");
        return refuse(outcome, QJsonValue::Null, ParseError, "Parse error",
                          QString("%1 at offset %2").arg(parseError.errorString()).arg(parseError.offset));
    }
    if (!doc.isObject())
        return refuse(outcome, QJsonValue::Null, InvalidRequest, "Invalid request", "the request must be a JSON object");
    const QJsonObject request = doc.object();
    const QJsonValue rawId = request.value("id");
    const QJsonValue id = validId(rawId) ? (rawId.isUndefined() ? QJsonValue() : rawId) : QJsonValue();
    if (!validId(rawId))
        return refuse(outcome, QJsonValue::Null, InvalidRequest, "Invalid request", "\"id\" must be a number or a string");
    if (!request.value("method").isString() || request.value("method").toString().isEmpty())
        return refuse(outcome, id, InvalidRequest, "Invalid request", "\"method\" must be a non-empty string");
    const QJsonValue params = request.value("params");
    if (!params.isUndefined() && !params.isArray())
        return refuse(outcome, id, InvalidRequest, "Invalid request", "\"params\" must be an array");
    const QString method = request.value("method").toString();
    if (outcome)
        outcome->method = method;
    try {
        return successReply(id, dispatch(context, method, params.toArray()));
    } catch (const RpcError &e) {
        return refuse(outcome, id, e.code, e.message, e.detail);
    } catch (const std::exception &e) {
        return refuse(outcome, id, ApplicationError, QString("%1: erro interno do servidor.").arg(method),
                          QString::fromLocal8Bit(e.what()));
    }
}

Answer answerCall(Database &db, ConnectionSession &session, const SessionPolicy &policy, CallLog &log,
                  const QByteArray &line)
{
    QElapsedTimer timer;
    timer.start();
    CallOutcome outcome;
    CallContext context{db, &session, &policy};
    QByteArray reply = answerLine(context, line, &outcome);
    if (db.inTransaction())
        db.rollback();
    db.endCall();
    if (!reply.isEmpty())
        log.record(outcome, timer.nsecsElapsed() / 1e6);
    return {reply, context.answerNotBeforeMs};
}

bool isSignIn(const QByteArray &line)
{
    // Most lines are told apart without parsing; a method name written with
    // escapes is still found.
    if (!line.contains("SignIn") && !line.contains("\\u"))
        return false;
    return QJsonDocument::fromJson(line).object().value("method").toString() == QLatin1String("SignIn");
}

QTcpSocket *createPlainSocket(qintptr descriptor, QObject *parent)
{
    auto *socket = new QTcpSocket(parent);
    if (!socket->setSocketDescriptor(descriptor)) {
        delete socket;
        return nullptr;
    }
    return socket;
}

Connection::Connection(quint64 id, QTcpSocket *socket, IoLoop &loop)
    : m_id(id), m_socket(socket), m_address(socket->peerAddress().toString()), m_loop(loop),
      m_splitter(loop.options().maxLine)
{
    m_socket->setParent(this);
    // Beyond this much unread input the server stops reading: a client that
    // floods it waits, the others do not.
    m_socket->setReadBufferSize(readBufferLimit);
    // A reply goes out whole at once; waiting to coalesce it only adds delay.
    m_socket->setSocketOption(QAbstractSocket::LowDelayOption, 1);
    m_quiet.start();
    connect(m_socket, &QTcpSocket::readyRead, this, &Connection::readMore);
    connect(m_socket, &QTcpSocket::bytesWritten, this, [this] {
        m_quiet.restart();
        pump();
    });
    connect(m_socket, &QTcpSocket::disconnected, this, [this] { m_loop.drop(m_id); });
}

Connection::~Connection()
{
    m_socket->disconnect(this);
    m_socket->abort();
}

void Connection::readMore()
{
    while (m_lines.size() < queuedLinesLimit && m_socket->bytesAvailable() > 0) {
        const QByteArray chunk = m_socket->read(64 * 1024);
        if (chunk.isEmpty())
            break;
        m_quiet.restart();
        m_splitter.feed(chunk.constData(), chunk.size(), m_lines);
    }
    pump();
}

// Hands the connection's next line to the workers, unless one is there
// already or the client is not reading its replies.
void Connection::pump()
{
    while (!m_busy && !m_lines.empty() && m_socket->bytesToWrite() < writeBufferLimit) {
        QByteArray line = std::move(m_lines.front());
        m_lines.pop_front();
        if (line.isNull()) {
            m_socket->write(oversizedLineReply(m_loop.options().maxLine));
            continue;
        }
        m_busy = true;
        m_loop.pool().submit(Job{m_id, std::move(line), m_address});
    }
    if (!m_busy && m_lines.size() < queuedLinesLimit && m_socket->bytesAvailable() > 0)
        QMetaObject::invokeMethod(this, &Connection::readMore, Qt::QueuedConnection);
}

void Connection::answered(const QByteArray &reply)
{
    m_busy = false;
    m_quiet.restart();
    if (!reply.isEmpty())
        m_socket->write(reply);
    pump();
}

IoLoop::IoLoop(const ServerOptions &options, CallLog &log, WorkerPool &pool)
    : m_options(options), m_log(log), m_pool(pool)
{
}

void IoLoop::adopt(qintptr descriptor, quint64 id)
{
    if (!m_idleCheck) {
        m_idleCheck = new QTimer(this);
        m_idleCheck->setInterval(int(std::clamp<qint64>(m_options.idleTimeoutMs / 4, 100, 10000)));
        connect(m_idleCheck, &QTimer::timeout, this, &IoLoop::closeIdle);
        m_idleCheck->start();
    }
    QTcpSocket *socket = m_options.createSocket(descriptor, nullptr);
    if (!socket) {
        ::close(int(descriptor));
        m_pool.sessions().forget(id);
        return;
    }
    m_connections.insert(id, new Connection(id, socket, *this));
}

void IoLoop::answered(quint64 id, const QByteArray &reply)
{
    if (Connection *connection = m_connections.value(id))
        connection->answered(reply);
    // else the client left while its call ran
}

void IoLoop::drop(quint64 id)
{
    if (Connection *connection = m_connections.take(id))
        connection->deleteLater();
    m_pool.sessions().forget(id);
}

void IoLoop::stop()
{
    qDeleteAll(m_connections);
    m_connections.clear();
    delete m_idleCheck;
    m_idleCheck = nullptr;
}

void IoLoop::closeIdle()
{
    QList<quint64> idle;
    for (Connection *connection : std::as_const(m_connections))
        if (!connection->busy() && connection->quietFor(m_options.idleTimeoutMs))
            idle << connection->id();
    for (quint64 id : idle) {
        m_log.info(QString("closing a connection idle for %1 s").arg(m_options.idleTimeoutMs / 1000.0));
        drop(id);
    }
}

RpcServer::RpcServer(const DatabaseUrl &url, const ServerOptions &options, CallLog &log, QObject *parent)
    : QTcpServer(parent), m_options(options), m_log(log)
{
    if (url.kind == DatabaseUrl::Sqlite)
        m_checkpointer = std::make_unique<WalCheckpointer>(url, log);
    m_signIns = std::make_unique<SignInDesk>(url, m_options.signIns, m_options.sessions, log);
    if (!m_options.tls) {
        m_epoll = std::make_unique<EpollServer>(url, m_options, log, *m_signIns);
        return;
    }
    m_pool = std::make_unique<WorkerPool>(url, options.workers, log, [this](quint64 peer, QByteArray reply) {
        IoLoop *loop = loopOf(peer);
        QMetaObject::invokeMethod(loop, [loop, peer, reply = std::move(reply)] { loop->answered(peer, reply); },
                                  Qt::QueuedConnection);
    }, m_sessions, options.sessions, *m_signIns);
    for (int i = 0; i < std::max(1, options.ioThreads); ++i) {
        m_threads.push_back(std::make_unique<QThread>());
        m_threads.back()->setObjectName(QString("apr-io-%1").arg(i + 1));
        m_loops.push_back(std::make_unique<IoLoop>(m_options, m_log, *m_pool));
        m_loops.back()->moveToThread(m_threads.back().get());
    }
}

RpcServer::~RpcServer()
{
    close();
    // No sign-in is answered from here on; the serving threads may still hand one over.
    m_signIns->stop();
    m_epoll.reset();
    m_pool.reset(); // workers stop before the connections they answer go
    for (size_t i = 0; i < m_loops.size(); ++i) {
        if (m_threads[i]->isRunning()) {
            IoLoop *loop = m_loops[i].get();
            QMetaObject::invokeMethod(loop, [loop] { loop->stop(); }, Qt::BlockingQueuedConnection);
            m_threads[i]->quit();
            m_threads[i]->wait();
        }
        m_loops[i].reset();
    }
}

bool RpcServer::start(const QHostAddress &address, quint16 port)
{
    if (m_checkpointer && !m_checkpointer->start(m_error))
        return false;
    if (!m_signIns->start(m_error))
        return false;
    if (!(m_epoll ? m_epoll->start(m_error) : m_pool->start(m_error)))
        return false;
    for (auto &thread : m_threads)
        thread->start();
    if (!listen(address, port)) {
        m_error = errorString();
        return false;
    }
    return true;
}

void RpcServer::incomingConnection(qintptr descriptor)
{
    if (m_epoll) {
        m_epoll->adopt(descriptor);
        return;
    }
    const quint64 id = m_nextPeer++;
    m_sessions.open(id);
    IoLoop *loop = loopOf(id);
    QMetaObject::invokeMethod(loop, [loop, descriptor, id] { loop->adopt(descriptor, id); }, Qt::QueuedConnection);
}

}
