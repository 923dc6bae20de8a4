#include "host/recordsetmodel.h"
#include "host/abort.h"
#include "host/services.h"

#include <QAbstractItemView>
#include <QItemSelectionModel>

namespace qor {

RecordSetModel::RecordSetModel(RecordSet *records, QObject *parent) : QAbstractTableModel(parent), m_records(records)
{
    m_rowCount = records->recordCount();
    for (const auto &f : records->fields()) m_columns << f->name();

    connect(records, &RecordSet::aboutToReset, this, [this] {
        if (m_resetting) return;
        m_resetting = true;
        beginResetModel();
    });
    connect(records, &RecordSet::dataReset, this, &RecordSetModel::reset);
    connect(records, &RecordSet::rowChanged, this, [this](int row) {
        if (row >= 0 && row < m_rowCount && !m_columns.isEmpty())
            emit dataChanged(index(row, 0), index(row, int(m_columns.size()) - 1));
    });
    connect(records, &RecordSet::rowAboutToBeInserted, this, [this](int row) { beginInsertRows({}, row, row); });
    connect(records, &RecordSet::rowInserted, this, [this](int) {
        ++m_rowCount;
        endInsertRows();
    });
    connect(records, &RecordSet::rowAboutToBeRemoved, this, [this](int row) { beginRemoveRows({}, row, row); });
    connect(records, &RecordSet::rowRemoved, this, [this](int) {
        --m_rowCount;
        endRemoveRows();
    });
}

void RecordSetModel::reset()
{
    if (!m_resetting) beginResetModel();
    m_resetting = false;
    m_rowCount = m_records->recordCount();
    if (m_columns.isEmpty())
        for (const auto &f : m_records->fields()) m_columns << f->name();
    endResetModel();
}

void RecordSetModel::setColumns(const QStringList &fieldNames)
{
    beginResetModel();
    m_columns = fieldNames;
    endResetModel();
}

QString RecordSetModel::fieldNameAt(int column) const
{
    return column >= 0 && column < m_columns.size() ? m_columns.at(column) : QString();
}

int RecordSetModel::columnOf(const QString &fieldName) const
{
    for (int c = 0; c < m_columns.size(); ++c)
        if (m_columns.at(c).compare(fieldName, Qt::CaseInsensitive) == 0) return c;
    return -1;
}

void RecordSetModel::setEditableColumns(const QStringList &fieldNames) { m_editable = fieldNames; }

Field *RecordSetModel::fieldAt(int column) const { return m_records->findField(fieldNameAt(column)); }

int RecordSetModel::rowCount(const QModelIndex &parent) const { return parent.isValid() ? 0 : m_rowCount; }

int RecordSetModel::columnCount(const QModelIndex &parent) const { return parent.isValid() ? 0 : int(m_columns.size()); }

QVariant RecordSetModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= m_rowCount) return {};
    Field *field = fieldAt(index.column());
    if (!field) return {};
    switch (role) {
    case Qt::DisplayRole: return field->displayTextAt(index.row());
    case Qt::EditRole: return field->valueAt(index.row());
    case Qt::TextAlignmentRole:
        if (field->type() == FieldType::Float || field->type() == FieldType::Integer)
            return QVariant(Qt::AlignRight | Qt::AlignVCenter);
        return {};
    default: return {};
    }
}

bool RecordSetModel::setData(const QModelIndex &index, const QVariant &value, int role)
{
    if (role != Qt::EditRole || !(flags(index) & Qt::ItemIsEditable)) return false;
    Field *field = fieldAt(index.column());
    bool done = false;
    // A view cannot take an exception: refusals end here, with their message shown.
    guarded([&] { done = m_records->setValueAt(index.row(), field->index(), value); });
    return done;
}

QVariant RecordSetModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (role != Qt::DisplayRole) return {};
    if (orientation == Qt::Vertical) return section + 1;
    Field *field = fieldAt(section);
    return field ? field->label() : fieldNameAt(section);
}

Qt::ItemFlags RecordSetModel::flags(const QModelIndex &index) const
{
    if (!index.isValid()) return Qt::NoItemFlags;
    Qt::ItemFlags f = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
    Field *field = fieldAt(index.column());
    if (field && !field->readOnly() && m_editable.contains(field->name(), Qt::CaseInsensitive))
        f |= Qt::ItemIsEditable;
    return f;
}

void RecordSetModel::syncCursor(QAbstractItemView *view)
{
    if (!view || view->model() != this) return;
    connect(view->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [this](const QModelIndex &current) {
                if (current.isValid() && current.row() != m_records->recNo())
                    guarded([&] { m_records->moveTo(current.row()); });
            });
    connect(m_records, &RecordSet::currentChanged, view, [this, view](int row) {
        if (row < 0 || row >= m_rowCount || view->currentIndex().row() == row) return;
        const int column = std::max(view->currentIndex().column(), 0);
        view->selectionModel()->setCurrentIndex(index(row, column), QItemSelectionModel::ClearAndSelect |
                                                                          QItemSelectionModel::Rows);
    });
}

}
