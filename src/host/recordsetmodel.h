#pragma once
#include "host/recordset.h"
#include <QAbstractTableModel>
#include <QStringList>

class QAbstractItemView;

namespace qor {

// A grid model over a record set: one column per named field, one row per
// visible record. Follows the record set's signals; the view's current row and
// the record set's cursor are kept in step by the grid (see syncCursor()).
class RecordSetModel : public QAbstractTableModel {
    Q_OBJECT
public:
    explicit RecordSetModel(RecordSet *records, QObject *parent = nullptr);

    // Display order; until set, the record set's fields as first known.
    void setColumns(const QStringList &fieldNames);
    QStringList columns() const { return m_columns; }
    QString fieldNameAt(int column) const;
    int columnOf(const QString &fieldName) const;      // -1 when absent
    RecordSet *records() const { return m_records; }

    // Which columns accept edits (others are read-only); a read-only field
    // stays read-only. An edit runs edit/set/post on the record set, so its
    // events apply; a refused edit (EAbort or bad text) is cancelled.
    void setEditableColumns(const QStringList &fieldNames);

    // Keeps view's current row and the record set's cursor in step, both ways.
    void syncCursor(QAbstractItemView *view);

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    bool setData(const QModelIndex &index, const QVariant &value, int role = Qt::EditRole) override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;

private:
    void reset();
    Field *fieldAt(int column) const;

    RecordSet *m_records;
    int m_rowCount = 0;
    bool m_resetting = false;
    QStringList m_columns;
    QStringList m_editable;
};

}
