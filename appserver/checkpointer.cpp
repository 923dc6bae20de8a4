#include "checkpointer.h"
#include "calllog.h"
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
    if (m_thread)
        m_thread->wait();
}

bool WalCheckpointer::start(QString &error)
{
    m_thread.reset(QThread::create([this] {
        std::unique_ptr<Database> db;
        try {
            db = std::make_unique<Database>(m_url);
        } catch (const std::exception &e) {
            std::lock_guard lock(m_mutex);
            m_error = QString::fromLocal8Bit(e.what());
            m_changed.notify_all();
            return;
        }
        {
            std::lock_guard lock(m_mutex);
            m_opened = true;
            m_changed.notify_all();
        }
        run(*db);
    }));
    m_thread->setObjectName("apr-checkpoint");
    m_thread->start();
    std::unique_lock lock(m_mutex);
    m_changed.wait(lock, [this] { return m_opened || !m_error.isEmpty(); });
    error = m_error;
    return error.isEmpty();
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
