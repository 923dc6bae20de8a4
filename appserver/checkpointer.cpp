#include "checkpointer.h"
#include "calllog.h"
#include "dbthreads.h"
#include "rpcerror.h"
#include <QThread>
#include <chrono>

namespace apr {

namespace {
constexpr auto checkpointEvery = std::chrono::milliseconds(200);
}

WalCheckpointer::WalCheckpointer(const DatabaseUrl &url, CallLog &log) : m_url(url), m_log(log)
{
}

WalCheckpointer::~WalCheckpointer()
{
    {
        std::lock_guard lock(m_mutex);
        m_stopping = true;
    }
    m_changed.notify_all();
    for (auto &thread : m_threads)
        thread->wait();
}

bool WalCheckpointer::start(QString &error)
{
    return startDatabaseThreads(m_threads, 1, "apr-checkpoint", m_url, false, [this](Database &db) { run(db); },
                                error);
}

void WalCheckpointer::leaveCheckpoints(Database &db)
{
    db.run("PRAGMA wal_autocheckpoint=0");
}

void WalCheckpointer::run(Database &db)
{
    bool failing = false;
    std::unique_lock lock(m_mutex);
    while (!m_changed.wait_for(lock, checkpointEvery, [this] { return m_stopping; })) {
        lock.unlock();
        try {
            // PASSIVE: copies what no reader still needs and never makes a writer wait.
            db.run("PRAGMA wal_checkpoint(PASSIVE)");
            failing = false;
        } catch (const RpcError &e) {
            if (!failing)
                m_log.info("checkpoint of the write-ahead log failed: " + e.detail);
            failing = true;
        }
        lock.lock();
    }
}

}
