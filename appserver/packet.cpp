#include "packet.h"
#include <QSqlQuery>
#include <QSqlRecord>
#include <QJsonDocument>
#include <QLocale>
#include <algorithm>
#include <cmath>
#include <cstring>

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

char *writeUtf8(char *p, char32_t c)
{
    if (c < 0x800) {
        *p++ = char(0xC0 | (c >> 6));
    } else if (c < 0x10000) {
        *p++ = char(0xE0 | (c >> 12));
        *p++ = char(0x80 | ((c >> 6) & 0x3F));
    } else {
        *p++ = char(0xF0 | (c >> 18));
        *p++ = char(0x80 | ((c >> 12) & 0x3F));
        *p++ = char(0x80 | ((c >> 6) & 0x3F));
    }
    *p++ = char(0x80 | (c & 0x3F));
    return p;
}

char *writeEscape(char *p, char16_t c)
{
    static const char hex[] = "0123456789abcdef";
    *p++ = '\\';
    switch (c) {
    case '"': *p++ = '"'; break;
    case '\\': *p++ = '\\'; break;
    case '\b': *p++ = 'b'; break;
    case '\f': *p++ = 'f'; break;
    case '\n': *p++ = 'n'; break;
    case '\r': *p++ = 'r'; break;
    case '\t': *p++ = 't'; break;
    default:
        *p++ = 'u';
        *p++ = '0';
        *p++ = '0';
        *p++ = hex[c >> 4];
        *p++ = hex[c & 0xF];
    }
    return p;
}

// At most six bytes per UTF-16 unit, and the quotes.
qsizetype jsonStringRoom(QStringView text)
{
    return 6 * text.size() + 2;
}

char *writeJsonString(char *p, QStringView text)
{
    *p++ = '"';
    const char16_t *c = text.utf16();
    const char16_t *end = c + text.size();
    for (; c < end; ++c) {
        const char16_t u = *c;
        if (u >= 0x20 && u < 0x80 && u != '"' && u != '\\') {
            *p++ = char(u);
        } else if (u < 0x80) {
            p = writeEscape(p, u);
        } else if (QChar::isHighSurrogate(u) && c + 1 < end && QChar::isLowSurrogate(c[1])) {
            p = writeUtf8(p, QChar::surrogateToUcs4(u, c[1]));
            ++c;
        } else {
            p = writeUtf8(p, QChar::isSurrogate(u) ? char32_t(0xFFFD) : char32_t(u));
        }
    }
    *p++ = '"';
    return p;
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

QByteArray PacketWriter::fieldsJson(const std::vector<Field> &fields)
{
    return QJsonDocument(fieldList(fields)).toJson(QJsonDocument::Compact);
}

PacketWriter::PacketWriter(const std::vector<Field> &fields) : PacketWriter(fields, fieldsJson(fields))
{
}

PacketWriter::PacketWriter(const std::vector<Field> &fields, QByteArrayView fieldsText) : m_fields(fields)
{
    put("{\"fields\":");
    put(fieldsText);
    put(",\"rows\":[");
}

// The buffer grows in big steps and is written through a pointer: appending
// a large packet byte by byte to the array cost more than finding its rows.
char *PacketWriter::room(qsizetype bytes)
{
    if (m_used + bytes > m_out.size())
        m_out.resize(std::max(m_used + bytes, 2 * m_out.size() + 64 * 1024));
    return m_out.data() + m_used;
}

void PacketWriter::put(QByteArrayView bytes)
{
    std::memcpy(room(bytes.size()), bytes.data(), size_t(bytes.size()));
    m_used += bytes.size();
}

void PacketWriter::appendValue(const Field &field, const QVariant &value)
{
    if (!value.isValid() || value.isNull()) {
        put("null");
        return;
    }
    switch (field.type) {
    case FieldType::String:
    case FieldType::Memo:
    case FieldType::DateTime: {
        const QString text = value.toString();
        if (field.type == FieldType::DateTime && text.isEmpty()) {
            put("null");
        } else {
            char *start = room(jsonStringRoom(text));
            m_used += writeJsonString(start, text) - start;
        }
        return;
    }
    case FieldType::Float: {
        const double d = value.toDouble();
        put(std::isfinite(d) ? QByteArray::number(d, 'g', QLocale::FloatingPointShortest) : QByteArray("null"));
        return;
    }
    case FieldType::Integer:
        put(QByteArray::number(value.toLongLong()));
        return;
    }
    put("null");
}

void PacketWriter::putString(QByteArrayView utf8)
{
    char *p = room(6 * utf8.size() + 2);
    char *const start = p;
    *p++ = '"';
    for (const char byte : utf8) {
        const auto u = static_cast<unsigned char>(byte);
        if (u >= 0x20 && u != '"' && u != '\\')
            *p++ = byte;
        else
            p = writeEscape(p, u);
    }
    *p++ = '"';
    m_used += p - start;
}

void PacketWriter::putNumber(double d)
{
    put(std::isfinite(d) ? QByteArray::number(d, 'g', QLocale::FloatingPointShortest) : QByteArray("null"));
}

// As appendValue() writes the value the Qt driver makes of the same cell.
void PacketWriter::appendCell(const Field &field, const Cell &cell)
{
    switch (cell.kind) {
    case Cell::Null:
        put("null");
        return;
    case Cell::Text:
        if (field.type == FieldType::Float)
            putNumber(cell.text.toByteArray().toDouble());
        else if (field.type == FieldType::Integer)
            put(QByteArray::number(cell.text.toByteArray().toLongLong()));
        else if (field.type == FieldType::DateTime && cell.text.isEmpty())
            put("null");
        else
            putString(cell.text);
        return;
    case Cell::Real:
    case Cell::Integer: {
        const double d = cell.kind == Cell::Real ? cell.real : double(cell.integer);
        if (field.type == FieldType::Float) {
            putNumber(d);
        } else if (field.type == FieldType::Integer) {
            put(QByteArray::number(cell.kind == Cell::Real ? qint64(d) : cell.integer));
        } else {
            const QByteArray text = cell.kind == Cell::Real ? QByteArray::number(d, 'g', QLocale::FloatingPointShortest)
                                                            : QByteArray::number(cell.integer);
            putString(text);
        }
        return;
    }
    }
}

void PacketWriter::addRow(const Cell *cells)
{
    put(m_rows++ == 0 ? "[" : ",[");
    for (size_t i = 0; i < m_fields.size(); ++i) {
        if (i > 0)
            put(",");
        appendCell(m_fields[i], cells[i]);
    }
    put("]");
}

void PacketWriter::addRow(const QVariant *values)
{
    put(m_rows++ == 0 ? "[" : ",[");
    for (size_t i = 0; i < m_fields.size(); ++i) {
        if (i > 0)
            put(",");
        appendValue(m_fields[i], values[i]);
    }
    put("]");
}

QByteArray PacketWriter::finish()
{
    put("]}");
    m_out.truncate(m_used);
    return std::move(m_out);
}

QJsonObject Packet::toJson() const
{
    return QJsonObject{{"fields", fieldList(m_fields)}, {"rows", m_rows}};
}

}
