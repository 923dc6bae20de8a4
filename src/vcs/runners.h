#pragma once
// The three runners of the module, as their windows own them.
//
// Main window wiring, in its activity layer (src/module/activitylayer), which
// builds the runner when first asked and again on the window's first activation:
//
//     m_executor = std::make_unique<vcs::MainRunner>(servidor, [this] { enableConfirm(); }, *stlSaidaSvn);
//     m_classificador = std::make_unique<vcs::Classifier>(*this);   // the layer is the ClassifierContext
//     m_classificador->setLedger(&m_fluxo->ledger());               // what a refused lock undoes
//     m_executor->setClassifier(m_classificador.get(), progress);
//
//   The outermost run of the workflow context names the activity in the
//   ledger before its commands; m_executor->runner().results() keeps what each
//   command did. Callers of the captured commands read capturedText().
//
// Check-in selection (TfrmSelCheckin):   vcs::CheckinRunner m_runner;  m_runner.Execute(command, sink, true)
// Log viewer (TfrmShowHistory):          vcs::HistoryRunner m_runner(stlSaida, [this] { return svnUser(); });
//                                        m_runner.Execute(caption, command, sink, true)
#include "vcs/classifier.h"
#include "vcs/runner.h"
#include <functional>
#include <memory>

namespace server { class RemoteServer; }

namespace vcs {

// TfrmZEL.Execute: holds a server connection use while a command runs (not for
// the "EXECUTANDO SVN INFO" runs), captures the output of the info and release
// runs into stlSaidaSvn, and classifies every poll.
class MainRunner : private RunnerHost {
public:
    // enableConfirm: after a failure that ends the operation (btnConfirmaSubVersion).
    MainRunner(server::RemoteServer &server, std::function<void()> enableConfirm, QStringList &stlSaidaSvn,
               PathMap paths = {});

    // The classifier of the polls; its unlock commands run through this runner into progress.
    void setClassifier(Classifier *classifier, LineSink progress);

    bool Execute(const QString &caption, const QString &commandLine, const LineSink &sink, bool capture);
    bool Execute(const QString &caption, const CommandLine &command, const LineSink &sink, bool capture);

    // All output of the last captured command (every poll, in order).
    QString capturedText() const { return m_captured.join(QString()); }
    ConsoleRunner &runner() { return m_runner; }

private:
    void acquireConnection() override;
    void releaseConnection() override;
    void restoreAfterFailure() override;
    Classification classify(const QString &pollText, const QString &caption) override;
    Classification classifyEnd(const CommandResult &result) override;
    void react(const Classification &failure) override;
    QStringList *captureList() override { return &m_captured; }

    server::RemoteServer &m_server;
    std::function<void()> m_enableConfirm;
    QStringList &m_captured;
    Classifier *m_classifier = nullptr;
    ConsoleRunner m_runner;
};

// TfrmSelCheckin.Execute: no caption, the output lines alone, 100 ms polls;
// False also when a poll names "Fatal" or "Error", or the client failed with an
// error line no rule lists.
class CheckinRunner : private RunnerHost {
public:
    explicit CheckinRunner(PathMap paths = {});
    bool Execute(const QString &commandLine, const LineSink &sink, bool capture);
    ConsoleRunner &runner() { return m_runner; }

private:
    Classification classifyEnd(const CommandResult &result) override;
    ConsoleRunner m_runner;
};

// TfrmShowHistory.Execute: every poll's output also goes to the viewer's
// stlSaida; the XML log is not shown; authentication failures and files out of
// version control end the operation with the viewer's messages; a comparison
// ends at its first output, or with "FILE_IGUAL" when it printed nothing.
class HistoryRunner : private RunnerHost {
public:
    HistoryRunner(QStringList &stlSaida, std::function<QString()> svnUser, PathMap paths = {});
    bool Execute(const QString &caption, const QString &commandLine, const LineSink &sink, bool capture);
    ConsoleRunner &runner() { return m_runner; }

private:
    Classification classify(const QString &pollText, const QString &caption) override;
    void finished(const QString &caption, bool sawOutput) override;
    QStringList *captureList() override { return &m_output; }
    bool comparing(const QString &caption) const;

    QStringList &m_output;
    std::function<QString()> m_svnUser;
    ConsoleRunner m_runner;
};

}
