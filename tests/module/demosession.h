#pragma once
// The host's session of the demo operator on a test's application server.
#include "../server/serverprocess.h"
#include "host/services.h"

inline qor::Session DemoSession(const testsupport::ServerProcess &server)
{
    qor::Session session;
    session.operador = QStringLiteral("000000000001");
    session.filial = QStringLiteral("0001");
    session.empresa = QStringLiteral("0001");
    session.webUrl = server.host();
    session.webPort = server.port();
    session.token = server.token();
    return session;
}
