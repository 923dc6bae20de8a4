#pragma once
// Clients that sign in with wrong passwords over and over, each on a
// connection of its own, under codes nobody has: what a guesser does.
#include <QtGlobal>
#include <QString>
#include <atomic>
#include <thread>
#include <vector>

namespace bench {

class WrongPasswords {
public:
    WrongPasswords(quint16 port, int clients);
    ~WrongPasswords();
    WrongPasswords(const WrongPasswords &) = delete;
    WrongPasswords &operator=(const WrongPasswords &) = delete;

    // Refusals received so far: for the password, and for too many sign-ins at once.
    long refusedWrong() const { return m_wrong; }
    long refusedOverLimit() const { return m_overLimit; }
    // Replies that were neither, with the first of them.
    long unexpected() const { return m_unexpected; }
    QString firstUnexpected() const;

private:
    void guess(int client);

    const quint16 m_port;
    std::atomic<bool> m_stopping{false};
    std::atomic<long> m_wrong{0}, m_overLimit{0}, m_unexpected{0};
    std::atomic<bool> m_noted{false};
    QString m_firstUnexpected;
    std::vector<std::thread> m_threads;
};

}
