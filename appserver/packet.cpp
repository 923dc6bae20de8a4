#include "packet.h"
#include <QSqlQuery>
#include <QSqlRecord>
#include <QJsonDocument>
#include <QLocale>
#include <cmath>

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

namespace {

std::vector<int> columnsOf(const std::vector<Field> &fields, const QSqlRecord &record)
{
    std::vector<int> columns;
    columns.reserve(fields.size());
    for (const Field &field : fields)
        columns.push_back(record.indexOf(field.name));
    return columns;
}

void appendUtf8(QByteArray &out, char32_t c)
{
    if (c < 0x800) {
        out += char(0xC0 | (c >> 6));
    } else if (c < 0x10000) {
        out += char(0xE0 | (c >> 12));
        out += char(0x80 | ((c >> 6) & 0x3F));
    } else {
        out += char(0xF0 | (c >> 18));
        out += char(0x80 | ((c >> 12) & 0x3F));
        out += char(0x80 | ((c >> 6) & 0x3F));
    }
    out += char(0x80 | (c & 0x3F));
}

void appendJsonString(QByteArray &out, QStringView text)
{
    static const char hex[] = "0123456789abcdef";
    out += '"';
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t c = text[i].unicode();
        if (c >= 0x80) {
            char32_t code = c;
            if (QChar::isHighSurrogate(c) && i + 1 < text.size() && QChar::isLowSurrogate(text[i + 1].unicode()))
                code = QChar::surrogateToUcs4(c, text[++i].unicode());
            else if (QChar::isSurrogate(c))
                code = 0xFFFD;
            appendUtf8(out, code);
            continue;
        }
        switch (c) {
        case '"': out += "\\\""; break;
        case '\\': out += "\\\\"; break;
        case '\b': out += "\\b"; break;
        case '\f': out += "\\f"; break;
        case '\n': out += "\\n"; break;
        case '\r': out += "\\r"; break;
        case '\t': out += "\\t"; break;
        default:
            if (c < 0x20) {
                out += "\\u00";
                out += hex[c >> 4];
                out += hex[c & 0xF];
            } else {
                out += char(c);
            }
        }
    }
    out += '"';
}

}

void Packet::addRow(const QSqlQuery &query)
{
    addRow(query, columnsOf(m_fields, query.record()));
}

void Packet::addRow(const QSqlQuery &query, const std::vector<int> &columns)
{
    QJsonArray row;
    for (size_t i = 0; i < m_fields.size(); ++i)
        row.append(columns[i] < 0 ? QJsonValue(QJsonValue::Null) : convert(m_fields[i], query.value(columns[i])));
    m_rows.append(row);
}

void Packet::addRows(QSqlQuery &query)
{
    const std::vector<int> columns = columnsOf(m_fields, query.record());
    while (query.next())
        addRow(query, columns);
}

void Packet::addRow(const QVariantList &values)
{
    QJsonArray row;
    for (size_t i = 0; i < m_fields.size(); ++i)
        row.append(i < size_t(values.size()) ? convert(m_fields[i], values[qsizetype(i)]) : QJsonValue());
    m_rows.append(row);
}

// The "fields" member of a packet.
static QJsonArray fieldList(const std::vector<Field> &fields)
{
    QJsonArray list;
    for (const Field &f : fields) {
        QJsonObject o{{"name", f.name}, {"type", typeName(f.type)}};
        if (f.type == FieldType::String)
            o.insert("size", f.size);
        list.append(o);
    }
    return list;
}

PacketWriter::PacketWriter(const std::vector<Field> &fields) : m_fields(fields)
{
    m_out = "{\"fields\":" + QJsonDocument(fieldList(m_fields)).toJson(QJsonDocument::Compact) + ",\"rows\":[";
}

void PacketWriter::appendValue(const Field &field, const QVariant &value)
{
    if (!value.isValid() || value.isNull()) {
        m_out += "null";
        return;
    }
    switch (field.type) {
    case FieldType::String:
    case FieldType::Memo:
    case FieldType::DateTime: {
        const QString text = value.toString();
        if (field.type == FieldType::DateTime && text.isEmpty())
            m_out += "null";
        else
            appendJsonString(m_out, text);
        return;
    }
    case FieldType::Float: {
        const double d = value.toDouble();
        m_out += std::isfinite(d) ? QByteArray::number(d, 'g', QLocale::FloatingPointShortest) : "null";
        return;
    }
    case FieldType::Integer:
        m_out += QByteArray::number(value.toLongLong());
        return;
    }
    m_out += "null";
}

void PacketWriter::addRow(const QVariant *values)
{
    m_out += m_rows++ == 0 ? "[" : ",[";
    for (size_t i = 0; i < m_fields.size(); ++i) {
        if (i > 0)
            m_out += ',';
        appendValue(m_fields[i], values[i]);
    }
    m_out += ']';
}

QByteArray PacketWriter::finish()
{
    m_out += "]}";
    return std::move(m_out);
}

QJsonObject Packet::toJson() const
{
    return QJsonObject{{"fields", fieldList(m_fields)}, {"rows", m_rows}};
}

}
