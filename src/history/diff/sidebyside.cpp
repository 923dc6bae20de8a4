#include "history/diff/sidebyside.h"
#include <QStringDecoder>
#include <dtl/dtl.hpp>
#include <string>
#include <vector>

namespace history {

namespace {

std::vector<std::string> utf8(const QStringList &lines)
{
    std::vector<std::string> out;
    out.reserve(size_t(lines.size()));
    for (const QString &line : lines) out.push_back(line.toStdString());
    return out;
}

// Pairs the removed and added lines of one run of changes.
void flush(QList<DiffRow> &rows, QList<int> &removed, QList<int> &added)
{
    const qsizetype common = qMin(removed.size(), added.size());
    for (qsizetype i = 0; i < common; ++i) rows.append({DiffRow::Changed, removed[i], added[i]});
    for (qsizetype i = common; i < removed.size(); ++i) rows.append({DiffRow::Removed, removed[i], -1});
    for (qsizetype i = common; i < added.size(); ++i) rows.append({DiffRow::Added, -1, added[i]});
    removed.clear();
    added.clear();
}

}

QList<DiffRow> SideBySide(const QStringList &before, const QStringList &after)
{
    const std::vector<std::string> a = utf8(before), b = utf8(after);
    dtl::Diff<std::string, std::vector<std::string>> diff(a, b);
    diff.onHuge();
    diff.compose();
    QList<DiffRow> rows;
    QList<int> removed, added;
    for (const auto &[line, info] : diff.getSes().getSequence()) {
        Q_UNUSED(line);
        switch (info.type) {
        case dtl::SES_DELETE: removed.append(int(info.beforeIdx - 1)); break;
        case dtl::SES_ADD: added.append(int(info.afterIdx - 1)); break;
        default:
            flush(rows, removed, added);
            rows.append({DiffRow::Same, int(info.beforeIdx - 1), int(info.afterIdx - 1)});
        }
    }
    flush(rows, removed, added);
    return rows;
}

QStringList TextLines(const QByteArray &bytes)
{
    QStringDecoder decoder(QStringDecoder::Utf8);
    QString text = decoder.decode(bytes);
    if (decoder.hasError()) text = QString::fromLatin1(bytes);
    text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    if (text.endsWith(u'\n')) text.chop(1);
    if (text.isEmpty() && bytes.isEmpty()) return {};
    return text.split(u'\n');
}

}
