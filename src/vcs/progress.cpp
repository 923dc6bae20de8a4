#include "vcs/progress.h"
#include "host/services.h"
#include <QEvent>
#include <QListWidget>
#include <QPainter>
#include <QProgressBar>
#include <QPushButton>

namespace vcs {

namespace {

// Sets the list's hint to the selected line whenever the mouse moves over it.
class HintOnMouseMove : public QObject {
public:
    HintOnMouseMove(QListWidget *list) : QObject(list), m_list(list) {}
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::MouseMove) m_list->setToolTip(SelectedLineHint(m_list));
        return QObject::eventFilter(watched, event);
    }
private:
    QListWidget *m_list;
};

}

QColor LineColour(const Recognition &texts, const QString &line, const QPalette &palette)
{
    switch (texts.toneOf(line)) {
    case Recognition::Tone::Failure: return QColor(Qt::red);
    case Recognition::Tone::Success: return QColor(Qt::blue);
    case Recognition::Tone::Normal: break;
    }
    return palette.color(QPalette::WindowText);
}

ProgressDelegate::ProgressDelegate(const Recognition &texts, QObject *parent)
    : QStyledItemDelegate(parent), m_texts(texts)
{
}

void ProgressDelegate::paint(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const
{
    const bool selected = option.state & QStyle::State_Selected;
    const QString line = index.data(Qt::DisplayRole).toString();
    painter->save();
    painter->fillRect(option.rect, option.palette.base());
    painter->setPen(LineColour(m_texts, line, option.palette));
    painter->setFont(option.font);
    painter->drawText(option.rect, Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine, line);
    if (selected) {
        painter->setPen(QPen(option.palette.highlight().color(), 1));
        painter->setBrush(Qt::NoBrush);
        painter->drawRect(option.rect.adjusted(0, 0, -1, -1));
    }
    painter->restore();
}

QSize ProgressDelegate::sizeHint(const QStyleOptionViewItem &option, const QModelIndex &index) const
{
    const int width = option.fontMetrics.horizontalAdvance(index.data(Qt::DisplayRole).toString()) + 4;
    return {width, kProgressLineHeight};
}

void AppendLines(QListWidget *list, const QStringList &lines)
{
    if (!list || lines.isEmpty()) return;
    list->addItems(lines);
    list->setCurrentRow(list->count() - 1);
}

LineSink ListSink(QListWidget *list)
{
    if (!list) return {};
    return [list](const QStringList &lines) { AppendLines(list, lines); };
}

QString SelectedLineHint(const QListWidget *list)
{
    for (int row = list->count() - 1; row >= 0; --row) {
        if (list->item(row)->isSelected()) return list->item(row)->text();
    }
    return {};
}

void InstallProgressBehaviour(QListWidget *list, const Recognition &texts)
{
    list->setItemDelegate(new ProgressDelegate(texts, list));
    list->setUniformItemSizes(true);
    list->setMouseTracking(true);
    list->viewport()->setMouseTracking(true);
    auto *filter = new HintOnMouseMove(list);
    list->installEventFilter(filter);
    list->viewport()->installEventFilter(filter);
}

void SetupProgressBar(QProgressBar *bar)
{
    bar->setRange(0, kProgressEnd);
}

bool ShowLastLog(QListWidget *progress, QProgressBar *bar, QPushButton *confirm,
                 const std::function<void()> &showCommandView, const Recognition &texts)
{
    if (!progress || progress->count() == 0) {
        qor::ShowWarning(texts.text(QStringLiteral("NOT_LOG")));
        return false;
    }
    if (showCommandView) showCommandView();
    if (confirm) confirm->setEnabled(true);
    if (bar) {
        SetupProgressBar(bar);
        bar->setValue(kProgressEnd);
    }
    return true;
}

}
