#include "loadgenerator.h"
#include <algorithm>
#include <arpa/inet.h>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <random>
#include <stdexcept>
#include <sys/epoll.h>
#include <sys/socket.h>
#include <time.h>
#include <unistd.h>

namespace bench {

namespace {

using Clock = std::chrono::steady_clock;

double secondsSince(Clock::time_point start)
{
    return std::chrono::duration<double>(Clock::now() - start).count();
}

struct Connection {
    int fd = -1;
    QByteArray input;
    const CallKind *waiting = nullptr; // the call whose reply is awaited
    long id = 0;
    Clock::time_point sent;
    timespec sentWall{};               // the same on the clock of the kernel's timestamps
    timespec arrived{};                // when the kernel received the last bytes read
    Clock::time_point next;            // when the next call is due
};

timespec wallNow()
{
    timespec now{};
    ::clock_gettime(CLOCK_REALTIME, &now);
    return now;
}

double millisecondsBetween(const timespec &from, const timespec &to)
{
    return double(to.tv_sec - from.tv_sec) * 1e3 + double(to.tv_nsec - from.tv_nsec) / 1e6;
}

void greet(int fd, const QByteArray &greeting)
{
    if (greeting.isEmpty())
        return;
    if (::send(fd, greeting.constData(), size_t(greeting.size()), 0) != greeting.size())
        throw std::runtime_error("cannot send the greeting");
    QByteArray reply;
    char buffer[4096];
    while (!reply.contains('\n')) {
        const ssize_t n = ::recv(fd, buffer, sizeof buffer, 0);
        if (n <= 0)
            throw std::runtime_error("the server closed a connection at its greeting");
        reply.append(buffer, n);
    }
    if (!reply.contains("\"result\""))
        throw std::runtime_error("the greeting was refused: " + reply.toStdString());
}

int connectTo(quint16 port, const QByteArray &greeting)
{
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (fd < 0 || ::connect(fd, reinterpret_cast<sockaddr *>(&address), sizeof address) != 0)
        throw std::runtime_error(std::string("cannot connect: ") + std::strerror(errno));
    const int one = 1;
    ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
    greet(fd, greeting);
    // When a reply reached the socket, apart from when this thread (which
    // shares the cores with the server) got round to reading it.
    ::setsockopt(fd, SOL_SOCKET, SO_TIMESTAMPNS, &one, sizeof one);
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) | O_NONBLOCK);
    return fd;
}

class Generator {
public:
    Generator(const LoadPlan &plan, const std::vector<CallKind> &mix) : m_plan(plan), m_mix(mix)
    {
        for (const CallKind &kind : mix)
            m_totalWeight += kind.weight;
        m_epoll = ::epoll_create1(0);
        m_connections.resize(size_t(plan.connections));
        const auto start = Clock::now();
        const double period = plan.connections / plan.rate;
        std::uniform_real_distribution<double> spread(0, period);
        m_pause = std::exponential_distribution<double>(1 / period);
        for (size_t i = 0; i < m_connections.size(); ++i) {
            Connection &c = m_connections[i];
            c.fd = connectTo(plan.port, plan.greeting);
            c.next = start + toDuration(spread(m_random));
            epoll_event event{};
            event.events = EPOLLIN;
            event.data.u64 = i;
            ::epoll_ctl(m_epoll, EPOLL_CTL_ADD, c.fd, &event);
        }
    }

    ~Generator()
    {
        for (Connection &c : m_connections)
            if (c.fd >= 0)
                ::close(c.fd);
        ::close(m_epoll);
    }

