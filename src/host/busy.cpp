#include "host/busypanel.h"
#include "host/messages.h"
#include "host/services.h"

#include <QApplication>
#include <QLabel>
#include <QPointer>
#include <QProgressBar>
#include <QScreen>
#include <QVBoxLayout>

namespace qor {

BusyPanel::BusyPanel(QWidget *over)
    : QFrame(over, Qt::FramelessWindowHint | Qt::Tool | Qt::WindowStaysOnTopHint)
{
    setObjectName("panShowAvi");
    setFrameShape(QFrame::Box);
    setAttribute(Qt::WA_ShowWithoutActivating);
    m_caption = new QLabel(this);
    m_caption->setAlignment(Qt::AlignCenter);
    auto *bar = new QProgressBar(this);
    bar->setRange(0, 0);
    bar->setTextVisible(false);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_caption);
    layout->addWidget(bar);
    setFixedSize(300, 80);
}

void BusyPanel::setCaption(const QString &caption) { m_caption->setText(caption); }

QString BusyPanel::caption() const { return m_caption->text(); }

void BusyPanel::placeOver(QWidget *over)
{
    QRect area;
    if (over && over->isVisible())
        area = QRect(over->mapToGlobal(QPoint(0, 0)), over->size());
    else if (QScreen *screen = QGuiApplication::primaryScreen())
        area = screen->availableGeometry();
    if (area.isValid())
        move(area.center() - QPoint(width() / 2, height() / 2));
}

namespace {

struct BusyState {
    bool shown = false;
    QString caption;
    QPointer<BusyPanel> panel;
};

BusyState &busy()
{
    static BusyState state;
    return state;
}

QString captionOf(int kind, const QString &caption)
{
    if (kind == 6 && !caption.isEmpty()) return caption;
    if (kind == 1) return TMessages::host().Msg("PROCESSANDO");
    return TMessages::host().Msg("AGUARDE");
}

} // namespace

void ActiveShowAvi(QWidget *hostWindow, int kind, const QString &caption)
{
    BusyState &state = busy();
    state.shown = true;
    state.caption = captionOf(kind, caption);
    if (!qobject_cast<QApplication *>(QCoreApplication::instance()))
        return;
    QWidget *over = hostWindow ? hostWindow : HostMainWindow();
    if (!state.panel)
        state.panel = new BusyPanel(over);
    state.panel->setCaption(state.caption);
    state.panel->placeOver(over);
    state.panel->show();
    state.panel->raise();
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

void DeactiveShowAvi()
{
    BusyState &state = busy();
    state.shown = false;
    state.caption.clear();
    if (state.panel)
        state.panel->deleteLater();
    state.panel.clear();
}

bool BusyIndicatorShown() { return busy().shown; }

QString BusyIndicatorCaption() { return busy().caption; }

BusyCursor::BusyCursor()
{
    if (qobject_cast<QGuiApplication *>(QCoreApplication::instance()))
        QGuiApplication::setOverrideCursor(Qt::WaitCursor);
}

BusyCursor::~BusyCursor()
{
    if (qobject_cast<QGuiApplication *>(QCoreApplication::instance()))
        QGuiApplication::restoreOverrideCursor();
}

}
