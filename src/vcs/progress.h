#pragma once
#include "vcs/recognition.h"
#include "vcs/runner.h"
#include <QColor>
#include <QStyledItemDelegate>
#include <functional>

class QListWidget;
class QProgressBar;
class QPushButton;

namespace vcs {

constexpr int kProgressLineHeight = 13;
constexpr int kProgressEnd = 1000000;

// The colour of a progress line: red for failures, blue for successes,
// otherwise the palette's window text.
QColor LineColour(const Recognition &texts, const QString &line, const QPalette &palette);

// Appends lines to a list and selects the last one.
void AppendLines(QListWidget *list, const QStringList &lines);
// A runner's sink that appends to the list (an empty sink for no list).
LineSink ListSink(QListWidget *list);

// Draws the lines of a progress list in their colours, on the list's
// background, at a fixed height; a selected line keeps its colour and is
// framed in the highlight colour instead.
class ProgressDelegate : public QStyledItemDelegate {
    Q_OBJECT
public:
    ProgressDelegate(const Recognition &texts, QObject *parent);
    void paint(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const override;
    QSize sizeHint(const QStyleOptionViewItem &option, const QModelIndex &index) const override;

private:
    const Recognition &m_texts;
};

// Installs the delegate on the list, and the hint that shows the selected line
// (the last one in list order when several are selected) as the mouse moves.
void InstallProgressBehaviour(QListWidget *list, const Recognition &texts = Recognition::mainWindow());
QString SelectedLineHint(const QListWidget *list);

void SetupProgressBar(QProgressBar *bar);

// "Last Log": shows the command view again when the list holds lines (and
// returns true), otherwise warns with "NOT_LOG".
bool ShowLastLog(QListWidget *progress, QProgressBar *bar, QPushButton *confirm,
                 const std::function<void()> &showCommandView,
                 const Recognition &texts = Recognition::mainWindow());

}
