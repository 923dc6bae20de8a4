#pragma once
#include "args.h"
#include <QJsonArray>
#include <QJsonObject>
#include <QJsonValue>
#include <optional>

namespace apr {

class Database;
struct ConnectionSession;
struct SessionPolicy;

struct CallContext {
    Database &db;
    ConnectionSession *session = nullptr;  // the caller, as this connection signed in
    const SessionPolicy *policy = nullptr;
    // A refused sign-in is answered no sooner than this; the serving layer
    // waits for it on a timer, never on a thread.
    qint64 answerNotBeforeMs = 0;          // QDeadlineTimer's clock, 0 for at once
    // The signed-in operator; empty without a session.
    QString caller() const;
};

// What a method gives back: its result and, for methods with by-reference
// outputs, those outputs in order.
struct Reply {
    Reply(QJsonValue value = QJsonValue::Null) : result(std::move(value)) {}
    Reply(const QJsonObject &packet) : result(packet) {}
    Reply(const QJsonArray &values) : result(values) {}
    static Reply json(QByteArray text) { Reply r; r.resultJson = std::move(text); return r; }
    QJsonValue result;
    QByteArray resultJson; // the result already written as JSON text, when not empty
    std::optional<QJsonArray> byref;
};

using Handler = Reply (*)(CallContext &, const Args &);

struct MethodEntry {
    const char *name;
    std::vector<Form> forms; // accepted argument lists (a method may have several)
    Handler handler;         // nullptr: not implemented yet
    // The handler opens its own transactions (a sign-in hashes the password
    // between its read and its write, holding no lock meanwhile).
    bool ownTransactions = false;
};

const std::vector<MethodEntry> &catalogue();
const MethodEntry *findMethod(const QString &name);

// Checks the arguments and runs the method; throws RpcError.
Reply dispatch(CallContext &context, const QString &method, const QJsonArray &params);

}
