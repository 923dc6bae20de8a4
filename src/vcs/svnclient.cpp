#include "vcs/svnclient.h"
#include "vcs/pathmap.h"
#include "vcs/recognition.h"
#include <QXmlStreamReader>

namespace vcs {

namespace {

const QString kNoAuthCache = QStringLiteral("--no-auth-cache");
const QStringList kUpdateOptions = {QStringLiteral("--force"), kNoAuthCache, QStringLiteral("--depth"),
                                    QStringLiteral("infinity"), QStringLiteral("--accept"), QStringLiteral("postpone")};

// A working-copy path gets the escape of a name holding "@"; a URL is taken as written.
QString targetArgument(const QString &target)
{
    return PathMap::isLogical(target) ? CommandLine::escapedPath(target) : target;
}

QStringList subcommand(const QString &name, SvnClient::Order order)
{
    return order == SvnClient::Order::OptionFirst ? QStringList{kNoAuthCache, name} : QStringList{name, kNoAuthCache};
}

QStringList withRevision(QStringList before, const QString &revision)
{
    if (!revision.isEmpty())
        before << QStringLiteral("-r") + revision;
    return before;
}

// Columns two to seven of a status line hold only these.
bool isStatusLine(const QString &line)
{
    static const QString items = QStringLiteral(" ACDIMRX?!~");
    return line.size() > 8 && items.contains(line.at(0)) && line.at(7) == u' ';
}

// The output from the first "<name" on: the client may print lines before the document.
QString fromElement(const QString &output, const QString &name)
{
    const qsizetype start = output.indexOf(u'<' + name);
    return start < 0 ? QString() : output.mid(start);
}

}

SvnClient::SvnClient(std::function<SvnAccount()> account) : m_account(std::move(account)) {}

SvnClient::SvnClient(SvnAccount account) : m_account([account] { return account; }) {}

SvnClient::SvnClient(const QString &user, const QString &password)
    : m_account([&user, &password] { return SvnAccount{user, password}; })
{
}

CommandLine SvnClient::command(const QStringList &before, const QStringList &after) const
{
    const SvnAccount account = m_account();
    CommandLine line = CommandLine::of(QStringLiteral("svn"));
    for (const QString &argument : before)
        line.append(argument);
    line.append(QStringLiteral("--username")).append(account.user);
    line.append(QStringLiteral("--password")).appendMasked(account.password);
    for (const QString &argument : after)
        line.append(argument);
    return line;
}

bool SvnClient::optionTakesValue(const QString &option)
{
    static const QStringList options = {
        QStringLiteral("-m"), QStringLiteral("--message"), QStringLiteral("-F"), QStringLiteral("--file"),
        QStringLiteral("--username"), QStringLiteral("--password"), QStringLiteral("-r"), QStringLiteral("--revision"),
        QStringLiteral("--depth"), QStringLiteral("--set-depth"), QStringLiteral("--encoding"),
        QStringLiteral("--targets"), QStringLiteral("--changelist"), QStringLiteral("--cl"), QStringLiteral("--accept"),
        QStringLiteral("--config-option"), QStringLiteral("--config-dir")};
    return options.contains(option);
}

CommandLine SvnClient::target(const QStringList &before, const QStringList &after, const QString &path) const
{
    return command(before, after).append(targetArgument(path));
}

CommandResult SvnClient::run(const SvnRun &run, const CommandLine &command)
{
    const std::shared_ptr<void> held = run.hold ? run.hold() : nullptr;
    run.runner.Execute(run.caption, command, run.sink, true);
    return run.runner.lastResult();
}

CommandResult SvnClient::revert(const SvnRun &run, const QString &path, Order order) const
{
    return SvnClient::run(run, target(subcommand(QStringLiteral("revert"), order), {}, path));
}

CommandResult SvnClient::revertTree(const SvnRun &run, const QString &path) const
{
    const QStringList before = {QStringLiteral("revert"), QStringLiteral("--depth"), QStringLiteral("infinity"),
                                kNoAuthCache};
    return SvnClient::run(run, target(before, {}, path));
}

CommandResult SvnClient::lock(const SvnRun &run, const QString &path, Order order) const
{
    return SvnClient::run(run, target(subcommand(QStringLiteral("lock"), order), {}, path));
}

CommandResult SvnClient::unlock(const SvnRun &run, const QString &path) const
{
    return SvnClient::run(run, unlockCommand(path));
}

CommandLine SvnClient::unlockCommand(const QString &path) const
{
    return target({QStringLiteral("unlock"), kNoAuthCache}, {}, path);
}

CommandResult SvnClient::breakLock(const SvnRun &run, const QString &url) const
{
    return SvnClient::run(run, target({QStringLiteral("unlock"), QStringLiteral("--force"), kNoAuthCache}, {}, url));
}

CommandResult SvnClient::add(const SvnRun &run, const QString &path, bool depthEmpty) const
{
    const QStringList before = depthEmpty ? QStringList{QStringLiteral("add"), QStringLiteral("--depth"),
                                                        QStringLiteral("empty"), kNoAuthCache}
                                          : QStringList{QStringLiteral("add"), kNoAuthCache};
    return SvnClient::run(run, target(before, {}, path));
}

CommandResult SvnClient::commit(const SvnRun &run, const QString &message, const QString &path) const
{
    return SvnClient::run(run, target({QStringLiteral("commit"), kNoAuthCache, message}, {}, path));
}

CommandResult SvnClient::mkdir(const SvnRun &run, const QString &path) const
{
    return SvnClient::run(run, target({QStringLiteral("mkdir"), kNoAuthCache, QStringLiteral("--parents")}, {}, path));
}

CommandResult SvnClient::update(const SvnRun &run, const QString &path, const QString &revision) const
{
    return SvnClient::run(run, target(withRevision({QStringLiteral("update"), kNoAuthCache}, revision), kUpdateOptions,
                                      path));
}

CommandResult SvnClient::checkout(const SvnRun &run, const QString &url, const QString &path) const
{
    const QStringList before = {QStringLiteral("checkout"), kNoAuthCache, QStringLiteral("--force"),
                                QStringLiteral("--depth"), QStringLiteral("infinity")};
    return SvnClient::run(run, target(before, {url}, path));
}

CommandResult SvnClient::cleanup(const SvnRun &run, const QString &path) const
{
    return SvnClient::run(run, target({QStringLiteral("cleanup"), kNoAuthCache}, {}, path));
}

CommandResult SvnClient::resolve(const SvnRun &run, const QString &path) const
{
    const QStringList before = {QStringLiteral("resolve"), kNoAuthCache, QStringLiteral("-R"),
                                QStringLiteral("--accept"), QStringLiteral("mine-full"),
                                QStringLiteral("--depth"), QStringLiteral("infinity")};
    return SvnClient::run(run, target(before, {}, path));
}

CommandResult SvnClient::resolved(const SvnRun &run, const QString &path) const
{
    return SvnClient::run(run, target({QStringLiteral("resolved"), kNoAuthCache, QStringLiteral("-R")}, {}, path));
}

CommandResult SvnClient::exportTo(const SvnRun &run, const QString &path, const QString &revision,
                                  const QString &destination) const
{
    const QStringList after = {QStringLiteral("--force"), kNoAuthCache, QStringLiteral("--depth"),
                               QStringLiteral("infinity"), targetArgument(path)};
    return SvnClient::run(run, target(withRevision({QStringLiteral("export"), kNoAuthCache}, revision), after,
                                      destination));
}

CommandResult SvnClient::diff(const SvnRun &run, const QString &path, const QString &revisions,
                              const QString &tool) const
{
    CommandLine line = target(withRevision({QStringLiteral("diff"), kNoAuthCache, QStringLiteral("--force")}, revisions),
                              {}, path);
    return SvnClient::run(run, line.append(QStringLiteral("--diff-cmd")).append(tool));
}

CommandResult SvnClient::log(const SvnRun &run, const QString &url) const
{
    return SvnClient::run(run, target({QStringLiteral("log"), kNoAuthCache, QStringLiteral("--xml")}, {}, url));
}

CommandResult SvnClient::version(const SvnRun &run) const
{
    CommandLine line = CommandLine::of(QStringLiteral("svn"));
    return SvnClient::run(run, line.append(QStringLiteral("--version")).append(QStringLiteral("--quiet")));
}

SvnStatus SvnClient::status(const SvnRun &run, const QStringList &paths) const
{
    CommandLine line = command({QStringLiteral("status"), kNoAuthCache});
    for (const QString &path : paths)
        line.append(targetArgument(path));
    return parseStatus(SvnClient::run(run, line).output);
}

SvnStatus SvnClient::changes(const SvnRun &run, const QString &path) const
{
    return parseStatus(SvnClient::run(run, target({QStringLiteral("status"), kNoAuthCache, QStringLiteral("-q")}, {},
                                                  path)).output);
}

SvnXmlStatus SvnClient::statusXml(const SvnRun &run, const QString &path) const
{
    const QStringList before = {QStringLiteral("status"), QStringLiteral("--xml"), kNoAuthCache};
    return parseStatusXml(SvnClient::run(run, target(before, {}, path)).output);
}

SvnXmlStatus SvnClient::statusOf(const SvnRun &run, const QStringList &paths, bool withRepository) const
{
    QStringList before = {QStringLiteral("status"), QStringLiteral("--xml"), QStringLiteral("-v"),
                          QStringLiteral("--depth"), QStringLiteral("empty")};
    if (withRepository)
        before << QStringLiteral("-u");
    before << kNoAuthCache;
    CommandLine line = command(before);
    for (const QString &path : paths)
        line.append(targetArgument(path));
    return parseStatusXml(SvnClient::run(run, line).output);
}

SvnXmlStatus SvnClient::statusTree(const SvnRun &run, const QString &dir) const
{
    const QStringList before = {QStringLiteral("status"), QStringLiteral("--xml"), QStringLiteral("--depth"),
                                QStringLiteral("infinity"), QStringLiteral("--no-ignore"), kNoAuthCache};
    return parseStatusXml(SvnClient::run(run, target(before, {}, dir)).output);
}

SvnInfo SvnClient::info(const SvnRun &run, const QString &location, InfoOrder order) const
{
    const QStringList before = order == InfoOrder::XmlFirst
                                   ? QStringList{QStringLiteral("info"), QStringLiteral("--xml"), kNoAuthCache}
                                   : QStringList{QStringLiteral("info"), kNoAuthCache, QStringLiteral("--xml")};
    const QString output = SvnClient::run(run, target(before, {}, location)).output;
    SvnInfo info = parseInfo(output);
    info.output = output;
    return info;
}

CommandResult SvnClient::infoAt(const SvnRun &run, const QString &path, const QString &revision) const
{
    return SvnClient::run(run, target({QStringLiteral("info"), kNoAuthCache}, {}, path)
                                   .append(QStringLiteral("-r") + revision));
}

QStringList SvnStatus::paths(const QString &items) const
{
    QStringList out;
    for (const SvnStatusLine &line : lines)
        if (items.contains(line.item))
            out << line.path;
    return out;
}

SvnStatus SvnClient::parseStatus(const QString &output)
{
    SvnStatus status;
    for (const QString &line : SplitLines(output)) {
        if (isStatusLine(line)) {
            status.lines << SvnStatusLine{line.at(0), line.at(5), line.mid(8).trimmed()};
        } else if (const QString lower = line.toLower();
                   lower.contains(QStringLiteral("aviso:")) || lower.contains(QStringLiteral("warning:"))) {
            status.warnings << line;
        }
    }
    return status;
}

SvnXmlStatus SvnClient::parseStatusXml(const QString &output)
{
    SvnXmlStatus status;
    QXmlStreamReader xml(fromElement(output, QStringLiteral("status")));
    QString path;
    bool repository = false;   // inside <repos-status>
    while (!xml.atEnd()) {
        xml.readNext();
        if (xml.isStartElement() && xml.name() == u"entry") {
            path = xml.attributes().value(QStringLiteral("path")).toString();
        } else if (xml.isStartElement() && xml.name() == u"wc-status") {
            status.entries << SvnXmlStatusEntry{path, xml.attributes().value(QStringLiteral("item")).toString(), {}, {}, {}};
            repository = false;
        } else if (xml.isStartElement() && xml.name() == u"repos-status") {
            repository = true;
        } else if (xml.isStartElement() && xml.name() == u"token" && !status.entries.isEmpty()) {
            (repository ? status.entries.last().reposLockToken : status.entries.last().lockToken) =
                xml.readElementText().trimmed();
        } else if (xml.isStartElement() && xml.name() == u"owner" && repository && !status.entries.isEmpty()) {
            status.entries.last().reposLockOwner = xml.readElementText().trimmed();
        } else if (xml.isEndElement() && xml.name() == u"status") {
            status.complete = true;
        }
    }
    return status;
}

SvnInfo SvnClient::parseInfo(const QString &output)
{
    SvnInfo info;
    const QString document = fromElement(output, QStringLiteral("info"));
    if (document.isEmpty())
        return info;
    info.answered = true;
    QXmlStreamReader xml(document);
    int entries = 0;
    QStringList at;   // the open elements
    while (!xml.atEnd()) {
        const auto token = xml.readNext();
        if (token == QXmlStreamReader::EndElement && !at.isEmpty())
            at.removeLast();
        if (token != QXmlStreamReader::StartElement)
            continue;
        at << xml.name().toString();
        if (at == QStringList{"info", "entry"} && ++entries > 1)
            break;
        if (entries != 1)
            continue;
        if (at == QStringList{"info", "entry", "url"})
            info.url = xml.readElementText().trimmed(), at.removeLast();
        else if (at == QStringList{"info", "entry", "repository", "root"})
            info.root = xml.readElementText().trimmed(), at.removeLast();
        else if (at == QStringList{"info", "entry", "lock", "owner"})
            info.lockOwner = xml.readElementText().trimmed(), at.removeLast();
        else if (at == QStringList{"info", "entry", "lock", "token"})
            info.lockToken = xml.readElementText().trimmed(), at.removeLast();
        else if (at == QStringList{"info", "entry", "wc-info", "schedule"})
            info.schedule = xml.readElementText().trimmed(), at.removeLast();
        else if (at == QStringList{"info", "entry", "commit"})
            info.revision = xml.attributes().value(QStringLiteral("revision")).toString();
    }
    return info;
}

}
