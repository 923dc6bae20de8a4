#pragma once
#include <QString>
#include <QStringList>

namespace vcs {

// A command line as the workflows write it: one text, split by the Windows
// rules (blanks separate, double quotes group, backslashes are literal unless
// they precede a quote). The password given as "--password X" never reaches
// the child: it is taken out and handed over on standard input instead.
class CommandLine {
public:
    explicit CommandLine(const QString &text);

    static QStringList split(const QString &text);
    // The text with the value of every "--password" replaced by "******".
    static QString masked(const QString &text);

    const QString &text() const { return m_text; }
    QString program() const { return m_arguments.value(0); }
    // Arguments after the program; "--password X" replaced by "--password-from-stdin".
    QStringList arguments() const { return m_arguments.mid(1); }
    bool hasPassword() const { return m_hasPassword; }
    const QString &password() const { return m_password; }

private:
    void takePasswordOut();

    QString m_text;
    QStringList m_arguments;
    QString m_password;
    bool m_hasPassword = false;
};

}
