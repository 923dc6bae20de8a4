#pragma once
#include <QString>
#include <mutex>
#include <vector>

namespace apr {

enum class LogLevel { Error, Info, Debug };
bool parseLogLevel(const QString &text, LogLevel &level);

// What became of one call, for the log.
struct CallOutcome {
    QString method;  // empty when the line was not a request
    int errorCode = 0;
    QString error;   // message and detail of an error reply
};

// The server's lines on standard error: one per failed call, and a summary
// of the calls of the last period. Shared by the worker threads.
class CallLog {
public:
    explicit CallLog(LogLevel level) : m_level(level) {}
    LogLevel level() const { return m_level; }

    void record(const CallOutcome &outcome, double milliseconds);
    // Writes "calls, errors, p99" of the calls recorded since the last summary.
    void summarise();
    void info(const QString &text) const;

private:
    void write(const QString &text) const;

    const LogLevel m_level;
    std::mutex m_mutex;
    std::vector<float> m_durations;
    long m_errors = 0;
};

}
