#include "epollserver.h"
#include "checkpointer.h"
#include "rpcerror.h"
#include "rpcserver.h"
#include <QElapsedTimer>
#include <QJsonValue>
#include <QThread>
#include <algorithm>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <stdexcept>
#include <sys/epoll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <unistd.h>

namespace apr {

namespace {

constexpr qsizetype writeBufferLimit = 4 * 1024 * 1024;
constexpr size_t queuedLinesLimit = 64;
constexpr quint64 wakeId = 0;  // the eventfd's mark; connections count from 1

qint64 nowMs()
{
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

}

struct EpollServer::Peer {
    int fd = -1;
    quint64 id = 0;
    bool busy = false;               // with a thread; guarded by m_mutex
    QByteArray pending;              // the start of a line not yet complete
    std::deque<QByteArray> lines;    // read, not answered; a null one was too long
    bool skipping = false;           // inside an oversized line
    bool readClosed = false;         // the client hung up or the socket failed
    QByteArray out;                  // replies not yet taken by the socket
    qsizetype outSent = 0;
    qint64 lastSign = 0;             // when it last read or wrote anything
    ConnectionSession session;

    qsizetype unsent() const { return out.size() - outSent; }
};

struct EpollServer::StartState {
    std::mutex mutex;
    std::condition_variable changed;
    int opened = 0;
    QString error;
};

EpollServer::EpollServer(const DatabaseUrl &url, const ServerOptions &options, CallLog &log)
    : m_url(url), m_options(options), m_log(log)
{
    m_epoll = ::epoll_create1(EPOLL_CLOEXEC);
    m_wake = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (m_epoll < 0 || m_wake < 0)
        throw std::runtime_error(std::string("epoll: ") + std::strerror(errno));
    epoll_event event{};
    event.events = EPOLLIN;  // level-triggered: every thread sees it
    event.data.u64 = wakeId;
    ::epoll_ctl(m_epoll, EPOLL_CTL_ADD, m_wake, &event);
}

EpollServer::~EpollServer()
{
    m_stopping = true;
    const quint64 one = 1;
    [[maybe_unused]] const ssize_t written = ::write(m_wake, &one, sizeof one);
    for (auto &thread : m_threads)
        thread->wait();
    for (auto &[id, peer] : m_peers)
        ::close(peer->fd);
    ::close(m_wake);
    ::close(m_epoll);
}

bool EpollServer::start(QString &error)
{
    auto state = std::make_shared<StartState>();
    const int count = std::max(1, m_options.workers);
    for (int i = 0; i < count; ++i) {
        m_threads.emplace_back(QThread::create([this, state] { run(state); }));
        m_threads.back()->setObjectName(QString("apr-worker-%1").arg(i + 1));
        m_threads.back()->start();
    }
    std::unique_lock lock(state->mutex);
    state->changed.wait(lock, [&] { return state->opened == count || !state->error.isEmpty(); });
    error = state->error;
    return error.isEmpty();
}

void EpollServer::run(const std::shared_ptr<StartState> &state)
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
    serve(*db);
}

void EpollServer::adopt(qintptr descriptor)
{
    const int fd = int(descriptor);
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) | O_NONBLOCK);
    // A reply goes out whole at once; waiting to coalesce it only adds delay.
    const int one = 1;
    ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
    auto peer = std::make_unique<Peer>();
    peer->fd = fd;
    peer->lastSign = nowMs();
    std::lock_guard lock(m_mutex);
    peer->id = m_nextId++;
    epoll_event event{};
    event.events = EPOLLIN | EPOLLRDHUP | EPOLLONESHOT;
    event.data.u64 = peer->id;
    if (::epoll_ctl(m_epoll, EPOLL_CTL_ADD, fd, &event) != 0) {
        m_log.info(QString("cannot take a connection: %1").arg(std::strerror(errno)));
        ::close(fd);
        return;
    }
    m_peers.emplace(peer->id, std::move(peer));
}

void EpollServer::serve(Database &db)
{
    const int sweepEvery = int(std::clamp<qint64>(m_options.idleTimeoutMs / 4, 100, 10000));
    epoll_event event{};
    while (!m_stopping) {
        const int n = ::epoll_wait(m_epoll, &event, 1, sweepEvery);
        if (m_stopping)
            break;
        sweepWhenDue();
        if (n <= 0 || event.data.u64 == wakeId)
            continue;
        Peer *peer = claim(event.data.u64);
        if (!peer)
            continue;
        if (handle(*peer, db, event.events))
            release(*peer);
        else
            close(*peer);
    }
}

// The connection, now with this thread; null when it is gone already.
EpollServer::Peer *EpollServer::claim(quint64 id)
{
    std::lock_guard lock(m_mutex);
    const auto it = m_peers.find(id);
    if (it == m_peers.end())
        return nullptr;
    it->second->busy = true;
    return it->second.get();
}

