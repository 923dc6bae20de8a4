#pragma once
#include <QDateTime>
#include <QJsonArray>
#include <QString>
#include <optional>
#include <vector>

namespace apr {

enum class ArgKind {
    Text,        // JSON string (null is taken as an empty text)
    Integer,     // JSON integral number
    Date,        // {"date":"YYYY-MM-DDTHH:MM:SS"} (or null)
    DateOrZero,  // a date object or the integer 0 meaning "no date"
    TextOrZero,  // a string or the integer 0
    Variant,     // any JSON value
};

struct Param {
    const char *name;
    ArgKind kind;
};

using Form = std::vector<Param>;

// Checks `params` against one of `forms`; throws InvalidParams naming the
// method and the offending argument. Returns the index of the form matched.
int checkParams(const QString &method, const std::vector<Form> &forms, const QJsonArray &params);

// Positional arguments of a call, already checked against their form.
class Args {
public:
    explicit Args(QJsonArray values) : m_values(std::move(values)) {}
    int count() const { return int(m_values.size()); }
    QString text(int i) const;
    qint64 integer(int i) const;
    // Empty for null and for the integer 0.
    std::optional<QDateTime> date(int i) const;
    QJsonValue raw(int i) const { return m_values.at(i); }
private:
    QJsonArray m_values;
};

// Parses "YYYY-MM-DDTHH:MM:SS" (a bare date is accepted as midnight).
std::optional<QDateTime> parseStamp(const QString &text);
QString formatStamp(const QDateTime &when);

}
