#pragma once
#include <QString>
#include <stdexcept>

namespace apr {

// JSON-RPC error codes used on the wire.
enum ErrorCode {
    ParseError = -32700,
    InvalidRequest = -32600,
    MethodNotFound = -32601,
    InvalidParams = -32602,
    ApplicationError = -32000,
    NotImplemented = -32001,
    NotSignedIn = -32002,
    Forbidden = -32003,
    TooManySignIns = -32004,   // sign-ins in progress over the server's limits
};

// Thrown by handlers; turned into an error reply. `message` is what the
// operator sees, `detail` the technical side.
struct RpcError : std::runtime_error {
    RpcError(int code, QString message, QString detail = {})
        : std::runtime_error((message + (detail.isEmpty() ? QString() : " " + detail)).toStdString()), code(code),
          message(std::move(message)), detail(std::move(detail)) {}
    int code;
    QString message;
    QString detail;
};

inline RpcError appError(const QString &message, const QString &detail = {})
{
    return RpcError(ApplicationError, message, detail);
}

}
