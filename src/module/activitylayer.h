#pragma once
// The activity layer of the main window: everything an activity's
// version-control work needs besides the widgets. It owns the main runner and
// its classification, the workflow and working-copy contexts, the lists that
// carry chosen files between the dialogs and the workflows, and the
// repository account and platform; the window shows it through ActivityPanel.
#include "host/recordset.h"
#include "vcs/activitykey.h"
#include "vcs/classifier.h"
#include "vcs/plataforma.h"
#include "vcs/runner.h"
#include "vcs/svnclient.h"
#include <QString>
#include <QStringList>
#include <memory>
#include <optional>

class QWidget;
namespace server { class RemoteServer; }
namespace vcs { class MainRunner; }
namespace workcopy { struct WorkCopyContext; }
namespace workflow { class WorkflowContext; class GravaRelease; }

namespace apr {

struct ModuleState;
class ActivityPanel;

// The values of a plan row (cdsPlanAtivTare) that the activity operations take.
struct LinhaPlano {
    QString filial;        // CDFILIAL
    QString tarefa;        // NRTAREFA
    QString atividade;     // NRPLATIVTARE
    QString situacao;      // IDSITATIVTAR
    QString processo;      // CDPROCESSO
    QString produto;       // CDPRODGRUP
    QString solicitacao;   // NRSOLISERV
    QString itemTrab;      // CDITEMTRAB
    QString repositorio;   // DSDIRVSS, up to the first ";"
    QString base;          // DSDIRBASEVER, up to the first ";"
    QString arvProdGrup;   // CDARVPRODGRUP

    vcs::ActivityKey chave() const { return {filial, tarefa, atividade}; }
    // The current row of the plan (empty texts on an empty plan).
    static LinhaPlano Atual(const qor::RecordSet &plano);
};

class ActivityLayer : public vcs::ClassifierContext {
public:
    // plano: the plan whose current row a command outside a workflow works on;
    // janela: the parent of the dialogs the operations open.
    ActivityLayer(ModuleState &modulo, server::RemoteServer &servidor, const qor::RecordSet &plano,
                  ActivityPanel &painel, QWidget *janela);
    ~ActivityLayer() override;
    ActivityLayer(const ActivityLayer &) = delete;
    ActivityLayer &operator=(const ActivityLayer &) = delete;

    // ---- Repository account and platform, fixed by the platform confirmation ----------
    QString stUsuarioSvn;
    QString stSenhaSvn;
    // The one Subversion client, over this account; the workflows get it through their context.
    const vcs::SvnClient &svn() const { return m_svn; }
    void escolhePlataforma(vcs::PlataformaProduto plataforma);
    vcs::PlataformaProduto plataforma() const;
    bool boPlataformaEscolhida = false;

    // ---- What the dialogs hand to the workflows -------------------------------------
    QStringList stlArqCheckout;             // logical paths of the files chosen for check-out
    QStringList stlArqCheckin;
    QStringList stlDirReverte;
    QStringList stlDirAdiciona;
    QStringList stlDirRenomeados;
    QString stIdProdSvn;
    QString stDirArqSV;                     // the product update's control file: its directory, then its path
    qor::RecordSet cdsParamVersao{QStringLiteral("cdsParamVersao")};
    qor::RecordSet cdsOperDesenv{QStringLiteral("cdsOperDesenv")};
    qor::RecordSet cdsArquivosSQL{QStringLiteral("cdsArquivosSQL")};   // data-modelling scripts of the patch

    // ---- The main runner ----------------------------------------------------------------
    // A new runner, classification and capture list (the window's first activation).
    void renovaExecutor();
    // The window closes: runner, classification and capture list go.
    void encerraExecutor();
    // Runs one command line framed and classified, for the activity current at
    // its start; false when it could not start.
    bool Execute(const QString &caption, const QString &commandLine, const vcs::LineSink &sink, bool capture);
    // The raw output of the last captured command (info and release runs).
    QString TextoCapturado() const;
    std::optional<QStringList> stlSaidaSvn;
    // A command or workflow runs, and the activity it fixed at its start.
    bool emExecucao() const;
    // The patch-script window of a request, on this layer's script list.
    void abreScripts(const QString &filial, const QString &solicitacao, const QString &produto,
                     const QString &processo);
    vcs::ActivityKey atividadeEmCurso() const;
    workflow::WorkflowContext &fluxo() { return *m_fluxo; }

    // ---- An activity's operations -----------------------------------------------------------
    // The daily update of the chosen platform's product, once per platform choice.
    void Atualiza_Arq_Login();
    // The backup of one checked-out file of the activity, under the operator's user.
    void Grava_Backup_Workdir(const QString &arquivo, const QString &solicitacao, const QString &tarefa,
                              const QString &atividade);
    // What the patch-script window left: the conclusion may go on.
    bool boArquivoMarcado() const;
    void Realiza_Checkout(const QString &produto, const QString &processo, const QString &filial,
                          const QString &solicitacao, const QString &tarefa, const QString &atividade,
                          const QString &itemTrab, const QString &repositorio, const QString &base);
    // The conclusion of a development activity: its check-in (false for a
    // process without one). boConfirmaCheckin says whether it may be concluded.
    bool Realiza_Checkin(const QString &produto, const QString &processo, const QString &filial,
                         const QString &solicitacao, const QString &tarefa, const QString &atividade,
                         const QString &itemTrab, const QString &repositorio, const QString &base);
    bool boConfirmaCheckin = false;
    // The release recording and the working-copy services, wired to this layer.
    workflow::GravaRelease gravaRelease();
    workcopy::WorkCopyContext &copias();
    // The product chosen in the update menu ("Atualizar Versão"): its repair or update.
    void ClicaPopMenu(const QString &produto);

    // vcs::ClassifierContext
    QString svnUser() const override { return stUsuarioSvn; }
    QString svnPassword() const override { return stSenhaSvn; }
    server::RemoteServer &server() override { return m_servidor; }
    void enableConfirm() override;

private:
    vcs::MainRunner &executor();
    // CDARVPRODGRUP of the activity's plan row: the product tree of its metadata release.
    QString arvoreDe(const vcs::ActivityKey &chave) const;

    ModuleState &m_modulo;
    server::RemoteServer &m_servidor;
    const qor::RecordSet &m_plano;
    ActivityPanel &m_painel;
    QWidget *m_janela;
    vcs::SvnClient m_svn{stUsuarioSvn, stSenhaSvn};
    std::unique_ptr<workflow::WorkflowContext> m_fluxo;
    std::unique_ptr<vcs::Classifier> m_classificador;
    std::unique_ptr<vcs::MainRunner> m_executor;
    std::unique_ptr<workcopy::WorkCopyContext> m_copias;
};

}
