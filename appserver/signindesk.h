#pragma once
#include "database.h"
#include "sessions.h"
#include <QByteArray>
#include <QDeadlineTimer>
#include <QHash>
#include <QString>
#include <condition_variable>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

class QThread;

namespace apr {

class CallLog;

struct SignInLimits {
    int threads = 1;          // threads hashing passwords, each with a database connection
    int perAddress = 8;       // sign-ins of one client address in progress at once
    int queuedPerThread = 16; // sign-ins waiting for a hashing thread, per thread
};

// Where the server answers SignIn: a password hash is slow on purpose, so
// sign-ins run on a few threads of their own and never take the threads
// that serve the other calls. A refused sign-in is answered no sooner than
// its policy says, by a timer, without a thread waiting for it. Sign-ins
// beyond the limits are refused (TooManySignIns) the same way.
class SignInDesk {
public:
    // The reply and the connection's session after it; called once the reply
    // may go out, on one of the desk's threads.
    using Done = std::function<void(QByteArray reply, ConnectionSession session)>;

    SignInDesk(const DatabaseUrl &url, const SignInLimits &limits, const SessionPolicy &policy, CallLog &log);
    ~SignInDesk();
    SignInDesk(const SignInDesk &) = delete;
    SignInDesk &operator=(const SignInDesk &) = delete;

    // Opens the threads' database connections; false with `error` when one cannot.
    bool start(QString &error);
    // No more answers after this: what is pending is dropped.
    void stop();
    // Takes a SignIn request line of a connection at `address`; `done` is
    // never called before submit returns.
    void submit(const QByteArray &line, const ConnectionSession &session, const QString &address, Done done);

private:
    struct Pending {
        QByteArray line;
        ConnectionSession session;
        QString address;
        Done done;
    };
    struct Delivery {
        QByteArray reply;
        ConnectionSession session;
        QString address;   // counted until the reply goes; empty when not counted
        Done done;
    };

    void serve(Database &db);
    bool take(Pending &pending);
    QByteArray refusal(const QByteArray &line, const QString &message, const QString &detail);
    void deliverAt(qint64 deadline, Delivery delivery);
    void deliver(Delivery &delivery);
    void runTimer();

    const DatabaseUrl m_url;
    const SignInLimits m_limits;
    const SessionPolicy m_policy;
    CallLog &m_log;
    std::vector<std::unique_ptr<QThread>> m_threads;
    std::thread m_timer;

    std::mutex m_mutex;
    std::condition_variable m_work;     // a sign-in waits for a hashing thread
    std::condition_variable m_due;      // the timer's earliest delivery changed
    bool m_stopping = false;
    std::deque<Pending> m_queue;
    QHash<QString, int> m_inProgress;   // by client address, until the reply goes
    std::multimap<qint64, Delivery> m_deliveries;  // by QDeadlineTimer deadline (ms)
};

}
