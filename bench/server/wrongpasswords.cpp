#include "wrongpasswords.h"
#include <QByteArray>
#include <arpa/inet.h>
#include <cerrno>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <unistd.h>

namespace bench {

namespace {

int connectTo(quint16 port)
{
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (fd < 0 || ::connect(fd, reinterpret_cast<sockaddr *>(&address), sizeof address) != 0) {
        if (fd >= 0)
            ::close(fd);
        return -1;
    }
    const int one = 1;
    ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
    // Wakes now and then to see whether to stop.
    timeval wait{0, 200 * 1000};
    ::setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &wait, sizeof wait);
    return fd;
}

}

WrongPasswords::WrongPasswords(quint16 port, int clients) : m_port(port)
{
    for (int i = 0; i < clients; ++i)
        m_threads.emplace_back([this, i] { guess(i); });
}

WrongPasswords::~WrongPasswords()
{
    m_stopping = true;
    for (std::thread &thread : m_threads)
        thread.join();
}

QString WrongPasswords::firstUnexpected() const
{
    return m_noted ? m_firstUnexpected : QString();
}

// Codes beginning with 9 belong to nobody, so no code is locked out and
// every guess costs the server a password hash.
void WrongPasswords::guess(int client)
{
    const int fd = connectTo(m_port);
    if (fd < 0) {
        ++m_unexpected;
        return;
    }
    QByteArray input;
    char buffer[4096];
    for (long n = 0; !m_stopping; ++n) {
        const QByteArray code = QByteArray::number(9e11 + client * 1e6 + n % 1000000, 'f', 0);
        const QByteArray line = "{\"jsonrpc\":\"2.0\",\"id\":" + QByteArray::number(qlonglong(n))
                                + ",\"method\":\"SignIn\",\"params\":[\"" + code
                                + "\",\"chute\",\"0001\",\"0001\"]}\n";
        if (::send(fd, line.constData(), size_t(line.size()), MSG_NOSIGNAL) != line.size())
            break;
        while (!input.contains('\n') && !m_stopping) {
            const ssize_t got = ::recv(fd, buffer, sizeof buffer, 0);
            if (got > 0)
                input.append(buffer, got);
            else if (got == 0 || (errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR))
                break;
        }
        const qsizetype end = input.indexOf('\n');
        if (end < 0)
            break;
        const QByteArray reply = input.left(end);
        input.remove(0, end + 1);
        if (reply.contains("Operador ou senha incorretos."))
            ++m_wrong;
        else if (reply.contains("\"code\":-32004"))
            ++m_overLimit;
        else if (++m_unexpected == 1) {
            m_firstUnexpected = QString::fromUtf8(reply.left(300));
            m_noted = true;
        }
    }
    ::close(fd);
}

}
