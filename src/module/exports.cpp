#include "module/exports.h"
#include "module/frmzel.h"
#include "module/modulestate.h"
#include "host/services.h"
#include "plan/filtroativi.h"
#include "plan/plantooltips.h"
#include "auth/frmautentica.h"
#include "history/frmshowhistory.h"
#include <QMdiSubWindow>

namespace apr {

namespace {

void mostraMaximizada(QWidget *window)
{
    QWidget *frame = qobject_cast<QMdiSubWindow *>(window->parentWidget());
    if (!frame)
        frame = window;
    frame->showMaximized();
    frame->raise();
    frame->activateWindow();
}

void criaAproAtiv()
{
    qor::BusyCursor busy;
    ModuleState &modulo = Modulo();
    if (!modulo.boStCriado || !modulo.frmZEL) {
        modulo.frmZEL = new TfrmZEL;
        modulo.boStCriado = true;
        qor::ShowChildWindow(modulo.frmZEL);
    }
    mostraMaximizada(modulo.frmZEL);
}

void criaFiltroAtividade()
{
    ModuleState &modulo = Modulo();
    // The filter narrows the main window's plan: without the window there is nothing to filter.
    if (!modulo.frmZEL)
        qor::MensErro(plan::PlanTexts().Msg(QStringLiteral("FILTRO_SEM_JANELA")), true);
    modulo.frmZEL->SpeedButton2Click();
}

void criaShowHistory()
{
    ModuleState &modulo = Modulo();
    // The viewer works with the main window's repository account and platform.
    if (!modulo.frmZEL)
        qor::MensErro(history::TfrmShowHistory::Textos().Msg(QStringLiteral("HISTORICO_SEM_JANELA")), true);
    modulo.frmZEL->sbtShowHistoryClick();
}

void criaAutenticacao()
{
    // Without the main window there is no repository account to replace.
    QPointer<TfrmZEL> janela = Modulo().frmZEL;
    auth::CriaAutenticacao([janela](const QString &usuario, const QString &senha) {
        if (!janela) return;
        janela->stUsuarioSvn = usuario;
        janela->stSenhaSvn = senha;
    });
}

}

}

extern "C" void CriaShowHistory()
{
    qor::guarded(apr::criaShowHistory);
}

extern "C" void CriaAutenticacao()
{
    qor::guarded(apr::criaAutenticacao);
}

extern "C" void CriaAproAtiv()
{
    qor::guarded(apr::criaAproAtiv);
}

extern "C" void IniProc()
{
    CriaAproAtiv();
}

extern "C" void CriaFiltroAtividade()
{
    qor::guarded(apr::criaFiltroAtividade);
}

extern "C" void FinalizaModulo()
{
    apr::ModuleState &modulo = apr::Modulo();
    // No window of the module may outlive its code.
    if (modulo.frmZEL) {
        modulo.frmZEL->close();
        // A window under a running command closes itself when the command returns.
        if (modulo.frmZEL && !modulo.frmZEL->emExecucao())
            delete modulo.frmZEL.data();
    }
    modulo.filtro.reset();
    modulo.limpaTextos();
}
