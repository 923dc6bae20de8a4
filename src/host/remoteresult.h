#pragma once
#include <QJsonArray>
#include <QJsonValue>
#include <QString>

namespace qor {

// The raw result of a remote method: the value the server returned, its
// by-reference outputs, or the server's error.
struct RemoteResult {
    QJsonValue value;        // a data packet (object), an array, a plain value or null
    QJsonArray outputs;      // by-reference outputs (InsPatchTram's last argument)
    bool isError = false;
    QString errorMessage;
    QString errorDetail;

    static RemoteResult error(QString message, QString detail = {}) {
        RemoteResult r; r.isError = true; r.errorMessage = std::move(message); r.errorDetail = std::move(detail); return r;
    }
};

}