// Back to the epoll set, waiting for what it needs next. Under the lock, so
// that nobody closes it (and its descriptor number is not reused) meanwhile.
void EpollServer::release(Peer &peer)
{
    epoll_event event{};
    event.events = EPOLLRDHUP | EPOLLONESHOT;
    if (!peer.readClosed && peer.lines.size() < queuedLinesLimit)
        event.events |= EPOLLIN;
    if (peer.unsent() > 0)
        event.events |= EPOLLOUT;
    event.data.u64 = peer.id;
    std::lock_guard lock(m_mutex);
    peer.busy = false;
    ::epoll_ctl(m_epoll, EPOLL_CTL_MOD, peer.fd, &event);
}

void EpollServer::close(Peer &peer)
{
    std::lock_guard lock(m_mutex);
    ::epoll_ctl(m_epoll, EPOLL_CTL_DEL, peer.fd, nullptr);
    ::close(peer.fd);
    m_peers.erase(peer.id);
}

// False when the connection is over.
bool EpollServer::handle(Peer &peer, Database &db, quint32 events)
{
    if (events & (EPOLLIN | EPOLLRDHUP | EPOLLHUP | EPOLLERR))
        readAvailable(peer);
    if (!flush(peer))
        return false;
    while (!peer.lines.empty() && peer.unsent() < writeBufferLimit && !m_stopping) {
        const QByteArray line = std::move(peer.lines.front());
        peer.lines.pop_front();
        if (line.isNull())
            peer.out += errorReply(QJsonValue::Null, InvalidRequest, "Invalid request",
                                   QString("request line longer than %1 bytes").arg(m_options.maxLine));
        else
            peer.out += answer(peer, db, line);
        if (!flush(peer))
            return false;
    }
    // A client that hung up gets no more answers: nobody would read them.
    return !peer.readClosed;
}

void EpollServer::readAvailable(Peer &peer)
{
    char buffer[64 * 1024];
    while (!peer.readClosed && peer.lines.size() < queuedLinesLimit) {
        const ssize_t n = ::recv(peer.fd, buffer, sizeof buffer, 0);
        if (n > 0) {
            peer.lastSign = nowMs();
            consume(peer, buffer, n);
        } else if (n == 0 || (errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR)) {
            peer.readClosed = true;
        } else if (errno != EINTR) {
            break;
        }
    }
}

// Splits what arrived into lines. A line longer than maxLine is refused
// and skipped up to its newline without being kept.
void EpollServer::consume(Peer &peer, const char *data, qsizetype size)
{
    const qint64 maxLine = m_options.maxLine;
    qsizetype start = 0;
    while (start < size) {
        const char *newline = static_cast<const char *>(std::memchr(data + start, '\n', size_t(size - start)));
        const qsizetype end = newline ? newline - data : size;
        if (peer.skipping) {
            if (newline)
                peer.skipping = false;
        } else {
            peer.pending.append(data + start, end - start);
            if (peer.pending.size() > maxLine) {
                peer.pending.clear();
                peer.pending.squeeze();
                // Queued as an answer of its own so that it keeps its place among the replies.
                peer.lines.emplace_back();
                peer.skipping = !newline;
            } else if (newline) {
                if (!peer.pending.trimmed().isEmpty())
                    peer.lines.push_back(peer.pending);
                peer.pending.clear();
            }
        }
        start = end + 1;
    }
}

// Writes what the socket takes now; false when the connection failed.
bool EpollServer::flush(Peer &peer)
{
    while (peer.unsent() > 0) {
        const ssize_t n = ::send(peer.fd, peer.out.constData() + peer.outSent, size_t(peer.unsent()), MSG_NOSIGNAL);
        if (n > 0) {
            peer.outSent += n;
            peer.lastSign = nowMs();
        } else if (n < 0 && errno == EINTR) {
            continue;
        } else if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            return true;
        } else {
            return false;
        }
    }
    peer.out.clear();
    peer.outSent = 0;
    return true;
}

QByteArray EpollServer::answer(Peer &peer, Database &db, const QByteArray &line)
{
    QElapsedTimer timer;
    timer.start();
    CallOutcome outcome;
    CallContext context{db, &peer.session, &m_options.sessions};
    QByteArray reply = answerLine(context, line, &outcome);
    if (db.inTransaction())
        db.rollback();
    db.endCall();
    if (!reply.isEmpty())
        m_log.record(outcome, timer.nsecsElapsed() / 1e6);
    return reply;
}

// One thread now and then closes the connections that stayed quiet too long.
void EpollServer::sweepWhenDue()
{
    const qint64 now = nowMs();
    qint64 last = m_lastSweep.load();
    const qint64 every = std::clamp<qint64>(m_options.idleTimeoutMs / 4, 100, 10000);
    if (now - last < every || !m_lastSweep.compare_exchange_strong(last, now))
        return;
    int closed = 0;
    {
        std::lock_guard lock(m_mutex);
        for (auto it = m_peers.begin(); it != m_peers.end();) {
            Peer &peer = *it->second;
            if (!peer.busy && now - peer.lastSign >= m_options.idleTimeoutMs) {
                ::epoll_ctl(m_epoll, EPOLL_CTL_DEL, peer.fd, nullptr);
                ::close(peer.fd);
                it = m_peers.erase(it);
                ++closed;
            } else {
                ++it;
            }
        }
    }
    for (int i = 0; i < closed; ++i)
        m_log.info(QString("closing a connection idle for %1 s").arg(m_options.idleTimeoutMs / 1000.0));
}

}
