#pragma once
#include "database.h"
#include <condition_variable>
#include <memory>
#include <mutex>
#include <vector>

class QThread;

namespace apr {

class CallLog;

// Copies an SQLite file's write-ahead log back into it from a thread of its
// own. Left to the connection that commits, the copy and its disk syncs
// would stall that call, and every writer queued behind it, now and then.
class WalCheckpointer {
public:
    WalCheckpointer(const DatabaseUrl &url, CallLog &log);
    ~WalCheckpointer();
    WalCheckpointer(const WalCheckpointer &) = delete;
    WalCheckpointer &operator=(const WalCheckpointer &) = delete;

    // False with `error` when its connection cannot be opened.
    bool start(QString &error);
    // For the connections that answer calls: they leave the log to this.
    static void leaveCheckpoints(Database &db);

private:
    void run(Database &db);

    const DatabaseUrl m_url;
    CallLog &m_log;
    std::vector<std::unique_ptr<QThread>> m_threads;
    std::mutex m_mutex;
    std::condition_variable m_changed;
    bool m_stopping = false;
};

}
