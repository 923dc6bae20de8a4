#pragma once
#include <QDateTime>
#include <QJsonArray>
#include <QJsonObject>
#include <QObject>
#include <QString>
#include <QVariant>
#include <QHash>
#include <QVector>
#include <functional>
#include <memory>
#include <vector>

namespace qor {

enum class FieldType { String, DateTime, Float, Integer, Memo };

struct FieldDef {
    QString name;            // upper-case column name of the server
    FieldType type = FieldType::String;
    int size = 20;           // characters, for String
    QString label;           // display label
    bool readOnly = false;
    bool visible = true;
};

class RecordSet;

// A number as the operator reads it: the locale's decimal comma, no grouping.
QString DisplayNumber(double value);

// A field of a record set; reads and writes the current row.
class Field {
public:
    Field(RecordSet *owner, FieldDef def, int index);

    const QString &name() const { return m_def.name; }
    FieldType type() const { return m_def.type; }
    int size() const { return m_def.size; }
    const FieldDef &def() const { return m_def; }
    int index() const { return m_index; }
    QString label() const { return m_def.label.isEmpty() ? m_def.name : m_def.label; }
    void setLabel(const QString &label) { m_def.label = label; }
    bool readOnly() const { return m_def.readOnly; }
    bool visible() const { return m_def.visible; }
    void setVisible(bool v) { m_def.visible = v; }

    int tag = 0;                               // the lowest bit marks a protected field

    QVariant value() const;
    // In edit/insert state only (std::logic_error otherwise). A String value
    // longer than size() is cut to size(); an empty text sets a non-text field
    // to null. readOnly restricts grids, not code.
    void setValue(const QVariant &value);
    bool isNull() const;
    void clear();
    // Empty for null; dates as "dd/MM/yyyy" at 00:00:00, else "dd/MM/yyyy HH:mm:ss";
    // numbers with "." as the decimal separator.
    QString asString() const;
    // Parses the text for the field's type; a text that is not a valid number or
    // date throws std::invalid_argument with a message fit for the operator.
    void setAsString(const QString &text);
    QDateTime asDateTime() const;              // invalid for null
    double asFloat() const;                    // 0 for null
    int asInteger() const;                     // 0 for null
    // The display text: onGetText when set, else asString().
    QString displayText() const;
    std::function<QString(const Field &)> onGetText;

    // Value at an arbitrary row (for models and delegates), without moving the cursor.
    QVariant valueAt(int row) const;
    QString displayTextAt(int row) const;

private:
    RecordSet *m_owner;
    FieldDef m_def;
    int m_index;
};

// An event of a record set. Assigning a function replaces every listener (the
// record set has one owner of that event); add() keeps the others, for a record
// set that several parts of a window listen to. Listeners run in the order they
// were added; an exception of one (an abort of a before-event) skips the rest.
class RecordSetEvent {
public:
    using Listener = std::function<void(RecordSet &)>;
    using Id = int;

    RecordSetEvent &operator=(Listener listener);
    Id add(Listener listener);
    void remove(Id id);
    explicit operator bool() const { return !m_listeners.empty(); }
    void operator()(RecordSet &records) const;

private:
    std::vector<std::pair<Id, Listener>> m_listeners;
    Id m_next = 1;
};

enum LocateOption { NoLocateOptions = 0, CaseInsensitive = 1, PartialKey = 2 };

// The in-memory table of the suite: typed fields, a current-row cursor,
// bookmarks, filters, locate by key, append/edit/post/cancel/delete with
// events, a change log, and data packets in and out.
class RecordSet : public QObject {
    Q_OBJECT
public:
    enum class State { Inactive, Browse, Edit, Insert };
    using Bookmark = qint64;                  // stable row identity; -1 invalid
    using Event = RecordSetEvent;

    explicit RecordSet(const QString &name = {}, QObject *parent = nullptr);
    ~RecordSet() override;

    QString name() const { return m_name; }

    // Persistent field definitions; a loaded packet's columns are matched to the
    // fields by name (missing columns stay null, extra ones are added). A field,
    // defined or taken from a packet, stays with its markers across later loads.
    void defineFields(const QList<FieldDef> &defs);
    const std::vector<std::unique_ptr<Field>> &fields() const { return m_fields; }
    Field *findField(const QString &name) const;
    Field &fieldByName(const QString &name) const;     // any case; throws std::out_of_range
    Field &operator[](const QString &name) const { return fieldByName(name); }
    // A field's text (asString) on the current row; empty without such a field or row.
    QString textOf(const QString &name) const;
    // A field's stored value as text at a visible row; empty without such a field or for null.
    QString textAt(const QString &name, int visibleRow) const;

