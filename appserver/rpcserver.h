#pragma once
#include "catalogue.h"
#include <QByteArray>
#include <QHash>
#include <QHostAddress>
#include <QObject>
#include <QTcpServer>

class QTcpSocket;

namespace apr {

class Database;

// Answers one JSON-RPC request line; never throws. Empty when the line is blank.
QByteArray answerLine(CallContext &context, const QByteArray &line);
QByteArray errorReply(const QJsonValue &id, int code, const QString &message, const QString &detail = {});

// Line-framed JSON-RPC over TCP. Each connection's lines are answered in order;
// a line longer than maxLine is refused and skipped up to its newline without
// being kept in memory.
class RpcServer : public QObject {
    Q_OBJECT
public:
    RpcServer(Database &db, qint64 maxLine, QObject *parent = nullptr);
    bool listen(const QHostAddress &address, quint16 port);
    QString errorString() const { return m_server.errorString(); }
    quint16 port() const { return m_server.serverPort(); }
    QHostAddress address() const { return m_server.serverAddress(); }

private:
    struct Peer {
        QByteArray pending;
        bool skipping = false; // inside an oversized line
    };

    void accept();
    void readFrom(QTcpSocket *socket);
    void consume(QTcpSocket *socket, Peer &peer, const QByteArray &chunk);

    QTcpServer m_server;
    Database &m_db;
    qint64 m_maxLine;
    QHash<QTcpSocket *, Peer> m_peers;
};

}
