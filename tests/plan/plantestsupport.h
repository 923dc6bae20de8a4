#pragma once
// Shared pieces of the plan tests: a plan packet builder, a recording server
// for argument checks, and the real apr-server in a child process.
#include "host/recordset.h"
#include "host/services.h"
#include "server/remote.h"
#include <QDateTime>
#include <QJsonArray>
#include <QJsonObject>
#include <QProcess>
#include <QString>
#include <QVariantMap>
#include <functional>
#include <map>
#include <memory>
#include <vector>

#include "plan/gridlayout.h"
#include <ostream>

namespace plan {
inline void PrintTo(const ColumnLayout &c, std::ostream *os) { *os << c.field.toStdString() << ":" << c.width; }
}

namespace plantest {

// A packet of cdsPlanAtivTare's shape with the given rows (field -> value).
QJsonObject PlanPacket(const std::vector<QVariantMap> &rows);
QJsonObject Packet(const QJsonArray &fields, const std::vector<QVariantMap> &rows);
// A field of a packet's description; texts carry their size.
QJsonObject Field(const char *name, const char *type = "string", int size = 10);
QJsonValue DateValue(const QDateTime &when);

struct Call {
    QString method;
    QJsonArray args;
};

// Answers each method from a handler and records every call.
class RecordingServer : public server::RemoteServer {
public:
    using Handler = std::function<qor::RemoteResult(const QJsonArray &)>;
    void acquire() override { ++uses; ++acquired; }
    void release() override { --uses; }
    qor::RemoteResult callRaw(const QString &method, const QJsonArray &args) override;

    void answer(const QString &method, Handler handler) { m_handlers[method] = std::move(handler); }
    void answerPacket(const QString &method, const QJsonObject &packet);
    std::vector<Call> callsOf(const QString &method) const;

    std::vector<Call> calls;
    int uses = 0;
    int acquired = 0;

private:
    std::map<QString, Handler> m_handlers;
};

void UseTestSession();

}