    LoadResult run()
    {
        m_start = Clock::now();
        const double end = m_plan.warmup + m_plan.duration;
        std::vector<epoll_event> events(m_connections.size());
        while (secondsSince(m_start) < end) {
            sendDue();
            const int n = ::epoll_wait(m_epoll, events.data(), int(events.size()), 1);
            for (int i = 0; i < n; ++i)
                readFrom(m_connections[events[size_t(i)].data.u64]);
        }
        return finish();
    }

private:
    static Clock::duration toDuration(double seconds)
    {
        return std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(seconds));
    }

    // The kernel's receive time of the last bytes read (now, should it give none).
    static timespec arrivalOf(msghdr &message)
    {
        for (cmsghdr *header = CMSG_FIRSTHDR(&message); header; header = CMSG_NXTHDR(&message, header))
            if (header->cmsg_level == SOL_SOCKET && header->cmsg_type == SCM_TIMESTAMPNS) {
                timespec at{};
                std::memcpy(&at, CMSG_DATA(header), sizeof at);
                return at;
            }
        return wallNow();
    }

    const CallKind &pick()
    {
        int roll = std::uniform_int_distribution<int>(0, m_totalWeight - 1)(m_random);
        for (const CallKind &kind : m_mix) {
            if (roll < kind.weight)
                return kind;
            roll -= kind.weight;
        }
        return m_mix.back();
    }

    void sendDue()
    {
        const auto now = Clock::now();
        for (Connection &c : m_connections) {
            if (c.waiting || c.next > now)
                continue;
            const CallKind &kind = pick();
            c.id = ++m_lastId;
            const QByteArray line = "{\"jsonrpc\":\"2.0\",\"id\":" + QByteArray::number(qlonglong(c.id))
                                    + ",\"method\":\"" + kind.method + "\",\"params\":" + kind.params + "}\n";
            if (::send(c.fd, line.constData(), size_t(line.size()), MSG_NOSIGNAL) != line.size()) {
                fail("send failed: " + QString::fromLocal8Bit(std::strerror(errno)));
                c.next = now + toDuration(m_pause(m_random));
                continue;
            }
            c.waiting = &kind;
            c.sent = Clock::now();
            c.sentWall = wallNow();
        }
    }

    void readFrom(Connection &c)
    {
        char buffer[64 * 1024];
        alignas(cmsghdr) char control[CMSG_SPACE(sizeof(timespec))];
        for (;;) {
            iovec part{buffer, sizeof buffer};
            msghdr message{};
            message.msg_iov = &part;
            message.msg_iovlen = 1;
            message.msg_control = control;
            message.msg_controllen = sizeof control;
            const ssize_t n = ::recvmsg(c.fd, &message, 0);
            if (n > 0) {
                c.input.append(buffer, n);
                c.arrived = arrivalOf(message);
                continue;
            }
            if (n == 0 || (errno != EAGAIN && errno != EWOULDBLOCK)) {
                fail("the server closed a connection");
                ::epoll_ctl(m_epoll, EPOLL_CTL_DEL, c.fd, nullptr);
                ::close(c.fd);
                c.fd = -1;
            }
            break;
        }
        qsizetype newline;
        while ((newline = c.input.indexOf('\n')) >= 0) {
            const QByteArray reply = c.input.left(newline);
            c.input.remove(0, newline + 1);
            answered(c, reply);
        }
    }

    void answered(Connection &c, const QByteArray &reply)
    {
        const auto now = Clock::now();
        const bool counted = std::chrono::duration<double>(c.sent - m_start).count() >= m_plan.warmup;
        const QByteArray idPrefix = "{\"id\":" + QByteArray::number(qlonglong(c.id)) + ",";
        const bool right = c.waiting && reply.startsWith(idPrefix) && c.waiting->check(reply);
        if (counted) {
            ++m_result.calls;
            const double ms = std::chrono::duration<double, std::milli>(now - c.sent).count();
            m_latencies.push_back(ms);
            m_socketLatencies.push_back(millisecondsBetween(c.sentWall, c.arrived));
            if (c.waiting)
                m_kindLatencies[size_t(c.waiting - m_mix.data())].push_back(ms);
            if (!right)
                fail(QString::fromLatin1(c.waiting ? c.waiting->method : QByteArray("?")) + ": "
                     + QString::fromUtf8(reply.left(300)));
        }
        c.waiting = nullptr;
        // The next call at the operator's pace, or at once when this one was
        // late. The pauses are random, as between operators who do not wait
        // for each other: fixed ones would keep the connections delayed
        // together by one slow moment calling together from then on.
        c.next = std::max(c.next + toDuration(m_pause(m_random)), now);
    }

    void fail(const QString &why)
    {
        if (Clock::now() - m_start < toDuration(m_plan.warmup))
            return;
        ++m_result.failed;
        if (m_result.firstFailure.isEmpty())
            m_result.firstFailure = why;
    }

    static void percentiles(std::vector<double> &latencies, double &p50, double &p99)
    {
        if (latencies.empty())
            return;
        std::sort(latencies.begin(), latencies.end());
        p50 = latencies[latencies.size() / 2];
        p99 = latencies[std::min(latencies.size() - 1, latencies.size() * 99 / 100)];
    }

    LoadResult finish()
    {
        m_result.seconds = m_plan.duration;
        percentiles(m_latencies, m_result.p50, m_result.p99);
        percentiles(m_socketLatencies, m_result.socketP50, m_result.socketP99);
        for (size_t i = 0; i < m_mix.size(); ++i) {
            LoadResult::Kind kind{m_mix[i].method, long(m_kindLatencies[i].size())};
            percentiles(m_kindLatencies[i], kind.p50, kind.p99);
            m_result.kinds.push_back(kind);
        }
        // Calls still unanswered at the end are failures too.
        for (const Connection &c : m_connections)
            if (c.waiting && std::chrono::duration<double>(Clock::now() - c.sent).count() > 5)
                fail("no reply within 5 s");
        return m_result;
    }

    const LoadPlan &m_plan;
    const std::vector<CallKind> &m_mix;
    int m_totalWeight = 0;
    int m_epoll = -1;
    std::vector<Connection> m_connections;
    std::mt19937 m_random{20261208};
    std::exponential_distribution<double> m_pause;  // between two calls of a connection, s
    long m_lastId = 0;
    Clock::time_point m_start;
    std::vector<double> m_latencies;
    std::vector<double> m_socketLatencies;  // until the reply reached the socket
    std::vector<std::vector<double>> m_kindLatencies = std::vector<std::vector<double>>(m_mix.size());
    LoadResult m_result;
};

}

LoadResult runLoad(const LoadPlan &plan, const std::vector<CallKind> &mix)
{
    Generator generator(plan, mix);
    return generator.run();
}

}
