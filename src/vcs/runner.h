#pragma once
#include "vcs/pathmap.h"
#include "vcs/recognition.h"
#include <QProcessEnvironment>
#include <QString>
#include <QStringList>

class QListWidget;

namespace vcs {

// The points in which the three runners of the module differ.
struct RunnerPoints {
    enum class StartFailure { SubversionLinesAndAbort, ErrorCreatingLine, ErrorMessage };
    enum class Capture { MainCaptions, EveryPoll, None };
    // Separator and caption once per command, then "Resultado :" per poll; the
    // whole block per poll; or the output lines alone.
    enum class Framing { OncePerCommand, PerPoll, None };

    Framing framing = Framing::OncePerCommand;
    QString unframedCommand;            // no block at all for command lines containing this
    int waitMs = 1000;
    Capture capture = Capture::MainCaptions;
    bool holdsConnection = true;
    bool falseOnFatalOrError = false;
    StartFailure startFailure = StartFailure::SubversionLinesAndAbort;

    static RunnerPoints mainWindow();
    static RunnerPoints checkinSelection();
    static RunnerPoints logViewer();
};

// What a runner needs from the window that owns it.
class RunnerHost {
public:
    virtual ~RunnerHost() = default;
    virtual void acquireConnection() {}
    virtual void releaseConnection() {}
    // After any failure that ends the operation: the confirm button is enabled again.
    virtual void restoreAfterFailure() {}
    // The text of one poll (paths already logical); may end the operation.
    virtual void classify(const QString &pollText, const QString &caption) { Q_UNUSED(pollText); Q_UNUSED(caption); }
    // After the child ended; sawOutput tells whether any poll read output.
    virtual void finished(const QString &caption, bool sawOutput) { Q_UNUSED(caption); Q_UNUSED(sawOutput); }
    // The list that receives raw output (stlSaidaSvn, the viewer's stlSaida), or null.
    virtual QStringList *captureList() { return nullptr; }
};

// Runs one command line as a hidden child with one merged output channel and
// frames its output into a list, poll by poll. The password of the command line
// goes to the child's standard input, which is closed afterwards, so a question
// of the client never waits for an answer. Logical paths among the arguments are
// mapped to host paths, and host paths in the output back to logical ones.
class ConsoleRunner {
public:
    ConsoleRunner(RunnerPoints points, RunnerHost &host, const Recognition &texts, PathMap paths = {});
    virtual ~ConsoleRunner() = default;

    bool Execute(const QString &caption, const QString &commandLine, QListWidget *list, bool capture);

    // The child's environment (the module's own when not set).
    void setEnvironment(const QProcessEnvironment &environment) { m_environment = environment; m_hasEnvironment = true; }
    const PathMap &paths() const { return m_paths; }
    PathMap &paths() { return m_paths; }
    const Recognition &texts() const { return m_texts; }

    static QString separator();   // 239 "="

private:
    bool capturesRaw(const QString &caption) const;
    bool showsBlocks(const QString &commandLine) const;
    bool run(const QString &caption, const QString &commandLine, QListWidget *list, bool capture);
    bool startFailed(const QString &commandLine, QListWidget *list);
    bool takePoll(const QString &caption, const QString &text, QListWidget *list, bool blocks);

    RunnerPoints m_points;
    RunnerHost &m_host;
    const Recognition &m_texts;
    PathMap m_paths;
    QProcessEnvironment m_environment;
    bool m_hasEnvironment = false;
};

// Appends lines to a list and selects the last one.
void AppendLines(QListWidget *list, const QStringList &lines);

}
