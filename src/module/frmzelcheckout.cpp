// The main window's part in the check-out: a click on the status cell of a
// planned activity of a check-out process locks the work item's files before
// the activity runs. The workflow itself lives in src/workflow/checkout.
#include "module/frmzel.h"
#include "module/modulestate.h"
#include "module/registro.h"
#include "host/services.h"
#include "vcs/classifier.h"
#include "workcopy/workcopycontext.h"
#include "workflow/checkout.h"
#include "workflow/workflowcontext.h"
#include <QListWidget>
#include <QRadioButton>
#include <QTableView>

namespace apr {

namespace {

// Processes whose planned activities check their work item out when they start.
const QStringList kProcessosCheckout{
    // free check-out
    QStringLiteral("0000010196"), QStringLiteral("0000011633"), QStringLiteral("0000010706"),
    QStringLiteral("0000010712"), QStringLiteral("0000011329"), QStringLiteral("0000011270"),
    QStringLiteral("0000000663"), QStringLiteral("0000011263"), QStringLiteral("0000011264"),
    QStringLiteral("0000011669"), QStringLiteral("0000013011"), QStringLiteral("0000013008"),
    QStringLiteral("0000013014"), QStringLiteral("0000013022"), QStringLiteral("0000013015"),
    // planned check-out
    QStringLiteral("0000011045"), QStringLiteral("0000011054"), QStringLiteral("0000011077"),
    QStringLiteral("0000011080"), QStringLiteral("0000011262")};

QString antesDoPontoEVirgula(const QString &texto)
{
    return texto.section(u';', 0, 0);
}

}

workflow::PlataformaProduto TfrmZEL::plataformaProduto() const
{
    if (rbtProdDelphi->isChecked())
        return workflow::PlataformaProduto::Delphi;
    if (rbtProdAsp->isChecked())
        return workflow::PlataformaProduto::Asp;
    if (rbtProdLumetra->isChecked())
        return workflow::PlataformaProduto::ProdutoLumetra;
    return workflow::PlataformaProduto::FrameworkLumetra;
}

void TfrmZEL::Realiza_Checkout(const QString &produto, const QString &processo, const QString &filial,
                               const QString &solicitacao, const QString &tarefa, const QString &atividade,
                               const QString &itemTrab, const QString &repositorio, const QString &base)
{
    workcopy::WorkCopyContext &contexto = copias();
    workflow::CheckoutHooks hooks;
    hooks.plataforma = [this] { return plataformaProduto(); };
    hooks.painelVisivel = [this] { return panSubVersion->isVisible(); };
    hooks.reabilitaGrade = [this] {
        dbgPadrao->setEnabled(true);
        dbgPadrao->setFocus();
    };
    hooks.raizBackup = [] { return Registro::RaizBackupWorkdir(); };
    hooks.arvoreProduto = [this, filial, tarefa, atividade] {
        const qor::RecordSet &plano = cdsPlanAtivTare;
        for (int row = 0; row < plano.recordCount(); ++row)
            if (plano.textAt(QStringLiteral("CDFILIAL"), row) == filial
                && plano.textAt(QStringLiteral("NRTAREFA"), row) == tarefa
                && plano.textAt(QStringLiteral("NRPLATIVTARE"), row) == atividade)
                return plano.textAt(QStringLiteral("CDARVPRODGRUP"), row);
        return QString();
    };
    hooks.nomeiaAtividade = [this](const workflow::ActivityKey &chave) {
        m_classificador->setActivity({chave.tarefa, chave.atividade});
    };
    const workflow::WorkflowContext::Run run = m_fluxo->begin({filial, tarefa, atividade});
    m_classificador->setActivity({tarefa, atividade});
    atualizaAcoes();
    workflow::Checkout checkout(*m_fluxo, contexto, std::move(hooks));
    checkout.Realiza_Checkout(produto, processo, filial, solicitacao, tarefa, atividade, itemTrab, repositorio,
                              base);
    stIdProdSvn = checkout.stIdProdSvn();
}

// Until the whole status transition is here: a planned activity of a
// check-out process is checked out, then put in progress; any other row that
// is not concluded changes its state on the server.
void TfrmZEL::statusCellClick(int row)
{
    if (row < 0 || row >= cdsPlanAtivTare.recordCount() || emExecucao())
        return;
    cdsPlanAtivTare.moveTo(row);
    const QString status = campoAtual("IDSITATIVTAR");
    if (status == QLatin1String("C") || status == QLatin1String("X"))
        return;
    const workflow::ActivityKey chave = atividadeAtual();
    dbgPadrao->setEnabled(false);
    struct Libera {
        TfrmZEL *janela;
        ~Libera()
        {
            if (!janela->panSubVersion->isVisible()) {
                janela->dbgPadrao->setEnabled(true);
                janela->dbgPadrao->setFocus();
            }
        }
    } libera{this};
    if ((status.isEmpty() || status == QLatin1String("P")) && kProcessosCheckout.contains(campoAtual("CDPROCESSO")))
        Realiza_Checkout(campoAtual("CDPRODGRUP"), campoAtual("CDPROCESSO"), chave.filial,
                         campoAtual("NRSOLISERV"), chave.tarefa, chave.atividade, campoAtual("CDITEMTRAB"),
                         antesDoPontoEVirgula(campoAtual("DSDIRVSS")), antesDoPontoEVirgula(campoAtual("DSDIRBASEVER")));
    {
        server::RemoteServer::Use use(m_servidor);
        m_servidor.call(QStringLiteral("SetPlanAtivTare"), {chave.filial, chave.tarefa, chave.atividade});
    }
    GetPlanAtivTare();
}

}
