#include "history/logentries.h"
#include <QSet>
#include <QStringList>
#include <QThread>
#include <QXmlStreamReader>
#include <algorithm>
#include <future>
#include <vector>

namespace history {

namespace {

// The number written in text[from, from + size), or -1 when a character is not a digit.
int number(QStringView text, qsizetype from, qsizetype size)
{
    int value = 0;
    for (qsizetype i = from; i < from + size; ++i) {
        const char16_t c = text[i].unicode();
        if (c < u'0' || c > u'9') return -1;
        value = value * 10 + int(c - u'0');
    }
    return value;
}

int daysInMonth(int month, int year)
{
    static constexpr int days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    return month == 2 && leap ? 29 : days[month - 1];
}

// "DD/MM/YYYY  HH:NN:SS" as the number YYYYMMDDHHNNSS, which orders as the
// time does; -1 when the text is not a real date and time.
qint64 timeKey(QStringView date)
{
    if (date.size() != kDateSize || date[2] != u'/' || date[5] != u'/' || date[10] != u' ' || date[11] != u' '
        || date[14] != u':' || date[17] != u':')
        return -1;
    const int day = number(date, 0, 2), month = number(date, 3, 2), year = number(date, 6, 4);
    const int hour = number(date, 12, 2), minute = number(date, 15, 2), second = number(date, 18, 2);
    if (day < 0 || month < 1 || month > 12 || year < 1 || hour < 0 || minute < 0 || second < 0) return -1;
    if (day < 1 || day > daysInMonth(month, year) || hour > 23 || minute > 59 || second > 59) return -1;
    return ((((qint64(year) * 100 + month) * 100 + day) * 100 + hour) * 100 + minute) * 100 + second;
}

// A message's lines side by side in one grid cell.
QString oneLine(QString text)
{
    if (!text.contains(u'\n') && !text.contains(u'\r')) return text;
    text.replace(QLatin1String("\r\n"), QLatin1String(" "));
    text.replace(u'\r', u' ');
    text.replace(u'\n', u' ');
    return text;
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
        if (name == QLatin1String("author")) e.author = oneLine(xml.readElementText());
        else if (name == QLatin1String("date")) e.date = LogDate(xml.readElementText());
        else if (name == QLatin1String("msg")) e.msg = oneLine(xml.readElementText());
        else xml.skipCurrentElement();
    }
    return cut(e);
}

struct Piece {
    QList<LogEntry> entries;   // in the order printed
    bool wellFormed = true;
};

Piece readEntries(const QString &xmlText)
{
    QXmlStreamReader xml(xmlText);
    Piece piece;
    while (!xml.atEnd()) {
        if (xml.readNext() != QXmlStreamReader::StartElement || xml.name() != QLatin1String("logentry")) continue;
        LogEntry e = readEntry(xml);
        if (xml.hasError()) break;
        piece.entries.append(std::move(e));
    }
    piece.wellFormed = !xml.hasError();
    return piece;
}

// The XML of the output: from its declaration (or root) to the end of the
// root, without the client's lines around it.
QStringView logDocument(const QString &output)
{
    qsizetype start = output.indexOf(QLatin1String("<?xml"));
    if (start < 0) start = output.indexOf(QLatin1String("<log"));
    if (start < 0) return {};
    const QLatin1String rootEnd("</log>");
    const qsizetype end = output.lastIndexOf(rootEnd);
    return QStringView(output).mid(start, end > start ? end + rootEnd.size() - start : -1);
}

constexpr qsizetype kPieceSize = 256 * 1024;

// A long log is read in pieces of whole entries on several threads: the
// reading of the XML is nearly all the time the viewer spends on a long log.
// An end tag cannot occur inside text (svn escapes "<"), so cutting after one
// keeps every piece a document of its own. False when the log is short or a
// piece is not well formed (a log cut short, entries inside entries): the
// caller then reads the whole log in one go.
bool readInPieces(QStringView document, QList<LogEntry> &entries)
{
    const int threads = std::min(QThread::idealThreadCount(), 4);
    if (threads < 2 || document.size() < 2 * kPieceSize) return false;
    const QLatin1String entryEnd("</logentry>"), open("<log>"), close("</log>");
    QStringList pieces;
    qsizetype from = 0;
    for (int i = 1; i < threads; ++i) {
        const qsizetype cut = document.indexOf(entryEnd, document.size() * i / threads);
        if (cut < 0) break;
        const qsizetype to = cut + entryEnd.size();
        if (to <= from) continue;
        QString piece = from == 0 ? QString() : QString(open);
        piece.append(document.mid(from, to - from)).append(close);
        pieces << piece;
        from = to;
    }
    if (pieces.isEmpty()) return false;
    pieces << QString(open).append(document.mid(from));
    std::vector<std::future<Piece>> reading;
    for (const QString &piece : pieces) reading.push_back(std::async(std::launch::async, readEntries, piece));
    bool wellFormed = true;
    for (auto &r : reading) {
        Piece piece = r.get();
        wellFormed = wellFormed && piece.wellFormed;
        entries.append(std::move(piece.entries));
    }
    if (!wellFormed) entries.clear();
    return wellFormed;
}

}

