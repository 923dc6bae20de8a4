#include "args.h"
#include "database.h"
#include "handlers.h"
#include "rpcerror.h"
#include "sessions.h"
#include <QDeadlineTimer>

// Sign-in, resuming a session on a new connection, sign-out.
namespace apr {

namespace {

const QString wrongCredentials = "Operador ou senha incorretos.";

// Verifying against this when the operator has no password takes as long as a
// real verification, so the answer's timing tells nothing about the code.
const QString &decoyHash()
{
    static const QString hash = hashPassword("not a password of anyone");
    return hash;
}

QString nowStamp()
{
    return formatStamp(QDateTime::currentDateTimeUtc());
}

struct Failures {
    int count = 0;
    std::optional<QDateTime> lockedUntil;
};

Failures failuresOf(Database &db, const QString &operador)
{
    Failures failures;
    QSqlQuery row = db.run("SELECT QTFALHAS, DTBLOQUEIO FROM falha_entrada WHERE CDOPERADOR = ?", {operador});
    if (row.next()) {
        failures.count = row.value(0).toInt();
        if (const auto until = parseStamp(row.value(1).toString()))
            failures.lockedUntil = QDateTime(until->date(), until->time(), Qt::UTC);
    }
    return failures;
}

void checkNotLockedOut(CallContext &context, const QString &operador)
{
    const Failures failures = failuresOf(context.db, operador);
    if (failures.lockedUntil && *failures.lockedUntil > QDateTime::currentDateTimeUtc())
        throw appError(QString("Entrada bloqueada por %1 segundos após %2 tentativas sem sucesso. "
                               "Tente novamente mais tarde.")
                           .arg(context.policy->lockoutSeconds).arg(context.policy->failuresBeforeLockout),
                       "SignIn: locked out");
}

// Counts the failure (and locks the code out at the fifth in a row) in a
// transaction of its own, which the refusal does not undo.
void countFailure(CallContext &context, const QString &operador)
{
    const SessionPolicy &policy = *context.policy;
    Transaction transaction(context.db, true);
    Failures failures = failuresOf(context.db, operador);
    const int count = failures.count + 1;
    const QString lockedUntil =
        count >= policy.failuresBeforeLockout
            ? formatStamp(QDateTime::currentDateTimeUtc().addSecs(policy.lockoutSeconds)) : QString();
    context.db.run("DELETE FROM falha_entrada WHERE CDOPERADOR = ?", {operador});
    context.db.run("INSERT INTO falha_entrada (CDOPERADOR, QTFALHAS, DTBLOQUEIO) VALUES (?, ?, ?)",
                   {operador, lockedUntil.isEmpty() ? count : 0,
                    lockedUntil.isEmpty() ? QVariant(QMetaType::fromType<QString>()) : QVariant(lockedUntil)});
    transaction.commit();
}

[[noreturn]] void refuseSignIn()
{
    throw appError(wrongCredentials, "SignIn: refused");
}

// The operator's stored hash; empty when he has none (or does not exist).
std::optional<QString> storedHash(CallContext &context, const QString &operador)
{
    Transaction transaction(context.db, false);
    checkNotLockedOut(context, operador);
    QSqlQuery row = context.db.run("SELECT DSHASHSENHA FROM senha_operador WHERE CDOPERADOR = ?", {operador});
    std::optional<QString> hash;
    if (row.next())
        hash = row.value(0).toString();
    row.finish();
    transaction.commit();
    return hash;
}

void checkBranch(Database &db, const QString &filial, const QString &empresa)
{
    if (filial.isEmpty() && empresa.isEmpty())
        return;
    QSqlQuery row = db.run("SELECT CDEMPRESA FROM filial WHERE CDFILIAL = ?", {filial});
    if (!row.next() || (!empresa.isEmpty() && row.value(0).toString() != empresa))
        throw appError("Filial ou empresa não cadastrada.", "SignIn: no such branch of that company");
}

}

QString CallContext::caller() const
{
    return session ? session->operador : QString();
}

// Runs on the server's sign-in threads (see SignInDesk): the password hash is
// slow on purpose, and no transaction is open while it runs.
Reply signIn(CallContext &context, const Args &args)
{
    // Every refusal, whatever its reason, is answered this late.
    context.answerNotBeforeMs = QDeadlineTimer(context.policy->failedDelayMs, Qt::PreciseTimer).deadline();
    context.session->clear();
    const QString operador = args.text(0).trimmed();
    const QByteArray password = args.text(1).toUtf8();
    // Codes longer than any operator's are not counted: there is no one to lock out.
    if (operador.isEmpty() || operador.size() > 12) {
        verifyPassword(decoyHash(), password);
        refuseSignIn();
    }
    const std::optional<QString> hash = storedHash(context, operador);
    if (!verifyPassword(hash.value_or(decoyHash()), password) || !hash) {
        countFailure(context, operador);
        refuseSignIn();
    }

    Transaction transaction(context.db, true);
    checkBranch(context.db, args.text(2), args.text(3));
    const QString token = newSessionToken();
    const QString now = nowStamp();
    const QString stale = formatStamp(QDateTime::currentDateTimeUtc().addSecs(-context.policy->idleSeconds));
    context.db.run("DELETE FROM sessao WHERE DTULTIMOUSO < ?", {stale});
    context.db.run("DELETE FROM falha_entrada WHERE CDOPERADOR = ?", {operador});
    context.db.run("INSERT INTO sessao (DSHASHTOKEN, CDOPERADOR, CDFILIAL, CDEMPRESA, DTCRIACAO, DTULTIMOUSO)"
                   " VALUES (?, ?, ?, ?, ?, ?)",
                   {tokenHash(token), operador, args.text(2), args.text(3), now, now});
    transaction.commit();
    context.answerNotBeforeMs = 0;
    ConnectionSession &session = *context.session;
    session.tokenHash = tokenHash(token);
    session.operador = operador;
    session.filial = args.text(2);
    session.empresa = args.text(3);
    session.checkedAt = QDateTime::currentDateTimeUtc();
    return QJsonValue(token);
}

Reply resume(CallContext &context, const Args &args)
{
    context.session->clear();
    const QString token = args.text(0);
    if (!wellFormedToken(token))
        throw appError("Sessão inválida: o token deve ter 64 dígitos hexadecimais.", "Resume: malformed token");
    ConnectionSession &session = *context.session;
    session.tokenHash = tokenHash(token);
    confirmSession(context.db, *context.policy, session);
    return QJsonObject{{"operador", session.operador}, {"filial", session.filial}, {"empresa", session.empresa}};
}

Reply signOut(CallContext &context, const Args &)
{
    context.db.run("DELETE FROM sessao WHERE DSHASHTOKEN = ?", {context.session->tokenHash});
    context.session->clear();
    return {};
}

}
