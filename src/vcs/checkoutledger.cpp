#include "vcs/checkoutledger.h"
#include "host/remoteresult.h"
#include "server/remote.h"
#include <QJsonArray>

namespace vcs {

void CheckoutLedger::begin(const ActivityKey &activity)
{
    m_activity = activity;
    m_tried.clear();
}

qor::RemoteResult CheckoutLedger::clearOnServer(server::RemoteServer &server) const
{
    const server::RemoteServer::Use use(server);
    return server.callRaw(QStringLiteral("ClearArqCheckout"),
                          QJsonArray{m_activity.filial, m_activity.tarefa, m_activity.atividade});
}

}
