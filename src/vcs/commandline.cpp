#include "vcs/commandline.h"
#include "vcs/recognition.h"
#include "vcs/svnclient.h"
#include <QRegularExpression>

namespace vcs {

namespace {

const QString kPasswordOption = QStringLiteral("--password");
const QString kPasswordFromStdin = QStringLiteral("--password-from-stdin");
const QString kMask = QStringLiteral("******");

bool isBlank(QChar c) { return c == u' ' || c == u'\t'; }

// Appends the backslashes met before a quote, or before any other character,
// by the rule of the Windows argument parser.
int takeBackslashes(const QString &text, int pos, QString &argument, bool &quoteIsLiteral)
{
    int count = 0;
    while (pos < text.size() && text[pos] == u'\\') { ++count; ++pos; }
    const bool beforeQuote = pos < text.size() && text[pos] == u'"';
    argument += QString(beforeQuote ? count / 2 : count, u'\\');
    quoteIsLiteral = beforeQuote && count % 2 == 1;
    return pos;
}

QString quotedForShow(const QString &argument)
{
    if (!argument.isEmpty() && !argument.contains(u' ') && !argument.contains(u'\t') && !argument.contains(u'"'))
        return argument;
    QString text = argument;
    text.replace(u'"', QStringLiteral("\\\""));
    return u'"' + text + u'"';
}

}

CommandLine::CommandLine(const QString &text)
    : m_text(text), m_arguments(split(text))
{
    takePasswordOut();
}

CommandLine CommandLine::checked(const QString &text, const QStringList &values)
{
    CommandLine command(text);
    command.check(values);
    return command;
}

void CommandLine::check(const QStringList &values)
{
    for (const QString &value : values) {
        const int at = m_arguments.indexOf(value, 1);
        if (at < 0) {
            m_error = LayerTexts().Msg(QStringLiteral("ARG_DIVIDIDO")).arg(value);
            return;
        }
        if (value.startsWith(u'-') && !SvnClient::optionTakesValue(m_arguments.value(at - 1))) {
            m_error = LayerTexts().Msg(QStringLiteral("ARG_OPCAO")).arg(value);
            return;
        }
    }
}

CommandLine CommandLine::of(const QString &program)
{
    CommandLine command;
    command.m_built = true;
    command.append(program);
    return command;
}

CommandLine &CommandLine::append(const QString &argument)
{
    m_arguments << argument;
    m_shownArguments << quotedForShow(argument);
    return *this;
}

CommandLine &CommandLine::appendMasked(const QString &secret)
{
    if (m_arguments.size() > 1 && m_arguments.last() == kPasswordOption) {
        m_arguments.last() = kPasswordFromStdin;
        m_password = secret;
        m_hasPassword = true;
    } else {
        m_arguments << secret;
    }
    m_shownArguments << kMask;
    return *this;
}

CommandLine &CommandLine::appendPath(const QString &path)
{
    return append(escapedPath(path));
}

bool CommandLine::isPegRevision(const QString &text)
{
    static const QRegularExpression revision(QStringLiteral("^(r?\\d+|HEAD|BASE|COMMITTED|PREV|\\{[^}]*\\})$"),
                                             QRegularExpression::CaseInsensitiveOption);
    return revision.match(text).hasMatch();
}

QString CommandLine::escapedPath(const QString &path)
{
    return path.contains(u'@') ? path + u'@' : path;
}

QString CommandLine::shown() const
{
    return m_built ? m_shownArguments.join(u' ') : masked(m_text);
}

QStringList CommandLine::split(const QString &text)
{
    QStringList arguments;
    QString current;
    bool inArgument = false;
    bool quoted = false;
    int pos = 0;
    while (pos < text.size()) {
        const QChar c = text[pos];
        if (!quoted && isBlank(c)) {
            if (inArgument) { arguments << current; current.clear(); inArgument = false; }
            ++pos;
            continue;
        }
        inArgument = true;
        if (c == u'\\') {
            bool literalQuote = false;
            pos = takeBackslashes(text, pos, current, literalQuote);
            if (literalQuote) { current += u'"'; ++pos; }
            continue;
        }
        if (c == u'"') {
            if (quoted && pos + 1 < text.size() && text[pos + 1] == u'"') {
                current += u'"';   // "" inside quotes stands for one quote
                pos += 2;
                continue;
            }
            quoted = !quoted;
            ++pos;
            continue;
        }
        current += c;
        ++pos;
    }
    if (inArgument) arguments << current;
    return arguments;
}

QString CommandLine::masked(const QString &text)
{
    QString result;
    int pos = 0;
    while (true) {
        const int found = text.indexOf(kPasswordOption, pos);
        if (found < 0) break;
        int after = found + kPasswordOption.size();
        const bool wholeOption = (found == 0 || isBlank(text[found - 1]))
                                 && after < text.size() && (isBlank(text[after]) || text[after] == u'=');
        if (!wholeOption) {
            result += text.mid(pos, after - pos);
            pos = after;
            continue;
        }
        while (after < text.size() && (isBlank(text[after]) || text[after] == u'=')) ++after;
        int end = after;
        if (end < text.size() && text[end] == u'"') {
            end = text.indexOf(u'"', end + 1);
            end = end < 0 ? text.size() : end + 1;
        } else {
            while (end < text.size() && !isBlank(text[end])) ++end;
        }
        result += text.mid(pos, after - pos);
        if (end > after) result += kMask;
        pos = end;
    }
    result += text.mid(pos);
    return result;
}

void CommandLine::takePasswordOut()
{
    // Every occurrence is taken out (the last value wins), so that no copy of
    // the password is left among the arguments.
    int insertAt = -1;
    for (int i = 1; i < m_arguments.size();) {
        const QString argument = m_arguments[i];
        if (argument == kPasswordOption && i + 1 < m_arguments.size()) {
            m_password = m_arguments[i + 1];
            m_arguments.remove(i, 2);
        } else if (argument.startsWith(kPasswordOption + u'=')) {
            m_password = argument.mid(kPasswordOption.size() + 1);
            m_arguments.removeAt(i);
        } else {
            ++i;
            continue;
        }
        m_hasPassword = true;
        if (insertAt < 0) insertAt = i;
    }
    if (m_hasPassword) m_arguments.insert(insertAt, kPasswordFromStdin);
}

}
