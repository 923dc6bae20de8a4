#include "host/recordset.h"
#include <QLocale>
#include "host/abort.h"

#include <QFile>
#include <QHash>
#include <QJsonDocument>
#include <QSaveFile>
#include <QThreadPool>
#include <algorithm>
#include <future>
#include <stdexcept>

namespace qor {

struct RecordSet::Row {
    qint64 id = 0;
    QVector<QVariant> values;
};

enum LogOp { OpInsert, OpUpdate, OpDelete };

struct RecordSet::LogEntry {
    int op = OpInsert;
    qint64 rowId = 0;
    QVector<QVariant> oldValues;
    QVector<QVariant> newValues;
    int position = -1;       // index in the rows of a deleted row
};

namespace {

const char *const kDateWire = "yyyy-MM-ddTHH:mm:ss";

QString typeName(FieldType type)
{
    switch (type) {
    case FieldType::String: return QStringLiteral("string");
    case FieldType::DateTime: return QStringLiteral("datetime");
    case FieldType::Float: return QStringLiteral("float");
    case FieldType::Integer: return QStringLiteral("integer");
    case FieldType::Memo: return QStringLiteral("memo");
    }
    return QStringLiteral("string");
}

bool typeFromName(const QString &name, FieldType &type)
{
    const QString n = name.toLower();
    if (n == "string") type = FieldType::String;
    else if (n == "datetime") type = FieldType::DateTime;
    else if (n == "float") type = FieldType::Float;
    else if (n == "integer") type = FieldType::Integer;
    else if (n == "memo") type = FieldType::Memo;
    else return false;
    return true;
}

bool isText(FieldType type) { return type == FieldType::String || type == FieldType::Memo; }

QDateTime parseDateText(const QString &text)
{
    static const char *const formats[] = {"dd/MM/yyyy HH:mm:ss", "dd/MM/yyyy HH:mm", "dd/MM/yyyy",
                                          "yyyy-MM-ddTHH:mm:ss", "yyyy-MM-dd HH:mm:ss", "yyyy-MM-dd"};
    const QString t = text.trimmed();
    for (const char *format : formats) {
        QDateTime when = QDateTime::fromString(t, QString::fromLatin1(format));
        if (when.isValid())
            return when;
    }
    return {};
}

// Normalises a value to the storage type of a field; throws on text that does
// not fit a numeric or date field.
QVariant coerce(const FieldDef &def, const QVariant &value)
{
    if (!value.isValid() || value.isNull())
        return {};
    switch (def.type) {
    case FieldType::String: {
        QString text = value.typeId() == QMetaType::QDateTime ? value.toDateTime().toString("dd/MM/yyyy HH:mm:ss")
                                                              : value.toString();
        if (def.size > 0 && text.size() > def.size)
            text.truncate(def.size);
        return text;
    }
    case FieldType::Memo:
        return value.toString();
    case FieldType::DateTime: {
        if (value.typeId() == QMetaType::QDateTime)
            return value.toDateTime().isValid() ? value : QVariant();
        if (value.typeId() == QMetaType::QDate)
            return QDateTime(value.toDate(), QTime(0, 0));
        const QString text = value.toString();
        if (text.trimmed().isEmpty())
            return {};
        QDateTime when = parseDateText(text);
        if (!when.isValid())
            throw std::invalid_argument(QStringLiteral("\"%1\" não é uma data válida para o campo %2.")
                                            .arg(text, def.name).toStdString());
        return when;
    }
    case FieldType::Float: {
        if (value.typeId() == QMetaType::QString) {
            QString text = value.toString().trimmed();
            if (text.isEmpty())
                return {};
            bool ok = false;
            double d = text.toDouble(&ok);
            if (!ok)
                d = QString(text).replace(',', '.').toDouble(&ok);
            if (!ok)
                throw std::invalid_argument(QStringLiteral("\"%1\" não é um número válido para o campo %2.")
                                                .arg(text, def.name).toStdString());
            return d;
        }
        return value.toDouble();
    }
    case FieldType::Integer: {
        if (value.typeId() == QMetaType::QString) {
            QString text = value.toString().trimmed();
            if (text.isEmpty())
                return {};
            bool ok = false;
            qlonglong n = text.toLongLong(&ok);
            if (!ok)
                throw std::invalid_argument(QStringLiteral("\"%1\" não é um número inteiro válido para o campo %2.")
                                                .arg(text, def.name).toStdString());
            return n;
        }
        if (value.typeId() == QMetaType::Double)
            return qRound64(value.toDouble());
        return value.toLongLong();
    }
    }
    return value;
}

QJsonValue toWire(FieldType type, const QVariant &value)
{
    if (!value.isValid() || value.isNull())
        return QJsonValue::Null;
    switch (type) {
    case FieldType::DateTime: return value.toDateTime().toString(QString::fromLatin1(kDateWire));
    case FieldType::Float: return value.toDouble();
    case FieldType::Integer: return value.toLongLong();
    default: return value.toString();
    }
}

// Wire stamps of one packet, read once each: turning a text into a local
// time looks the time zone up, and a plan repeats the same days many times.
class WireDates {
public:
    QDateTime read(const QString &text)
    {
        auto it = m_seen.constFind(text);
        if (it == m_seen.constEnd())
            it = m_seen.insert(text, QDateTime::fromString(text, Qt::ISODate));
        return *it;
    }

private:
    QHash<QString, QDateTime> m_seen;
};

// Reads a wire value; ok is cleared when it does not fit the type.
QVariant fromWire(const FieldDef &def, const QJsonValue &value, bool &ok, WireDates *dates = nullptr)
{
    ok = true;
    if (value.isNull() || value.isUndefined())
        return {};
    switch (def.type) {
    case FieldType::String:
    case FieldType::Memo:
        if (value.isDouble())
            return QString::number(value.toDouble(), 'g', 15);
        if (value.isBool())
            return value.toBool() ? QStringLiteral("True") : QStringLiteral("False");
        if (!value.isString()) break;
        return value.toString();
    case FieldType::DateTime: {
        if (!value.isString()) break;
        const QString text = value.toString();
        const QDateTime when = dates ? dates->read(text) : QDateTime::fromString(text, Qt::ISODate);
        if (!when.isValid()) break;
        return when;
    }
    case FieldType::Float:
        if (value.isDouble()) return value.toDouble();
        if (value.isString()) {
            double d = value.toString().toDouble(&ok);
            if (ok) return d;
        }
        break;
    case FieldType::Integer:
        if (value.isDouble()) return qRound64(value.toDouble());
        if (value.isString()) {
            qlonglong n = value.toString().toLongLong(&ok);
            if (ok) return n;
        }
        break;
    }
    ok = false;
    return {};
}

struct ParsedPacket {
    QList<FieldDef> fields;
    std::vector<QVector<QVariant>> rows;
};

// Reads rows [from, to) of a packet into out.rows, which has room for them.
bool parseRows(const QJsonArray &rows, int from, int to, ParsedPacket &out, QString &error)
{
    WireDates dates;
    for (int r = from; r < to; ++r) {
        const QJsonArray cells = rows.at(r).toArray();
        if (!rows.at(r).isArray() || cells.size() > out.fields.size()) {
            error = QStringLiteral("linha %1 do pacote de dados inválida").arg(r + 1);
            return false;
        }
        QVector<QVariant> values(out.fields.size());
        for (int c = 0; c < cells.size(); ++c) {
            bool ok = true;
            values[c] = fromWire(out.fields.at(c), cells.at(c), ok, &dates);
            if (!ok) {
                error = QStringLiteral("valor inválido no campo %1, linha %2 do pacote de dados")
                            .arg(out.fields.at(c).name).arg(r + 1);
                return false;
            }
        }
        out.rows[size_t(r)] = std::move(values);
    }
    return true;
}

bool parsePacket(const QJsonObject &packet, ParsedPacket &out, QString &error)
{
    const QJsonValue fieldsValue = packet.value("fields");
    if (!fieldsValue.isArray()) {
        error = QStringLiteral("pacote de dados sem a lista de campos");
        return false;
    }
    for (const QJsonValue &f : fieldsValue.toArray()) {
        const QJsonObject o = f.toObject();
        FieldDef def;
        def.name = o.value("name").toString().toUpper();
        if (def.name.isEmpty() || !typeFromName(o.value("type").toString("string"), def.type)) {
            error = QStringLiteral("definição de campo inválida no pacote de dados");
            return false;
        }
        def.size = o.value("size").toInt(def.type == FieldType::String ? 20 : 0);
        out.fields.append(def);
    }
    const QJsonValue rowsValue = packet.value("rows");
    if (!rowsValue.isUndefined() && !rowsValue.isArray()) {
        error = QStringLiteral("pacote de dados com linhas inválidas");
        return false;
    }
    const QJsonArray rows = rowsValue.toArray();
    out.rows.resize(size_t(rows.size()));
    // A large packet is read in two halves at once: most of the time goes to
    // making a text of every cell.
    constexpr int readInHalves = 2000;
    if (rows.size() < readInHalves)
        return parseRows(rows, 0, int(rows.size()), out, error);
    const int half = int(rows.size()) / 2;
    QString secondError;
    auto second = std::async(std::launch::async, [&] { return parseRows(rows, half, int(rows.size()), out, secondError); });
    const bool firstRead = parseRows(rows, 0, half, out, error);
    const bool secondRead = second.get();
    if (firstRead && !secondRead)
        error = secondError;
    return firstRead && secondRead;
}

QJsonArray valuesToWire(const std::vector<std::unique_ptr<Field>> &fields, const QVector<QVariant> &values)
{
    QJsonArray out;
    for (size_t i = 0; i < fields.size(); ++i)
        out.append(toWire(fields[i]->type(), int(i) < values.size() ? values.at(int(i)) : QVariant()));
    return out;
}

} // namespace

// ---- Field -------------------------------------------------------------------------

Field::Field(RecordSet *owner, FieldDef def, int index) : m_owner(owner), m_def(std::move(def)), m_index(index) {}

QVariant Field::value() const { return m_owner->currentValue(m_index); }

void Field::setValue(const QVariant &value) { m_owner->setCurrentValue(m_index, coerce(m_def, value)); }

bool Field::isNull() const
{
    const QVariant v = value();
    return !v.isValid() || v.isNull();
}

void Field::clear() { setValue(QVariant()); }

static QString textOf(FieldType type, const QVariant &v)
{
    if (!v.isValid() || v.isNull())
        return {};
    switch (type) {
    case FieldType::DateTime: {
        const QDateTime when = v.toDateTime();
        if (!when.isValid()) return {};
        return when.time() == QTime(0, 0) ? when.toString("dd/MM/yyyy") : when.toString("dd/MM/yyyy HH:mm:ss");
    }
    case FieldType::Float: return QString::number(v.toDouble(), 'g', 15);
    case FieldType::Integer: return QString::number(v.toLongLong());
    default: return v.toString();
    }
}

QString Field::asString() const { return textOf(m_def.type, value()); }

void Field::setAsString(const QString &text)
{
    if (!isText(m_def.type) && text.trimmed().isEmpty())
        setValue(QVariant());
    else
        setValue(QVariant(text));
}

QDateTime Field::asDateTime() const
{
    const QVariant v = value();
    if (!v.isValid() || v.isNull()) return {};
    if (v.typeId() == QMetaType::QDateTime) return v.toDateTime();
    return parseDateText(v.toString());
}

double Field::asFloat() const
{
    const QVariant v = value();
    if (!v.isValid() || v.isNull()) return 0.0;
    bool ok = false;
    double d = v.toDouble(&ok);
    if (!ok && v.typeId() == QMetaType::QString)
        d = v.toString().trimmed().replace(',', '.').toDouble(&ok);
    return ok ? d : 0.0;
}

int Field::asInteger() const
{
    const QVariant v = value();
    if (!v.isValid() || v.isNull()) return 0;
    if (v.typeId() == QMetaType::Double) return int(qRound64(v.toDouble()));
    bool ok = false;
    int n = v.typeId() == QMetaType::QString ? v.toString().trimmed().toInt(&ok) : v.toInt(&ok);
    return ok ? n : 0;
}

QString DisplayNumber(double value)
{
    QLocale locale;
    locale.setNumberOptions(QLocale::OmitGroupSeparator);
    return locale.toString(value, 'g', 15);
}

// What the operator reads has the locale's decimal comma; asString stays the plain text.
static QString displayOf(FieldType type, const QVariant &v)
{
    if (type == FieldType::Float && v.isValid() && !v.isNull()) {
        bool ok = false;
        const double d = v.toDouble(&ok);
        if (ok)
            return DisplayNumber(d);
    }
    return textOf(type, v);
}

QString Field::displayText() const { return onGetText ? onGetText(*this) : displayOf(m_def.type, value()); }

QVariant Field::valueAt(int row) const { return m_owner->valueAt(row, m_index); }

QString Field::displayTextAt(int row) const
{
    if (!onGetText)
        return displayOf(m_def.type, valueAt(row));
    // onGetText reads the current row: look at the wanted row without moving.
    const RecordSet::Row *saved = m_owner->m_probe;
    if (row >= 0 && row < m_owner->m_visible.size())
        m_owner->m_probe = m_owner->m_rows[size_t(m_owner->m_visible.at(row))].get();
    QString text;
    try {
        text = onGetText(*this);
    } catch (...) {
        m_owner->m_probe = saved;
        throw;
    }
    m_owner->m_probe = saved;
    return text;
}

// ---- Events --------------------------------------------------------------------------

RecordSetEvent &RecordSetEvent::operator=(Listener listener)
{
    m_listeners.clear();
    if (listener)
        add(std::move(listener));
    return *this;
}

RecordSetEvent::Id RecordSetEvent::add(Listener listener)
{
    const Id id = m_next++;
    m_listeners.emplace_back(id, std::move(listener));
    return id;
}

void RecordSetEvent::remove(Id id)
{
    std::erase_if(m_listeners, [id](const auto &entry) { return entry.first == id; });
}

void RecordSetEvent::operator()(RecordSet &records) const
{
    // A listener may add or remove listeners while the event runs.
    const auto listeners = m_listeners;
    for (const auto &entry : listeners)
        entry.second(records);
}

// ---- RecordSet: fields and packets --------------------------------------------------

RecordSet::RecordSet(const QString &name, QObject *parent) : QObject(parent), m_name(name) {}

RecordSet::~RecordSet() = default;

void RecordSet::defineFields(const QList<FieldDef> &defs)
{
    m_fields.clear();
    m_fieldIndex.clear();
    for (FieldDef def : defs) {
        def.name = def.name.toUpper();
        m_fieldIndex.insert(def.name, int(m_fields.size()));
        m_fields.push_back(std::make_unique<Field>(this, def, int(m_fields.size())));
    }
    m_persistentFields = int(m_fields.size());
    for (auto &row : m_rows)
        row->values.resize(int(m_fields.size()));
}

Field *RecordSet::findField(const QString &name) const
{
    auto it = m_fieldIndex.constFind(name.toUpper());
    return it == m_fieldIndex.constEnd() ? nullptr : m_fields[size_t(*it)].get();
}

Field &RecordSet::fieldByName(const QString &name) const
{
    if (Field *f = findField(name))
        return *f;
    throw std::out_of_range(QStringLiteral("Campo \"%1\" não encontrado em %2.")
                                .arg(name, m_name.isEmpty() ? QStringLiteral("registro") : m_name)
                                .toStdString());
}

QString RecordSet::textOf(const QString &name) const
{
    const Field *f = currentRow() ? findField(name) : nullptr;
    return f ? f->asString() : QString();
}

QString RecordSet::textAt(const QString &name, int visibleRow) const
{
    const Field *f = findField(name);
    if (!f)
        return {};
    const QVariant v = f->valueAt(visibleRow);
    return v.isNull() ? QString() : v.toString();
}

// Keeps every field the record set has (their markers with them) and adds the
// packet's new columns; columnMap[packetColumn] = field index.
void RecordSet::adoptFields(const QList<FieldDef> &defs, QVector<int> &columnMap)
{
    columnMap.clear();
    for (const FieldDef &def : defs) {
        auto it = m_fieldIndex.constFind(def.name);
        if (it != m_fieldIndex.constEnd()) {
            columnMap.append(*it);
            continue;
        }
        const int index = int(m_fields.size());
        m_fieldIndex.insert(def.name, index);
        m_fields.push_back(std::make_unique<Field>(this, def, index));
        columnMap.append(index);
    }
}

namespace {

// Freeing the rows of a large packet costs about as much as filling them; a
// pooled thread frees them, so the new rows are shown that much sooner. Rows
// hold only values (texts, numbers, dates), which any thread may free. The
// application waits for the pool before it ends.
template <class Rows>
void discardRows(Rows rows)
{
    constexpr size_t freedHere = 1000;
    if (rows.size() < freedHere)
        return;
    auto old = std::make_shared<Rows>(std::move(rows));
    QThreadPool::globalInstance()->start([old] { old->clear(); });
}

}

void RecordSet::resetRows(std::vector<std::unique_ptr<Row>> rows)
{
    m_buffer.reset();
    discardRows(std::exchange(m_rows, std::move(rows)));
    m_log.clear();
    m_state = State::Browse;
    rebuildVisible();
    placeCursor(m_visible.isEmpty() ? -1 : 0);
    m_bof = true;
    m_eof = m_visible.isEmpty();
    emit stateChanged();
    emit dataReset();
    if (afterOpen) afterOpen(*this);
    scrolled();
}

void RecordSet::setData(const QJsonObject &packet)
{
    ParsedPacket parsed;
    QString error;
    if (!parsePacket(packet, parsed, error))
        throw std::invalid_argument((m_name + ": " + error).toStdString());
    emit aboutToReset();
    QVector<int> columnMap;
    adoptFields(parsed.fields, columnMap);
    std::vector<std::unique_ptr<Row>> rows;
    rows.reserve(parsed.rows.size());
    for (auto &values : parsed.rows) {
        auto row = std::make_unique<Row>();
        row->id = m_nextId++;
        row->values.resize(int(m_fields.size()));
        for (int c = 0; c < values.size(); ++c) {
            const Field &f = *m_fields[size_t(columnMap.at(c))];
            // a persistent field may have another type than the packet column
            row->values[columnMap.at(c)] = f.type() == parsed.fields.at(c).type ? std::move(values[c])
                                                                                : coerce(f.def(), values.at(c));
        }
        rows.push_back(std::move(row));
    }
    resetRows(std::move(rows));
}

QJsonObject RecordSet::data() const
{
    QJsonArray fields;
    for (const auto &f : m_fields) {
        QJsonObject o{{"name", f->name()}, {"type", typeName(f->type())}};
        if (f->type() == FieldType::String)
            o.insert("size", f->size());
        fields.append(o);
    }
    QJsonArray rows;
    for (const auto &row : m_rows)
        rows.append(valuesToWire(m_fields, row->values));
    return QJsonObject{{"fields", fields}, {"rows", rows}};
}

void RecordSet::emptyDataSet()
{
    if (m_state == State::Inactive) {
        open();
        return;
    }
    emit aboutToReset();
    resetRows({});
}

void RecordSet::open()
{
    emit aboutToReset();
    m_fields.resize(size_t(m_persistentFields));
    m_fieldIndex.clear();
    for (const auto &f : m_fields)
        m_fieldIndex.insert(f->name(), f->index());
    resetRows({});
}

void RecordSet::close()
{
    emit aboutToReset();
    m_buffer.reset();
    m_rows.clear();
    m_visible.clear();
    m_log.clear();
    m_cursor = -1;
    m_bof = m_eof = true;
    m_state = State::Inactive;
    emit stateChanged();
    emit dataReset();
}

// ---- Cursor --------------------------------------------------------------------------

int RecordSet::recordCount() const { return m_visible.size(); }

const RecordSet::Row *RecordSet::currentRow() const
{
    if (m_probe) return m_probe;
    if (m_buffer) return m_buffer.get();
    if (m_cursor < 0 || m_cursor >= m_visible.size()) return nullptr;
    return m_rows[size_t(m_visible.at(m_cursor))].get();
}

QVariant RecordSet::currentValue(int fieldIndex) const
{
    const Row *row = currentRow();
    if (!row || fieldIndex < 0 || fieldIndex >= row->values.size()) return {};
    return row->values.at(fieldIndex);
}

void RecordSet::requireEditing(const char *action) const
{
    if (m_state != State::Edit && m_state != State::Insert)
        throw std::logic_error(QStringLiteral("%1: %2 fora de edição ou inclusão.")
                                   .arg(m_name, QString::fromLatin1(action)).toStdString());
}

void RecordSet::setCurrentValue(int fieldIndex, const QVariant &value)
{
    requireEditing("valor atribuído");
    if (fieldIndex >= m_buffer->values.size())
        m_buffer->values.resize(int(m_fields.size()));
    m_buffer->values[fieldIndex] = value;
}

void RecordSet::checkBrowseMode()
{
    if (m_state == State::Edit || m_state == State::Insert)
        post();
}

void RecordSet::placeCursor(int visibleRow)
{
    m_cursor = m_visible.isEmpty() ? -1 : std::clamp(visibleRow, 0, int(m_visible.size()) - 1);
    m_bof = m_eof = m_visible.isEmpty();
}

void RecordSet::scrolled()
{
    emit currentChanged(m_cursor);
    if (afterScroll) afterScroll(*this);
}

void RecordSet::first()
{
    checkBrowseMode();
    placeCursor(0);
    m_bof = true;
    scrolled();
}

void RecordSet::last()
{
    checkBrowseMode();
    placeCursor(int(m_visible.size()) - 1);
    m_eof = true;
    scrolled();
}

void RecordSet::next()
{
    checkBrowseMode();
    if (m_cursor + 1 >= m_visible.size()) {
        m_eof = true;
        return;
    }
    ++m_cursor;
    m_bof = m_eof = false;
    scrolled();
}

void RecordSet::prior()
{
    checkBrowseMode();
    if (m_cursor <= 0) {
        m_bof = true;
        return;
    }
    --m_cursor;
    m_bof = m_eof = false;
    scrolled();
}

void RecordSet::moveTo(int visibleRow)
{
    if (visibleRow == m_cursor && m_state == State::Browse && !m_visible.isEmpty()) {
        m_bof = m_eof = false;
        return;
    }
    checkBrowseMode();
    placeCursor(visibleRow);
    scrolled();
}

// ---- Bookmarks -------------------------------------------------------------------------

int RecordSet::rowIndexOfId(qint64 id) const
{
    for (size_t i = 0; i < m_rows.size(); ++i)
        if (m_rows[i]->id == id) return int(i);
    return -1;
}

int RecordSet::visibleOfRowIndex(int rowIndex) const
{
    auto it = std::lower_bound(m_visible.cbegin(), m_visible.cend(), rowIndex);
    return it != m_visible.cend() && *it == rowIndex ? int(it - m_visible.cbegin()) : -1;
}

RecordSet::Bookmark RecordSet::bookmark() const
{
    if (m_cursor < 0 || m_cursor >= m_visible.size()) return -1;
    return m_rows[size_t(m_visible.at(m_cursor))]->id;
}

bool RecordSet::bookmarkValid(Bookmark b) const
{
    if (b < 0) return false;
    const int index = rowIndexOfId(b);
    return index >= 0 && visibleOfRowIndex(index) >= 0;
}

void RecordSet::gotoBookmark(Bookmark b)
{
    const int index = b < 0 ? -1 : rowIndexOfId(b);
    const int visible = index < 0 ? -1 : visibleOfRowIndex(index);
    if (visible < 0)
        throw std::out_of_range((m_name + QStringLiteral(": registro não encontrado.")).toStdString());
    checkBrowseMode();
    placeCursor(visible);
    scrolled();
}

// ---- Editing ----------------------------------------------------------------------------

void RecordSet::append()
{
    if (m_state == State::Inactive) open();
    checkBrowseMode();
    if (beforeInsert) beforeInsert(*this);
    m_buffer = std::make_unique<Row>();
    m_buffer->values.resize(int(m_fields.size()));
    m_insertAt = int(m_rows.size());
    m_state = State::Insert;
    emit stateChanged();
    if (afterInsert) afterInsert(*this);
}

void RecordSet::insert()
{
    if (m_state == State::Inactive) open();
    checkBrowseMode();
    if (beforeInsert) beforeInsert(*this);
    m_buffer = std::make_unique<Row>();
    m_buffer->values.resize(int(m_fields.size()));
    m_insertAt = m_cursor < 0 ? int(m_rows.size()) : m_visible.at(m_cursor);
    m_state = State::Insert;
    emit stateChanged();
    if (afterInsert) afterInsert(*this);
}

void RecordSet::edit()
{
    if (m_state == State::Edit || m_state == State::Insert) return;
    if (m_state == State::Inactive || m_visible.isEmpty()) {
        append();
        return;
    }
    if (beforeEdit) beforeEdit(*this);
    m_buffer = std::make_unique<Row>(*m_rows[size_t(m_visible.at(m_cursor))]);
    m_buffer->values.resize(int(m_fields.size()));
    m_state = State::Edit;
    emit stateChanged();
    if (afterEdit) afterEdit(*this);
}

void RecordSet::log(int op, qint64 rowId, const QVector<QVariant> &oldValues, const QVector<QVariant> &newValues)
{
    m_log.push_back(LogEntry{op, rowId, oldValues, newValues});
}

void RecordSet::postEdit()
{
    const int rowIndex = m_visible.at(m_cursor);
    Row &row = *m_rows[size_t(rowIndex)];
    row.values.resize(int(m_fields.size()));
    if (row.values != m_buffer->values) {
        log(OpUpdate, row.id, row.values, m_buffer->values);
        row.values = m_buffer->values;
    }
    m_buffer.reset();
    if (!passesFilter(row)) {
        const int leaving = m_cursor;
        emit rowAboutToBeRemoved(leaving);
        m_visible.remove(leaving);
        placeCursor(leaving);
        emit rowRemoved(leaving);
    } else {
        emit rowChanged(m_cursor);
    }
}

void RecordSet::postInsert()
{
    auto row = std::move(m_buffer);
    row->id = m_nextId++;
    const int at = std::clamp(m_insertAt, 0, int(m_rows.size()));
    const bool visible = passesFilter(*row);
    log(OpInsert, row->id, {}, row->values);
    auto pos = std::lower_bound(m_visible.begin(), m_visible.end(), at);
    const int visibleRow = int(pos - m_visible.begin());
    if (visible) emit rowAboutToBeInserted(visibleRow);
    m_rows.insert(m_rows.begin() + at, std::move(row));
    for (auto it = pos; it != m_visible.end(); ++it) ++*it;
    if (visible) {
        m_visible.insert(visibleRow, at);
        m_cursor = visibleRow;
        m_bof = m_eof = false;
        emit rowInserted(visibleRow);
    }
}

void RecordSet::post()
{
    if (m_state != State::Edit && m_state != State::Insert) return;
    if (beforePost) beforePost(*this);
    const bool inserting = m_state == State::Insert;
    if (inserting) postInsert();
    else postEdit();
    m_state = State::Browse;
    emit stateChanged();
    if (afterPost) afterPost(*this);
    if (inserting) scrolled();
}

void RecordSet::cancel()
{
    if (m_state != State::Edit && m_state != State::Insert) return;
    if (beforeCancel) beforeCancel(*this);
    const bool editing = m_state == State::Edit;
    m_buffer.reset();
    m_state = State::Browse;
    emit stateChanged();
    if (editing) emit rowChanged(m_cursor);
    if (afterCancel) afterCancel(*this);
}

void RecordSet::deleteRecord()
{
    if (m_state == State::Insert) {
        cancel();
        return;
    }
    if (m_state == State::Edit) cancel();
    if (m_visible.isEmpty())
        throw std::logic_error((m_name + QStringLiteral(": exclusão em um registro vazio.")).toStdString());
    if (beforeDelete) beforeDelete(*this);
    const int leaving = m_cursor;
    const int rowIndex = m_visible.at(leaving);
    emit rowAboutToBeRemoved(leaving);
    log(OpDelete, m_rows[size_t(rowIndex)]->id, m_rows[size_t(rowIndex)]->values, {});
    m_log.back().position = rowIndex;
    m_rows.erase(m_rows.begin() + rowIndex);
    m_visible.remove(leaving);
    for (int i = leaving; i < m_visible.size(); ++i) --m_visible[i];
    placeCursor(leaving);
    emit rowRemoved(leaving);
    if (afterDelete) afterDelete(*this);
    scrolled();
}

// ---- Filter and locate -------------------------------------------------------------------

bool RecordSet::passesFilter(const Row &row) const
{
    if (!m_filtered || !m_filter) return true;
    const Row *saved = m_probe;
    auto *self = const_cast<RecordSet *>(this);
    self->m_probe = &row;
    bool keep = false;
    try {
        keep = m_filter(*this);
    } catch (...) {
        self->m_probe = saved;
        throw;
    }
    self->m_probe = saved;
    return keep;
}

void RecordSet::rebuildVisible()
{
    m_visible.clear();
    m_visible.reserve(int(m_rows.size()));
    for (size_t i = 0; i < m_rows.size(); ++i)
        if (passesFilter(*m_rows[i])) m_visible.append(int(i));
}

void RecordSet::setFilter(std::function<bool(const RecordSet &)> predicate)
{
    checkBrowseMode();
    if (!m_filtered) {
        m_filter = std::move(predicate);
        return;
    }
    emit aboutToReset();
    m_filter = std::move(predicate);
    rebuildVisible();
    placeCursor(0);
    m_bof = true;
    emit dataReset();
    scrolled();
}

void RecordSet::setFiltered(bool on)
{
    if (on == m_filtered) return;
    checkBrowseMode();
    const Bookmark keep = bookmark();
    emit aboutToReset();
    m_filtered = on;
    rebuildVisible();
    const int index = keep < 0 ? -1 : rowIndexOfId(keep);
    const int visible = index < 0 ? -1 : visibleOfRowIndex(index);
    placeCursor(visible < 0 ? 0 : visible);
    emit dataReset();
    scrolled();
}

static bool keyMatches(const Field &field, const QVariant &have, const QVariant &want, int options)
{
    const bool haveNull = !have.isValid() || have.isNull();
    const bool wantNull = !want.isValid() || want.isNull();
    if (haveNull || wantNull) {
        if (haveNull && wantNull) return true;
        if (!haveNull || want.typeId() != QMetaType::QString) return false;
        return want.toString().isEmpty();
    }
    const bool textual = isText(field.type()) || (options & PartialKey) || want.typeId() == QMetaType::QString;
    if (!textual || (field.type() == FieldType::DateTime && want.typeId() == QMetaType::QDateTime)) {
        if (field.type() == FieldType::DateTime) return have.toDateTime() == want.toDateTime();
        return have.toDouble() == want.toDouble();
    }
    const QString haveText = textOf(field.type(), have);
    QString wantText = want.typeId() == QMetaType::QDateTime ? textOf(FieldType::DateTime, want) : want.toString();
    if (!isText(field.type()) && !(options & PartialKey)) {
        // a number given as text: compare as numbers
        bool ok = false;
        const double n = wantText.trimmed().toDouble(&ok);
        if (ok && field.type() != FieldType::DateTime) return have.toDouble() == n;
    }
    const Qt::CaseSensitivity cs = (options & CaseInsensitive) ? Qt::CaseInsensitive : Qt::CaseSensitive;
    return (options & PartialKey) ? haveText.startsWith(wantText, cs) : haveText.compare(wantText, cs) == 0;
}

bool RecordSet::locate(const QString &keyFields, const QVariantList &values, int options)
{
    const QStringList names = keyFields.split(';', Qt::SkipEmptyParts);
    if (names.isEmpty() || names.size() != values.size())
        throw std::invalid_argument((m_name + QStringLiteral(": chaves e valores de busca não conferem.")).toStdString());
    std::vector<const Field *> keys;
    for (const QString &n : names) keys.push_back(&fieldByName(n.trimmed()));
    checkBrowseMode();
    for (int v = 0; v < m_visible.size(); ++v) {
        const Row &row = *m_rows[size_t(m_visible.at(v))];
        bool all = true;
        for (size_t k = 0; k < keys.size() && all; ++k) {
            const int fi = keys[k]->index();
            all = keyMatches(*keys[k], fi < row.values.size() ? row.values.at(fi) : QVariant(), values.at(int(k)), options);
        }
        if (all) {
            placeCursor(v);
            scrolled();
            return true;
        }
    }
    return false;
}

// ---- Change log ------------------------------------------------------------------------------

QJsonObject RecordSet::changeLog() const
{
    QJsonArray names;
    for (const auto &f : m_fields) names.append(f->name());
    QJsonArray changes;
    static const char *const ops[] = {"insert", "update", "delete"};
    for (const LogEntry &e : m_log) {
        changes.append(QJsonObject{
            {"op", QString::fromLatin1(ops[e.op])},
            {"old", e.op == OpInsert ? QJsonValue(QJsonValue::Null) : QJsonValue(valuesToWire(m_fields, e.oldValues))},
            {"new", e.op == OpDelete ? QJsonValue(QJsonValue::Null) : QJsonValue(valuesToWire(m_fields, e.newValues))}});
    }
    return QJsonObject{{"fields", names}, {"changes", changes}};
}

int RecordSet::changeCount() const { return int(m_log.size()); }

void RecordSet::mergeChangeLog() { m_log.clear(); }

void RecordSet::cancelUpdates()
{
    if (m_state == State::Edit || m_state == State::Insert) cancel();
    if (m_log.empty()) return;
    const Bookmark keep = bookmark();
    emit aboutToReset();
    for (auto it = m_log.rbegin(); it != m_log.rend(); ++it) {
        const int index = rowIndexOfId(it->rowId);
        if (it->op == OpInsert) {
            if (index >= 0) m_rows.erase(m_rows.begin() + index);
        } else if (it->op == OpUpdate) {
            if (index >= 0) m_rows[size_t(index)]->values = it->oldValues;
        } else {
            auto row = std::make_unique<Row>();
            row->id = it->rowId;
            row->values = it->oldValues;
            const int at = std::clamp(it->position, 0, int(m_rows.size()));
            m_rows.insert(m_rows.begin() + at, std::move(row));
        }
    }
    m_log.clear();
    rebuildVisible();
    const int index = keep < 0 ? -1 : rowIndexOfId(keep);
    const int visible = index < 0 ? -1 : visibleOfRowIndex(index);
    placeCursor(visible < 0 ? 0 : visible);
    emit dataReset();
    scrolled();
}

// ---- Files --------------------------------------------------------------------------------------

QJsonObject RecordSet::saveState() const
{
    QJsonArray ids;
    for (const auto &row : m_rows) ids.append(row->id);
    QJsonArray log;
    for (const LogEntry &e : m_log)
        log.append(QJsonObject{{"op", e.op},
                               {"row", e.rowId},
                               {"at", e.position},
                               {"old", valuesToWire(m_fields, e.oldValues)},
                               {"new", valuesToWire(m_fields, e.newValues)}});
    return QJsonObject{{"format", "qor.recordset"}, {"version", 1}, {"name", m_name},
                       {"packet", data()}, {"ids", ids}, {"log", log}};
}

bool RecordSet::saveToFile(const QString &path) const
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) return false;
    file.write(QJsonDocument(saveState()).toJson(QJsonDocument::Compact));
    return file.commit();
}

