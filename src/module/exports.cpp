#include "module/exports.h"
#include "module/frmzel.h"
#include "module/modulestate.h"
#include "host/services.h"
#include "plan/dadosadi.h"
#include "plan/filtroativi.h"
#include "plan/respativ.h"
#include "plan/plantooltips.h"
#include "scripts/scriptvars.h"
#include "scripts/selscripts.h"
#include "auth/frmautentica.h"
#include "history/frmshowhistory.h"
#include "workflow/buscacheckin.h"
#include "workflow/buscacheckout.h"
#include "workflow/selcheckin.h"
#include "workflow/selcheckout.h"
#include "workflow/workflowcontext.h"
#include "workcopy/workcopycontext.h"
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

void criaAnexoScript(const QString &filial, const QString &solicitacao, const QString &produto,
                     const QString &processo)
{
    ModuleState &modulo = Modulo();
    // The window works through the main window's server connection.
    if (!modulo.frmZEL)
        qor::MensErro(scripts::ScriptTexts().Msg(QStringLiteral("SEM_JANELA_PRINCIPAL")), true);
    TfrmZEL &principal = *modulo.frmZEL;
    scripts::CriaAnexoScript({principal.Servidor(), &principal.atividades().cdsArquivosSQL, vcs::PathMap()}, filial, solicitacao,
                             produto, processo, &principal);
}

// True when the operator confirmed the selection.
bool criaSelectFiles(const workflow::SelecaoCheckout &valores)
{
    ModuleState &modulo = Modulo();
    // The dialog lists through the main window's runner, with its repository
    // account and platform, and hands the chosen files to its check-out list.
    TfrmZEL *principal = modulo.frmZEL;
    if (!principal || !principal->atividades().boPlataformaEscolhida)
        qor::MensErro(workflow::BuscaCheckout::Textos().Msg(QStringLiteral("SELECAO_SEM_JANELA")), true);
    ActivityLayer &atividades = principal->atividades();
    atividades.copias();   // builds the runner when no command ran yet
    bool confirmou = false;
    workflow::CriaSelectFiles(atividades.fluxo(), atividades.plataforma(), valores, confirmou);
    return confirmou;
}

// True when the operator confirmed the check-in selection.
bool criaSelectFilesCheckin(const workflow::SelecaoCheckin &valores)
{
    // As the check-out selection: the main window's runner, account, platform and lists.
    TfrmZEL *principal = Modulo().frmZEL;
    if (!principal || !principal->atividades().boPlataformaEscolhida)
        qor::MensErro(workflow::BuscaCheckin::Msg("SELECAO_SEM_JANELA"), true);
    ActivityLayer &atividades = principal->atividades();
    atividades.copias();   // builds the runner when no command ran yet
    bool confirmou = false;
    workflow::CriaSelectFilesCheckin(atividades.fluxo(), atividades.plataforma(), valores, confirmou);
    // No check-in follows this call to close the busy panel the confirmation leaves.
    qor::DeactiveShowAvi();
    return confirmou;
}

void criaShowHistory()
{
    ModuleState &modulo = Modulo();
    // The viewer works with the main window's repository account and platform.
    if (!modulo.frmZEL)
        qor::MensErro(history::TfrmShowHistory::Textos().Msg(QStringLiteral("HISTORICO_SEM_JANELA")), true);
    modulo.frmZEL->sbtShowHistoryClick();
}

// The answer and the additional data work through the main window's connection.
TfrmZEL &janelaPrincipal()
{
    if (!Modulo().frmZEL)
        qor::MensErro(plan::AnswerTexts().Msg(QStringLiteral("SEM_JANELA")), true);
    return *Modulo().frmZEL;
}

void criaResposta(const plan::AnswerRequest &request)
{
    TfrmZEL &principal = janelaPrincipal();
    plan::CriaResposta(principal.Servidor(), request, &principal);
}

void criaDadosAdi(const QString &tipo)
{
    TfrmZEL &principal = janelaPrincipal();
    plan::CriaDadosAdi(principal.Servidor(), tipo, &principal);
    principal.GetPlanAtivTare();
}

