#include "host/app/serversignin.h"
#include "host/messages.h"
#include <QDeadlineTimer>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSslCertificate>
#include <QSslConfiguration>
#include <QSslSocket>

namespace host {

namespace {

bool connectTo(QSslSocket &socket, const qor::Session &session, int timeoutMs)
{
    if (session.caFile.isEmpty()) {
        socket.connectToHost(session.webUrl, quint16(session.webPort));
        return socket.waitForConnected(timeoutMs);
    }
    QSslConfiguration tls = QSslConfiguration::defaultConfiguration();
    tls.setCaCertificates(QSslCertificate::fromPath(session.caFile));
    socket.setSslConfiguration(tls);
    socket.connectToHostEncrypted(session.webUrl, quint16(session.webPort));
    return socket.waitForEncrypted(timeoutMs);
}

}

SignInOutcome SignInToServer(const qor::Session &session, const QString &password, int timeoutMs)
{
    const qor::TMessages &texts = qor::TMessages::host();
    SignInOutcome outcome;
    QSslSocket socket;
    if (!connectTo(socket, session, timeoutMs)) {
        outcome.error = QStringLiteral("Não foi possível conectar ao servidor de aplicação %1:%2. %3")
                            .arg(session.webUrl).arg(session.webPort).arg(socket.errorString());
        return outcome;
    }
    const QJsonObject request{{"jsonrpc", "2.0"}, {"id", 1}, {"method", "SignIn"},
                              {"params", QJsonArray{session.operador, password, session.filial, session.empresa}}};
    socket.write(QJsonDocument(request).toJson(QJsonDocument::Compact) + '\n');
    QByteArray reply;
    const QDeadlineTimer deadline(timeoutMs);
    while (!reply.contains('\n') && socket.waitForReadyRead(int(deadline.remainingTime())))
        reply += socket.readAll();
    if (!reply.contains('\n')) {
        outcome.error = texts.Msg(QStringLiteral("SERVIDOR_SEM_RESPOSTA"));
        return outcome;
    }
    const QJsonObject answer = QJsonDocument::fromJson(reply.left(reply.indexOf('\n'))).object();
    outcome.token = answer.value("result").toString();
    if (!outcome.ok()) {
        const QString said = answer.value("error").toObject().value("message").toString();
        outcome.error = said.isEmpty() ? texts.Msg(QStringLiteral("ENTRADA_RECUSADA")) : said;
    }
    socket.disconnectFromHost();
    return outcome;
}

}
