#pragma once
#include "database.h"
#include "sessions.h"
#include <QByteArray>
#include <QThread>
#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <vector>

namespace apr {

class CallLog;
class SignInDesk;

// One request line of one connection, and where its answer goes.
struct Job {
    quint64 peer = 0;
    QByteArray line;
    QString address;  // the client's
};

// Threads that answer request lines, each with a database connection of its
// own (a connection belongs to the thread that opened it). Answers are
// handed to `deliver` on the worker's thread; a sign-in goes to the
// SignInDesk, which hands its answer to `deliver` on one of its threads.
class WorkerPool {
public:
    using Deliver = std::function<void(quint64 peer, QByteArray reply)>;

    WorkerPool(const DatabaseUrl &url, int count, CallLog &log, Deliver deliver,
               ConnectionSessions &sessions, const SessionPolicy &policy, SignInDesk &signIns);
    ~WorkerPool();
    WorkerPool(const WorkerPool &) = delete;
    WorkerPool &operator=(const WorkerPool &) = delete;

    // Opens every worker's connection; false with `error` when one cannot.
    bool start(QString &error);
    void submit(Job job);
    ConnectionSessions &sessions() { return m_sessions; }

private:
    void serve(Database &db);
    bool take(Job &job);

    const DatabaseUrl m_url;
    const int m_count;
    CallLog &m_log;
    Deliver m_deliver;
    ConnectionSessions &m_sessions;
    const SessionPolicy m_policy;
    SignInDesk &m_signIns;
    std::vector<std::unique_ptr<QThread>> m_threads;
    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::deque<Job> m_jobs;
    bool m_stopping = false;
};

}
