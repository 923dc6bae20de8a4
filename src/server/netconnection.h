#pragma once
#include "host/remoteresult.h"
#include <QJsonArray>
#include <QObject>
#include <QString>
#include <QSslSocket>

class QSettings;

namespace server {

// The socket connection to the application server: JSON-RPC 2.0, one JSON
// object per line. Failures are never thrown (ThrowException is False): they
// come back as an error result that CheckResultServ reports.
class TNetConnection : public QObject {
    Q_OBJECT
public:
    explicit TNetConnection(const QString &name = QStringLiteral("netZEL"), QObject *parent = nullptr);
    ~TNetConnection() override;

    QString ServerName = QStringLiteral("APR00100.rdmApr");
    bool ThrowException = false;
    QString Host;
    int Port = 0;
    // Resumed right after each connect, so the server knows the caller.
    QString Token;
    // Authorities for the server's certificate; set, the connection speaks TLS.
    QString CaFile;
    // A connect gives up soon: an unreachable server must not hold the window.
    // A reply may take as long as the server's work does.
    int ConnectTimeoutMs = 5000;
    int ReplyTimeoutMs = 60000;
    // "servidor/TempoConexaoMs" and "servidor/TempoRespostaMs" override the defaults.
    void applySettings(const QSettings &settings);

    // Setting Connected to True emits beforeConnect() (which sets Host and Port)
    // and opens the socket; False closes it. A failed open leaves the connection
    // closed and keeps the reason for the next call's error result.
    void setConnected(bool connected);
    bool Connected() const;
    QString lastConnectError() const { return m_connectError; }

    // Counters for diagnostics: how many times the socket was opened and closed.
    int openCount() const { return m_openCount; }
    int closeCount() const { return m_closeCount; }
    int connectAttempts() const { return m_connectAttempts; }

    // A group of calls (the outermost use of the calling convention): after one
    // failed connect in a group no call of that group connects again, so the
    // whole group fails at once.
    void enterGroup() { ++m_groupDepth; }
    void leaveGroup();

    // Calls a method by name with positional arguments; never throws.
    qor::RemoteResult call(const QString &method, const QJsonArray &args);
    // The result or the error of one reply object.
    static qor::RemoteResult interpretReply(const QJsonObject &reply);

signals:
    void beforeConnect(TNetConnection &connection);
    void afterConnect();
    void afterDisconnect();

private:
    bool open();
    bool waitForConnected();
    void startTransport();
    bool resumeSession();
    qor::RemoteResult exchange(const QString &method, const QJsonArray &args);
    void closeSocket();
    qor::RemoteResult transportError(const QString &detail) const;
    bool readLine(QByteArray &line, QString &error);

    QSslSocket m_socket;
    QByteArray m_pending;
    QString m_connectError;
    bool m_wanted = false;      // Connected was set True and not back to False
    int m_nextId = 1;
    int m_openCount = 0;
    int m_closeCount = 0;
    int m_connectAttempts = 0;
    int m_groupDepth = 0;
    bool m_groupFailed = false;
};

}