void criaAutenticacao()
{
    // Without the main window there is no repository account to replace.
    QPointer<TfrmZEL> janela = Modulo().frmZEL;
    auth::CriaAutenticacao([janela](const QString &usuario, const QString &senha) {
        if (!janela) return;
        janela->atividades().stUsuarioSvn = usuario;
        janela->atividades().stSenhaSvn = senha;
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

extern "C" void CriaAnexoScript(const char *cdFilial, const char *nrSoliServ, const char *cdProdGrup,
                                const char *cdProcesso)
{
    const QString filial = QString::fromUtf8(cdFilial), solicitacao = QString::fromUtf8(nrSoliServ),
                  produto = QString::fromUtf8(cdProdGrup), processo = QString::fromUtf8(cdProcesso);
    qor::guarded([&] { apr::criaAnexoScript(filial, solicitacao, produto, processo); });
}

extern "C" const char *CriaSelectFiles(const char *cdProdGrup, const char *dirBase, const char *modo,
                                       const char *cdItemTrab, const char *cdTipoItTrab, const char *cdFilial,
                                       const char *nrTarefa, const char *nrPlAtivTare)
{
    // Constants: the caller has nothing to free and nothing that a later call
    // could overwrite.
    static constexpr char kConfirmou[] = "S", kNaoConfirmou[] = "N", kNaoAbriu[] = "";
    const workflow::SelecaoCheckout valores{
        QString::fromUtf8(cdProdGrup), QString::fromUtf8(dirBase),  QString::fromUtf8(modo),
        QString::fromUtf8(cdItemTrab), QString::fromUtf8(cdTipoItTrab), QString::fromUtf8(cdFilial),
        QString::fromUtf8(nrTarefa),   QString::fromUtf8(nrPlAtivTare)};
    bool confirmou = false;
    if (!qor::guarded([&] { confirmou = apr::criaSelectFiles(valores); }))
        return kNaoAbriu;
    return confirmou ? kConfirmou : kNaoConfirmou;
}

extern "C" const char *CriaSelectFilesCheckin(const char *cdProdGrup, const char *dirBase, const char *cdItemTrab,
                                              const char *cdTipoItTrab, const char *cdFilial, const char *nrTarefa,
                                              const char *nrPlAtivTare)
{
    static constexpr char kConfirmou[] = "S", kNaoConfirmou[] = "N", kNaoAbriu[] = "";
    const workflow::SelecaoCheckin valores{
        QString::fromUtf8(cdProdGrup),   QString::fromUtf8(dirBase),  QString::fromUtf8(cdItemTrab),
        QString::fromUtf8(cdTipoItTrab), QString::fromUtf8(cdFilial), QString::fromUtf8(nrTarefa),
        QString::fromUtf8(nrPlAtivTare)};
    bool confirmou = false;
    if (!qor::guarded([&] { confirmou = apr::criaSelectFilesCheckin(valores); }))
        return kNaoAbriu;
    return confirmou ? kConfirmou : kNaoConfirmou;
}

extern "C" void CriaResposta(const char *fil, const char *tar, const char *ativ, const char *proc,
                             const char *quali, const char *resp)
{
    const plan::AnswerRequest request{QString::fromUtf8(fil), QString::fromUtf8(tar), QString::fromUtf8(ativ),
                                      QString::fromUtf8(proc), QString::fromUtf8(quali), QString::fromUtf8(resp)};
    qor::guarded([&] { apr::criaResposta(request); });
}

extern "C" void CriaDadosAdi(const char *idAtendimento)
{
    const QString tipo = QString::fromUtf8(idAtendimento);
    qor::guarded([&] { apr::criaDadosAdi(tipo); });
}

extern "C" void FinalizaModulo()
{
    apr::ModuleState &modulo = apr::Modulo();
    // No window of the module may outlive its code.
    if (modulo.frmZEL) {
        modulo.frmZEL->close();
        // A window under a running command closes itself when the command returns.
        if (modulo.frmZEL && !modulo.frmZEL->atividades().emExecucao())
            delete modulo.frmZEL.data();
    }
    modulo.filtro.reset();
    modulo.limpaTextos();
}
