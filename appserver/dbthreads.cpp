#include "dbthreads.h"
#include "checkpointer.h"
#include <QThread>
#include <condition_variable>
#include <mutex>

namespace apr {

namespace {

struct StartState {
    std::mutex mutex;
    std::condition_variable changed;
    int opened = 0;
    QString error;

    void report(const QString &failure)
    {
        std::lock_guard lock(mutex);
        if (failure.isEmpty())
            ++opened;
        else if (error.isEmpty())
            error = failure;
        changed.notify_all();
    }
};

}

bool startDatabaseThreads(std::vector<std::unique_ptr<QThread>> &threads, int count, const QString &name,
                          const DatabaseUrl &url, bool answersCalls, std::function<void(Database &)> body,
                          QString &error)
{
    auto state = std::make_shared<StartState>();
    for (int i = 0; i < count; ++i) {
        threads.emplace_back(QThread::create([state, url, answersCalls, body] {
            std::unique_ptr<Database> db;
            try {
                db = std::make_unique<Database>(url);
                if (answersCalls && !db->isPostgres())
                    WalCheckpointer::leaveCheckpoints(*db);
            } catch (const std::exception &e) {
                state->report(QString::fromLocal8Bit(e.what()));
                return;
            }
            state->report({});
            body(*db);
        }));
        threads.back()->setObjectName(QString("%1-%2").arg(name).arg(i + 1));
        threads.back()->start();
    }
    std::unique_lock lock(state->mutex);
    state->changed.wait(lock, [&] { return state->opened == count || !state->error.isEmpty(); });
    error = state->error;
    return error.isEmpty();
}

}
