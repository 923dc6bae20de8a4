#include "server/netconnection.h"
#include "host/services.h"
#include <QDeadlineTimer>
#include <QSettings>
#include <QSslCertificate>
#include <QSslConfiguration>
#include <QJsonDocument>
#include <QJsonObject>

namespace server {


TNetConnection::TNetConnection(const QString &name, QObject *parent) : QObject(parent)
{
    setObjectName(name);
}

TNetConnection::~TNetConnection()
{
    closeSocket();
}

bool TNetConnection::Connected() const
{
    return m_socket.state() == QAbstractSocket::ConnectedState;
}

void TNetConnection::setConnected(bool connected)
{
    m_wanted = connected;
    if (connected) {
        if (!Connected())
            open();
    } else {
        closeSocket();
    }
}

void TNetConnection::applySettings(const QSettings &settings)
{
    ConnectTimeoutMs = settings.value(QStringLiteral("servidor/TempoConexaoMs"), ConnectTimeoutMs).toInt();
    ReplyTimeoutMs = settings.value(QStringLiteral("servidor/TempoRespostaMs"), ReplyTimeoutMs).toInt();
}

void TNetConnection::leaveGroup()
{
    m_groupDepth = std::max(0, m_groupDepth - 1);
    if (m_groupDepth == 0) m_groupFailed = false;
}

// A blocking wait, bounded by the short connect time-out, under the busy
// cursor; the busy indicator a caller put up stays up. Serving events here
// would let a window that is closing be destroyed under this very call.
bool TNetConnection::waitForConnected()
{
    const qor::BusyCursor cursor;
    if (!m_socket.waitForConnected(ConnectTimeoutMs))
        return false;
    return CaFile.isEmpty() || m_socket.waitForEncrypted(ConnectTimeoutMs);
}

void TNetConnection::startTransport()
{
    if (CaFile.isEmpty()) {
        m_socket.connectToHost(Host, quint16(Port));
        return;
    }
    QSslConfiguration tls = QSslConfiguration::defaultConfiguration();
    tls.setCaCertificates(QSslCertificate::fromPath(CaFile));
    m_socket.setSslConfiguration(tls);
    m_socket.connectToHostEncrypted(Host, quint16(Port));
}

// The host's sign-in made the session; each new connection presents it once.
bool TNetConnection::resumeSession()
{
    if (Token.isEmpty())
        return true;
    const qor::RemoteResult resumed = exchange(QStringLiteral("Resume"), {Token});
    if (!resumed.isError)
        return true;
    m_connectError = (resumed.errorMessage + QLatin1Char(' ') + resumed.errorDetail).trimmed();
    return false;
}

bool TNetConnection::open()
{
    if (m_groupFailed) return false;
    emit beforeConnect(*this);
    m_pending.clear();
    m_connectError.clear();
    m_socket.abort();
    ++m_connectAttempts;
    startTransport();
    if (!waitForConnected()) {
        m_connectError = m_socket.state() == QAbstractSocket::UnconnectedState
                             ? m_socket.errorString()
                             : QStringLiteral("o servidor não aceitou a conexão em %1 ms").arg(ConnectTimeoutMs);
        m_socket.abort();
        m_groupFailed = m_groupDepth > 0;
        return false;
    }
    if (!resumeSession()) {
        m_socket.abort();
        m_groupFailed = m_groupDepth > 0;
        return false;
    }
    ++m_openCount;
    emit afterConnect();
    return true;
}

void TNetConnection::closeSocket()
{
    if (m_socket.state() == QAbstractSocket::UnconnectedState)
        return;
    m_socket.disconnectFromHost();
    if (m_socket.state() != QAbstractSocket::UnconnectedState)
        m_socket.waitForDisconnected(1000);
    m_socket.abort();
    m_pending.clear();
    ++m_closeCount;
    emit afterDisconnect();
}

qor::RemoteResult TNetConnection::transportError(const QString &detail) const
{
    return qor::RemoteResult::error(
        QStringLiteral("Não foi possível conectar ao servidor de aplicação %1:%2.").arg(Host).arg(Port),
        detail);
}

bool TNetConnection::readLine(QByteArray &line, QString &error)
{
    QDeadlineTimer deadline(ReplyTimeoutMs);
    for (;;) {
        const int end = m_pending.indexOf('\n');
        if (end >= 0) {
            line = m_pending.left(end);
            m_pending.remove(0, end + 1);
            return true;
        }
        if (m_socket.state() != QAbstractSocket::ConnectedState && m_socket.bytesAvailable() == 0) {
            error = QStringLiteral("a conexão foi encerrada pelo servidor");
            return false;
        }
        if (m_socket.bytesAvailable() == 0 && !m_socket.waitForReadyRead(int(deadline.remainingTime()))) {
            error = deadline.hasExpired() ? QStringLiteral("o servidor não respondeu a tempo")
                                          : m_socket.errorString();
            return false;
        }
        m_pending += m_socket.readAll();
    }
}

qor::RemoteResult TNetConnection::call(const QString &method, const QJsonArray &args)
{
    // A connection that was open and dropped (server restarted) is opened again
    // once, so a held connection survives the server's restart.
    if (!Connected() && m_wanted && !open())
        return transportError(m_connectError);
    if (!Connected())
        return transportError(m_connectError.isEmpty() ? QStringLiteral("a conexão não está aberta")
                                                        : m_connectError);
    return exchange(method, args);
}

qor::RemoteResult TNetConnection::exchange(const QString &method, const QJsonArray &args)
{
    const int id = m_nextId++;
    QJsonObject request{{"jsonrpc", "2.0"}, {"id", id}, {"method", method}, {"params", args}};
    QByteArray bytes = QJsonDocument(request).toJson(QJsonDocument::Compact);
    bytes.append('\n');
    if (m_socket.write(bytes) != bytes.size() || !m_socket.waitForBytesWritten(ReplyTimeoutMs)) {
        const QString why = m_socket.errorString();
        closeSocket();
        return transportError(why);
    }

    for (;;) {
        QByteArray line;
        QString why;
        if (!readLine(line, why)) {
            closeSocket();     // the stream is out of step now
            return transportError(why);
        }
        QJsonParseError parseError{};
        const QJsonDocument doc = QJsonDocument::fromJson(line, &parseError);
        if (!doc.isObject()) {
            closeSocket();
            return qor::RemoteResult::error(
                QStringLiteral("O servidor de aplicação enviou uma resposta inválida."),
                parseError.errorString());
        }
        const QJsonObject reply = doc.object();
        const QJsonValue replyId = reply.value("id");
        // Answers come in order; a stale answer of an abandoned call is skipped.
        if (replyId.isDouble() && replyId.toInt() != id)
            continue;
        return interpretReply(reply);
    }
}

qor::RemoteResult TNetConnection::interpretReply(const QJsonObject &reply)
{
    if (reply.contains("error")) {
        const QJsonObject error = reply.value("error").toObject();
        const int code = error.value("code").toInt();
        QString detail = error.value("data").toObject().value("detail").toString();
        if (code != -32000)
            detail = QStringLiteral("[%1] %2").arg(code).arg(detail).trimmed();
        QString message = error.value("message").toString();
        if (message.isEmpty())
            message = QStringLiteral("Erro no servidor de aplicação.");
        return qor::RemoteResult::error(message, detail);
    }
    qor::RemoteResult result;
    result.value = reply.value("result");
    if (result.value.isUndefined())
        result.value = QJsonValue::Null;
    result.outputs = reply.value("byref").toArray();
    return result;
}

}
