#include "linesplitter.h"
#include "rpcerror.h"
#include "rpcserver.h"
#include <QJsonValue>
#include <cstring>

namespace apr {

void LineSplitter::feed(const char *data, qsizetype size, std::deque<QByteArray> &lines)
{
    qsizetype start = 0;
    while (start < size) {
        const char *newline = static_cast<const char *>(std::memchr(data + start, '\n', size_t(size - start)));
        const qsizetype end = newline ? newline - data : size;
        if (m_skipping) {
            if (newline)
                m_skipping = false;
        } else {
            m_pending.append(data + start, end - start);
            if (m_pending.size() > m_maxLine) {
                m_pending.clear();
                m_pending.squeeze();
                lines.emplace_back();
                m_skipping = !newline;
            } else if (newline) {
                if (!m_pending.trimmed().isEmpty())
                    lines.push_back(m_pending);
                m_pending.clear();
            }
        }
        start = end + 1;
    }
}

QByteArray oversizedLineReply(qint64 maxLine)
{
    return errorReply(QJsonValue::Null, InvalidRequest, "Invalid request",
                      QString("request line longer than %1 bytes").arg(maxLine));
}

}
