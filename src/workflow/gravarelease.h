#pragma once
// The releases of an activity's files on the server: the revision each file
// had before the work (check-out) and the one its check-in created, the
// metadata release of form-framework products, and whether the conclusion of
// an activity opens the patch-script window.
#include "host/messages.h"
#include "host/recordset.h"
#include "vcs/plataforma.h"
#include "vcs/svnclient.h"
#include <QString>
#include <functional>

namespace server { class RemoteServer; }

namespace workflow {

class WorkflowContext;

// What the recording takes from the main window besides the workflow context.
struct ReleaseHooks {
    // A failure that ends the operation: btnConfirmaSubVersion enabled, the
    // default cursor, the buttons enabled.
    std::function<void()> aoFalhar;
    // Lines for the progress view (lsbProgresso).
    std::function<void(const QStringList &)> progresso;
    // CriaAnexoScript with branch, request, product group and process.
    std::function<void(const QString &, const QString &, const QString &, const QString &)> abreScripts;
};

// The plan record the metadata release is asked for.
struct RegistroPlano {
    QString filial, tarefa, atividade, arvProdGrup;
};

const qor::TMessages &ReleaseTexts();

// The "-m" argument of every commit of an activity: "SOL:" and the request
// and, on the Lumetra products' platform, the metadata release of the work.
// It is the argument the one-text form -m"SOL:<request> - Release metadados: <n>"
// gives after the Windows split; built whole, quotes in it reach the client intact.
QString MensagemCommit(vcs::PlataformaProduto plataforma, const QString &solicitacao, const QString &releaseMetaDados);

class GravaRelease {
public:
    GravaRelease(WorkflowContext &fluxo, server::RemoteServer &servidor, ReleaseHooks hooks);

    void Grava_Release_Antiga(const QString &filial, const QString &tarefa, const QString &atividade);
    void Grava_Release_Gerada(const QString &filial, const QString &tarefa, const QString &atividade);
    void Adiciona_Arquivo(const QString &filial, const QString &tarefa, const QString &atividade, QString path);
    void Grava_Release_Ant_Checkin(const QString &filial, const QString &tarefa, const QString &atividade,
                                   const QString &codigo, const QString &path);
    // Only on the Lumetra products' platform; sets stReleaseMetaDados.
    void Grava_Release_MetaDados(const RegistroPlano &registro);
    // IDPRODCONTRSUBV of the product ("S" under version control).
    QString Get_ID_Prod_SVN(const QString &produto);
    // Reloads the operator's work items; the mode and directory change nothing else.
    void SetArquivo(const QString &modo, const QString &dirBase, qor::RecordSet &cds_ItemTarefa);
    void Anexa_Arquivo_Geracao(const QString &produto, const QString &filial, const QString &solicitacao,
                               const QString &processo);
    void Anexo_Arquivo_Geracao_Asp(const QString &filial, const QString &tarefa, const QString &atividade,
                                   const QString &solicitacao, const QString &produto, const QString &processo);

    // Directories a check-in is about to add to the repository: a file below
    // one of them has no release before the work (0), whatever its status says.
    QStringList dirNovos;

    qor::RecordSet cdsArqRelease{QStringLiteral("cdsArqRelease")};
    qor::RecordSet cdsArqAdd{QStringLiteral("cdsArqAdd")};
    qor::RecordSet cdsProdSubv{QStringLiteral("cdsProdSubv")};

private:
    QString releaseGerada(const QString &url, const QString &arquivo);
    vcs::SvnStatus statusDe(const QString &path);
    bool emDiretorioNovo(const QString &path) const;
    void falha();

    WorkflowContext &m_fluxo;
    server::RemoteServer &m_servidor;
    ReleaseHooks m_hooks;
};

}
