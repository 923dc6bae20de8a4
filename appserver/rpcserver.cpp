#include "rpcserver.h"
#include "database.h"
#include "rpcerror.h"
#include "workerpool.h"
#include <algorithm>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonParseError>
#include <QTcpSocket>
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

RpcServer::RpcServer(const DatabaseUrl &url, const ServerOptions &options, CallLog &log, QObject *parent)
    : QTcpServer(parent), m_options(options), m_log(log)
{
    m_pool = std::make_unique<WorkerPool>(url, options.workers, log, [this](quint64 peer, QByteArray reply) {
        QMetaObject::invokeMethod(this, [this, peer, reply = std::move(reply)] { answered(peer, reply); },
                                  Qt::QueuedConnection);
    }, m_sessions, options.sessions);
    m_idleCheck.setInterval(int(std::clamp<qint64>(options.idleTimeoutMs / 4, 100, 10000)));
    connect(&m_idleCheck, &QTimer::timeout, this, &RpcServer::closeIdle);
}

RpcServer::~RpcServer()
{
    close();
    m_pool.reset(); // workers stop before the peers they answer go
    for (Peer &peer : m_peers)
        delete peer.socket;
}

bool RpcServer::start(const QHostAddress &address, quint16 port)
{
    if (!m_pool->start(m_error))
        return false;
    if (!listen(address, port)) {
        m_error = errorString();
        return false;
    }
    m_idleCheck.start();
    return true;
}

void RpcServer::incomingConnection(qintptr descriptor)
{
    auto *socket = new QTcpSocket(this);
    if (!socket->setSocketDescriptor(descriptor)) {
        delete socket;
        return;
    }
    // Beyond this much unread input the server stops reading: a client that
    // floods it waits, the others do not.
    socket->setReadBufferSize(readBufferLimit);
    // A reply goes out whole at once; waiting to coalesce it only adds delay.
    socket->setSocketOption(QAbstractSocket::LowDelayOption, 1);
    const quint64 id = m_nextPeer++;
    m_sessions.open(id);
    Peer &peer = m_peers[id];
    peer.socket = socket;
    peer.quiet.start();
    connect(socket, &QTcpSocket::readyRead, this, [this, id] { readFrom(id); });
    connect(socket, &QTcpSocket::bytesWritten, this, [this, id] {
        auto it = m_peers.find(id);
        if (it == m_peers.end())
            return;
        it->quiet.restart();
        pump(id);
    });
    connect(socket, &QTcpSocket::disconnected, this, [this, id] { drop(id); });
}

void RpcServer::drop(quint64 id)
{
    auto it = m_peers.find(id);
    if (it == m_peers.end())
        return;
    QTcpSocket *socket = it->socket;
    m_peers.erase(it);
    m_sessions.forget(id);
    socket->disconnect(this);
    socket->abort();
    socket->deleteLater();
}

void RpcServer::readFrom(quint64 id)
{
    auto it = m_peers.find(id);
    if (it == m_peers.end())
        return;
    Peer &peer = *it;
    while (peer.lines.size() < queuedLinesLimit && peer.socket->bytesAvailable() > 0) {
        const QByteArray chunk = peer.socket->read(64 * 1024);
        if (chunk.isEmpty())
            break;
        peer.quiet.restart();
        consume(peer, chunk);
    }
    pump(id);
}

void RpcServer::consume(Peer &peer, const QByteArray &chunk)
{
    qsizetype start = 0;
    while (start < chunk.size()) {
        const qsizetype newline = chunk.indexOf('\n', start);
        const qsizetype end = newline < 0 ? chunk.size() : newline;
        if (peer.skipping) {
            if (newline >= 0)
                peer.skipping = false;
        } else {
            peer.pending.append(chunk.constData() + start, end - start);
            if (peer.pending.size() > m_options.maxLine) {
                peer.pending.clear();
                peer.pending.squeeze();
                // Queued as an answer of its own so that it keeps its place among the replies.
                peer.lines.push_back(QByteArray());
                peer.skipping = newline < 0;
            } else if (newline >= 0) {
                if (!peer.pending.trimmed().isEmpty())
                    peer.lines.push_back(peer.pending);
                peer.pending.clear();
            }
        }
        start = end + 1;
    }
}

// Hands the connection's next line to the workers, unless one is there
// already or the client is not reading its replies.
void RpcServer::pump(quint64 id)
{
    auto it = m_peers.find(id);
    if (it == m_peers.end())
        return;
    Peer &peer = *it;
    while (!peer.busy && !peer.lines.empty() && peer.socket->bytesToWrite() < writeBufferLimit) {
        QByteArray line = std::move(peer.lines.front());
        peer.lines.pop_front();
        if (line.isNull()) {
            peer.socket->write(errorReply(QJsonValue::Null, InvalidRequest, "Invalid request",
                                          QString("request line longer than %1 bytes").arg(m_options.maxLine)));
            continue;
        }
        peer.busy = true;
        m_pool->submit(Job{id, std::move(line)});
    }
    if (!peer.busy && peer.lines.size() < queuedLinesLimit && peer.socket->bytesAvailable() > 0)
        QMetaObject::invokeMethod(this, [this, id] { readFrom(id); }, Qt::QueuedConnection);
}

void RpcServer::answered(quint64 id, const QByteArray &reply)
{
    auto it = m_peers.find(id);
    if (it == m_peers.end())
        return; // the client left while its call ran
    it->busy = false;
    it->quiet.restart();
    if (!reply.isEmpty())
        it->socket->write(reply);
    pump(id);
}

void RpcServer::closeIdle()
{
    QList<quint64> idle;
    for (auto it = m_peers.cbegin(); it != m_peers.cend(); ++it)
        if (!it->busy && it->quiet.hasExpired(m_options.idleTimeoutMs))
            idle << it.key();
    for (quint64 id : idle) {
        m_log.info(QString("closing a connection idle for %1 s").arg(m_options.idleTimeoutMs / 1000.0));
        drop(id);
    }
}

}