bool RecordSet::loadFromFile(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return false;
    QJsonParseError parseError{};
    const QJsonDocument doc = QJsonDocument::fromJson(file.readAll(), &parseError);
    if (parseError.error != QJsonParseError::NoError || !doc.isObject()) return false;
    const QJsonObject root = doc.object();
    if (root.value("format").toString() != "qor.recordset") return false;
    ParsedPacket parsed;
    QString error;
    if (!parsePacket(root.value("packet").toObject(), parsed, error)) return false;
    const QJsonArray ids = root.value("ids").toArray();
    if (ids.size() != int(parsed.rows.size())) return false;
    struct Pending { int op; qint64 row; QVector<QVariant> oldValues, newValues; int at; };
    std::vector<Pending> pending;
    auto readValues = [&parsed](const QJsonValue &v, QVector<QVariant> &out) {
        const QJsonArray cells = v.toArray();
        if (cells.size() > parsed.fields.size()) return false;
        out.resize(parsed.fields.size());
        for (int c = 0; c < cells.size(); ++c) {
            bool ok = true;
            out[c] = fromWire(parsed.fields.at(c), cells.at(c), ok);
            if (!ok) return false;
        }
        return true;
    };
    for (const QJsonValue &v : root.value("log").toArray()) {
        const QJsonObject o = v.toObject();
        Pending p{o.value("op").toInt(-1), qint64(o.value("row").toDouble(-1)), {}, {}, o.value("at").toInt(-1)};
        if (p.op < OpInsert || p.op > OpDelete || p.row < 0) return false;
        if (!readValues(o.value("old"), p.oldValues) || !readValues(o.value("new"), p.newValues)) return false;
        pending.push_back(std::move(p));
    }

    // Everything read: now replace the contents.
    emit aboutToReset();
    QVector<int> columnMap;
    adoptFields(parsed.fields, columnMap);
    auto remap = [&](const QVector<QVariant> &values) {
        QVector<QVariant> out(int(m_fields.size()));
        for (int c = 0; c < values.size(); ++c) {
            const Field &f = *m_fields[size_t(columnMap.at(c))];
            out[columnMap.at(c)] = f.type() == parsed.fields.at(c).type ? values.at(c) : coerce(f.def(), values.at(c));
        }
        return out;
    };
    std::vector<std::unique_ptr<Row>> rows;
    qint64 maxId = 0;
    for (size_t r = 0; r < parsed.rows.size(); ++r) {
        auto row = std::make_unique<Row>();
        row->id = qint64(ids.at(int(r)).toDouble());
        maxId = std::max(maxId, row->id);
        row->values = remap(parsed.rows[r]);
        rows.push_back(std::move(row));
    }
    for (const Pending &p : pending) maxId = std::max(maxId, p.row);
    m_nextId = std::max(m_nextId, maxId + 1);
    resetRows(std::move(rows));
    for (const Pending &p : pending)
        log(p.op, p.row, p.op == OpInsert ? QVector<QVariant>() : remap(p.oldValues),
            p.op == OpDelete ? QVector<QVariant>() : remap(p.newValues));
    for (size_t i = 0; i < pending.size(); ++i) m_log[i].position = pending[i].at;
    return true;
}

// ---- Row access for models -------------------------------------------------------------------

QVariant RecordSet::valueAt(int visibleRow, int fieldIndex) const
{
    if (visibleRow < 0 || visibleRow >= m_visible.size()) return {};
    const Row &row = *m_rows[size_t(m_visible.at(visibleRow))];
    if (fieldIndex < 0 || fieldIndex >= row.values.size()) return {};
    return row.values.at(fieldIndex);
}

bool RecordSet::setValueAt(int visibleRow, int fieldIndex, const QVariant &value)
{
    if (visibleRow < 0 || visibleRow >= m_visible.size() || fieldIndex < 0 || fieldIndex >= int(m_fields.size()))
        return false;
    moveTo(visibleRow);
    edit();
    try {
        m_fields[size_t(fieldIndex)]->setValue(value);
        post();
    } catch (...) {
        cancel();
        throw;
    }
    return true;
}

}
