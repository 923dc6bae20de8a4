// The main window's part in the working-copy services: it hands them its
// runner, account and state; the services live in src/workcopy.
#include "module/frmzel.h"
#include "module/registro.h"
#include "workcopy/backupworkdir.h"
#include "workcopy/atualizacaoproduto.h"
#include "workcopy/infocopia.h"
#include "workcopy/operacoesproduto.h"
#include "workcopy/workcopycontext.h"
#include "host/services.h"
#include "module/modulestate.h"
#include "vcs/progress.h"
#include <QAction>
#include <QCursor>
#include <QMenu>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include "workflow/workflowcontext.h"

namespace apr {

void TfrmZEL::Grava_Backup_Workdir(const QString &file, const QString &user, const QString &request,
                                   const QString &task, const QString &activity)
{
    workcopy::BackupWorkdir({}, Registro::RaizBackupWorkdir())
        .Grava_Backup_Workdir(file, user, request, task, activity);
}

void TfrmZEL::Deleta_Backup_WorkDir(const QString &user, const QString &request, const QString &task,
                                    const QString &activity)
{
    workcopy::BackupWorkdir({}, Registro::RaizBackupWorkdir()).Deleta_Backup_WorkDir(user, request, task, activity);
}

QString TfrmZEL::CopiaURL(const QString &path)
{
    if (!m_executor)
        criaExecutor();
    return workcopy::InfoCopia(*m_fluxo).CopiaURL(path);
}

QString TfrmZEL::CopiaRelease(const QString &path)
{
    if (!m_executor)
        criaExecutor();
    return workcopy::InfoCopia(*m_fluxo).CopiaRelease(path);
}

workcopy::WorkCopyContext &TfrmZEL::copias()
{
    if (!m_executor)
        criaExecutor();
    if (!m_copias) {
        m_copias.reset(new workcopy::WorkCopyContext{*m_fluxo, stDirArqSV, boPlataformaEscolhida, cdsOperDesenv,
                                                     cdsParamVersao});
        m_copias->progresso = vcs::ListSink(lsbProgresso);
        m_copias->desabilitaBotoes = [this] { Desabilita_Botoes(); };
        m_copias->confirmacao = [this](bool on) { btnConfirmaSubVersion->setEnabled(on); };
        m_copias->barra = [this](int posicao) { pgrSubVersion->setValue(posicao); };
        m_copias->lumetra = [this] { return rbtProdLumetra->isChecked(); };
        m_copias->dirTrabalho = [this] { return GetRegWorkDir(); };
        m_copias->raizRepositorio = Registro::RaizRepositorio();
    }
    return *m_copias;
}

void TfrmZEL::sbtGetClick()
{
    workcopy::AtualizacaoProduto atualizacao(copias());
    if (!atualizacao.CarregaVersoes())
        return;
    if (!pmnProdSVN)
        pmnProdSVN = new QMenu(this);
    pmnProdSVN->clear();
    int posicao = 0;
    for (cdsParamVersao.first(); !cdsParamVersao.eof(); cdsParamVersao.next(), ++posicao) {
        QAction *item = pmnProdSVN->addAction(cdsParamVersao.textOf(QStringLiteral("NMPRODUTO")));
        item->setData(posicao);
        connect(item, &QAction::triggered, this, [this, posicao] { qor::guarded([this, posicao] { ClicaPopMenu(posicao); }); });
    }
    pmnProdSVN->popup(QCursor::pos());
}

void TfrmZEL::ClicaPopMenu(int posicao)
{
    const QList<QAction *> itens = pmnProdSVN ? pmnProdSVN->actions() : QList<QAction *>();
    if (posicao < 0 || posicao >= itens.size())
        return;
    const workflow::WorkflowContext::Run run = m_fluxo->begin({});
    workcopy::OperacoesProduto(copias()).ClicaPopMenu(itens.at(posicao)->text());
}

void TfrmZEL::Atualiza_Arq_Login()
{
    workcopy::AtualizacaoProduto(copias()).Atualiza_Arq_Login();
}

void TfrmZEL::Atualiza_Arq_Prod_Merc(const QString &grupo)
{
    workcopy::AtualizacaoProduto(copias()).Atualiza_Arq_Prod_Merc(grupo);
}

void TfrmZEL::Efetua_Update(const QString &diretorios, const QString &repositorios)
{
    workcopy::AtualizacaoProduto(copias()).Efetua_Update(diretorios, repositorios);
}

void TfrmZEL::Renomeia_Arq(const QString &path)
{
    workcopy::OperacoesProduto(copias()).Renomeia_Arq(path);
}

}
