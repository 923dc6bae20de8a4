#include "history/logentries.h"
#include <QDate>
#include <QSet>
#include <QXmlStreamReader>
#include <algorithm>

namespace history {

namespace {

// The floor of the ordering: nothing at or before it counts as later.
const QString kFloorKey = QStringLiteral("19900101000000");

bool digits(QStringView text)
{
    if (text.isEmpty()) return false;
    return std::all_of(text.begin(), text.end(), [](QChar c) { return c >= u'0' && c <= u'9'; });
}

int number(const QString &date, int from, int size) { return date.mid(from, size).toInt(); }

// "DD/MM/YYYY  HH:NN:SS" as "YYYYMMDDHHNNSS", which orders as the time does.
QString sortKey(const QString &date)
{
    return date.mid(6, 4) + date.mid(3, 2) + date.mid(0, 2) + date.mid(12, 2) + date.mid(15, 2) + date.mid(18, 2);
}

// The text as it stood in the XML (svn escapes &, <, > and CR), without line breaks.
QString asWritten(const QString &text)
{
    QString out;
    out.reserve(text.size());
    for (QChar c : text) {
        switch (c.unicode()) {
        case '&': out += QLatin1String("&amp;"); break;
        case '<': out += QLatin1String("&lt;"); break;
        case '>': out += QLatin1String("&gt;"); break;
        case '\r': out += QLatin1String("&#13;"); break;
        case '\n': break;
        default: out += c;
        }
    }
    return out;
}

LogEntry cut(LogEntry e)
{
    e.date.truncate(kDateSize);
    e.revision.truncate(kRevisionSize);
    e.author.truncate(kAuthorSize);
    e.msg.truncate(kMsgSize);
    return e;
}

LogEntry readEntry(QXmlStreamReader &xml)
{
    LogEntry e;
    e.revision = xml.attributes().value(QLatin1String("revision")).toString();
    while (xml.readNextStartElement()) {
        const QStringView name = xml.name();
        if (name == QLatin1String("author")) e.author = asWritten(xml.readElementText());
        else if (name == QLatin1String("date")) e.date = LogDate(xml.readElementText());
        else if (name == QLatin1String("msg")) e.msg = asWritten(xml.readElementText());
        else xml.skipCurrentElement();
    }
    return cut(e);
}

}

QString LogDate(const QString &svnDate)
{
    const QString year = svnDate.mid(0, 4), month = svnDate.mid(5, 2), day = svnDate.mid(8, 2),
                  time = svnDate.mid(11, 8);
    if (year.isEmpty() || month.isEmpty() || day.isEmpty() || time.isEmpty()) return {};
    return day + u'/' + month + u'/' + year + QLatin1String("  ") + time;
}

QList<LogEntry> ParseLog(const QString &output)
{
    qsizetype start = output.indexOf(QLatin1String("<?xml"));
    if (start < 0) start = output.indexOf(QLatin1String("<log"));
    if (start < 0) return {};
    QXmlStreamReader xml(output.mid(start));
    QList<LogEntry> entries;
    QSet<QString> dates;
    while (!xml.atEnd()) {
        if (xml.readNext() != QXmlStreamReader::StartElement || xml.name() != QLatin1String("logentry")) continue;
        const LogEntry e = readEntry(xml);
        if (xml.hasError()) break;
        if (e.date.isEmpty() || dates.contains(e.date)) continue;
        dates.insert(e.date);
        entries.append(e);
    }
    return entries;
}

bool ValidLogDate(const QString &date)
{
    if (date.size() != kDateSize) return false;
    const QStringView d(date);
    for (auto [from, size] : {std::pair{0, 2}, {3, 2}, {6, 4}, {12, 2}, {15, 2}, {18, 2}})
        if (!digits(d.mid(from, size))) return false;
    if (d[2] != u'/' || d[5] != u'/' || d.mid(10, 2) != QLatin1String("  ") || d[14] != u':' || d[17] != u':')
        return false;
    if (number(date, 12, 2) > 23 || number(date, 15, 2) > 59 || number(date, 18, 2) > 59) return false;
    return QDate(number(date, 6, 4), number(date, 3, 2), number(date, 0, 2)).isValid();
}

void VerificaData(QList<LogEntry> &entries)
{
    entries.removeIf([](const LogEntry &e) { return !ValidLogDate(e.date) || e.author == kExcludedAuthor; });
}

QList<LogEntry> OrdenaRegistros(QList<LogEntry> entries)
{
    struct Keyed { QString key; LogEntry entry; };
    QList<Keyed> later;
    QList<LogEntry> notLater;
    for (LogEntry &e : entries) {
        QString key = ValidLogDate(e.date) ? sortKey(e.date) : QString();
        if (key > kFloorKey) later.append({std::move(key), std::move(e)});
        else notLater.prepend(std::move(e));
    }
    std::stable_sort(later.begin(), later.end(), [](const Keyed &a, const Keyed &b) { return a.key > b.key; });
    QList<LogEntry> ordered;
    ordered.reserve(entries.size());
    for (Keyed &k : later) ordered.append(std::move(k.entry));
    ordered.append(notLater);
    return ordered;
}

namespace reference {

namespace {

QString between(const QString &text, const QString &open, const QString &close)
{
    const qsizetype from = text.indexOf(open);
    const qsizetype to = text.indexOf(close);
    if (from < 0 || to < 0) return {};
    return text.mid(from + open.size(), to - from - open.size());
}

}

QList<LogEntry> ParseLog(const QString &output)
{
    QString rest = output;
    rest.remove(u'\r');
    rest.remove(u'\n');
    QList<LogEntry> aux;
    while (rest.contains(QLatin1String("<logentry"))) {
        const QString date = LogDate(between(rest, QStringLiteral("<date>"), QStringLiteral("</date>")));
        const bool known = std::any_of(aux.begin(), aux.end(), [&](const LogEntry &e) { return e.date == date; });
        if (!date.isEmpty() && !known) {
            LogEntry e;
            const qsizetype from = rest.indexOf(QLatin1String("revision=")) + 10;
            e.revision = rest.mid(from, rest.indexOf(QLatin1String("<author>")) - 2 - from);
            e.author = between(rest, QStringLiteral("<author>"), QStringLiteral("</author>"));
            e.date = date;
            e.msg = between(rest, QStringLiteral("<msg>"), QStringLiteral("</msg>"));
            aux.append(cut(e));
        }
        const qsizetype end = rest.indexOf(QLatin1String("</logentry>"));
        if (end < 0) break;
        rest = rest.mid(end + 11);
    }
    return aux;
}

QList<LogEntry> OrdenaRegistros(QList<LogEntry> aux)
{
    const QString floor = QStringLiteral("01/01/1990 00:00:00");
    QList<LogEntry> padrao;
    while (!aux.isEmpty()) {
        QString latest = floor, latestKey = kFloorKey;
        for (const LogEntry &e : aux) {
            const QString key = ValidLogDate(e.date) ? sortKey(e.date) : QString();
            if (key > latestKey) { latest = e.date; latestKey = key; }
        }
        qsizetype at = aux.size() - 1;   // where the search stopped
        for (qsizetype i = 0; i < aux.size(); ++i)
            if (aux[i].date.compare(latest, Qt::CaseInsensitive) == 0) { at = i; break; }
        padrao.append(aux.takeAt(at));
    }
    return padrao;
}

}

}
