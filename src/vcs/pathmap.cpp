#include "vcs/pathmap.h"
#include "vcs/commandline.h"
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSettings>
#include <algorithm>

namespace vcs {

namespace {

QString envValue(const char *name)
{
    return QString::fromLocal8Bit(qgetenv(name));
}

QString cleanRoot(QString root)
{
    root = QDir::cleanPath(root);
    while (root.size() > 1 && root.endsWith(u'/')) root.chop(1);
    return root;
}

// The name in dir that equals name without regard to case, or name itself.
QString matchComponent(const QString &dir, const QString &name)
{
    if (name.isEmpty() || QFileInfo::exists(dir + u'/' + name)) return name;
    const QStringList entries = QDir(dir).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
    for (const QString &entry : entries) {
        if (entry.compare(name, Qt::CaseInsensitive) == 0) return entry;
    }
    return name;
}

QStringList components(const QString &logical)
{
    static const QRegularExpression separators(QStringLiteral("[\\\\/]+"));
    return logical.mid(2).split(separators, Qt::SkipEmptyParts);
}

bool isPathChar(QChar c)
{
    return !(c.isSpace() || c == u'\'' || c == u'"' || c == u'<' || c == u'>' || c == u'`');
}

}

PathMap::PathMap() = default;

void PathMap::setRoot(QChar drive, const QString &hostRoot)
{
    m_roots.insert(drive.toLower(), cleanRoot(hostRoot));
    m_knownValid = false;
}

QString PathMap::defaultRoot(QChar drive) const
{
    const QChar letter = drive.toLower();
    const QString envName = QStringLiteral("APR_DRIVE_") + letter.toUpper();
    QString root = envValue(envName.toLatin1().constData());
    if (root.isEmpty()) root = QSettings().value(QStringLiteral("drives/") + letter).toString();
    if (root.isEmpty()) {
        QString home = envValue("APR_HOME");
        if (home.isEmpty()) home = QDir::homePath() + QStringLiteral("/.apr");
        root = home + QStringLiteral("/drives/") + letter;
    }
    return cleanRoot(root);
}

QString PathMap::root(QChar drive) const
{
    const auto found = m_roots.constFind(drive.toLower());
    return found != m_roots.constEnd() ? *found : defaultRoot(drive);
}

bool PathMap::isLogical(const QString &text)
{
    if (text.size() < 2 || !text[0].isLetter() || text[0].unicode() > 127 || text[1] != u':') return false;
    return text.size() == 2 || text[2] == u'\\' || text[2] == u'/';
}

bool PathMap::leavesDrive(const QString &logical)
{
    if (!isLogical(logical)) return false;
    int depth = 0;
    for (const QString &part : components(logical)) {
        if (part == QStringLiteral("..")) {
            if (--depth < 0) return true;
        } else if (part != u'.') {
            ++depth;
        }
    }
    return false;
}

QString PathMap::toHost(const QString &logical) const
{
    if (!isLogical(logical)) return logical;
    if (leavesDrive(logical)) return {};
    QString current = root(logical[0]);
    const QStringList parts = components(logical);
    bool onDisk = true;
    for (const QString &part : parts) {
        if (part == u'.') continue;
        if (part == QStringLiteral("..")) { current = QFileInfo(current).path(); continue; }
        const QString name = onDisk ? matchComponent(current, part) : part;
        current += u'/' + name;
        onDisk = onDisk && QFileInfo::exists(current);
    }
    const bool trailingSeparator = logical.size() > 2 && (logical.endsWith(u'\\') || logical.endsWith(u'/'));
    return trailingSeparator && !parts.isEmpty() ? current + u'/' : current;
}

QStringList PathMap::knownRoots(QList<QChar> &drives) const
{
    // Every root configured or present on disk; the longest first, so that
    // nested roots map to the nearest drive.
    if (!m_knownValid) {
        m_knownRoots.clear();
        m_knownDrives.clear();
        for (char letter = 'a'; letter <= 'z'; ++letter) {
            m_knownRoots << root(QChar(letter));
            m_knownDrives << QChar(letter);
        }
        m_knownValid = true;
    }
    QList<QPair<QString, QChar>> roots;
    for (int i = 0; i < m_knownRoots.size(); ++i) {
        const QString &configured = m_knownRoots[i];
        const QChar drive = m_knownDrives[i];
        const QFileInfo info(configured);
        if (!m_roots.contains(drive) && !info.exists()) continue;
        roots.append({configured, drive});
        const QString canonical = info.canonicalFilePath();
        if (!canonical.isEmpty() && canonical != configured) roots.append({canonical, drive});
    }
    std::sort(roots.begin(), roots.end(), [](const auto &a, const auto &b) { return a.first.size() > b.first.size(); });
    QStringList result;
    drives.clear();
    for (const auto &entry : roots) { result << entry.first; drives << entry.second; }
    return result;
}

QString PathMap::toLogical(const QString &hostPath) const
{
    QList<QChar> drives;
    const QStringList roots = knownRoots(drives);
    for (int i = 0; i < roots.size(); ++i) {
        const QString &r = roots[i];
        if (hostPath == r || hostPath.startsWith(r + u'/')) {
            QString rest = hostPath.mid(r.size());
            rest.replace(u'/', u'\\');
            return QString(drives[i]) + u':' + (rest.isEmpty() ? QStringLiteral("\\") : rest);
        }
    }
    return hostPath;
}

QString PathMap::mapArgument(const QString &argument) const
{
    if (!isLogical(argument)) return argument;
    const int at = argument.lastIndexOf(u'@');
    if (at < 2) return toHost(argument);
    const QString suffix = argument.mid(at + 1);
    // "@REV" and the bare "@" escape are kept; a name that merely holds "@"
    // ("logo@2x.png") gets the escape, or the client reads "2x.png" as a peg.
    if (suffix.isEmpty() || CommandLine::isPegRevision(suffix)) return toHost(argument.left(at)) + argument.mid(at);
    return toHost(argument) + u'@';
}

QString PathMap::mapOutput(const QString &output) const
{
    QList<QChar> drives;
    const QStringList roots = knownRoots(drives);
    QString text = output;
    for (int i = 0; i < roots.size(); ++i) {
        const QString &r = roots[i];
        int found = text.indexOf(r);
        if (found < 0) continue;
        const QString logicalRoot = QString(drives[i]) + u':';
        QString result;
        result.reserve(text.size());
        int copied = 0;
        for (; found >= 0; found = text.indexOf(r, found)) {
            const int after = found + r.size();
            const bool startsPath = found == 0 || !isPathChar(text[found - 1]);
            const bool endsRoot = after == text.size() || text[after] == u'/' || !isPathChar(text[after]);
            if (!startsPath || !endsRoot) { found = after; continue; }
            int end = after;
            while (end < text.size() && isPathChar(text[end])) ++end;
            QString rest = text.mid(after, end - after);
            rest.replace(u'/', u'\\');
            result += QStringView(text).mid(copied, found - copied);
            result += logicalRoot;
            result += rest.isEmpty() ? QStringLiteral("\\") : rest;
            copied = end;
            found = end;
        }
        result += QStringView(text).mid(copied);
        text = result;
    }
    return text;
}

// ---- LogicalFs -------------------------------------------------------------------

bool LogicalFs::exists(const QString &path) const
{
    return QFileInfo::exists(m_paths.toHost(path));
}

bool LogicalFs::isDirectory(const QString &path) const
{
    return QFileInfo(m_paths.toHost(path)).isDir();
}

QList<LogicalFs::Entry> LogicalFs::list(const QString &directory, const QString &masks, int filter) const
{
    QStringList patterns;
    for (const QString &mask : masks.split(u';', Qt::SkipEmptyParts)) {
        const QString m = mask.trimmed();
        if (!m.isEmpty() && m != QStringLiteral("*.*")) patterns << m;
    }
    QDir::Filters filters = QDir::NoDotAndDotDot | QDir::System;
    if (filter & Files) filters |= QDir::Files;
    if (filter & Directories) filters |= QDir::Dirs;
    if (filter & Hidden) filters |= QDir::Hidden;
    QDir dir(m_paths.toHost(directory));
    dir.setNameFilters(patterns);
    dir.setFilter(filters);
    dir.setSorting(QDir::Name | QDir::IgnoreCase);
    QString base = directory;
    while (base.endsWith(u'\\') || base.endsWith(u'/')) base.chop(1);
    QList<Entry> entries;
    const QFileInfoList infos = dir.entryInfoList();
    for (const QFileInfo &info : infos) {
        Entry entry;
        entry.name = info.fileName();
        entry.path = base + u'\\' + entry.name;
        entry.directory = info.isDir();
        entry.readOnly = !info.isWritable() || !(info.permissions() & QFileDevice::WriteOwner);
        entry.hidden = info.isHidden();
        entries << entry;
    }
    return entries;
}

bool LogicalFs::copy(const QString &from, const QString &to, bool overwrite) const
{
    const QString source = m_paths.toHost(from);
    const QString target = m_paths.toHost(to);
    if (!QFileInfo(source).isFile()) return false;
    if (QFileInfo::exists(target)) {
        if (!overwrite) return false;
        QFile::setPermissions(target, QFile::permissions(target) | QFileDevice::WriteOwner);
        if (!QFile::remove(target)) return false;
    }
    return QFile::copy(source, target);
}

bool LogicalFs::move(const QString &from, const QString &to) const
{
    return QDir().rename(m_paths.toHost(from), m_paths.toHost(to));
}

bool LogicalFs::isReadOnly(const QString &path) const
{
    const QFileInfo info(m_paths.toHost(path));
    return info.exists() && !(info.permissions() & QFileDevice::WriteOwner);
}

bool LogicalFs::setReadOnly(const QString &path, bool readOnly) const
{
    const QString host = m_paths.toHost(path);
    if (!QFileInfo::exists(host)) return false;
    QFileDevice::Permissions permissions = QFile::permissions(host);
    const QFileDevice::Permissions write = QFileDevice::WriteOwner | QFileDevice::WriteUser;
    permissions = readOnly ? permissions & ~(write | QFileDevice::WriteGroup | QFileDevice::WriteOther)
                           : permissions | write;
    return QFile::setPermissions(host, permissions);
}

bool LogicalFs::remove(const QString &path) const
{
    const QString host = m_paths.toHost(path);
    return QFileInfo(host).isFile() && QFile::remove(host);
}

bool LogicalFs::makeDirectory(const QString &path, bool withParents) const
{
    const QString host = m_paths.toHost(path);
    if (QFileInfo(host).isDir()) return true;
    return withParents ? QDir().mkpath(host) : QDir().mkdir(host);
}

bool LogicalFs::removeDirectory(const QString &path, bool recursive) const
{
    const QString host = m_paths.toHost(path);
    if (!QFileInfo(host).isDir()) return false;
    return recursive ? QDir(host).removeRecursively() : QDir().rmdir(host);
}

}
