#include "packet.h"
#include <QSqlQuery>
#include <QSqlRecord>

namespace apr {

namespace {

const char *typeName(FieldType t)
{
    switch (t) {
    case FieldType::String: return "string";
    case FieldType::DateTime: return "datetime";
    case FieldType::Float: return "float";
    case FieldType::Integer: return "integer";
    case FieldType::Memo: return "memo";
    }
    return "string";
}

}

int Packet::indexOf(const QString &name) const
{
    for (size_t i = 0; i < m_fields.size(); ++i)
        if (m_fields[i].name == name)
            return int(i);
    return -1;
}

QJsonValue Packet::convert(const Field &field, const QVariant &value) const
{
    if (!value.isValid() || value.isNull())
        return QJsonValue::Null;
    switch (field.type) {
    case FieldType::String:
    case FieldType::Memo:
    case FieldType::DateTime: {
        const QString text = value.toString();
        if (field.type == FieldType::DateTime && text.isEmpty())
            return QJsonValue::Null;
        return text;
    }
    case FieldType::Float:
        return value.toDouble();
    case FieldType::Integer:
        return value.toLongLong();
    }
    return QJsonValue::Null;
}

void Packet::addRow(const QSqlQuery &query)
{
    const QSqlRecord record = query.record();
    QJsonArray row;
    for (const Field &field : m_fields) {
        const int column = record.indexOf(field.name);
        row.append(column < 0 ? QJsonValue(QJsonValue::Null) : convert(field, query.value(column)));
    }
    m_rows.append(row);
}

void Packet::addRows(QSqlQuery &query)
{
    while (query.next())
        addRow(query);
}

void Packet::addRow(const QVariantList &values)
{
    QJsonArray row;
    for (size_t i = 0; i < m_fields.size(); ++i)
        row.append(i < size_t(values.size()) ? convert(m_fields[i], values[qsizetype(i)]) : QJsonValue());
    m_rows.append(row);
}

QJsonObject Packet::toJson() const
{
    QJsonArray fields;
    for (const Field &f : m_fields) {
        QJsonObject o{{"name", f.name}, {"type", typeName(f.type)}};
        if (f.type == FieldType::String)
            o.insert("size", f.size);
        fields.append(o);
    }
    return QJsonObject{{"fields", fields}, {"rows", m_rows}};
}

}
