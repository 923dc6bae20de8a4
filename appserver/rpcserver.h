#pragma once
#include "calllog.h"
#include "catalogue.h"
#include "database.h"
#include "sessions.h"
#include <QByteArray>
#include <QElapsedTimer>
#include <QHash>
#include <QHostAddress>
#include <QTcpServer>
#include <QTimer>
#include <deque>
#include <memory>

class QTcpSocket;

namespace apr {

class WorkerPool;

// Answers one JSON-RPC request line; never throws. Empty when the line is blank.
QByteArray answerLine(CallContext &context, const QByteArray &line, CallOutcome *outcome = nullptr);
QByteArray errorReply(const QJsonValue &id, int code, const QString &message, const QString &detail = {});

struct ServerOptions {
    qint64 maxLine = 8 * 1024 * 1024;
    int workers = 2;
    qint64 idleTimeoutMs = 10 * 60 * 1000;
    SessionPolicy sessions;
};

// Line-framed JSON-RPC over TCP. This thread reads and writes the sockets;
// a pool of workers answers the lines. One connection has at most one line
// with the workers at a time, so its replies come back in the order of its
// requests while other connections are answered in parallel. A line longer
// than maxLine is refused and skipped up to its newline without being kept.
class RpcServer : public QTcpServer {
    Q_OBJECT
public:
    RpcServer(const DatabaseUrl &url, const ServerOptions &options, CallLog &log, QObject *parent = nullptr);
    ~RpcServer() override;
    // Opens the workers' connections and listens; false with errorText().
    bool start(const QHostAddress &address, quint16 port);
    QString errorText() const { return m_error; }

protected:
    void incomingConnection(qintptr descriptor) override;

private:
    struct Peer {
        QTcpSocket *socket = nullptr;
        QByteArray pending;
        std::deque<QByteArray> lines;  // read, not yet handed to a worker
        bool skipping = false;         // inside an oversized line
        bool busy = false;             // a line of it is with a worker
        QElapsedTimer quiet;           // since the last sign of life
    };

    void readFrom(quint64 id);
    void consume(Peer &peer, const QByteArray &chunk);
    void pump(quint64 id);
    void answered(quint64 id, const QByteArray &reply);
    void closeIdle();
    void drop(quint64 id);

    ServerOptions m_options;
    CallLog &m_log;
    ConnectionSessions m_sessions;
    std::unique_ptr<WorkerPool> m_pool;
    QHash<quint64, Peer> m_peers;
    quint64 m_nextPeer = 1;
    QTimer m_idleCheck;
    QString m_error;
};

}
