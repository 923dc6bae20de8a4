#include "vcs/runner.h"
#include "vcs/commandline.h"
#include "host/abort.h"
#include "host/services.h"
#include <QCoreApplication>
#include <QFileInfo>
#include <QGuiApplication>
#include <QProcess>
#include <QStandardPaths>
#include <QStringDecoder>

namespace vcs {

QProcessEnvironment WithUtf8Characters(QProcessEnvironment environment)
{
    const auto utf8 = [](const QString &locale) {
        return locale.contains(QLatin1String("utf-8"), Qt::CaseInsensitive)
               || locale.contains(QLatin1String("utf8"), Qt::CaseInsensitive);
    };
    QString ctype = environment.value(QStringLiteral("LC_ALL"));
    if (ctype.isEmpty())
        ctype = environment.value(QStringLiteral("LC_CTYPE"));
    if (ctype.isEmpty())
        ctype = environment.value(QStringLiteral("LANG"));
    if (utf8(ctype))
        return environment;
    const QString all = environment.value(QStringLiteral("LC_ALL"));
    if (!all.isEmpty()) {
        // LC_ALL would win over the character type: its language goes to LANG.
        environment.remove(QStringLiteral("LC_ALL"));
        environment.insert(QStringLiteral("LANG"), all);
        environment.insert(QStringLiteral("LC_MESSAGES"), all);
    }
    environment.insert(QStringLiteral("LC_CTYPE"), QStringLiteral("C.UTF-8"));
    return environment;
}

namespace {

constexpr int kChunk = 2000;
constexpr int kStartTimeoutMs = 30000;

const QString kResultado = QStringLiteral("Resultado :");
const QString kSubversionStartFailure = QStringLiteral(
    "ERRO AO EXECUTAR PROCESSO NO SUBVERSION, VERIFIQUE SE O SUBVERSION FOI INSTALADO CORRETAMENTE");

void show(const LineSink &sink, const QStringList &lines)
{
    if (sink && !lines.isEmpty()) sink(lines);
}

// Holds the server connection use for the length of a command.
class ConnectionUse {
public:
    ConnectionUse(RunnerHost &host, bool take) : m_host(host), m_taken(take) { if (m_taken) m_host.acquireConnection(); }
    ~ConnectionUse() { if (m_taken) m_host.releaseConnection(); }
    ConnectionUse(const ConnectionUse &) = delete;
    ConnectionUse &operator=(const ConnectionUse &) = delete;
private:
    RunnerHost &m_host;
    bool m_taken;
};

// Owns the child. The runner never stops a child: one still running when the
// operation ends by a failure (or a comparison tool left open) is let go and
// released when it ends.
class ChildOwner {
public:
    ChildOwner() : m_process(new QProcess) {}
    ~ChildOwner()
    {
        if (m_process->state() == QProcess::NotRunning) { delete m_process; return; }
        QObject::connect(m_process, &QProcess::finished, m_process, &QObject::deleteLater);
    }
    ChildOwner(const ChildOwner &) = delete;
    ChildOwner &operator=(const ChildOwner &) = delete;
    QProcess &operator*() const { return *m_process; }
private:
    QProcess *m_process;
};

QString findProgram(const QString &program, const PathMap &paths)
{
    if (PathMap::isLogical(program) || program.contains(u'/')) {
        const QFileInfo info(paths.toHost(program));
        return info.isFile() && info.isExecutable() ? info.absoluteFilePath() : QString();
    }
    QString found = QStandardPaths::findExecutable(program);
    if (found.isEmpty() && program.endsWith(QStringLiteral(".exe"), Qt::CaseInsensitive))
        found = QStandardPaths::findExecutable(program.chopped(4));
    return found;
}

// Splits an incomplete last line off text while the child still writes, so
// that a line (and a path in it) is never cut between two polls. A trailing
// CR waits for the LF that may follow it.
QString takeIncompleteLine(QString &text)
{
    int cut = text.size();
    if (text.endsWith(u'\r'))
        cut = text.lastIndexOf(u'\n') + 1;
    else if (!text.endsWith(u'\n'))
        cut = std::max(text.lastIndexOf(u'\n'), text.lastIndexOf(u'\r')) + 1;
    const QString rest = text.mid(cut);
    text.truncate(cut);
    return rest;
}

void restoreCursor()
{
    if (!qobject_cast<QGuiApplication *>(QCoreApplication::instance())) return;
    while (QGuiApplication::overrideCursor()) QGuiApplication::restoreOverrideCursor();
}

}

RunnerPoints RunnerPoints::mainWindow()
{
    return RunnerPoints{};
}

RunnerPoints RunnerPoints::checkinSelection()
{
    RunnerPoints points;
    points.framing = Framing::None;
    points.waitMs = 100;
    points.capture = Capture::None;
    points.holdsConnection = false;
    points.falseOnFatalOrError = true;
    points.startFailure = StartFailure::ErrorCreatingLine;
    return points;
}

RunnerPoints RunnerPoints::logViewer()
{
    RunnerPoints points;
    points.framing = Framing::PerPoll;
    points.unframedCommand = QStringLiteral("svn log --no-auth-cache --xml");
    points.waitMs = 100;
    points.capture = Capture::EveryPoll;
    points.holdsConnection = false;
    points.startFailure = StartFailure::ErrorMessage;
    return points;
}

ConsoleRunner::ConsoleRunner(RunnerPoints points, RunnerHost &host, const Recognition &texts, PathMap paths)
    : m_points(std::move(points)), m_host(host), m_texts(texts), m_paths(std::move(paths))
{
}

QString ConsoleRunner::separator()
{
    return QString(239, u'=');
}

bool ConsoleRunner::Execute(const QString &caption, const QString &commandLine, const LineSink &sink, bool capture)
{
    return Execute(caption, CommandLine(commandLine), sink, capture);
}

bool ConsoleRunner::Execute(const QString &caption, const CommandLine &command, const LineSink &sink, bool capture)
{
    if (m_depth == 0 && m_results.size() >= kKeptResults) {
        m_results.remove(0, m_results.size() - kKeptResults + 1);
        m_last = -1;
    }
    CommandResult result;
    result.caption = caption;
    result.shownCommand = command.shown();
    m_results.append(result);
    const qsizetype index = m_results.size() - 1;
    ++m_depth;
    try {
        const bool started = run(caption, command, sink, capture, index);
        --m_depth;
        m_last = index;
        return started;
    } catch (...) {
        --m_depth;
        m_host.restoreAfterFailure();
        restoreCursor();
        throw;
    }
}

bool ConsoleRunner::capturesRaw(const QString &caption) const
{
    if (m_points.capture != RunnerPoints::Capture::MainCaptions) return false;
    return caption.contains(m_texts.text(QStringLiteral("GRAVA_RELEASE")))
           || caption.contains(m_texts.text(QStringLiteral("EXEC_SVN_INFO")));
}

bool ConsoleRunner::showsBlocks(const QString &shown) const
{
    return m_points.unframedCommand.isEmpty() || !shown.contains(m_points.unframedCommand);
}

// Why a command must not run: its own check, or a logical path that leaves its drive.
QString ConsoleRunner::refusal(const CommandLine &command) const
{
    if (!command.error().isEmpty()) return command.error();
    for (const QString &argument : command.arguments()) {
        if (PathMap::leavesDrive(argument)) return LayerTexts().Msg(QStringLiteral("CAMINHO_FORA_UNIDADE")).arg(argument);
    }
    return {};
}

bool ConsoleRunner::run(const QString &caption, const CommandLine &command, const LineSink &sink, bool capture,
                        qsizetype index)
{
    const QString shown = command.shown();
    const bool blocks = showsBlocks(shown);
    if (m_points.framing == RunnerPoints::Framing::OncePerCommand && blocks)
        show(sink, {separator(), caption});

    if (const QString why = refusal(command); !why.isEmpty()) qor::MensErro(why, true);
    const QString program = findProgram(command.program(), m_paths);
    if (program.isEmpty()) return startFailed(shown, sink);
    QStringList arguments;
    for (const QString &argument : command.arguments()) arguments << m_paths.mapArgument(argument);

    if (m_log) m_log(shown);
    ChildOwner child;
    QProcess &process = *child;
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.setProcessEnvironment(
        WithUtf8Characters(m_hasEnvironment ? m_environment : QProcessEnvironment::systemEnvironment()));
    process.start(program, arguments, QIODevice::ReadWrite);
    if (!process.waitForStarted(kStartTimeoutMs)) return startFailed(shown, sink);
    m_results[index].started = true;
    if (command.hasPassword()) process.write(command.password().toUtf8() + '\n');
    process.closeWriteChannel();

    const bool takesUse = m_points.holdsConnection
                          && !caption.contains(m_texts.text(QStringLiteral("EXEC_SVN_INFO")));
    ConnectionUse use(m_host, takesUse);

    QStringList *captured = m_host.captureList();
    if (captured && capture && capturesRaw(caption)) captured->clear();

    QStringDecoder decoder(QStringDecoder::System);
    QString pending;
    bool result = true;
    bool sawOutput = false;
    bool ended = false;
    while (!ended) {
        ended = process.waitForFinished(m_points.waitMs) || process.state() == QProcess::NotRunning;
        if (QCoreApplication::instance()) QCoreApplication::processEvents();
        if (!sink || !capture) { process.readAll(); continue; }
        QByteArray bytes;
        while (process.bytesAvailable() > 0) bytes += process.read(kChunk);
        QString text = pending + decoder.decode(bytes);
        pending = ended ? QString() : takeIncompleteLine(text);
        if (text.isEmpty()) continue;
        sawOutput = true;
        if (!takePoll(caption, m_paths.mapOutput(text), sink, blocks, index)) result = false;
    }
    m_results[index].exitCode = process.exitCode();
    m_results[index].crashed = process.exitStatus() == QProcess::CrashExit;
    const Classification end = m_host.classifyEnd(m_results[index]);
    if (end.failed()) {
        if (m_points.falseOnFatalOrError) result = false;
        decide(end, index);
    }
    m_host.finished(caption, sawOutput);
    return result;
}

void ConsoleRunner::decide(const Classification &classification, qsizetype index)
{
    if (!classification.failed()) return;
    if (!m_results[index].classification.failed()) m_results[index].classification = classification;
    m_host.react(classification);
}

bool ConsoleRunner::takePoll(const QString &caption, const QString &text, const LineSink &sink, bool blocks,
                             qsizetype index)
{
    m_results[index].output += text;
    QStringList *captured = m_host.captureList();
    QString pollText = text;
    if (capturesRaw(caption)) {
        if (captured) captured->append(text);
        pollText.clear();
    } else if (m_points.capture == RunnerPoints::Capture::EveryPoll && captured) {
        captured->append(text);
    }

    const QStringList lines = SplitLines(pollText);
    switch (m_points.framing) {
    case RunnerPoints::Framing::OncePerCommand:
        if (blocks) show(sink, QStringList{kResultado} + lines);
        break;
    case RunnerPoints::Framing::PerPoll:
        if (blocks) show(sink, QStringList{separator(), caption, kResultado} + lines);
        break;
    case RunnerPoints::Framing::None:
        show(sink, lines);
        break;
    }

    const bool failed = m_points.falseOnFatalOrError
                        && (pollText.contains(QStringLiteral("Fatal")) || pollText.contains(QStringLiteral("Error")));
    decide(m_host.classify(pollText, caption), index);
    return !failed;
}

bool ConsoleRunner::startFailed(const QString &shown, const LineSink &sink)
{
    switch (m_points.startFailure) {
    case RunnerPoints::StartFailure::SubversionLinesAndAbort:
        if (!sink) return false;
        show(sink, {shown.toUpper().contains(QStringLiteral("SVN"))
                        ? kSubversionStartFailure
                        : QStringLiteral("Erro ao executar comando ") + shown});
        qor::Abort();
    case RunnerPoints::StartFailure::ErrorCreatingLine:
        show(sink, {QStringLiteral("Error creating process ") + shown});
        return false;
    case RunnerPoints::StartFailure::ErrorMessage:
        qor::MensErro(m_texts.text(QStringLiteral("ERRO_EXECUTAR")), true);
    }
    return false;
}

}
