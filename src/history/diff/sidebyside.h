#pragma once
#include <QList>
#include <QString>
#include <QStringList>

namespace history {

// One row of the side-by-side view: a line of each version, or a gap.
struct DiffRow {
    enum Kind { Same, Removed, Added, Changed };
    Kind kind = Same;
    int left = -1;      // 0-based line of the first version, -1 for a gap
    int right = -1;     // of the second version
    bool operator==(const DiffRow &) const = default;
};

// The two versions aligned line by line. The shortest edit script comes from
// the dtl library; a run of removed lines followed by added ones pairs up as
// changed lines.
QList<DiffRow> SideBySide(const QStringList &before, const QStringList &after);

// The lines of a file's bytes: UTF-8 when valid, else Latin-1; the line break
// of the last line adds no line.
QStringList TextLines(const QByteArray &bytes);

}
