#pragma once
// Starts the real application server for a test: a fresh SQLite file with the
// demo seed, on a free port.
#include <QProcess>
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
                return true;
            }
        }
        seen += m_process->readAllStandardOutput() + m_process->readAllStandardError();
        m_why = QStringLiteral("apr-server did not report it was listening: ") + QString::fromUtf8(seen);
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
    int port() const { return m_port; }
    QString why() const { return m_why; }

private:
    QTemporaryDir m_dir;
    std::unique_ptr<QProcess> m_process;
    QString m_host;
    int m_port = 0;
    QString m_why;
};

}
