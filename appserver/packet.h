#pragma once
#include <QJsonArray>
#include <QJsonObject>
#include <QByteArrayView>
#include <QString>
#include <QVariant>
#include <vector>

class QSqlQuery;

namespace apr {

enum class FieldType { String, DateTime, Float, Integer, Memo };

struct Field {
    QString name;
    FieldType type;
    int size = 0; // characters, for strings
};

// A data packet: typed fields and rows, one value per field.
class Packet {
public:
    explicit Packet(std::vector<Field> fields) : m_fields(std::move(fields)) {}

    const std::vector<Field> &fields() const { return m_fields; }
    int indexOf(const QString &name) const;

    // Appends the current row of `query`, reading each field by its column name.
    void addRow(const QSqlQuery &query);
    // Appends every remaining row of an executed query.
    void addRows(QSqlQuery &query);
    void addRow(const QVariantList &values);

    qsizetype rowCount() const { return m_rows.size(); }
    QJsonArray row(qsizetype i) const { return m_rows.at(i).toArray(); }
    void setRows(QJsonArray rows) { m_rows = std::move(rows); }
    QJsonArray rows() const { return m_rows; }

    QJsonObject toJson() const;

private:
    QJsonValue convert(const Field &field, const QVariant &value) const;
    void addRow(const QSqlQuery &query, const std::vector<int> &columns);

    std::vector<Field> m_fields;
    QJsonArray m_rows;
};

// One value as SQLite gives it: null, UTF-8 text (not copied) or a number.
struct Cell {
    enum Kind { Null, Text, Real, Integer } kind = Null;
    QByteArrayView text;
    double real = 0;
    qint64 integer = 0;
};

// Writes a packet straight to JSON text, row by row, without building a
// document first: the way for large results. The text is the one a
// Packet gives for the same rows.
class PacketWriter {
public:
    explicit PacketWriter(const std::vector<Field> &fields);
    // With the packet's "fields" text made once by fieldsJson(), for a
    // packet sent again and again.
    PacketWriter(const std::vector<Field> &fields, QByteArrayView fieldsText);
    static QByteArray fieldsJson(const std::vector<Field> &fields);
    // One value per field, in field order.
    void addRow(const QVariant *values);
    // The same from cells; the text of a string field must be valid UTF-8.
    void addRow(const Cell *cells);
    qsizetype rowCount() const { return m_rows; }
    QByteArray finish();

private:
    void appendValue(const Field &field, const QVariant &value);
    void appendCell(const Field &field, const Cell &cell);
    void putString(QByteArrayView utf8);
    void putNumber(double d);
    char *room(qsizetype bytes);
    void put(QByteArrayView bytes);

    const std::vector<Field> &m_fields;
    QByteArray m_out;
    qsizetype m_used = 0;
    qsizetype m_rows = 0;
};

inline Field str(const char *name, int size) { return {name, FieldType::String, size}; }
inline Field dt(const char *name) { return {name, FieldType::DateTime, 0}; }
inline Field num(const char *name) { return {name, FieldType::Float, 0}; }
inline Field integer(const char *name) { return {name, FieldType::Integer, 0}; }
inline Field memo(const char *name) { return {name, FieldType::Memo, 0}; }

}
