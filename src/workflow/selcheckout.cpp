#include "workflow/selcheckout.h"
#include "host/dialogs.h"
#include "workflow/frmselcheckout.h"
#include "workflow/workflowcontext.h"

namespace workflow {

void CriaSelectFiles(WorkflowContext &ctx, PlataformaProduto plataforma, const SelecaoCheckout &valores,
                     bool &boConfirmaCheckout)
{
    TfrmSelCheckout dialog(ctx, plataforma, valores, boConfirmaCheckout);
    ctx.dialogs().execModal(dialog);
}

}
