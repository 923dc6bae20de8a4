#include "server/connectionuses.h"
#include "server/netconnection.h"

namespace server {

int ConnectionUses::entryOf(const QString &connectionName)
{
    const QString prefix = connectionName + QLatin1Char('=');
    for (int i = 0; i < stlConexoes.size(); ++i)
        if (stlConexoes.at(i).startsWith(prefix))
            return i;
    stlConexoes.append(prefix + QLatin1Char('0'));
    return int(stlConexoes.size()) - 1;
}

int ConnectionUses::count(const QString &connectionName) const
{
    const QString prefix = connectionName + QLatin1Char('=');
    for (const QString &entry : stlConexoes)
        if (entry.startsWith(prefix))
            return entry.mid(prefix.size()).toInt();
    return 0;
}

void ConnectionUses::ConnectServer(TNetConnection &connection, bool take)
{
    const QString name = connection.objectName();
    const int entry = entryOf(name);
    int uses = stlConexoes.at(entry).mid(name.size() + 1).toInt();
    if (take) {
        if (uses == 0)
            connection.setConnected(true);
        ++uses;
    } else {
        uses = qMax(0, uses - 1);
    }
    stlConexoes[entry] = name + QLatin1Char('=') + QString::number(uses);
    if (!take && uses == 0)
        connection.setConnected(false);
}

}
