#pragma once
#include <QString>
#include <exception>

namespace qor {

// The host's abort exception. MensErro throws it after showing its text; the
// silent abort is the same exception with an empty text. Every event handler
// boundary catches it (see guarded()).
class EAbort : public std::exception {
public:
    EAbort() = default;
    explicit EAbort(QString message) : m_message(std::move(message)), m_utf8(m_message.toUtf8()) {}
    const QString &message() const { return m_message; }
    bool isSilent() const { return m_message.isEmpty(); }
    const char *what() const noexcept override { return m_utf8.constData(); }

private:
    QString m_message;
    QByteArray m_utf8;
};

// Throws the silent abort.
[[noreturn]] void Abort();

}