QString LogDate(const QString &svnDate)
{
    const QStringView text(svnDate);
    if (text.size() < 12) return {};
    if (text.size() >= 19) {   // the whole form, written in place: one of these per log entry
        static constexpr int from[kDateSize] = {8, 9, -1, 5, 6, -1, 0, 1, 2, 3, -1, -1, 11, 12, 13, 14, 15, 16, 17, 18};
        static constexpr char16_t fixed[kDateSize] = {0, 0, u'/', 0, 0, u'/', 0, 0, 0, 0, u' ', u' '};
        QString date(kDateSize, Qt::Uninitialized);
        QChar *out = date.data();
        for (int i = 0; i < kDateSize; ++i) out[i] = from[i] < 0 ? QChar(fixed[i]) : text[from[i]];
        return date;
    }
    const QStringView year = text.mid(0, 4), month = text.mid(5, 2), day = text.mid(8, 2), time = text.mid(11, 8);
    QString date;
    date.reserve(kDateSize);
    date.append(day).append(u'/').append(month).append(u'/').append(year).append(QLatin1String("  ")).append(time);
    return date;
}

QList<LogEntry> ParseLog(const QString &output)
{
    const QStringView document = logDocument(output);
    if (document.isEmpty()) return {};
    QList<LogEntry> read;
    if (!readInPieces(document, read)) read = readEntries(document.toString()).entries;
    QList<LogEntry> entries;
    entries.reserve(read.size());
    QSet<QString> revisions;
    revisions.reserve(read.size());
    for (LogEntry &e : read) {
        if (e.revision.isEmpty() || revisions.contains(e.revision)) continue;
        revisions.insert(e.revision);
        entries.append(std::move(e));
    }
    return entries;
}

bool ValidLogDate(const QString &date) { return timeKey(date) >= 0; }

void VerificaData(QList<LogEntry> &entries)
{
    entries.removeIf([](const LogEntry &e) { return !ValidLogDate(e.date) || e.author == kExcludedAuthor; });
}

QList<LogEntry> OrdenaRegistros(QList<LogEntry> entries)
{
    struct Keyed { qint64 time; qint64 revision; qsizetype index; };
    std::vector<Keyed> keys;
    keys.reserve(size_t(entries.size()));
    for (qsizetype i = 0; i < entries.size(); ++i)
        keys.push_back({timeKey(entries[i].date), entries[i].revision.toLongLong(), i});
    std::stable_sort(keys.begin(), keys.end(), [](const Keyed &a, const Keyed &b) {
        return a.time != b.time ? a.time > b.time : a.revision > b.revision;
    });
    QList<LogEntry> ordered;
    ordered.reserve(entries.size());
    for (const Keyed &k : keys) ordered.append(std::move(entries[k.index]));
    return ordered;
}

}
