#include "workerpool.h"
#include "calllog.h"
#include "dbthreads.h"
#include "rpcserver.h"
#include "signindesk.h"

namespace apr {

WorkerPool::WorkerPool(const DatabaseUrl &url, int count, CallLog &log, Deliver deliver,
                       ConnectionSessions &sessions, const SessionPolicy &policy, SignInDesk &signIns)
    : m_url(url), m_count(count), m_log(log), m_deliver(std::move(deliver)), m_sessions(sessions), m_policy(policy),
      m_signIns(signIns)
{
}

WorkerPool::~WorkerPool()
{
    {
        std::lock_guard lock(m_mutex);
        m_stopping = true;
    }
    m_wake.notify_all();
    for (auto &thread : m_threads)
        thread->wait();
}

bool WorkerPool::start(QString &error)
{
    return startDatabaseThreads(m_threads, m_count, "apr-worker", m_url, true, [this](Database &db) { serve(db); },
                                error);
}

void WorkerPool::submit(Job job)
{
    {
        std::lock_guard lock(m_mutex);
        m_jobs.push_back(std::move(job));
    }
    m_wake.notify_one();
}

bool WorkerPool::take(Job &job)
{
    std::unique_lock lock(m_mutex);
    m_wake.wait(lock, [this] { return m_stopping || !m_jobs.empty(); });
    if (m_stopping)
        return false;
    job = std::move(m_jobs.front());
    m_jobs.pop_front();
    return true;
}

void WorkerPool::serve(Database &db)
{
    Job job;
    while (take(job)) {
        std::optional<ConnectionSession> session = m_sessions.take(job.peer);
        if (!session) {
            // The client left before its call ran: it would act without his session.
            m_deliver(job.peer, QByteArray());
            continue;
        }
        if (isSignIn(job.line)) {
            // The connection's next line waits for this answer, as for any other.
            m_signIns.submit(job.line, *session, job.address,
                             [this, peer = job.peer](QByteArray reply, ConnectionSession signedIn) {
                                 m_sessions.put(peer, signedIn);
                                 m_deliver(peer, std::move(reply));
                             });
            continue;
        }
        QByteArray reply = answerCall(db, *session, m_policy, m_log, job.line).reply;
        m_sessions.put(job.peer, *session);
        m_deliver(job.peer, std::move(reply));
    }
}

}
