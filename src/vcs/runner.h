#pragma once
#include "vcs/classification.h"
#include "vcs/commandline.h"
#include "vcs/pathmap.h"
#include "vcs/recognition.h"
#include <QList>
#include <QProcessEnvironment>
#include <QString>
#include <QStringList>
#include <functional>

namespace vcs {

// Receives the lines a runner shows (the window appends them to its list and
// selects the last one). An empty sink stands for "no list given".
using LineSink = std::function<void(const QStringList &lines)>;
// Receives each command line, masked, before its child starts.
using CommandLog = std::function<void(const QString &shownCommand)>;

// What became of one command.
// The client reads its arguments in the character set of its locale and the
// runner hands them over in UTF-8: the child gets a UTF-8 character type
// whatever the language of its messages ("LANG=C" stays English).
QProcessEnvironment WithUtf8Characters(QProcessEnvironment environment);

struct CommandResult {
    QString caption;
    QString shownCommand;         // masked
    bool started = false;
    int exitCode = -1;
    bool crashed = false;
    QString output;               // every poll's text, paths logical
    Classification classification;
};

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
    // What the text of one poll (paths already logical) says, decided alone.
    virtual Classification classify(const QString &pollText, const QString &caption)
    {
        Q_UNUSED(pollText); Q_UNUSED(caption);
        return {};
    }
    // What the ended command says, from its exit code and whole output.
    virtual Classification classifyEnd(const CommandResult &result) { Q_UNUSED(result); return {}; }
    // Acts on a failure (unlocks, the server, the message); may end the operation.
    virtual void react(const Classification &failure) { Q_UNUSED(failure); }
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

    bool Execute(const QString &caption, const QString &commandLine, const LineSink &sink, bool capture);
    // A command whose error() is set is refused with that message, never run.
    bool Execute(const QString &caption, const CommandLine &command, const LineSink &sink, bool capture);

    // The child's environment (the module's own when not set).
    void setEnvironment(const QProcessEnvironment &environment) { m_environment = environment; m_hasEnvironment = true; }
    // The environment set, or null for the module's own.
    const QProcessEnvironment *environment() const { return m_hasEnvironment ? &m_environment : nullptr; }
    void setCommandLog(CommandLog log) { m_log = std::move(log); }
    // The wait of one poll; the window's default is the point's (1000 ms).
    void setPollInterval(int ms) { m_points.waitMs = ms; }
    int pollInterval() const { return m_points.waitMs; }
    const PathMap &paths() const { return m_paths; }
    PathMap &paths() { return m_paths; }
    const Recognition &texts() const { return m_texts; }

    // Every command run since the last clearResults(), in the order started
    // (nested commands after the one they interrupted); the oldest beyond
    // kKeptResults go when a new outer command starts.
    const QList<CommandResult> &results() const { return m_results; }
    void clearResults() { m_results.clear(); m_last = -1; }
    // The record of the command whose Execute returned last (not one nested in
    // it); empty before any.
    CommandResult lastResult() const { return m_results.value(m_last); }

    static QString separator();   // 239 "="
    static constexpr qsizetype kKeptResults = 200;

private:
    bool capturesRaw(const QString &caption) const;
    bool showsBlocks(const QString &shown) const;
    bool run(const QString &caption, const CommandLine &command, const LineSink &sink, bool capture, qsizetype index);
    QString refusal(const CommandLine &command) const;
    bool startFailed(const QString &shown, const LineSink &sink);
    bool takePoll(const QString &caption, const QString &text, const LineSink &sink, bool blocks, qsizetype index);
    void decide(const Classification &classification, qsizetype index);

    RunnerPoints m_points;
    RunnerHost &m_host;
    const Recognition &m_texts;
    PathMap m_paths;
    QProcessEnvironment m_environment;
    bool m_hasEnvironment = false;
    CommandLog m_log;
    QList<CommandResult> m_results;
    int m_depth = 0;              // commands running, the nested unlocks included
    qsizetype m_last = -1;
};

}
