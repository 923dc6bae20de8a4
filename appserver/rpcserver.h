#pragma once
#include "calllog.h"
#include "catalogue.h"
#include "database.h"
#include "linesplitter.h"
#include "sessions.h"
#include "signindesk.h"
#include <QByteArray>
#include <QElapsedTimer>
#include <QHash>
#include <QHostAddress>
#include <QObject>
#include <QTcpServer>
#include <QTimer>
#include <deque>
#include <functional>
#include <memory>
#include <vector>

class QTcpSocket;
class QThread;

namespace apr {

class EpollServer;
class WalCheckpointer;
class WorkerPool;

// Answers one JSON-RPC request line; never throws. Empty when the line is blank.
QByteArray answerLine(CallContext &context, const QByteArray &line, CallOutcome *outcome = nullptr);
struct Answer {
    QByteArray reply;
    qint64 notBeforeMs = 0;  // not to be sent before this (QDeadlineTimer's clock); 0: at once
};
// Answers one line of a connection on this thread's database connection,
// leaving nothing of the call open on it, and notes the call in the log.
Answer answerCall(Database &db, ConnectionSession &session, const SessionPolicy &policy, CallLog &log,
                  const QByteArray &line);
// True when the line is a SignIn request, which the serving threads hand to
// the SignInDesk instead of answering it themselves.
bool isSignIn(const QByteArray &line);
QByteArray errorReply(const QJsonValue &id, int code, const QString &message, const QString &detail = {});

// Makes the socket of an accepted connection, on the thread that will serve
// it; null when the descriptor cannot be taken over.
using SocketFactory = std::function<QTcpSocket *(qintptr descriptor, QObject *parent)>;
QTcpSocket *createPlainSocket(qintptr descriptor, QObject *parent);

struct ServerOptions {
    qint64 maxLine = 8 * 1024 * 1024;
    int workers = 2;
    int ioThreads = 2;
    qint64 idleTimeoutMs = 10 * 60 * 1000;
    // TLS sockets are made by createSocket and served on Qt's event loops;
    // plain ones go straight to the epoll threads.
    bool tls = false;
    SocketFactory createSocket = createPlainSocket;
    SessionPolicy sessions;
    SignInLimits signIns;
};

class IoLoop;

// One client connection, on its I/O thread: its socket, its unanswered
// lines and whatever else belongs to the client for as long as it stays.
// At most one of its lines is with the workers at a time, so its replies
// come back in the order of its requests.
class Connection : public QObject {
public:
    Connection(quint64 id, QTcpSocket *socket, IoLoop &loop);
    ~Connection() override;

    quint64 id() const { return m_id; }
    QTcpSocket *socket() const { return m_socket; }
    bool busy() const { return m_busy; }
    bool quietFor(qint64 ms) const { return m_quiet.hasExpired(ms); }
    void answered(const QByteArray &reply);

private:
    void readMore();
    void pump();

    const quint64 m_id;
    QTcpSocket *m_socket;
    const QString m_address;        // the client's, for the limit of sign-ins per address
    IoLoop &m_loop;
    LineSplitter m_splitter;
    std::deque<QByteArray> m_lines; // read, not yet handed to a worker
    bool m_busy = false;            // a line of it is with a worker
    QElapsedTimer m_quiet;          // since the last sign of life
};

// The connections of one I/O thread. Several such threads share the
// sockets, so no single event loop has to look at all of them each pass.
class IoLoop : public QObject {
public:
    IoLoop(const ServerOptions &options, CallLog &log, WorkerPool &pool);

    // Both run on this loop's thread.
    void adopt(qintptr descriptor, quint64 id);
    void answered(quint64 id, const QByteArray &reply);
    void stop();

    const ServerOptions &options() const { return m_options; }
    WorkerPool &pool() { return m_pool; }
    void drop(quint64 id);

private:
    void closeIdle();

    const ServerOptions &m_options;
    CallLog &m_log;
    WorkerPool &m_pool;
    QHash<quint64, Connection *> m_connections;
    QTimer *m_idleCheck = nullptr;
};

// Line-framed JSON-RPC over TCP. This thread accepts. A plain connection
// goes to the epoll threads, which read, answer and write it themselves; a
// TLS one to one of the I/O threads, which read and write its socket while
// a pool of workers answers its lines. Either way a slow call holds up only
// the client that made it.
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
    IoLoop *loopOf(quint64 id) const { return m_loops[id % m_loops.size()].get(); }

    ServerOptions m_options;
    CallLog &m_log;
    ConnectionSessions m_sessions;  // the caller of each connection, for the workers
    std::unique_ptr<WalCheckpointer> m_checkpointer;  // SQLite only
    std::unique_ptr<SignInDesk> m_signIns;
    std::unique_ptr<EpollServer> m_epoll;
    std::unique_ptr<WorkerPool> m_pool;
    std::vector<std::unique_ptr<QThread>> m_threads;
    std::vector<std::unique_ptr<IoLoop>> m_loops;
    quint64 m_nextPeer = 1;
    QString m_error;
};

}
