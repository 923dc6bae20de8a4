#include "calllog.h"
#include <algorithm>
#include <cstdio>

namespace apr {

bool parseLogLevel(const QString &text, LogLevel &level)
{
    if (text == "error")
        level = LogLevel::Error;
    else if (text == "info")
        level = LogLevel::Info;
    else if (text == "debug")
        level = LogLevel::Debug;
    else
        return false;
    return true;
}

void CallLog::write(const QString &text) const
{
    const QByteArray line = "apr-server: " + text.toUtf8() + '\n';
    std::fwrite(line.constData(), 1, size_t(line.size()), stderr);
}

void CallLog::info(const QString &text) const
{
    if (m_level >= LogLevel::Info)
        write(text);
}

void CallLog::record(const CallOutcome &outcome, double milliseconds)
{
    const bool failed = outcome.errorCode != 0;
    const QString method = outcome.method.isEmpty() ? QStringLiteral("(no method)") : outcome.method;
    if (failed)
        write(QString("call %1 failed [%2] %3").arg(method).arg(outcome.errorCode).arg(outcome.error));
    else if (m_level >= LogLevel::Debug)
        write(QString("call %1 %2 ms").arg(method).arg(milliseconds, 0, 'f', 2));
    std::lock_guard lock(m_mutex);
    m_durations.push_back(float(milliseconds));
    if (failed)
        ++m_errors;
}

void CallLog::summarise()
{
    std::vector<float> durations;
    long errors = 0;
    {
        std::lock_guard lock(m_mutex);
        durations.swap(m_durations);
        std::swap(errors, m_errors);
    }
    float p99 = 0;
    if (!durations.empty()) {
        const auto at = durations.begin() + qsizetype(durations.size() * 99 / 100);
        std::nth_element(durations.begin(), at, durations.end());
        p99 = *at;
    }
    info(QString("last minute: %1 calls, %2 errors, p99 %3 ms").arg(durations.size()).arg(errors).arg(p99, 0, 'f', 1));
}

}
