#include "host/dialogs.h"
#include "host/messages.h"
#include "host/services.h"

#include <QAbstractButton>
#include <QApplication>
#include <QGroupBox>
#include <QJsonArray>
#include <QJsonDocument>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPointer>
#include <QWidget>

namespace qor {

namespace {

struct HostHooks {
    ModuleLoader loader;
    ModuleUnloader unloader;
    Translator translator;
    ChildWindowOpener opener;
    QPointer<QWidget> mainWindow;
    QList<QPointer<QWidget>> moduleWindows;
};

HostHooks &hooks()
{
    static HostHooks h;
    return h;
}

bool takesTabFocus(const QWidget *w)
{
    return w->isEnabled() && w->isVisible() && (w->focusPolicy() & Qt::TabFocus) && !w->focusProxy();
}

// The focusable descendants of container, in tab order.
QList<QWidget *> tabOrder(QWidget *container)
{
    QList<QWidget *> out;
    QWidget *w = container->nextInFocusChain();
    while (w && w != container) {
        if (container->isAncestorOf(w) && takesTabFocus(w) && !out.contains(w)) out << w;
        w = w->nextInFocusChain();
        if (out.size() > 10000) break;
    }
    return out;
}

} // namespace

// ---- Sibling modules -----------------------------------------------------------------

void SetModuleLoader(ModuleLoader loader) { hooks().loader = std::move(loader); }

bool LoadBPL(const QString &screenCode, const QString &parameter)
{
    if (hooks().loader) return hooks().loader(screenCode, parameter);
    DialogRequest request;
    request.kind = DialogRequest::Error;
    request.title = ApplicationTitle();
    request.text = TMessages::host().Msg("MODULO_INDISPONIVEL").replace("%s", screenCode);
    Dialogs().show(request);
    return false;
}

QString ModuleParameterText(const QStringList &values)
{
    return QString::fromUtf8(QJsonDocument(QJsonArray::fromStringList(values)).toJson(QJsonDocument::Compact));
}

QStringList ModuleParameters(const QString &parameter)
{
    QStringList values;
    for (const QJsonValue &v : QJsonDocument::fromJson(parameter.toUtf8()).array())
        values << v.toString();
    return values;
}

bool LoadBPL(const QString &screenCode, const QStringList &values)
{
    return LoadBPL(screenCode, ModuleParameterText(values));
}

void SetModuleUnloader(ModuleUnloader unloader) { hooks().unloader = std::move(unloader); }

void UnLoadBPL(const QString &screenCode)
{
    if (hooks().unloader) hooks().unloader(screenCode);
}

void SetUnloadBPL(const QString &className, QWidget *window)
{
    if (!window) return;
    window->setProperty("qorModuleClass", className);
    auto &list = hooks().moduleWindows;
    list.removeIf([](const QPointer<QWidget> &w) { return w.isNull(); });
    if (!list.contains(window)) list << window;
}

QList<QWidget *> ModuleWindows()
{
    QList<QWidget *> out;
    for (const QPointer<QWidget> &w : hooks().moduleWindows)
        if (w) out << w.data();
    return out;
}

// ---- Windows ---------------------------------------------------------------------------

void SetTranslator(Translator translator) { hooks().translator = std::move(translator); }

void Trad(QWidget *window)
{
    if (!window) return;
    if (window->windowTitle().isEmpty()) {
        const QString code = window->property("screenCode").toString();
        if (!code.isEmpty()) window->setWindowTitle(code);
    }
    const Translator &tr = hooks().translator;
    if (!tr) return;
    window->setWindowTitle(tr(window->windowTitle()));
    for (QLabel *l : window->findChildren<QLabel *>()) l->setText(tr(l->text()));
    for (QAbstractButton *b : window->findChildren<QAbstractButton *>()) b->setText(tr(b->text()));
    for (QGroupBox *g : window->findChildren<QGroupBox *>()) g->setTitle(tr(g->title()));
}

void SelectFirstControl(QWidget *container)
{
    if (!container) return;
    const QList<QWidget *> order = tabOrder(container);
    if (!order.isEmpty()) order.first()->setFocus(Qt::TabFocusReason);
}

void SelectNextControl(QWidget *container, bool forward)
{
    if (!container) return;
    const QList<QWidget *> order = tabOrder(container);
    if (order.isEmpty()) return;
    QWidget *focus = container->focusWidget();
    int at = focus ? int(order.indexOf(focus)) : -1;
    if (at < 0) {
        (forward ? order.first() : order.last())->setFocus(forward ? Qt::TabFocusReason : Qt::BacktabFocusReason);
        return;
    }
    const int n = int(order.size());
    at = forward ? (at + 1) % n : (at - 1 + n) % n;
    order.at(at)->setFocus(forward ? Qt::TabFocusReason : Qt::BacktabFocusReason);
}

void SetHostMainWindow(QWidget *window) { hooks().mainWindow = window; }

QWidget *HostMainWindow() { return hooks().mainWindow.data(); }

QWidget *ActiveWindow()
{
    QWidget *active = QApplication::activeWindow();
    QWidget *host = hooks().mainWindow.data();
    if (active && active == host)
        if (auto *area = host->findChild<QMdiArea *>())
            if (QMdiSubWindow *frame = area->activeSubWindow(); frame && frame->widget())
                return frame->widget();
    return active;
}

void SetChildWindowOpener(ChildWindowOpener opener) { hooks().opener = std::move(opener); }

void ShowChildWindow(QWidget *window)
{
    if (!window) return;
    if (hooks().opener) hooks().opener(window);
    else window->show();
}

}
