#include "tlssockets.h"
#include <QFile>
#include <QSslCertificate>
#include <QSslConfiguration>
#include <QSslKey>
#include <QSslSocket>

namespace apr {

namespace {

QByteArray readAll(const QString &file, QString &error)
{
    QFile input(file);
    if (!input.open(QIODevice::ReadOnly)) {
        error = "cannot read " + file + ": " + input.errorString();
        return {};
    }
    return input.readAll();
}

}

SocketFactory tlsSocketFactory(const QString &certificateFile, const QString &keyFile, QString &error)
{
    if (!QSslSocket::supportsSsl()) {
        error = "no TLS backend available (Qt's OpenSSL plugin needs libssl)";
        return {};
    }
    const QList<QSslCertificate> chain = QSslCertificate::fromData(readAll(certificateFile, error), QSsl::Pem);
    if (!error.isEmpty())
        return {};
    if (chain.isEmpty()) {
        error = "no PEM certificate in " + certificateFile;
        return {};
    }
    const QByteArray keyText = readAll(keyFile, error);
    if (!error.isEmpty())
        return {};
    QSslKey key(keyText, QSsl::Rsa, QSsl::Pem);
    if (key.isNull())
        key = QSslKey(keyText, QSsl::Ec, QSsl::Pem);
    if (key.isNull()) {
        error = "no unencrypted PEM private key (RSA or EC) in " + keyFile;
        return {};
    }
    QSslConfiguration tls = QSslConfiguration::defaultConfiguration();
    tls.setLocalCertificateChain(chain);
    tls.setPrivateKey(key);
    tls.setPeerVerifyMode(QSslSocket::VerifyNone); // clients prove who they are by signing in
    tls.setProtocol(QSsl::TlsV1_2OrLater);
    return [tls](qintptr descriptor, QObject *parent) -> QTcpSocket * {
        auto *socket = new QSslSocket(parent);
        if (!socket->setSocketDescriptor(descriptor)) {
            delete socket;
            return nullptr;
        }
        socket->setSslConfiguration(tls);
        socket->startServerEncryption();
        return socket;
    };
}

}
