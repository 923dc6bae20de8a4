#pragma once
#include <QString>
#include <QStringList>

namespace vcs {

// A command line: either the one text the workflows write, split by the
// Windows rules (blanks separate, double quotes group, backslashes are literal
// unless they precede a quote), or a list built argument by argument. The
// password given as "--password X" never reaches the child: it is taken out
// and handed over on standard input instead, and never shown.
class CommandLine {
public:
    explicit CommandLine(const QString &text);
    // The one-text form with the values the caller put into it (paths, commit
    // messages): each must come out of the split as one whole argument, and one
    // that starts with "-" only as the value of an option; otherwise error()
    // says why and the command is not run.
    static CommandLine checked(const QString &text, const QStringList &values);
    // Built argument by argument: no splitting, no quoting rules to get wrong.
    static CommandLine of(const QString &program);
    CommandLine &append(const QString &argument);
    // A secret: after "--password" it goes to standard input; shown as "******".
    CommandLine &appendMasked(const QString &secret);
    // A file argument: a name holding "@" gets the trailing "@" the client
    // expects, so that its last "@" is not read as a peg revision.
    CommandLine &appendPath(const QString &path);

    static QStringList split(const QString &text);
    // The text with the value of every "--password" replaced by "******".
    static QString masked(const QString &text);
    // A file argument with the peg escape when its name holds "@".
    static QString escapedPath(const QString &path);
    // True when text after a path's last "@" is a revision the client reads as a peg.
    static bool isPegRevision(const QString &text);

    // The command as the operator may see it: every secret masked.
    QString shown() const;
    QString program() const { return m_arguments.value(0); }
    // Arguments after the program; "--password X" replaced by "--password-from-stdin".
    QStringList arguments() const { return m_arguments.mid(1); }
    bool hasPassword() const { return m_hasPassword; }
    const QString &password() const { return m_password; }
    const QString &error() const { return m_error; }

private:
    CommandLine() = default;
    void takePasswordOut();
    void check(const QStringList &values);

    QString m_text;              // the one-text form; empty for a built list
    bool m_built = false;
    QStringList m_arguments;
    QStringList m_shownArguments; // a built list as shown
    QString m_password;
    bool m_hasPassword = false;
    QString m_error;
};

}
