#include "signindesk.h"
#include "calllog.h"
#include "dbthreads.h"
#include "rpcerror.h"
#include "rpcserver.h"
#include <QJsonDocument>
#include <QJsonObject>
#include <QThread>
#include <chrono>
#include <sys/resource.h>
#include <unistd.h>

namespace apr {

namespace {

const QString tooManyFromAddress = "Há entradas demais em andamento a partir deste endereço. "
                                   "Aguarde a resposta das anteriores e tente novamente.";
const QString tooManyInAll = "O servidor está ocupado com outras entradas. Tente novamente em alguns segundos.";

// Hashing yields the cores to the calls of operators already signed in.
void lowerThisThreadsPriority()
{
    ::setpriority(PRIO_PROCESS, id_t(::gettid()), 10);
}

}

SignInDesk::SignInDesk(const DatabaseUrl &url, const SignInLimits &limits, const SessionPolicy &policy, CallLog &log)
    : m_url(url), m_limits(limits), m_policy(policy), m_log(log)
{
}

SignInDesk::~SignInDesk()
{
    stop();
}

bool SignInDesk::start(QString &error)
{
    m_timer = std::thread([this] { runTimer(); });
    return startDatabaseThreads(m_threads, std::max(1, m_limits.threads), "apr-signin", m_url, true,
                                [this](Database &db) { serve(db); }, error);
}

void SignInDesk::stop()
{
    {
        std::lock_guard lock(m_mutex);
        m_stopping = true;
        m_queue.clear();
        m_deliveries.clear();
    }
    m_work.notify_all();
    m_due.notify_all();
    for (auto &thread : m_threads)
        thread->wait();
    if (m_timer.joinable())
        m_timer.join();
}

void SignInDesk::submit(const QByteArray &line, const ConnectionSession &session, const QString &address,
                        Done done)
{
    std::unique_lock lock(m_mutex);
    if (m_stopping)
        return;
    QString refused;
    if (m_inProgress.value(address) >= m_limits.perAddress)
        refused = tooManyFromAddress;
    else if (m_queue.size() >= size_t(std::max(1, m_limits.threads) * m_limits.queuedPerThread))
        refused = tooManyInAll;
    if (refused.isEmpty()) {
        ++m_inProgress[address];
        m_queue.push_back({line, session, address, std::move(done)});
        lock.unlock();
        m_work.notify_one();
        return;
    }
    const QString detail = QString("SignIn: %1 sign-ins in progress from %2, %3 waiting in all")
                               .arg(m_inProgress.value(address)).arg(address).arg(m_queue.size());
    lock.unlock();
    // Refused as late as a wrong password, so that a client looping on
    // sign-ins is held to one a second per connection either way. Like any
    // sign-in, it leaves the connection without a session.
    const QByteArray reply = refusal(line, refused, detail);
    deliverAt(QDeadlineTimer(m_policy.failedDelayMs, Qt::PreciseTimer).deadline(),
              {reply, ConnectionSession(), QString(), std::move(done)});
}

QByteArray SignInDesk::refusal(const QByteArray &line, const QString &message, const QString &detail)
{
    const QJsonValue id = QJsonDocument::fromJson(line).object().value("id");
    CallOutcome outcome;
    outcome.method = "SignIn";
    outcome.errorCode = TooManySignIns;
    outcome.error = message + " " + detail;
    m_log.record(outcome, 0);
    return errorReply(id.isString() || id.isDouble() ? id : QJsonValue(), TooManySignIns, message, detail);
}

bool SignInDesk::take(Pending &pending)
{
    std::unique_lock lock(m_mutex);
    m_work.wait(lock, [this] { return m_stopping || !m_queue.empty(); });
    if (m_stopping)
        return false;
    pending = std::move(m_queue.front());
    m_queue.pop_front();
    return true;
}

void SignInDesk::serve(Database &db)
{
    lowerThisThreadsPriority();
    Pending pending;
    while (take(pending)) {
        ConnectionSession session = pending.session;
        const Answer answer = answerCall(db, session, m_policy, m_log, pending.line);
        Delivery delivery{answer.reply, session, pending.address, std::move(pending.done)};
        if (answer.notBeforeMs != 0)
            deliverAt(answer.notBeforeMs, std::move(delivery));
        else
            deliver(delivery);
    }
}

void SignInDesk::deliverAt(qint64 deadline, Delivery delivery)
{
    {
        std::lock_guard lock(m_mutex);
        if (m_stopping)
            return;
        m_deliveries.emplace(deadline, std::move(delivery));
    }
    m_due.notify_one();
}

void SignInDesk::deliver(Delivery &delivery)
{
    if (!delivery.address.isEmpty()) {
        std::lock_guard lock(m_mutex);
        const auto it = m_inProgress.find(delivery.address);
        if (it != m_inProgress.end() && --*it <= 0)
            m_inProgress.erase(it);
    }
    delivery.done(std::move(delivery.reply), std::move(delivery.session));
}

// One thread sends every delayed reply when it is due.
void SignInDesk::runTimer()
{
    std::unique_lock lock(m_mutex);
    while (!m_stopping) {
        if (m_deliveries.empty()) {
            m_due.wait(lock);
            continue;
        }
        const auto first = m_deliveries.begin();
        QDeadlineTimer due;
        due.setDeadline(first->first, Qt::PreciseTimer);
        const qint64 left = due.remainingTimeNSecs();
        if (left > 0) {
            m_due.wait_for(lock, std::chrono::nanoseconds(left));
            continue;
        }
        Delivery delivery = std::move(first->second);
        m_deliveries.erase(first);
        lock.unlock();
        deliver(delivery);
        lock.lock();
    }
}

}
