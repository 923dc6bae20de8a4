#pragma once
#include "server/remote.h"

namespace server {

class TNetConnection;
class ConnectionUses;

// The application server reached through a counted socket connection.
class NetRemoteServer : public RemoteServer {
public:
    NetRemoteServer(TNetConnection &connection, ConnectionUses &uses);

    void acquire() override;
    void release() override;
    qor::RemoteResult callRaw(const QString &method, const QJsonArray &args) override;

    TNetConnection &connection() const { return m_connection; }

private:
    TNetConnection &m_connection;
    ConnectionUses &m_uses;
};

}
