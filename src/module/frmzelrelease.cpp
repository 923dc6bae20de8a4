// The main window's part in the release recording: it hands the recording
// its runner, account, server, platform and progress view.
#include "module/frmzel.h"
#include "scripts/selscripts.h"
#include "workflow/gravarelease.h"
#include "workflow/workflowcontext.h"
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>

namespace apr {

workflow::GravaRelease TfrmZEL::gravaRelease()
{
    if (!m_executor)
        criaExecutor();
    workflow::ReleaseHooks hooks;
    hooks.aoFalhar = [this] {
        btnConfirmaSubVersion->setEnabled(true);
        Habilita_Botoes();
    };
    hooks.progresso = [this](const QStringList &lines) { lsbProgresso->addItems(lines); };
    hooks.abreScripts = [this](const QString &filial, const QString &solicitacao, const QString &produto,
                               const QString &processo) {
        scripts::CriaAnexoScript({m_servidor, &cdsArquivosSQL, vcs::PathMap()}, filial, solicitacao, produto,
                                 processo, this);
    };
    return workflow::GravaRelease(*m_fluxo, m_servidor, std::move(hooks));
}

void TfrmZEL::Grava_Release_Antiga(const QString &filial, const QString &tarefa, const QString &atividade)
{
    gravaRelease().Grava_Release_Antiga(filial, tarefa, atividade);
}

void TfrmZEL::Grava_Release_Gerada(const QString &filial, const QString &tarefa, const QString &atividade)
{
    gravaRelease().Grava_Release_Gerada(filial, tarefa, atividade);
}

void TfrmZEL::Adiciona_Arquivo(const QString &filial, const QString &tarefa, const QString &atividade,
                               const QString &path)
{
    gravaRelease().Adiciona_Arquivo(filial, tarefa, atividade, path);
}

void TfrmZEL::Grava_Release_Ant_Checkin(const QString &filial, const QString &tarefa, const QString &atividade,
                                        const QString &codigo, const QString &path)
{
    gravaRelease().Grava_Release_Ant_Checkin(filial, tarefa, atividade, codigo, path);
}

void TfrmZEL::Grava_Release_MetaDados()
{
    gravaRelease().Grava_Release_MetaDados({campoAtual("CDFILIAL"), campoAtual("NRTAREFA"),
                                            campoAtual("NRPLATIVTARE"), campoAtual("CDARVPRODGRUP")},
                                           rbtProdLumetra->isChecked());
}

void TfrmZEL::Get_ID_Prod_SVN(const QString &produto)
{
    stIdProdSvn = gravaRelease().Get_ID_Prod_SVN(produto);
}

void TfrmZEL::SetArquivo(const QString &modo, const QString &dirBase)
{
    gravaRelease().SetArquivo(modo, dirBase, cds_ItemTarefa);
}

void TfrmZEL::Anexa_Arquivo_Geracao(const QString &produto, const QString &filial, const QString &solicitacao,
                                    const QString &processo)
{
    gravaRelease().Anexa_Arquivo_Geracao(produto, filial, solicitacao, processo, rbtProdDelphi->isChecked());
}

void TfrmZEL::Anexo_Arquivo_Geracao_Asp(const QString &filial, const QString &tarefa, const QString &atividade,
                                        const QString &solicitacao, const QString &produto, const QString &processo)
{
    gravaRelease().Anexo_Arquivo_Geracao_Asp(filial, tarefa, atividade, solicitacao, produto, processo);
}

}
