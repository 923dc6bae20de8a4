#include "rpcserver.h"
#include "database.h"
#include "rpcerror.h"
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonParseError>
#include <QTcpSocket>
#include <exception>

namespace apr {

QByteArray errorReply(const QJsonValue &id, int code, const QString &message, const QString &detail)
{
    QJsonObject error{{"code", code}, {"message", message}, {"data", QJsonObject{{"detail", detail}}}};
    QJsonObject reply{{"jsonrpc", "2.0"}, {"id", id}, {"error", error}};
    return QJsonDocument(reply).toJson(QJsonDocument::Compact) + '\n';
}

namespace {

QByteArray successReply(const QJsonValue &id, const Reply &reply)
{
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

QByteArray answerLine(CallContext &context, const QByteArray &raw)
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
            return errorReply(QJsonValue::Null, InvalidRequest, "Invalid request",
                              "the request must be a JSON object");
        return errorReply(QJsonValue::Null, ParseError, "Parse error",
                          QString("%1 at offset %2").arg(parseError.errorString()).arg(parseError.offset));
    }
    if (!doc.isObject())
        return errorReply(QJsonValue::Null, InvalidRequest, "Invalid request", "the request must be a JSON object");
    const QJsonObject request = doc.object();
    const QJsonValue rawId = request.value("id");
    const QJsonValue id = validId(rawId) ? (rawId.isUndefined() ? QJsonValue() : rawId) : QJsonValue();
    if (!validId(rawId))
        return errorReply(QJsonValue::Null, InvalidRequest, "Invalid request", "\"id\" must be a number or a string");
    if (!request.value("method").isString() || request.value("method").toString().isEmpty())
        return errorReply(id, InvalidRequest, "Invalid request", "\"method\" must be a non-empty string");
    const QJsonValue params = request.value("params");
    if (!params.isUndefined() && !params.isArray())
        return errorReply(id, InvalidRequest, "Invalid request", "\"params\" must be an array");
    const QString method = request.value("method").toString();
    try {
        return successReply(id, dispatch(context, method, params.toArray()));
    } catch (const RpcError &e) {
        return errorReply(id, e.code, e.message, e.detail);
    } catch (const std::exception &e) {
        return errorReply(id, ApplicationError, QString("%1: erro interno do servidor.").arg(method),
                          QString::fromLocal8Bit(e.what()));
    }
}

RpcServer::RpcServer(Database &db, qint64 maxLine, QObject *parent)
    : QObject(parent), m_db(db), m_maxLine(maxLine)
{
    connect(&m_server, &QTcpServer::newConnection, this, &RpcServer::accept);
}

bool RpcServer::listen(const QHostAddress &address, quint16 port)
{
    return m_server.listen(address, port);
}

void RpcServer::accept()
{
    while (QTcpSocket *socket = m_server.nextPendingConnection()) {
        m_peers.insert(socket, Peer{});
        connect(socket, &QTcpSocket::readyRead, this, [this, socket] { readFrom(socket); });
        connect(socket, &QTcpSocket::disconnected, this, [this, socket] {
            m_peers.remove(socket);
            socket->deleteLater();
        });
    }
}

void RpcServer::readFrom(QTcpSocket *socket)
{
    auto it = m_peers.find(socket);
    if (it == m_peers.end())
        return;
    while (socket->bytesAvailable() > 0) {
        const QByteArray chunk = socket->read(64 * 1024);
        if (chunk.isEmpty())
            break;
        consume(socket, *it, chunk);
    }
}

void RpcServer::consume(QTcpSocket *socket, Peer &peer, const QByteArray &chunk)
{
    CallContext context{m_db};
    qsizetype start = 0;
    while (start < chunk.size()) {
        const qsizetype newline = chunk.indexOf('\n', start);
        const qsizetype end = newline < 0 ? chunk.size() : newline;
        if (peer.skipping) {
            if (newline >= 0)
                peer.skipping = false;
        } else {
            peer.pending.append(chunk.constData() + start, end - start);
            if (peer.pending.size() > m_maxLine) {
                peer.pending.clear();
                peer.pending.squeeze();
                socket->write(errorReply(QJsonValue::Null, InvalidRequest, "Invalid request",
                                         QString("request line longer than %1 bytes").arg(m_maxLine)));
                peer.skipping = newline < 0;
            } else if (newline >= 0) {
                const QByteArray line = peer.pending;
                peer.pending.clear();
                socket->write(answerLine(context, line));
            }
        }
        start = end + 1;
    }
}

}
