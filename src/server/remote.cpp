#include "server/remote.h"
#include "host/recordset.h"
#include "host/services.h"

namespace server {

QJsonValue Date(const QDateTime &when)
{
    return QJsonObject{{"date", when.toString(QStringLiteral("yyyy-MM-ddTHH:mm:ss"))}};
}

QJsonValue RemoteServer::call(const QString &method, const QJsonArray &args)
{
    Use use(*this);
    return qor::CheckResultServ(callRaw(method, args), true, 0);
}

void RemoteServer::load(qor::RecordSet &records, const QString &method, const QJsonArray &args)
{
    const QJsonValue payload = call(method, args);
    if (!payload.isObject())
        qor::MensErro(QStringLiteral("O servidor de aplicação não devolveu os dados esperados (%1).").arg(method));
    records.setData(payload.toObject());
}

QJsonArray RemoteServer::callArray(const QString &method, const QJsonArray &args)
{
    const QJsonValue payload = call(method, args);
    if (!payload.isArray())
        qor::MensErro(QStringLiteral("O servidor de aplicação não devolveu os dados esperados (%1).").arg(method));
    return payload.toArray();
}

}
