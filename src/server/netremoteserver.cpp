#include "server/netremoteserver.h"
#include "server/connectionuses.h"
#include "server/netconnection.h"

namespace server {

NetRemoteServer::NetRemoteServer(TNetConnection &connection, ConnectionUses &uses)
    : m_connection(connection), m_uses(uses)
{
}

void NetRemoteServer::acquire()
{
    m_connection.enterGroup();
    m_uses.ConnectServer(m_connection, true);
}

void NetRemoteServer::release()
{
    m_uses.ConnectServer(m_connection, false);
    m_connection.leaveGroup();
}

qor::RemoteResult NetRemoteServer::callRaw(const QString &method, const QJsonArray &args)
{
    return m_connection.call(method, args);
}

}
