#pragma once
// TfrmSelCheckin: the choice of the files an activity's check-in commits.
#include "vcs/plataforma.h"
#include <QString>

namespace workflow {

class WorkflowContext;

using vcs::PlataformaProduto;

// The seven values the dialog receives, in the order of CriaSelectFilesCheckin.
struct SelecaoCheckin {
    QString produto;        // CDPRODGRUP
    QString diretorioBase;  // stDiretorio
    QString itemTrab;       // CDITEMTRAB
    QString tipoItem;       // CDTIPOITTRAB
    QString filial;         // CDFILIAL
    QString tarefa;         // NRTAREFA
    QString plano;          // NRPLATIVTARE
};

// Opens the dialog modally through the dialog seam and returns when it closes.
// Confirm fills ctx.listas().arqCheckin, dirReverte and dirAdiciona and sets
// boConfirmaCheckin; Cancel, answered Yes, clears it. A failure while the
// dialog is prepared leaves boConfirmaCheckin as it was.
void CriaSelectFilesCheckin(WorkflowContext &ctx, PlataformaProduto plataforma, const SelecaoCheckin &valores,
                            bool &boConfirmaCheckin);

}
