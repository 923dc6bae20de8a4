#include "args.h"
#include "rpcerror.h"
#include <QJsonObject>
#include <cmath>

namespace apr {

namespace {

bool isInteger(const QJsonValue &v)
{
    if (!v.isDouble())
        return false;
    const double d = v.toDouble();
    return std::isfinite(d) && d == std::floor(d) && std::fabs(d) < 9.0e15;
}

bool isDateObject(const QJsonValue &v)
{
    if (!v.isObject())
        return false;
    const QJsonObject o = v.toObject();
    return o.size() == 1 && o.value("date").isString() && parseStamp(o.value("date").toString());
}

const char *expected(ArgKind kind)
{
    switch (kind) {
    case ArgKind::Text: return "a string";
    case ArgKind::Integer: return "an integer";
    case ArgKind::Date: return "a date {\"date\":\"YYYY-MM-DDTHH:MM:SS\"}";
    case ArgKind::DateOrZero: return "a date {\"date\":\"YYYY-MM-DDTHH:MM:SS\"} or the integer 0";
    case ArgKind::TextOrZero: return "a string or the integer 0";
    case ArgKind::Variant: return "any value";
    }
    return "?";
}

bool accepts(ArgKind kind, const QJsonValue &v)
{
    switch (kind) {
    case ArgKind::Text: return v.isString() || v.isNull();
    case ArgKind::Integer: return isInteger(v);
    case ArgKind::Date: return isDateObject(v) || v.isNull();
    case ArgKind::DateOrZero: return isDateObject(v) || (isInteger(v) && v.toDouble() == 0);
    case ArgKind::TextOrZero: return v.isString() || (isInteger(v) && v.toDouble() == 0);
    case ArgKind::Variant: return true;
    }
    return false;
}

QString counts(const std::vector<Form> &forms)
{
    QStringList list;
    for (const Form &f : forms)
        list << QString::number(f.size());
    return list.join(" or ");
}

}

int checkParams(const QString &method, const std::vector<Form> &forms, const QJsonArray &params)
{
    for (size_t i = 0; i < forms.size(); ++i) {
        const Form &form = forms[i];
        if (qsizetype(form.size()) != params.size())
            continue;
        for (size_t a = 0; a < form.size(); ++a) {
            if (!accepts(form[a].kind, params.at(qsizetype(a))))
                throw RpcError(InvalidParams,
                               QString("%1: argument %2 (%3) must be %4")
                                   .arg(method).arg(a + 1).arg(form[a].name, expected(form[a].kind)));
        }
        return int(i);
    }
    throw RpcError(InvalidParams, QString("%1: expects %2 arguments, got %3")
                                      .arg(method, counts(forms)).arg(params.size()));
}

QString Args::text(int i) const
{
    const QJsonValue v = m_values.at(i);
    if (v.isString())
        return v.toString();
    if (v.isDouble())
        return QString::number(v.toInteger());
    return {};
}

qint64 Args::integer(int i) const
{
    return qint64(m_values.at(i).toDouble());
}

std::optional<QDateTime> Args::date(int i) const
{
    const QJsonValue v = m_values.at(i);
    if (!v.isObject())
        return std::nullopt;
    return parseStamp(v.toObject().value("date").toString());
}

std::optional<QDateTime> parseStamp(const QString &text)
{
    QDateTime when = QDateTime::fromString(text, "yyyy-MM-ddTHH:mm:ss");
    if (!when.isValid()) {
        const QDate day = QDate::fromString(text, "yyyy-MM-dd");
        if (!day.isValid())
            return std::nullopt;
        when = QDateTime(day, QTime(0, 0));
    }
    return when;
}

QString formatStamp(const QDateTime &when)
{
    return when.toString("yyyy-MM-ddTHH:mm:ss");
}

}
