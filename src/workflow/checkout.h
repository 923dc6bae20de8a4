#pragma once
// The check-out of an activity's work item: the checks with the server, the
// update of the product's working copies, the choice of files, and for each
// chosen file the repository's content and a lock of the operator's
// Subversion user; every failure after that point gives the locks back.
#include "host/recordset.h"
#include "vcs/svnclient.h"
#include "vcs/runner.h"
#include "workflow/hosthooks.h"
#include "workflow/selcheckout.h"
#include "workflow/workflowcontext.h"
#include <QString>
#include <QStringList>
#include <functional>

namespace qor { class TMessages; }
namespace vcs { class ConsoleRunner; }
namespace workcopy { struct WorkCopyContext; }

namespace workflow {

// What the check-out takes from the main window besides the two contexts.
struct CheckoutHooks : HostHooks {
    // panSubVersion visible.
    std::function<bool()> painelVisivel = [] { return false; };
    // dbgPadrao enabled again and focused.
    std::function<void()> reabilitaGrade = [] {};
    // CriaSelectFiles; empty: the selection dialog itself.
    std::function<void(WorkflowContext &, PlataformaProduto, const SelecaoCheckout &, bool &)> selecao;
    // CDARVPRODGRUP of the activity's plan row: the product tree whose
    // metadata release the directory commits of the Lumetra products carry.
    std::function<QString()> arvoreProduto;
};

// The nine texts of a check-out, in the order the plan passes them.
struct PedidoCheckout {
    QString produto;       // CDPRODGRUP
    QString processo;      // CDPROCESSO
    QString filial;        // CDFILIAL
    QString solicitacao;   // NRSOLISERV
    QString tarefa;        // NRTAREFA
    QString atividade;     // NRPLATIVTARE
    QString itemTrab;      // CDITEMTRAB
    QString repositorio;   // DSDIRVSS, first element
    QString base;          // DSDIRBASEVER, first element
};

const qor::TMessages &CheckoutTexts();

class Checkout {
public:
    Checkout(WorkflowContext &fluxo, workcopy::WorkCopyContext &copias, CheckoutHooks hooks = {});

    void Realiza_Checkout(const PedidoCheckout &pedido);
    void Realiza_Checkout(const QString &produto, const QString &processo, const QString &filial,
                          const QString &solicitacao, const QString &tarefa, const QString &atividade,
                          const QString &itemTrab, const QString &repositorio, const QString &base);
    void Vd_Arq_Checkout(const QString &produto, const QString &processo, const QString &solicitacao,
                         const QString &tarefa, const QString &atividade, const QString &itemTrab);
    void Apaga_ArqCheckOutAtiv(const QString &filial, const QString &tarefa, const QString &atividade);
    // Gives every lock back when it fails; the failure then goes on.
    void DoCheckOut(const PedidoCheckout &pedido);

    // stDirVss and stDiretorio as a check-out completes them (empty stays empty).
    static QString ComBarraFinal(QString url);
    static QString BaseDaCopia(QString base);

    const QString &stIdProdSvn() const { return m_stIdProdSvn; }
    // The files whose lock the last recovery could not release.
    const QStringList &travasNaoLiberadas() const { return m_naoLiberadas; }

    qor::RecordSet cdsProdSubv{QStringLiteral("cdsProdSubv")};
    qor::RecordSet cdsItemTarefa{QStringLiteral("cdsItemTarefa")};
    qor::RecordSet cdsDirItemTrab{QStringLiteral("cdsDirItemTrab")};
    qor::RecordSet cdsVdsolitemtrab{QStringLiteral("cdsVdsolitemtrab")};
    qor::RecordSet cdsVdRelacItTrabProd{QStringLiteral("cdsVdRelacItTrabProd")};
    qor::RecordSet cdsOperador{QStringLiteral("cdsOperador")};
    qor::RecordSet cdsStativpen{QStringLiteral("cdsStativpen")};
    qor::RecordSet cdsDirProd{QStringLiteral("cdsDirProd")};
    qor::RecordSet cdsVdArqCheckOut{QStringLiteral("cdsVdArqCheckOut")};

private:
    enum class Fim { Continua, Termina };

    void outrasSolicitacoes(const QString &tarefa, const QString &atividade);
    void itemBloqueado(const QString &produto, const QString &itemTrab);
    void atualizaCopias(const QString &produto);
    void registraCheckout(const PedidoCheckout &pedido);

    void checkout(const PedidoCheckout &pedido);
    void verificaSql();
    Fim perguntaScript(bool script);
    Fim perguntaRelatorio(const PedidoCheckout &pedido);
    void preparaDiretorios(const PedidoCheckout &pedido);
    bool percorreDiretorios(const PedidoCheckout &pedido, bool comBusca);
    void obtemReleaseMetaDados(const PedidoCheckout &pedido);
    bool selecionaArquivos(const PedidoCheckout &pedido, bool script);
    void bloqueiaArquivos(const PedidoCheckout &pedido, bool script);
    void cancelado();
    void criaDiretorioItem(const QString &relativo, const QString &solicitacao);
    void criaDiretorio(const QString &dir, const QString &solicitacao);
    void recupera();
    bool liberado(vcs::ConsoleRunner &runner, const QString &arquivo);
    QStringList alterados(const QStringList &arquivos);
    void guardaAlterado(const QString &arquivo, const PedidoCheckout &pedido);

    PlataformaProduto plataforma() const { return m_fluxo.plataforma(); }
    vcs::CheckoutLedger &ledger() const { return m_fluxo.ledger(); }
    vcs::SvnRun em(const QString &caption);
    void progresso(const QStringList &lines) const;
    vcs::LineSink sink() const;

    WorkflowContext &m_fluxo;
    workcopy::WorkCopyContext &m_copias;
    CheckoutHooks m_hooks;
    QString m_stIdProdSvn;
    bool m_boConfirmaCheckout = false;
    QStringList m_naoLiberadas;
};

}
