#pragma once
#include <QList>
#include <QString>

namespace history {

// One row of the log as the viewer keeps it (cdsAux, then cdsPadrao).
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

// The entries of `svn log --xml` output, each from its own elements, in the
// order printed; an entry whose date text was met before is skipped. Author and
// message keep the character references svn wrote (&amp;) and lose their line
// breaks. Text around the XML (the client's warnings on the merged channel) is
// ignored; a log cut short yields the entries read until then.
QList<LogEntry> ParseLog(const QString &output);

// True when the date text is a real calendar date and time.
bool ValidLogDate(const QString &date);
// Drops the entries with a malformed date and those of the excluded author.
void VerificaData(QList<LogEntry> &entries);

// Newest first, in one stable sort. Entries not later than 01/01/1990
// 00:00:00 follow the others in the reverse of their order in the log, as the
// viewer always listed them.
QList<LogEntry> OrdenaRegistros(QList<LogEntry> entries);

// The viewer's first way of reading and ordering the log: literal markers
// searched from the start of the remaining text, and the newest entry found
// again for every row. Kept only as the reference the tests and the benchmark
// compare the reader above with; do not use it in a window.
namespace reference {
QList<LogEntry> ParseLog(const QString &output);
QList<LogEntry> OrdenaRegistros(QList<LogEntry> entries);
}

}
