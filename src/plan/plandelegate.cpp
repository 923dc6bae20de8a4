#include "plan/uppercasevalidator.h"
#include "plan/plandelegate.h"
#include "plan/planfields.h"
#include "plan/planstyle.h"
#include "host/recordsetmodel.h"
#include "host/services.h"
#include <QApplication>
#include <QLineEdit>
#include <QPainter>
#include <QTableView>
#include <QValidator>

static void initPlanResources()
{
    // The pictures live in this static library; register them before the first paint.
    Q_INIT_RESOURCE(plan);
}

namespace plan {

namespace {

QString rawText(const qor::RecordSet &records, int row, const char *name)
{
    return records.textAt(QString::fromLatin1(name), row);
}

}

QString CellText(const qor::RecordSet &records, int row, const QString &field)
{
    // The composed texts read other fields of the same row, so they are built
    // from that row's values rather than from the cursor's.
    if (field == QLatin1String("DSREFETAREFA")) {
        const QVariant d = records.fieldByName(field).valueAt(row);
        return TarefaText(rawText(records, row, "NRTAREFA"), d.isNull() ? QVariant() : d);
    }
    if (field == QLatin1String("DSREFESOLI"))
        return SolicitacaoText(rawText(records, row, "NRSOLISERV"), rawText(records, row, "DSREFESOLI"));
    if (field == QLatin1String("CDREDUITTRAB"))
        return ItemTarefaText(rawText(records, row, "CDREDUITTRAB"), rawText(records, row, "NMITEMTRAB"));
    const qor::Field *f = records.findField(field);
    return f ? f->displayTextAt(row) : QString();
}

PlanDelegate::PlanDelegate(qor::RecordSetModel &model, QTableView *grid)
    : QStyledItemDelegate(grid), m_model(model), m_grid(grid),
      m_clock([] { return QDateTime::currentDateTime(); })
{
    initPlanResources();
}

bool PlanDelegate::gridActive() const
{
    QWidget *focus = QApplication::focusWidget();
    return focus && (focus == m_grid || m_grid->isAncestorOf(focus));
}

QPixmap PlanDelegate::picture(const QString &resource) const
{
    auto it = m_pictures.find(resource);
    if (it == m_pictures.end())
        it = m_pictures.insert(resource, QPixmap(resource));
    return *it;
}

CellStyle PlanDelegate::styleFor(const QModelIndex &index, bool selected) const
{
    const qor::RecordSet &records = *m_model.records();
    return StyleFor(RowValuesAt(records, index.row()), m_model.fieldNameAt(index.column()), selected,
                    gridActive(), m_clock());
}

void PlanDelegate::paint(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const
{
    qor::RecordSet &records = *m_model.records();
    if (records.isEmpty() || !index.isValid())
        return;
    const int row = index.row();
    const QString field = m_model.fieldNameAt(index.column());
    const CellStyle style = styleFor(index, option.state & QStyle::State_Selected);

    painter->save();
    painter->fillRect(option.rect, BackgroundColor(style.background, option.palette));
    painter->setFont(option.font);
    painter->setPen(style.font.isValid() ? style.font : option.palette.color(QPalette::WindowText));

    QRect textRect = option.rect.adjusted(2, 2, -1, 0);
    const QString resource = PictureResource(style.picture, style.selectedPicture);
    if (!resource.isEmpty()) {
        const QPixmap pix = picture(resource);
        const int top = option.rect.top() + (option.rect.height() - pix.height()) / 2;
        painter->drawPixmap(option.rect.left() + 1, top, pix);
        textRect.setLeft(option.rect.left() + 1 + pix.width() + 5);
    }
    const QString text = style.replaceText ? style.text : CellText(records, row, field);
    if (!text.isEmpty())
        painter->drawText(textRect, Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine,
                          option.fontMetrics.elidedText(text, Qt::ElideRight, textRect.width()));
    painter->restore();
}

QWidget *PlanDelegate::createEditor(QWidget *parent, const QStyleOptionViewItem &, const QModelIndex &index) const
{
    auto *editor = new QLineEdit(parent);
    const qor::Field *f = m_model.records()->findField(m_model.fieldNameAt(index.column()));
    editor->setMaxLength(f ? f->size() : 3);
    editor->setValidator(new plan::UpperCaseValidator(editor));
    editor->setFrame(false);
    return editor;
}

void PlanDelegate::setEditorData(QWidget *editor, const QModelIndex &index) const
{
    static_cast<QLineEdit *>(editor)->setText(index.data(Qt::EditRole).toString().trimmed());
}

void PlanDelegate::setModelData(QWidget *editor, QAbstractItemModel *model, const QModelIndex &index) const
{
    const QString text = static_cast<QLineEdit *>(editor)->text();
    // A refused post has shown its message already; it must not unwind into the view.
    qor::guarded([&] { model->setData(index, text, Qt::EditRole); });
}

}
