#pragma once
#include <QChar>
#include <QHash>
#include <QString>
#include <QStringList>

namespace vcs {

// Logical Windows paths ("c:\sistemas\prod\a.pas") and the host paths behind
// them. Each drive letter stands for a root directory: the environment value
// APR_DRIVE_<LETTER>, else the settings value "drives/<letter>", else
// $APR_HOME/drives/<letter> (APR_HOME defaults to $HOME/.apr). A component
// whose exact name is absent on disk is matched without regard to case.
class PathMap {
public:
    PathMap();                                            // roots from environment and settings
    void setRoot(QChar drive, const QString &hostRoot);  // overrides for one drive
    QString root(QChar drive) const;

    static bool isLogical(const QString &text);           // "c:", "c:\..." or "c:/..."
    // Non-logical texts are returned unchanged; a path whose ".." climbs above
    // its drive's root maps to an empty text, so no operation reaches outside.
    QString toHost(const QString &logical) const;
    static bool leavesDrive(const QString &logical);
    // A host path under one of the roots as "c:\..."; other texts unchanged.
    QString toLogical(const QString &hostPath) const;

    // A command-line argument: a logical path (with an optional "@REV" peg) is
    // mapped, anything else is kept. A mapped name holding "@" leaves with the
    // trailing "@" escape.
    QString mapArgument(const QString &argument) const;
    // Output of the client: every host path under a root becomes logical
    // (plain lines, quoted names, and the values and attributes of --xml output).
    QString mapOutput(const QString &output) const;

private:
    QString defaultRoot(QChar drive) const;
    QStringList knownRoots(QList<QChar> &drives) const;

    QHash<QChar, QString> m_roots;
    mutable QStringList m_knownRoots;       // cache of knownRoots(), reset by setRoot
    mutable QList<QChar> m_knownDrives;
    mutable bool m_knownValid = false;
};

// File-system helpers on logical paths.
class LogicalFs {
public:
    struct Entry {
        QString name;
        QString path;        // logical
        bool directory = false;
        bool readOnly = false;
        bool hidden = false;
    };
    enum Filter { Files = 1, Directories = 2, Hidden = 4, All = Files | Directories | Hidden };

    explicit LogicalFs(const PathMap &paths) : m_paths(paths) {}

    bool exists(const QString &path) const;
    bool isDirectory(const QString &path) const;
    // masks: "*.pas;*.dfm" (empty or "*.*" for all), matched without regard to case.
    QList<Entry> list(const QString &directory, const QString &masks = {}, int filter = Files | Directories) const;
    bool copy(const QString &from, const QString &to, bool overwrite = true) const;
    bool move(const QString &from, const QString &to) const;
    bool isReadOnly(const QString &path) const;
    bool setReadOnly(const QString &path, bool readOnly) const;
    bool remove(const QString &path) const;
    bool makeDirectory(const QString &path, bool withParents = true) const;
    bool removeDirectory(const QString &path, bool recursive = false) const;

private:
    const PathMap &m_paths;
};

}
