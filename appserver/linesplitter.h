#pragma once
#include <QByteArray>
#include <deque>

namespace apr {

// Cuts a connection's input into request lines. A line longer than maxLine
// is refused and skipped up to its newline without being kept; it is queued
// as a null line, so that its refusal keeps its place among the replies.
class LineSplitter {
public:
    explicit LineSplitter(qint64 maxLine) : m_maxLine(maxLine) {}
    void feed(const char *data, qsizetype size, std::deque<QByteArray> &lines);

private:
    qint64 m_maxLine;
    QByteArray m_pending;     // the start of a line not yet complete
    bool m_skipping = false;  // inside an oversized line
};

// The answer to a null line.
QByteArray oversizedLineReply(qint64 maxLine);

}
