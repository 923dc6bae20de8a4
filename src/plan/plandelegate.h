#pragma once
// Paints the plan grid's cells from plan::StyleFor and edits the queue column.
// Wiring: dbgPadrao->setItemDelegate(new plan::PlanDelegate(*model, dbgPadrao));
#include <QDateTime>
#include <QHash>
#include <QPixmap>
#include <QStyledItemDelegate>
#include <functional>

class QTableView;

namespace qor { class RecordSet; class RecordSetModel; }

namespace plan {

struct CellStyle;

// The text a plan cell shows (the field's display text).
QString CellText(const qor::RecordSet &records, int row, const QString &field);

class PlanDelegate : public QStyledItemDelegate {
    Q_OBJECT
public:
    PlanDelegate(qor::RecordSetModel &model, QTableView *grid);

    void paint(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const override;
    QWidget *createEditor(QWidget *parent, const QStyleOptionViewItem &option, const QModelIndex &index) const override;
    void setEditorData(QWidget *editor, const QModelIndex &index) const override;
    void setModelData(QWidget *editor, QAbstractItemModel *model, const QModelIndex &index) const override;

    // The style paint() uses for a cell.
    CellStyle styleFor(const QModelIndex &index, bool selected) const;

    // The clock the late rule compares with (tests fix it).
    void setClock(std::function<QDateTime()> clock) { m_clock = std::move(clock); }
    QPixmap picture(const QString &resource) const;

private:
    bool gridActive() const;

    qor::RecordSetModel &m_model;
    QTableView *m_grid;
    std::function<QDateTime()> m_clock;
    mutable QHash<QString, QPixmap> m_pictures;
};

}
