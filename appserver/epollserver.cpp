#include "epollserver.h"
#include "dbthreads.h"
#include "linesplitter.h"
#include "rpcserver.h"
#include "signindesk.h"
#include <QHostAddress>
#include <QThread>
#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <stdexcept>
#include <sys/epoll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <unistd.h>
#include <optional>

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
    explicit Peer(qint64 maxLine) : splitter(maxLine) {}

    int fd = -1;
    quint64 id = 0;
    bool busy = false;               // with a thread; guarded by m_mutex
    LineSplitter splitter;
    std::deque<QByteArray> lines;    // read, not answered; a null one was too long
    bool readClosed = false;         // the client hung up or the socket failed
    QByteArray out;                  // replies not yet taken by the socket
    qsizetype outSent = 0;
    qint64 lastSign = 0;             // when it last read or wrote anything
    ConnectionSession session;
    QString address;                 // the client's, for the limit of sign-ins per address
    bool signingIn = false;          // its sign-in is with the desk: the next lines wait
    struct SignInAnswer { QByteArray reply; ConnectionSession session; };
    std::optional<SignInAnswer> signInAnswer;  // back from the desk; guarded by m_mutex

    qsizetype unsent() const { return out.size() - outSent; }
};

EpollServer::EpollServer(const DatabaseUrl &url, const ServerOptions &options, CallLog &log, SignInDesk &signIns)
    : m_url(url), m_options(options), m_log(log), m_signIns(signIns)
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
    return startDatabaseThreads(m_threads, std::max(1, m_options.workers), "apr-worker", m_url, true,
                                [this](Database &db) { serve(db); }, error);
}

void EpollServer::adopt(qintptr descriptor)
{
    const int fd = int(descriptor);
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) | O_NONBLOCK);
    // A reply goes out whole at once; waiting to coalesce it only adds delay.
    const int one = 1;
    ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
    auto peer = std::make_unique<Peer>(m_options.maxLine);
    peer->fd = fd;
    sockaddr_storage address{};
    socklen_t length = sizeof address;
    if (::getpeername(fd, reinterpret_cast<sockaddr *>(&address), &length) == 0)
        peer->address = QHostAddress(reinterpret_cast<const sockaddr *>(&address)).toString();
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
    std::lock_guard lock(m_mutex);
    epoll_event event{};
    event.events = eventsWanted(peer);
    event.data.u64 = peer.id;
    peer.busy = false;
    ::epoll_ctl(m_epoll, EPOLL_CTL_MOD, peer.fd, &event);
}

// Under m_mutex. An answer of the desk makes the connection writable at
// once, which brings it back to a thread.
quint32 EpollServer::eventsWanted(const Peer &peer) const
{
    quint32 events = EPOLLRDHUP | EPOLLONESHOT;
    if (!peer.readClosed && peer.lines.size() < queuedLinesLimit)
        events |= EPOLLIN;
    if (peer.unsent() > 0 || peer.signInAnswer)
        events |= EPOLLOUT;
    return events;
}

void EpollServer::startSignIn(Peer &peer, const QByteArray &line)
{
    peer.signingIn = true;
    m_signIns.submit(line, peer.session, peer.address,
                     [this, id = peer.id](QByteArray reply, ConnectionSession session) {
                         signInAnswered(id, std::move(reply), std::move(session));
                     });
}

// On a thread of the desk.
void EpollServer::signInAnswered(quint64 id, QByteArray reply, ConnectionSession session)
{
    std::lock_guard lock(m_mutex);
    const auto it = m_peers.find(id);
    if (it == m_peers.end())
        return;  // the client left meanwhile
    Peer &peer = *it->second;
    peer.signInAnswer = Peer::SignInAnswer{std::move(reply), std::move(session)};
    if (peer.busy)
        return;  // its thread sees the answer when it lets the connection go
    epoll_event event{};
    event.events = eventsWanted(peer);
    event.data.u64 = peer.id;
    ::epoll_ctl(m_epoll, EPOLL_CTL_MOD, peer.fd, &event);
}

void EpollServer::takeSignInAnswer(Peer &peer)
{
    std::optional<Peer::SignInAnswer> answer;
    {
        std::lock_guard lock(m_mutex);
        answer.swap(peer.signInAnswer);
    }
    if (!answer)
        return;
    peer.out += answer->reply;
    peer.session = std::move(answer->session);
    peer.signingIn = false;
    peer.lastSign = nowMs();
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
    takeSignInAnswer(peer);
    if (events & (EPOLLIN | EPOLLRDHUP | EPOLLHUP | EPOLLERR))
        readAvailable(peer);
    if (!flush(peer))
        return false;
    while (!peer.signingIn && !peer.lines.empty() && peer.unsent() < writeBufferLimit && !m_stopping) {
        const QByteArray line = std::move(peer.lines.front());
        peer.lines.pop_front();
        if (line.isNull())
            peer.out += oversizedLineReply(m_options.maxLine);
        else if (isSignIn(line))
            startSignIn(peer, line);
        else
            peer.out += answerCall(db, peer.session, m_options.sessions, m_log, line).reply;
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
            peer.splitter.feed(buffer, n, peer.lines);
        } else if (n == 0 || (errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR)) {
            peer.readClosed = true;
        } else if (errno != EINTR) {
            break;
        }
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

// One thread now and then closes the connections that stayed quiet too long.
// Under m_mutex. A connection whose sign-in is with the desk, or whose answer
// has not been taken yet, is waiting on us, not on its client.
bool EpollServer::idle(const Peer &peer, qint64 now) const
{
    if (peer.busy || peer.signingIn || peer.signInAnswer)
        return false;
    return now - peer.lastSign >= m_options.idleTimeoutMs;
}

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
            if (idle(peer, now)) {
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
