#pragma once
// TfrmSelCheckout: the choice of the files an activity's check-out locks.
#include "vcs/plataforma.h"
#include <QString>

namespace workflow {

class WorkflowContext;

using vcs::PlataformaProduto;

// The eight values the dialog receives, in the order of CriaSelectFiles.
struct SelecaoCheckout {
    QString produto;        // CDPRODGRUP
    QString diretorioBase;  // stDiretorio
    QString modo;           // "MODELAGEM" or empty
    QString itemTrab;       // CDITEMTRAB
    QString tipoItem;       // CDTIPOITTRAB ("04" in "MODELAGEM" mode)
    QString filial;         // CDFILIAL
    QString tarefa;         // NRTAREFA
    QString plano;          // NRPLATIVTARE
};

// Opens the dialog modally through the dialog seam and returns when it closes.
// Confirm gives ctx.listas().arqCheckout the chosen files (each registered with
// SetArqCheckout) and sets boConfirmaCheckout; Close, answered Yes, clears it;
// closing the window otherwise leaves it as it was.
void CriaSelectFiles(WorkflowContext &ctx, PlataformaProduto plataforma, const SelecaoCheckout &valores,
                     bool &boConfirmaCheckout);

}
