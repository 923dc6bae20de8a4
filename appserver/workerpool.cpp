#include "workerpool.h"
#include "calllog.h"
#include "checkpointer.h"
#include "rpcserver.h"
#include <QElapsedTimer>

namespace apr {

struct StartState {
    std::mutex mutex;
    std::condition_variable changed;
    int opened = 0;
    QString error;
};

WorkerPool::WorkerPool(const DatabaseUrl &url, int count, CallLog &log, Deliver deliver,
                       ConnectionSessions &sessions, const SessionPolicy &policy)
    : m_url(url), m_count(count), m_log(log), m_deliver(std::move(deliver)), m_sessions(sessions), m_policy(policy)
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
    auto state = std::make_shared<StartState>();
    for (int i = 0; i < m_count; ++i) {
        m_threads.emplace_back(QThread::create([this, state] { run(state); }));
        m_threads.back()->setObjectName(QString("apr-worker-%1").arg(i + 1));
        m_threads.back()->start();
    }
    std::unique_lock lock(state->mutex);
    state->changed.wait(lock, [&] { return state->opened == m_count || !state->error.isEmpty(); });
    error = state->error;
    return error.isEmpty();
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

void WorkerPool::run(std::shared_ptr<StartState> state)
{
    std::unique_ptr<Database> db;
    try {
        db = std::make_unique<Database>(m_url);
        if (!db->isPostgres())
            WalCheckpointer::leaveCheckpoints(*db);
    } catch (const std::exception &e) {
        std::lock_guard lock(state->mutex);
        state->error = QString::fromLocal8Bit(e.what());
        state->changed.notify_all();
        return;
    }
    {
        std::lock_guard lock(state->mutex);
        ++state->opened;
        state->changed.notify_all();
    }
    Job job;
    while (take(job)) {
        QElapsedTimer timer;
        timer.start();
        CallOutcome outcome;
        std::optional<ConnectionSession> session = m_sessions.take(job.peer);
        if (!session) {
            // The client left before its call ran: it would act without his session.
            m_deliver(job.peer, QByteArray());
            continue;
        }
        CallContext context{*db, &*session, &m_policy};
        QByteArray reply = answerLine(context, job.line, &outcome);
        m_sessions.put(job.peer, *session);
        if (db->inTransaction())
            db->rollback();
        db->endCall();
        if (!reply.isEmpty())
            m_log.record(outcome, timer.nsecsElapsed() / 1e6);
        m_deliver(job.peer, std::move(reply));
    }
}

}
