// The entry points of pkg_APR00500 the host resolves by name.
#include "acompanha/frmacompanhaapr.h"
#include "host/services.h"
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPointer>

namespace {

QPointer<acompanha::AcompanhaWindow> &janela()
{
    static QPointer<acompanha::AcompanhaWindow> aberta;
    return aberta;
}

void mostraMaximizada(QWidget *window)
{
    auto *frame = qobject_cast<QMdiSubWindow *>(window->parentWidget());
    if (!frame) {
        window->showMaximized();
        window->raise();
        window->activateWindow();
        return;
    }
    frame->showMaximized();
    if (frame->mdiArea())
        frame->mdiArea()->setActiveSubWindow(frame);
}

// One window: a later call brings it forward with its period read again.
void criaAcompanhaAPR()
{
    if (!janela()) {
        janela() = new acompanha::AcompanhaWindow;
        qor::ShowChildWindow(janela().data());
    }
    mostraMaximizada(janela().data());
    janela()->carrega();
}

}

extern "C" Q_DECL_EXPORT void CriaAcompanhaAPR()
{
    qor::guarded([] { criaAcompanhaAPR(); });
}

// Called by the host before it unloads the module: no window outlives its code.
extern "C" Q_DECL_EXPORT void FinalizaModulo()
{
    delete janela().data();
    janela().clear();
}
