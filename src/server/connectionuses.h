#pragma once
#include <QStringList>

namespace server {

class TNetConnection;

// The use counts of the connections: one "name=count" entry per connection.
// The first use connects, the return of the last one disconnects.
class ConnectionUses {
public:
    void ConnectServer(TNetConnection &connection, bool take);
    int count(const QString &connectionName) const;   // 0 when absent

    QStringList stlConexoes;

private:
    int entryOf(const QString &connectionName);
};

}
