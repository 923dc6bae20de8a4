#pragma once
#include "host/services.h"
#include <QString>

namespace host {

// Signs the session's operator in to its application server (over TLS when
// the session names a CA file). On success the token; otherwise the reason,
// which is the server's own message when it answered.
struct SignInOutcome {
    QString token;
    QString error;
    bool ok() const { return !token.isEmpty(); }
};
SignInOutcome SignInToServer(const qor::Session &session, const QString &password, int timeoutMs = 30000);

}
