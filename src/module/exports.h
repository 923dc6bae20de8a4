#pragma once
#include <QtGlobal>

// The entry points the host resolves by name.
extern "C" {
Q_DECL_EXPORT void CriaAproAtiv();
Q_DECL_EXPORT void IniProc();
// The activity filter of the plan, created once and shown modelessly.
Q_DECL_EXPORT void CriaFiltroAtividade();
// The patch-script window of a request (APR00160): branch, request number,
// product group and process of the activity, as UTF-8 texts.
Q_DECL_EXPORT void CriaAnexoScript(const char *cdFilial, const char *nrSoliServ, const char *cdProdGrup,
                                   const char *cdProcesso);
// The check-out file selection (APR00190) of an activity: product group,
// product base directory, mode ("MODELAGEM" or empty), work item, work-item
// type, branch, task and activity, as UTF-8 texts. Needs the main window with
// its platform chosen; the files confirmed go to its check-out list.
// Returns "S" when the operator confirmed, "N" when the dialog closed
// otherwise, "" when it could not open. The text is a constant of the module:
// never to be freed, valid while the module stays loaded.
Q_DECL_EXPORT const char *CriaSelectFiles(const char *cdProdGrup, const char *dirBase, const char *modo,
                                          const char *cdItemTrab, const char *cdTipoItTrab, const char *cdFilial,
                                          const char *nrTarefa, const char *nrPlAtivTare);
// The check-in file selection (APR00140) of an activity: product group,
// product base directory, work item, work-item type, branch, task and
// activity, as UTF-8 texts. Needs the main window with its platform chosen;
// the files and directories confirmed go to its check-in lists. Returns "S"
// when the operator confirmed, "N" when he cancelled, "" when it could not
// open or the confirmation failed; a constant of the module, never freed.
Q_DECL_EXPORT const char *CriaSelectFilesCheckin(const char *cdProdGrup, const char *dirBase, const char *cdItemTrab,
                                                 const char *cdTipoItTrab, const char *cdFilial, const char *nrTarefa,
                                                 const char *nrPlAtivTare);
// The log viewer of a file (needs the main window).
Q_DECL_EXPORT void CriaShowHistory();
// The network authentication; its account becomes the main window's repository account.
Q_DECL_EXPORT void CriaAutenticacao();
// "Resposta da Atividade" (APR00130): branch, task, activity, process,
// qualification and mode ("1": the plan's "Resposta"), as UTF-8 texts.
Q_DECL_EXPORT void CriaResposta(const char *fil, const char *tar, const char *ativ, const char *proc,
                                const char *quali, const char *resp);
// "Dados Adicionais" (APR00120) of an attendance being started: "I" or "E".
Q_DECL_EXPORT void CriaDadosAdi(const char *idAtendimento);
// Called by the host before it unloads the module.
Q_DECL_EXPORT void FinalizaModulo();
}
