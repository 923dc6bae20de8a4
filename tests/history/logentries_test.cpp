// Reading and ordering the log: the viewer's edge cases, the entries that
// lack an element, every revision of the same second, and long logs read in
// pieces giving what one reading gives.
#include "history/logentries.h"
#include <gtest/gtest.h>

using history::LogEntry;

QT_BEGIN_NAMESPACE
inline void PrintTo(const QString &text, std::ostream *out) { *out << '"' << text.toStdString() << '"'; }
QT_END_NAMESPACE
namespace history {
inline void PrintTo(const LogEntry &e, std::ostream *out)
{
    *out << '{' << e.revision.toStdString() << ' ' << e.date.toStdString() << ' ' << e.author.toStdString() << ' '
         << e.msg.toStdString() << '}';
}
}

namespace {

QString entry(const QString &revision, const QString &author, const QString &date, const QString &msg)
{
    QString text = "<logentry\n   revision=\"" + revision + "\">\n";
    if (!author.isNull()) text += "<author>" + author + "</author>\n";
    if (!date.isNull()) text += "<date>" + date + "</date>\n";
    if (!msg.isNull()) text += "<msg>" + msg + "</msg>\n";
    return text + "</logentry>\n";
}

QString log(const QStringList &entries)
{
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<log>\n" + entries.join(QString()) + "</log>\n";
}

QStringList revisions(const QList<LogEntry> &entries)
{
    QStringList out;
    for (const LogEntry &e : entries) out << e.revision;
    return out;
}

QList<LogEntry> shown(const QString &output)
{
    QList<LogEntry> entries = history::ParseLog(output);
    history::VerificaData(entries);
    return history::OrdenaRegistros(entries);
}

}

TEST(LogReading, ShowsAuthorAndMessageAsTyped)
{
    const QString longMsg = QString(80, u'x');
    const QList<LogEntry> entries = history::ParseLog(log({
        entry("12", "Jo&amp;o &lt;dev&gt;", "2015-03-04T12:34:56.123456Z",
              "corrige &amp; testa &lt;b&gt;\nsegunda linha&#13;\nterceira"),
        entry("13", "josé", "2015-03-05T08:00:00.000000Z", longMsg),
    }));
    ASSERT_EQ(entries.size(), 2);
    EXPECT_EQ(entries[0].date, "04/03/2015  12:34:56");
    EXPECT_EQ(entries[0].author, "Jo&o <dev>");
    EXPECT_EQ(entries[0].msg, "corrige & testa <b> segunda linha terceira") << "one line, words kept apart";
    EXPECT_EQ(entries[1].author, "josé");
    EXPECT_EQ(entries[1].msg, QString(50, u'x'));
}

TEST(LogReading, EachEntryKeepsItsOwnElements)
{
    // The first way searched from the start of the remaining text: an entry
    // without author or message took the next entry's.
    const QString text = log({
        entry("3", "ana", "2020-01-03T10:00:00.000000Z", "terceira"),
        entry("2", QString(), "2020-01-02T10:00:00.000000Z", QString()),
        entry("1", "rui", "2020-01-01T10:00:00.000000Z", "primeira"),
    });
    const QList<LogEntry> entries = history::ParseLog(text);
    ASSERT_EQ(entries.size(), 3);
    EXPECT_EQ(entries[1], (LogEntry{"02/01/2020  10:00:00", "2", "", ""}));
    EXPECT_EQ(entries[2].author, "rui");

    // An entry without a date is not given the next one's; the date check leaves it out.
    const QString undated = log({
        entry("5", "ana", QString(), "sem data"),
        entry("4", "ana", "2020-01-04T10:00:00.000000Z", "com data"),
    });
    EXPECT_EQ(history::ParseLog(undated)[0].date, "");
    EXPECT_EQ(revisions(shown(undated)), QStringList{"4"});
}

TEST(LogReading, IgnoresTheClientsOtherLinesAndAShortenedLog)
{
    const QString warning = "svn: warning: W123456: aviso qualquer\n";
    const QString full = log({entry("2", "ana", "2020-01-02T10:00:00.000000Z", "b"),
                              entry("1", "ana", "2020-01-01T10:00:00.000000Z", "a")});
    EXPECT_EQ(revisions(history::ParseLog(warning + full + warning)), (QStringList{"2", "1"}));
    EXPECT_EQ(revisions(history::ParseLog(full.left(full.indexOf("<logentry", 60)) + "<logentry revision=\"1\"><au")),
              QStringList{"2"});
    EXPECT_TRUE(history::ParseLog(QString()).isEmpty());
    EXPECT_TRUE(history::ParseLog("svn: E155007: não é uma cópia de trabalho").isEmpty());
}

