// Reading and ordering the log: the viewer's edge cases, the entries that
// lack an element, and the same result as the first, quadratic way.
#include "history/logentries.h"
#include <QRandomGenerator>
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

TEST(LogReading, TakesTheViewersFormsOfTheValues)
{
    const QString amp = "Jo&amp;o &lt;dev&gt;";
    const QString longMsg = QString(80, u'x');
    const QList<LogEntry> entries = history::ParseLog(log({
        entry("12", amp, "2015-03-04T12:34:56.123456Z", "corrige &amp; testa\nsegunda linha"),
        entry("13", "josé", "2015-03-05T08:00:00.000000Z", longMsg),
    }));
    ASSERT_EQ(entries.size(), 2);
    EXPECT_EQ(entries[0].date, "04/03/2015  12:34:56");
    EXPECT_EQ(entries[0].author, amp) << "character references stay as svn wrote them";
    EXPECT_EQ(entries[0].msg, "corrige &amp; testasegunda linha") << "line breaks go";
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
    EXPECT_EQ(history::reference::ParseLog(text)[1].author, "rui") << "the fault the reader mends";

    // An entry without a date is skipped, not given the next one's.
    const QList<LogEntry> undated = history::ParseLog(log({
        entry("5", "ana", QString(), "sem data"),
        entry("4", "ana", "2020-01-04T10:00:00.000000Z", "com data"),
    }));
    EXPECT_EQ(revisions(undated), QStringList{"4"});
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

TEST(LogShown, NewestFirstWithoutTheDroppedEntries)
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
        entry("1", "ana", "2020-05-05T09:00:00.000000Z", "a"),
    }));
    // Two entries of the same second: the first one met stays.
    EXPECT_EQ(revisions(entries), (QStringList{"9", "7", "1"}));
}

TEST(LogShown, EntriesUpToNineteenNinetyComeLastInReverse)
{
    const QList<LogEntry> entries = shown(log({
        entry("1", "ana", "1985-01-01T00:00:00.000000Z", "a"),
        entry("2", "ana", "1990-01-01T00:00:00.000000Z", "b"),
        entry("3", "ana", "2001-01-01T00:00:00.000000Z", "c"),
        entry("4", "ana", "1970-01-01T00:00:00.000000Z", "d"),
        entry("5", "ana", "1990-01-01T00:00:01.000000Z", "e"),
    }));
    EXPECT_EQ(revisions(entries), (QStringList{"3", "5", "4", "2", "1"}));
}

TEST(LogShown, SameEntriesInTheSameOrderAsTheFirstWay)
{
    QRandomGenerator random(20260308);
    for (int round = 0; round < 40; ++round) {
        QStringList entries;
        const int count = 1 + int(random.bounded(120));
        for (int i = 0; i < count; ++i) {
            // Few distinct seconds, so that dates repeat, some before 1990, some malformed.
            const int year = 1985 + int(random.bounded(8));
            const int month = 1 + int(random.bounded(13));
            const int day = 1 + int(random.bounded(31));
            const QString date = QString::asprintf("%04d-%02d-%02dT%02d:%02d:%02d.%06dZ", year, month, day,
                                                   int(random.bounded(2)), int(random.bounded(2)),
                                                   int(random.bounded(3)), int(random.bounded(999999)));
            const QString author = random.bounded(10) == 0 ? "tavrel" : "autor" + QString::number(random.bounded(4));
            entries << entry(QString::number(count - i), author, date, "mensagem " + QString::number(i));
        }
        const QString text = log(entries);
        QList<LogEntry> expected = history::reference::ParseLog(text);
        history::VerificaData(expected);
        expected = history::reference::OrdenaRegistros(expected);
        ASSERT_EQ(shown(text), expected) << "round " << round;
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
