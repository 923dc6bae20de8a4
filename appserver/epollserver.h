#pragma once
#include "calllog.h"
#include "database.h"
#include "sessions.h"
#include <QByteArray>
#include <QtGlobal>
#include <atomic>
#include <deque>
#include <memory>
#include <mutex>
#include <unordered_map>
#include <vector>

class QThread;

namespace apr {

struct ServerOptions;
class SignInDesk;

// Plain TCP connections served by threads that share one epoll set: the
// thread that finds a connection ready reads its lines, answers them on its
// own database connection and writes the replies itself, so a call is never
// handed from one thread to another. A connection is with one thread at a
// time (EPOLLONESHOT), which keeps its replies in the order of its requests;
// a slow call holds up only the client that made it. A sign-in goes to the
// SignInDesk; the connection's later lines wait for its answer, which comes
// back through the epoll set like any other readiness.
class EpollServer {
public:
    EpollServer(const DatabaseUrl &url, const ServerOptions &options, CallLog &log, SignInDesk &signIns);
    ~EpollServer();
    EpollServer(const EpollServer &) = delete;
    EpollServer &operator=(const EpollServer &) = delete;

    // Starts the threads once each has opened its database connection;
    // false with `error` when one cannot.
    bool start(QString &error);
    // Takes over an accepted socket; from any thread.
    void adopt(qintptr descriptor);

private:
    struct Peer;

    void serve(Database &db);
    Peer *claim(quint64 id);
    void release(Peer &peer);
    quint32 eventsWanted(const Peer &peer) const;
    void startSignIn(Peer &peer, const QByteArray &line);
    void signInAnswered(quint64 id, QByteArray reply, ConnectionSession session);
    void takeSignInAnswer(Peer &peer);
    void close(Peer &peer);
    bool handle(Peer &peer, Database &db, quint32 events);
    void readAvailable(Peer &peer);
    bool flush(Peer &peer);
    void sweepWhenDue();
    bool idle(const Peer &peer, qint64 now) const;

    const DatabaseUrl m_url;
    const ServerOptions &m_options;
    CallLog &m_log;
    SignInDesk &m_signIns;
    int m_epoll = -1;
    int m_wake = -1;                  // an eventfd, readable once the server stops
    std::atomic<bool> m_stopping{false};
    std::atomic<qint64> m_lastSweep{0};
    std::vector<std::unique_ptr<QThread>> m_threads;
    std::mutex m_mutex;               // the table, and who has which connection
    std::unordered_map<quint64, std::unique_ptr<Peer>> m_peers;
    quint64 m_nextId = 1;
};

}
