#pragma once
#include <QDateTime>
#include <QHash>
#include <QString>
#include <mutex>
#include <optional>

namespace apr {

class Database;

// What a connection knows about its caller: the session it signed in with or
// resumed. Lives with the connection, in memory only; the session itself is
// in the database, so any server sharing it accepts the token.
struct ConnectionSession {
    QString tokenHash;      // empty: no session on this connection
    QString operador;
    QString filial;
    QString empresa;
    QDateTime checkedAt;    // when the session row was last confirmed
    bool signedIn() const { return !tokenHash.isEmpty(); }
    void clear() { *this = ConnectionSession(); }
};

struct SessionPolicy {
    qint64 idleSeconds = 12 * 60 * 60;  // a session unused this long expires
    qint64 failedDelayMs = 1000;        // a wrong password is answered after this
    int failuresBeforeLockout = 5;
    qint64 lockoutSeconds = 60;
    qint64 recheckSeconds = 60;         // a connection confirms its session this often
};

// The sessions of the open connections, by connection. A connection has one
// call running at most, so a worker takes its copy, runs the call and puts it
// back; a connection that closed meanwhile is not brought back.
class ConnectionSessions {
public:
    void open(quint64 connection);
    void forget(quint64 connection);
    // Empty when the connection closed before its call ran.
    std::optional<ConnectionSession> take(quint64 connection) const;
    void put(quint64 connection, const ConnectionSession &session);

private:
    mutable std::mutex m_mutex;
    QHash<quint64, ConnectionSession> m_sessions;
};

// Argon2id through libsodium; the text keeps its own salt and costs.
QString hashPassword(const QByteArray &password);
bool verifyPassword(const QString &hash, const QByteArray &password);
// Stores the operator's new password and ends his sessions; false when the operator does not exist.
bool setOperatorPassword(Database &db, const QString &operador, const QByteArray &password);

// 32 random bytes as 64 lower-case hexadecimal digits, and the hash kept of it.
QString newSessionToken();
bool wellFormedToken(const QString &token);
QString tokenHash(const QString &token);

// Confirms the connection's session against the database (it may have been
// signed out or expired meanwhile) and notes its use; throws when it is gone.
void confirmSession(Database &db, const SessionPolicy &policy, ConnectionSession &session);

}
