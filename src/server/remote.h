#pragma once
#include "host/remoteresult.h"
#include <QDateTime>
#include <QJsonArray>
#include <QJsonObject>
#include <QJsonValue>
#include <QString>

namespace qor { class RecordSet; }

namespace server {

// A date argument of a remote method: {"date":"YYYY-MM-DDTHH:MM:SS"}.
QJsonValue Date(const QDateTime &when);

// The module's way to the application server. acquire()/release() are the
// counted connection uses (ConnectServer with True/False); callRaw() calls a
// method by name with positional arguments on an open connection.
class RemoteServer {
public:
    virtual ~RemoteServer() = default;

    virtual void acquire() = 0;
    virtual void release() = 0;
    virtual qor::RemoteResult callRaw(const QString &method, const QJsonArray &args) = 0;

    // The calling convention: take a use, call, check the result with
    // CheckResultServ (a server error is shown and aborts), return the payload;
    // the use is returned in every case.
    QJsonValue call(const QString &method, const QJsonArray &args);
    // The same, loading the payload (a data packet) into records.
    void load(qor::RecordSet &records, const QString &method, const QJsonArray &args);
    // The same, returning the payload as an array (Get_Inicial, GetGeral).
    QJsonArray callArray(const QString &method, const QJsonArray &args);

    // One use held for a group of calls.
    class Use {
    public:
        explicit Use(RemoteServer &server) : m_server(server) { m_server.acquire(); }
        ~Use() { m_server.release(); }
        Use(const Use &) = delete;
        Use &operator=(const Use &) = delete;
    private:
        RemoteServer &m_server;
    };
};

}
