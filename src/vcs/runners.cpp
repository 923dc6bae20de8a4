#include "vcs/runners.h"
#include "host/abort.h"
#include "host/services.h"
#include "server/remote.h"

namespace vcs {

// ---- MainRunner ------------------------------------------------------------------

MainRunner::MainRunner(server::RemoteServer &server, std::function<void()> enableConfirm, QStringList &stlSaidaSvn,
                       PathMap paths)
    : m_server(server), m_enableConfirm(std::move(enableConfirm)), m_captured(stlSaidaSvn),
      m_runner(RunnerPoints::mainWindow(), *this, Recognition::mainWindow(), std::move(paths))
{
}

void MainRunner::setClassifier(Classifier *classifier, LineSink progress)
{
    m_classifier = classifier;
    if (m_classifier) m_classifier->setUnlockRunner(&m_runner, std::move(progress));
}

bool MainRunner::Execute(const QString &caption, const QString &commandLine, const LineSink &sink, bool capture)
{
    return m_runner.Execute(caption, commandLine, sink, capture);
}

bool MainRunner::Execute(const QString &caption, const CommandLine &command, const LineSink &sink, bool capture)
{
    return m_runner.Execute(caption, command, sink, capture);
}

void MainRunner::acquireConnection() { m_server.acquire(); }
void MainRunner::releaseConnection() { m_server.release(); }

void MainRunner::restoreAfterFailure()
{
    if (m_enableConfirm) m_enableConfirm();
}

Classification MainRunner::classify(const QString &pollText, const QString &caption)
{
    return m_classifier ? m_classifier->classify(pollText, caption) : Classification{};
}

Classification MainRunner::classifyEnd(const CommandResult &result)
{
    return m_classifier ? m_classifier->classifyEnd(result) : Classification{};
}

void MainRunner::react(const Classification &failure)
{
    if (m_classifier) m_classifier->react(failure);
}

// ---- CheckinRunner ---------------------------------------------------------------

CheckinRunner::CheckinRunner(PathMap paths)
    : m_runner(RunnerPoints::checkinSelection(), *this, Recognition::mainWindow(), std::move(paths))
{
}

bool CheckinRunner::Execute(const QString &commandLine, const LineSink &sink, bool capture)
{
    return m_runner.Execute(QString(), commandLine, sink, capture);
}

Classification CheckinRunner::classifyEnd(const CommandResult &result)
{
    return ClassifyEnd(m_runner.texts(), result.output, result.exitCode, result.crashed);
}

// ---- HistoryRunner ---------------------------------------------------------------

HistoryRunner::HistoryRunner(QStringList &stlSaida, std::function<QString()> svnUser, PathMap paths)
    : m_output(stlSaida), m_svnUser(std::move(svnUser)),
      m_runner(RunnerPoints::logViewer(), *this, Recognition::logViewer(), std::move(paths))
{
}

bool HistoryRunner::Execute(const QString &caption, const QString &commandLine, const LineSink &sink, bool capture)
{
    return m_runner.Execute(caption, commandLine, sink, capture);
}

bool HistoryRunner::comparing(const QString &caption) const
{
    return caption.contains(m_runner.texts().text(QStringLiteral("VISUALIZA_DIFERENCAS")));
}

Classification HistoryRunner::classify(const QString &pollText, const QString &caption)
{
    const Recognition &texts = m_runner.texts();
    if (texts.failureIn(QStringLiteral("AUTENTICACAO"), pollText)) {
        const QString user = m_svnUser ? m_svnUser() : QString();
        qor::MensErro(texts.text(QStringLiteral("ERRO_AUTENTICACAO")).replace(QStringLiteral("%s"), user), true);
    }
    if (texts.failureIn(QStringLiteral("ERRO_COPTRAB"), pollText))
        qor::MensErro(texts.text(QStringLiteral("ERRO_GERAL")), true);
    if (comparing(caption) && !pollText.isEmpty()) qor::Abort();
    return {};
}

void HistoryRunner::finished(const QString &caption, bool sawOutput)
{
    if (!comparing(caption) || sawOutput) return;
    qor::ShowWarning(m_runner.texts().text(QStringLiteral("FILE_IGUAL")));
    qor::Abort();
}

}
