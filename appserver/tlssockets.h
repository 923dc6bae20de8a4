#pragma once
#include "rpcserver.h"
#include <QString>

namespace apr {

// Sockets that speak TLS with the server's certificate and key (PEM files).
// Empty factory with `error` when the files cannot be used or the TLS
// backend is missing.
SocketFactory tlsSocketFactory(const QString &certificateFile, const QString &keyFile, QString &error);

}
