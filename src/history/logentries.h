#pragma once
#include <QList>
#include <QString>

namespace history {

// One row of the log as the viewer shows it (cdsPadrao).
struct LogEntry {
    QString date;       // "DD/MM/YYYY  HH:NN:SS", the time svn wrote, unconverted
    QString revision;
    QString author;
    QString msg;
    bool operator==(const LogEntry &) const = default;
};

// Field sizes of the record sets: longer texts are cut.
inline constexpr int kDateSize = 20, kRevisionSize = 10, kAuthorSize = 20, kMsgSize = 50;
// The author whose entries are never shown.
inline const QString kExcludedAuthor = QStringLiteral("tavrel");

// "2015-03-04T12:34:56.123456Z" -> "04/03/2015  12:34:56"; empty when a part is missing.
QString LogDate(const QString &svnDate);

// The entries of `svn log --xml` output, one per revision, in the order
// printed; a revision met again is skipped. Author and message are the text
// the operator typed (character references read), a message's line breaks
// shown as blanks. Text around the XML (the client's warnings on the merged
// channel) is ignored; a log cut short yields the entries read until then.
QList<LogEntry> ParseLog(const QString &output);

// True when the date text is a real calendar date and time.
bool ValidLogDate(const QString &date);
// Drops the entries with a malformed date and those of the excluded author.
void VerificaData(QList<LogEntry> &entries);

// Newest first; entries of the same second by revision, the higher first.
QList<LogEntry> OrdenaRegistros(QList<LogEntry> entries);

}
