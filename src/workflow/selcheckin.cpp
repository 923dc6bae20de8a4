#include "workflow/selcheckin.h"
#include "host/dialogs.h"
#include "host/services.h"
#include "workflow/frmselcheckin.h"
#include "workflow/workflowcontext.h"

namespace workflow {

void CriaSelectFilesCheckin(WorkflowContext &ctx, PlataformaProduto plataforma, const SelecaoCheckin &valores,
                            bool &boConfirmaCheckin)
{
    TfrmSelCheckin dialog(ctx, plataforma, valores, boConfirmaCheckin);
    {
        qor::BusyCursor ampulheta;
        dialog.Prepara();
    }
    ctx.dialogs().execModal(dialog);
}

}
