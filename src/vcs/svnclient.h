#pragma once
// The one Subversion client of the module: it holds the repository account and
// offers the commands the workflows run, each through the runner its caller
// names and each returning what became of it. Nowhere else is an account
// written into a command line, and nowhere else is the client's output read.
#include "vcs/commandline.h"
#include "vcs/runner.h"
#include <QChar>
#include <QList>
#include <QString>
#include <QStringList>
#include <functional>
#include <memory>

namespace vcs {

// The repository account ("svn_<name>" and its password).
struct SvnAccount {
    QString user;
    QString password;
};

// Where one command runs: the runner, the caption it shows, the sink of its
// lines, and what the owner holds for the length of the command (its run of
// the activity), if anything.
struct SvnRun {
    ConsoleRunner &runner;
    QString caption;
    LineSink sink;
    std::function<std::shared_ptr<void>()> hold;
};

// One line of the plain `svn status` listing.
struct SvnStatusLine {
    QChar item;      // first column: ' ', 'M', 'A', '?', '!', 'C', ...
    QChar lock;      // sixth column: ' ', 'K', 'O', 'T', 'B'
    QString path;    // from the ninth character on
};

// The plain `svn status` listing, read from the client's raw output.
struct SvnStatus {
    QList<SvnStatusLine> lines;
    // Lines that are no status line and hold "warning:" or "aviso:" (not a working copy).
    QStringList warnings;
    // The paths whose first column is one of items.
    QStringList paths(const QString &items) const;
};

// One entry of `svn status --xml`.
struct SvnXmlStatusEntry {
    QString path;
    QString item;    // the item attribute of <wc-status>: "unversioned", "missing", ...
    QString lockToken;        // the working copy's lock (<wc-status><lock>)
    QString reposLockToken;   // the repository's lock (<repos-status><lock>), asked with the repository
    QString reposLockOwner;
};

struct SvnXmlStatus {
    QList<SvnXmlStatusEntry> entries;
    bool complete = false;   // the </status> of the document was read
};

// What `svn info --xml` says of its first entry.
struct SvnInfo {
    bool answered = false;   // the output holds an <info> element
    QString url;             // <url>
    QString root;            // <repository><root>
    QString revision;        // revision of <commit>
    QString lockOwner;       // <lock><owner>
    QString lockToken;       // <lock><token>: of the working copy for a path, of the repository for a URL
    QString schedule;        // <wc-info><schedule>: "normal", "add", "delete", "replace"
    QString output;          // the client's whole answer
};

class SvnClient {
public:
    // The account is asked for at every command, so that an owner whose
    // account changes (a new logon) need not tell the client.
    explicit SvnClient(std::function<SvnAccount()> account);
    // The owner's own strings, read at every command; the owner outlives the client.
    SvnClient(const QString &user, const QString &password);
    SvnClient(const QString &&, const QString &) = delete;   // a temporary would not outlive the client
    SvnClient(const QString &, const QString &&) = delete;
    SvnClient(const QString &&, const QString &&) = delete;
    // A fixed account.
    explicit SvnClient(SvnAccount account);
    SvnClient(const SvnClient &) = delete;
    SvnClient &operator=(const SvnClient &) = delete;

    SvnAccount account() const { return m_account(); }
    QString user() const { return m_account().user; }

    // "svn" + before + the account (the password handed over on standard input
    // and masked wherever the command is shown) + after.
    CommandLine command(const QStringList &before, const QStringList &after = {}) const;
    // Options of the client whose next argument is their value, whatever it looks like.
    static bool optionTakesValue(const QString &option);

    // "svn revert --no-auth-cache" or, for the script processes, "svn --no-auth-cache revert".
    enum class Order { SubcommandFirst, OptionFirst };
    // "svn info --no-auth-cache --xml" or "svn info --xml --no-auth-cache".
    enum class InfoOrder { NoAuthCacheFirst, XmlFirst };

    CommandResult revert(const SvnRun &run, const QString &path, Order order = Order::SubcommandFirst) const;
    // "svn revert --depth infinity": a directory and everything below it.
    CommandResult revertTree(const SvnRun &run, const QString &path) const;
    CommandResult lock(const SvnRun &run, const QString &path, Order order = Order::SubcommandFirst) const;
    CommandResult unlock(const SvnRun &run, const QString &path) const;
    CommandLine unlockCommand(const QString &path) const;
    // "svn unlock --force": another working copy's lock of ours, by its URL.
    CommandResult breakLock(const SvnRun &run, const QString &url) const;
    CommandResult add(const SvnRun &run, const QString &path, bool depthEmpty = false) const;
    // message: the whole "-m..." argument ("-mSOL:123").
    CommandResult commit(const SvnRun &run, const QString &message, const QString &path) const;
    CommandResult mkdir(const SvnRun &run, const QString &path) const;
    // "--force --no-auth-cache --depth infinity --accept postpone"; revision empty: the newest.
    CommandResult update(const SvnRun &run, const QString &path, const QString &revision = {}) const;
    CommandResult checkout(const SvnRun &run, const QString &url, const QString &path) const;
    CommandResult cleanup(const SvnRun &run, const QString &path) const;
    // Every conflict below path kept as the local file ("--accept mine-full").
    CommandResult resolve(const SvnRun &run, const QString &path) const;
    // The older "svn resolved -R" of the same repair.
    CommandResult resolved(const SvnRun &run, const QString &path) const;
    CommandResult exportTo(const SvnRun &run, const QString &path, const QString &revision,
                           const QString &destination) const;
    CommandResult diff(const SvnRun &run, const QString &path, const QString &revisions, const QString &tool) const;
    // The log of a URL as XML; reading it is the log viewer's.
    CommandResult log(const SvnRun &run, const QString &url) const;
    // "svn --version --quiet": no account.
    CommandResult version(const SvnRun &run) const;

    SvnStatus status(const SvnRun &run, const QStringList &paths) const;
    // "svn status -q": only what changed locally.
    SvnStatus changes(const SvnRun &run, const QString &path) const;
    SvnXmlStatus statusXml(const SvnRun &run, const QString &path) const;
    // Each path itself (depth empty, verbose) in one command; withRepository
    // also asks the repository for its locks ("-u").
    SvnXmlStatus statusOf(const SvnRun &run, const QStringList &paths, bool withRepository) const;
    // The whole tree below dir, ignored and unversioned entries included.
    SvnXmlStatus statusTree(const SvnRun &run, const QString &dir) const;
    // location: a working-copy path, or a URL (taken as written).
    SvnInfo info(const SvnRun &run, const QString &location, InfoOrder order = InfoOrder::NoAuthCacheFirst) const;
    // Plain "svn info" of path at a revision.
    CommandResult infoAt(const SvnRun &run, const QString &path, const QString &revision) const;

    static SvnStatus parseStatus(const QString &output);
    static SvnXmlStatus parseStatusXml(const QString &output);
    // Tolerant of text around the document (the client's error lines).
    static SvnInfo parseInfo(const QString &output);

    // Runs a command and returns what became of it (the runner's record).
    static CommandResult run(const SvnRun &run, const CommandLine &command);

private:
    CommandLine target(const QStringList &before, const QStringList &after, const QString &path) const;

    std::function<SvnAccount()> m_account;
};

}
