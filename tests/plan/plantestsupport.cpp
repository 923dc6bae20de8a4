#include "plantestsupport.h"
#include "plan/planfields.h"

namespace plantest {

QJsonValue DateValue(const QDateTime &when)
{
    return when.isValid() ? QJsonValue(when.toString(QStringLiteral("yyyy-MM-ddTHH:mm:ss"))) : QJsonValue();
}

QJsonObject Field(const char *name, const char *type, int size)
{
    QJsonObject f{{"name", name}, {"type", type}};
    if (QLatin1String(type) == QLatin1String("string"))
        f.insert("size", size);
    return f;
}

QJsonObject Packet(const QJsonArray &fields, const std::vector<QVariantMap> &rows)
{
    QJsonArray jsonRows;
    for (const QVariantMap &row : rows) {
        QJsonArray values;
        for (const QJsonValue &f : fields) {
            const QVariant v = row.value(f.toObject().value("name").toString());
            if (v.typeId() == QMetaType::QDateTime)
                values.append(DateValue(v.toDateTime()));
            else
                values.append(QJsonValue::fromVariant(v));
        }
        jsonRows.append(values);
    }
    return {{"fields", fields}, {"rows", jsonRows}};
}

QJsonObject PlanPacket(const std::vector<QVariantMap> &rows)
{
    qor::RecordSet shape;
    plan::DefinePlanFields(shape);
    shape.open();
    return Packet(shape.data().value("fields").toArray(), rows);
}

qor::RemoteResult RecordingServer::callRaw(const QString &method, const QJsonArray &args)
{
    calls.push_back({method, args});
    auto it = m_handlers.find(method);
    if (it == m_handlers.end())
        return {};
    return it->second(args);
}

void RecordingServer::answerPacket(const QString &method, const QJsonObject &packet)
{
    answer(method, [packet](const QJsonArray &) {
        qor::RemoteResult r;
        r.value = packet;
        return r;
    });
}

std::vector<Call> RecordingServer::callsOf(const QString &method) const
{
    std::vector<Call> found;
    for (const Call &c : calls)
        if (c.method == method)
            found.push_back(c);
    return found;
}

void UseTestSession()
{
    qor::Session s;
    s.operador = QStringLiteral("000000000001");
    s.filial = QStringLiteral("0001");
    s.empresa = QStringLiteral("0001");
    qor::SetSession(s);
}

}