    // Data packets: {"fields":[{"name","type","size"}],"rows":[[...]]}.
    void setData(const QJsonObject &packet);
    QJsonObject data() const;                          // all rows (ignores the filter)
    void emptyDataSet();
    void open();                                       // opens with the defined fields, no rows
    void close();
    bool active() const { return m_state != State::Inactive; }

    // Cursor over the visible (filtered) rows.
    int recordCount() const;
    bool isEmpty() const { return recordCount() == 0; }
    int recNo() const { return m_cursor; }            // 0-based, -1 when empty
    void first();
    void last();
    void next();
    void prior();
    void moveTo(int visibleRow);
    bool eof() const { return m_eof; }
    bool bof() const { return m_bof; }

    // A bookmark names a row, not a position: it survives inserts and deletes of
    // other rows. It is valid while its row exists and passes the filter;
    // going to an invalid one throws std::out_of_range.
    Bookmark bookmark() const;
    bool bookmarkValid(Bookmark b) const;
    void gotoBookmark(Bookmark b);

    // Moving the cursor while editing posts first. edit() on an empty record
    // set appends. Setting a field in Browse state is a programming error.
    State state() const { return m_state; }
    void append();
    void insert();
    void edit();
    void post();
    void cancel();
    void deleteRecord();

    // Events. Throwing EAbort from a before-event cancels the action.
    Event beforeInsert, afterInsert, beforeEdit, afterEdit, beforePost, afterPost,
          beforeCancel, afterCancel, beforeDelete, afterDelete, afterScroll, afterOpen;

    // Filter: a predicate over the current row's fields.
    void setFilter(std::function<bool(const RecordSet &)> predicate);
    void setFiltered(bool on);
    bool filtered() const { return m_filtered; }

    // keyFields: "A;B"; values one per key. Moves the cursor when found.
    bool locate(const QString &keyFields, const QVariantList &values, int options = NoLocateOptions);

    // The change log: operations since the load or the last mergeChangeLog, as
    // [{"op":"insert|update|delete","old":[..]|null,"new":[..]|null}], with a
    // "fields" list, so a server can apply it.
    QJsonObject changeLog() const;
    int changeCount() const;
    void mergeChangeLog();
    // Undoes every logged change since the load or the last merge.
    void cancelUpdates();

    // The whole record set (definitions, rows and change log) to and from a JSON
    // file. Loading a missing or corrupt file returns false and changes nothing.
    bool saveToFile(const QString &path) const;
    bool loadFromFile(const QString &path);

    // Row access for models (visible rows).
    QVariant valueAt(int visibleRow, int fieldIndex) const;
    bool setValueAt(int visibleRow, int fieldIndex, const QVariant &value);   // edit + set + post

signals:
    // Each change of the visible rows is announced before it happens (the
    // about-to signals) and reported after it, so models can follow exactly.
    void aboutToReset();
    void rowAboutToBeInserted(int visibleRow);
    void rowAboutToBeRemoved(int visibleRow);
    void dataReset();                 // loaded, emptied, filter changed, closed
    void rowChanged(int visibleRow);  // a row's values changed (after post or cancel)
    void rowInserted(int visibleRow);
    void rowRemoved(int visibleRow);
    void currentChanged(int visibleRow);
    void stateChanged();

private:
    friend class Field;
    struct Row;
    QVariant currentValue(int fieldIndex) const;
    void setCurrentValue(int fieldIndex, const QVariant &value);
    struct LogEntry;
    void rebuildVisible();
    void scrolled();
    bool passesFilter(const Row &row) const;
    const Row *currentRow() const;
    int rowIndexOfId(qint64 id) const;
    int visibleOfRowIndex(int rowIndex) const;
    void checkBrowseMode();
    void requireEditing(const char *action) const;
    void placeCursor(int visibleRow);
    void adoptFields(const QList<FieldDef> &defs, QVector<int> &columnMap);
    void resetRows(std::vector<std::unique_ptr<Row>> rows);
    void postEdit();
    void postInsert();
    void log(int op, qint64 rowId, const QVector<QVariant> &oldValues, const QVector<QVariant> &newValues);
    QJsonObject saveState() const;

    QString m_name;
    std::vector<std::unique_ptr<Field>> m_fields;
    std::vector<std::unique_ptr<Row>> m_rows;          // all rows
    QVector<int> m_visible;                            // indexes into m_rows
    int m_cursor = -1;
    bool m_eof = true, m_bof = true;
    State m_state = State::Inactive;
    std::unique_ptr<Row> m_buffer;                     // edit/insert buffer
    int m_insertAt = -1;
    std::function<bool(const RecordSet &)> m_filter;
    bool m_filtered = false;
    qint64 m_nextId = 1;
    std::vector<LogEntry> m_log;
    QHash<QString, int> m_fieldIndex;                  // upper-case name -> index
    int m_persistentFields = 0;                        // defined by defineFields
    const Row *m_probe = nullptr;                      // the row a filter is looking at
};

}
