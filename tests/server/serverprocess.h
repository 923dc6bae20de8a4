#pragma once
// Starts the real application server for a test: a fresh SQLite file with the
// demo seed, on a free port.
#include "testsupport/realcomponent.h"
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTcpSocket>
#include <QRegularExpression>
#include <QString>
#include <QTemporaryDir>
#include <memory>

namespace testsupport {

class ServerProcess {
public:
    ServerProcess() = default;
    ~ServerProcess() { stop(); }

    // False (with why()) when the server binary is missing or does not come up.
    bool start(const QString &binary)
    {
        if (binary.isEmpty() || !QFile::exists(binary)) {
            m_why = QStringLiteral("apr-server not built: ") + binary;
            return false;
        }
        if (!m_dir.isValid()) {
            m_why = QStringLiteral("no temporary directory");
            return false;
        }
        m_process = std::make_unique<QProcess>();
        m_process->setProcessChannelMode(QProcess::SeparateChannels);
        m_process->start(binary, {QStringLiteral("--listen"), QStringLiteral("127.0.0.1:0"),
                                  QStringLiteral("--database"), QStringLiteral("sqlite:") + m_dir.filePath("apr.db"),
                                  QStringLiteral("--seed"), QStringLiteral("demo")});
        if (!m_process->waitForStarted(10000)) {
            m_why = m_process->errorString();
            return false;
        }
        static const QRegularExpression ready(QStringLiteral("apr-server listening on ([^:\\s]+):(\\d+)"));
        QByteArray seen;
        while (m_process->state() == QProcess::Running && m_process->waitForReadyRead(30000)) {
            seen += m_process->readAllStandardOutput() + m_process->readAllStandardError();
            const auto match = ready.match(QString::fromUtf8(seen));
            if (match.hasMatch()) {
                m_host = match.captured(1);
                m_port = match.captured(2).toInt();
                m_binary = binary;
                m_token = signIn(QStringLiteral("000000000001"), QString::fromLatin1(kDemoPassword));
                if (m_token.isEmpty())
                    m_why = QStringLiteral("the demo operator could not sign in");
                return !m_token.isEmpty();
            }
        }
        seen += m_process->readAllStandardOutput() + m_process->readAllStandardError();
        m_why = QStringLiteral("apr-server did not report it was listening: ") + QString::fromUtf8(seen);
        return false;
    }

    // The same database again on the same address, without seeding it (after stop()).
    bool restart()
    {
        m_process = std::make_unique<QProcess>();
        m_process->setProcessChannelMode(QProcess::SeparateChannels);
        m_process->start(m_binary, {QStringLiteral("--listen"), m_host + u':' + QString::number(m_port),
                                    QStringLiteral("--database"), QStringLiteral("sqlite:") + m_dir.filePath("apr.db")});
        if (!m_process->waitForStarted(10000)) {
            m_why = m_process->errorString();
            return false;
        }
        QByteArray seen;
        while (m_process->state() == QProcess::Running && m_process->waitForReadyRead(30000)) {
            seen += m_process->readAllStandardOutput() + m_process->readAllStandardError();
            if (seen.contains("apr-server listening on "))
                return true;
        }
        m_why = QStringLiteral("apr-server did not come back: ") + QString::fromUtf8(seen);
        return false;
    }

    void stop()
    {
        if (m_process && m_process->state() != QProcess::NotRunning) {
            m_process->terminate();
            if (!m_process->waitForFinished(5000)) {
                m_process->kill();
                m_process->waitForFinished(5000);
            }
        }
    }

    QString host() const { return m_host; }
    // The demo operator's session, for the host session the tests set up.
    QString token() const { return m_token; }
    // Another operator of the seed: gets a password through "apr-server passwd", then signs in.
    QString tokenFor(const QString &operador) const
    {
        const QString password = QStringLiteral("senha-de-teste");
        QProcess passwd;
        passwd.start(m_binary, {QStringLiteral("passwd"), QStringLiteral("--database"),
                                QStringLiteral("sqlite:") + m_dir.filePath("apr.db"), operador});
        passwd.write(password.toUtf8() + '\n');
        passwd.closeWriteChannel();
        if (!passwd.waitForFinished(30000) || passwd.exitCode() != 0)
            return {};
        return signIn(operador, password);
    }
    int port() const { return m_port; }
    // The SQLite file, for a test that sets up rows the seed lacks.
    QString databasePath() const { return m_dir.filePath(QStringLiteral("apr.db")); }
    QString why() const { return m_why; }

private:
    // The password the demo seed gives the demo operator.
    static constexpr const char *kDemoPassword = "demo-entrada";

    QString signIn(const QString &operador, const QString &password) const
    {
        QTcpSocket socket;
        socket.connectToHost(m_host, quint16(m_port));
        const QJsonObject request{{"jsonrpc", "2.0"}, {"id", 1}, {"method", "SignIn"},
                                  {"params", QJsonArray{operador, password, "0001", "0001"}}};
        socket.write(QJsonDocument(request).toJson(QJsonDocument::Compact) + '\n');
        QByteArray reply;
        while (socket.waitForConnected(10000) && !reply.contains('\n') && socket.waitForReadyRead(30000))
            reply += socket.readAll();
        return QJsonDocument::fromJson(reply.left(reply.indexOf('\n'))).object().value("result").toString();
    }

    QTemporaryDir m_dir;
    std::unique_ptr<QProcess> m_process;
    QString m_host;
    int m_port = 0;
    QString m_token;
    QString m_binary;
    QString m_why;
};

}
