#pragma once
// The check-in of an activity's work item when the activity is concluded:
// the operator confirms (changed and new files and directories go to the
// repository with the request in the message, the locks are released) or
// only unlocks; script processes commit the patch's chosen scripts. The
// releases are recorded on the server and the activity's backup removed.
#include "host/recordset.h"
#include "workflow/checkout.h"
#include "workflow/gravarelease.h"
#include "workflow/selcheckin.h"
#include "workflow/workflowcontext.h"
#include <QString>
#include <QStringList>
#include <functional>

namespace qor { class TMessages; }
namespace workcopy { struct WorkCopyContext; }

namespace workflow {

// What the check-in takes from the main window besides the two contexts.
struct CheckinHooks : HostHooks {
    // CriaSelectFilesCheckin; empty: the selection dialog itself.
    std::function<void(WorkflowContext &, PlataformaProduto, const SelecaoCheckin &, bool &)> selecao;
    // CDARVPRODGRUP of the activity's plan row (the metadata release's product tree).
    std::function<QString()> arvoreProduto;
    // cdsArquivosSQL: the scripts the script selection chose (NMFILE).
    qor::RecordSet *arquivosSql = nullptr;
};

// The nine texts of a check-in: those of a check-out, in the same order.
using PedidoCheckin = PedidoCheckout;

const qor::TMessages &CheckinTexts();

class Checkin {
public:
    // boConfirmaCheckin: the main window's flag, read by the conclusion of the activity.
    Checkin(WorkflowContext &fluxo, workcopy::WorkCopyContext &copias, bool &boConfirmaCheckin, CheckinHooks hooks = {});

    // False at once for a process without check-in; otherwise DoCheckIn and true.
    bool Realiza_Checkin(const PedidoCheckin &pedido);
    bool Realiza_Checkin(const QString &produto, const QString &processo, const QString &filial,
                         const QString &solicitacao, const QString &tarefa, const QString &atividade,
                         const QString &itemTrab, const QString &repositorio, const QString &base);
    void DoCheckIn(const PedidoCheckin &pedido);
    // Fails with ERRO_LOCK_WORKCOPY when a file the activity holds is locked in
    // the repository by a lock this working copy does not hold (stolen, or
    // taken again elsewhere). Also true before the confirmed check-in commits.
    void Valida_Bloqueio_Copia_Trabalho(const QString &filial, const QString &tarefa, const QString &atividade);

    // The files and directories the last confirmed check-in sent, and those it
    // could not send when it failed part way.
    const QStringList &enviados() const { return m_enviados; }
    const QStringList &pendentes() const { return m_pendentes; }

    qor::RecordSet cdsProdSubv{QStringLiteral("cdsProdSubv")};
    qor::RecordSet cdsItemTarefa{QStringLiteral("cdsItemTarefa")};
    qor::RecordSet cdsDirItemTrab{QStringLiteral("cdsDirItemTrab")};
    qor::RecordSet cdsArq{QStringLiteral("cdsArq")};

private:
    enum class Escolha { Confirma, Desbloqueia };
    enum class AtualizaProduto { Sim, Nao };

    void checkin(const PedidoCheckin &pedido);
    Escolha escolha();
    void preparaDiretorios(const PedidoCheckin &pedido);
    void scripts(const PedidoCheckin &pedido);
    // False when the operator cancelled the selection.
    bool confirma(const PedidoCheckin &pedido);
    void diretorios(const QString &solicitacao, double passo, double &posicao);
    void arquivos(const QString &solicitacao, double passo, double &posicao);
    void enviaOuListaPendentes(const std::function<void()> &envio);
    void apenasDesbloqueia(const PedidoCheckin &pedido);
    void fim(const PedidoCheckin &pedido, AtualizaProduto atualiza);
    void inicioDoTrabalho();
    RegistroPlano registro(const PedidoCheckin &pedido) const;
    GravaRelease releases();

    vcs::SvnXmlStatus situacao(const QString &caption, const QStringList &caminhos, bool comRepositorio);
    QString mensagem(const QString &solicitacao) const;
    PlataformaProduto plataforma() const { return m_fluxo.plataforma(); }
    vcs::SvnRun em(const QString &caption);
    void barra(double posicao);

    WorkflowContext &m_fluxo;
    workcopy::WorkCopyContext &m_copias;
    bool &m_boConfirmaCheckin;
    CheckinHooks m_hooks;
    vcs::SvnXmlStatus m_travas;   // what the last lock validation found
    QStringList m_enviados;
    QStringList m_pendentes;
};

}