TEST(LogShown, EveryRevisionNewestFirstWithoutTheDroppedEntries)
{
    const QList<LogEntry> entries = shown(log({
        entry("7", "ana", "2021-06-01T09:00:00.000000Z", "b"),
        entry("9", "ana", "2023-01-01T09:00:00.000000Z", "c"),
        entry("8", "ana", "2021-06-01T09:00:00.999999Z", "mesmo segundo"),
        entry("6", "tavrel", "2022-01-01T09:00:00.000000Z", "excluído"),
        entry("5", "ana", "2021-13-01T09:00:00.000000Z", "mês 13"),
        entry("4", "ana", "2021-02-31T09:00:00.000000Z", "31 de fevereiro"),
        entry("3", "ana", "2021-02-01T25:00:00.000000Z", "hora 25"),
        entry("2", "ana", "2021-02-0xT09:00:00.000000Z", "dia sem dígitos"),
        entry("10", "ana", "1985-01-01T00:00:00.000000Z", "relógio atrasado"),
        entry("1", "ana", "2020-05-05T09:00:00.000000Z", "a"),
        entry("7", "ana", "2021-06-01T09:00:00.000000Z", "b de novo"),
    }));
    // The same second: both shown, the higher revision first; a revision printed twice once.
    EXPECT_EQ(revisions(entries), (QStringList{"9", "8", "7", "1", "10"}));
    EXPECT_EQ(entries[2].msg, "b");
}

namespace {

// A log of count entries, many in the same second, with texts that need their references read.
QStringList longLogEntries(int count)
{
    QStringList entries;
    for (int i = 0; i < count; ++i) {
        const QString date = QString::asprintf("2020-%02d-%02dT10:00:%02d.000000Z", 1 + i / 600 % 12,
                                               1 + i / 20 % 28, i / 10 % 2);
        entries << entry(QString::number(count - i), "autor&amp;" + QString::number(i % 3), date,
                         "SOL:" + QString::number(i) + " &lt;ação&gt;");
    }
    return entries;
}

}

TEST(LogReading, ALongLogGivesEveryEntryInPrintedOrder)
{
    const int count = 8000;   // well above what is read in one go
    const QStringList entries = longLogEntries(count);
    const QString text = log(entries);
    const QList<LogEntry> read = history::ParseLog("svn: warning: W1: aviso\n" + text + "svn: warning: W2: aviso\n");
    ASSERT_EQ(read.size(), count);
    for (int i = 0; i < count; ++i) {
        ASSERT_EQ(read[i].revision, QString::number(count - i));
        ASSERT_EQ(read[i].msg, "SOL:" + QString::number(i) + " <ação>");
        ASSERT_EQ(read[i].author, "autor&" + QString::number(i % 3));
    }

    // Cut short in its last quarter: the entries before the cut.
    const qsizetype cut = text.indexOf("<logentry", text.size() * 7 / 8);
    const QList<LogEntry> shortened = history::ParseLog(text.left(cut + 30));
    EXPECT_EQ(shortened.size(), text.left(cut).count("<logentry"));
    EXPECT_EQ(shortened.last().revision, read[shortened.size() - 1].revision);

    // Entries inside entries (a merge history), wherever the long log is cut: the outer ones.
    QStringList nested;
    for (int i = 0; i + 1 < count; i += 2)
        nested << QString(entries[i]).replace("</logentry>", entries[i + 1] + "</logentry>");
    const QList<LogEntry> outer = history::ParseLog(log(nested));
    ASSERT_EQ(outer.size(), count / 2);
    for (int i = 0; i < count / 2; ++i) ASSERT_EQ(outer[i].revision, QString::number(count - 2 * i));
}

TEST(LogShown, ALongLogNewestFirstTiesByRevision)
{
    const QList<LogEntry> entries = shown(log(longLogEntries(6000)));
    ASSERT_EQ(entries.size(), 6000);
    for (qsizetype i = 1; i < entries.size(); ++i) {
        const QString a = entries[i - 1].date, b = entries[i].date;
        const QString ka = a.mid(6, 4) + a.mid(3, 2) + a.left(2) + a.mid(12), kb = b.mid(6, 4) + b.mid(3, 2) + b.left(2) + b.mid(12);
        ASSERT_TRUE(ka > kb || (ka == kb && entries[i - 1].revision.toInt() > entries[i].revision.toInt()))
            << i << " " << a.toStdString() << " " << b.toStdString();
    }
}

TEST(LogDate, CutsThePartsOfTheClientsDate)
{
    EXPECT_EQ(history::LogDate("2015-03-04T12:34:56.123456Z"), "04/03/2015  12:34:56");
    EXPECT_EQ(history::LogDate("2015-03-04"), QString());
    EXPECT_TRUE(history::ValidLogDate("29/02/2024  23:59:59"));
    EXPECT_FALSE(history::ValidLogDate("29/02/2023  23:59:59"));
    EXPECT_FALSE(history::ValidLogDate("01/01/2023  12-00-00"));
}
