#include "sessions.h"
#include "args.h"
#include "database.h"
#include "rpcerror.h"
#include <QCryptographicHash>
#include <sodium.h>
#include <stdexcept>

namespace apr {

namespace {

void needSodium()
{
    static const bool ready = sodium_init() >= 0;
    if (!ready)
        throw std::runtime_error("libsodium could not be initialised");
}

}

void ConnectionSessions::open(quint64 connection)
{
    std::lock_guard lock(m_mutex);
    m_sessions.insert(connection, ConnectionSession());
}

void ConnectionSessions::forget(quint64 connection)
{
    std::lock_guard lock(m_mutex);
    m_sessions.remove(connection);
}

std::optional<ConnectionSession> ConnectionSessions::take(quint64 connection) const
{
    std::lock_guard lock(m_mutex);
    const auto it = m_sessions.constFind(connection);
    if (it == m_sessions.constEnd())
        return std::nullopt;
    return *it;
}

void ConnectionSessions::put(quint64 connection, const ConnectionSession &session)
{
    std::lock_guard lock(m_mutex);
    auto it = m_sessions.find(connection);
    if (it != m_sessions.end())
        *it = session;
}

QString hashPassword(const QByteArray &password)
{
    needSodium();
    char out[crypto_pwhash_STRBYTES];
    if (crypto_pwhash_str(out, password.constData(), quint64(password.size()), crypto_pwhash_OPSLIMIT_INTERACTIVE,
                          crypto_pwhash_MEMLIMIT_INTERACTIVE) != 0)
        throw std::runtime_error("out of memory while hashing a password");
    return QString::fromLatin1(out);
}

bool verifyPassword(const QString &hash, const QByteArray &password)
{
    needSodium();
    const QByteArray stored = hash.toLatin1();
    return crypto_pwhash_str_verify(stored.constData(), password.constData(), quint64(password.size())) == 0;
}

bool setOperatorPassword(Database &db, const QString &operador, const QByteArray &password)
{
    QSqlQuery known = db.run("SELECT 1 FROM operador WHERE CDOPERADOR = ?", {operador});
    const bool exists = known.next();
    known.finish();
    if (!exists)
        return false;
    const QString now = formatStamp(QDateTime::currentDateTimeUtc());
    const QString hash = hashPassword(password);
    db.run("DELETE FROM senha_operador WHERE CDOPERADOR = ?", {operador});
    db.run("INSERT INTO senha_operador (CDOPERADOR, DSHASHSENHA, DTALTERACAO) VALUES (?, ?, ?)",
           {operador, hash, now});
    db.run("DELETE FROM sessao WHERE CDOPERADOR = ?", {operador});
    db.run("DELETE FROM falha_entrada WHERE CDOPERADOR = ?", {operador});
    return true;
}

QString newSessionToken()
{
    needSodium();
    QByteArray bytes(32, Qt::Uninitialized);
    randombytes_buf(bytes.data(), size_t(bytes.size()));
    const QString token = QString::fromLatin1(bytes.toHex());
    sodium_memzero(bytes.data(), size_t(bytes.size()));
    return token;
}

bool wellFormedToken(const QString &token)
{
    if (token.size() != 64)
        return false;
    for (QChar c : token)
        if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f')))
            return false;
    return true;
}

// The token is 256 random bits: a fast hash is enough to keep it out of the
// database, a slow one would only make every connect slower.
QString tokenHash(const QString &token)
{
    return QString::fromLatin1(QCryptographicHash::hash(token.toLatin1(), QCryptographicHash::Sha256).toHex());
}

void confirmSession(Database &db, const SessionPolicy &policy, ConnectionSession &session)
{
    const QDateTime now = QDateTime::currentDateTimeUtc();
    QSqlQuery row = db.run("SELECT CDOPERADOR, CDFILIAL, CDEMPRESA, DTULTIMOUSO FROM sessao WHERE DSHASHTOKEN = ?",
                           {session.tokenHash});
    if (!row.next()) {
        session.clear();
        throw appError("Sessão inválida ou encerrada. Entre novamente.", "no session for this token");
    }
    const std::optional<QDateTime> lastUse = parseStamp(row.value(3).toString());
    session.operador = row.value(0).toString();
    session.filial = row.value(1).toString();
    session.empresa = row.value(2).toString();
    row.finish();
    if (!lastUse || QDateTime(lastUse->date(), lastUse->time(), Qt::UTC).secsTo(now) > policy.idleSeconds) {
        db.run("DELETE FROM sessao WHERE DSHASHTOKEN = ?", {session.tokenHash});
        session.clear();
        throw appError("Sessão expirada. Entre novamente.", "the session was idle too long");
    }
    db.run("UPDATE sessao SET DTULTIMOUSO = ? WHERE DSHASHTOKEN = ?", {formatStamp(now), session.tokenHash});
    session.checkedAt = now;
}

}
