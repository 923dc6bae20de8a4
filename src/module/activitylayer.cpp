#include "module/activitylayer.h"
#include "module/activitypanel.h"
#include "module/modulestate.h"
#include "module/registro.h"
#include "host/services.h"
#include "plan/processos.h"
#include "plan/situacao.h"
#include "scripts/selscripts.h"
#include "server/remote.h"
#include "vcs/runners.h"
#include "scripts/scriptvars.h"
#include "workcopy/atualizacaoproduto.h"
#include "workcopy/backupworkdir.h"
#include "workcopy/operacoesproduto.h"
#include "workcopy/workcopycontext.h"
#include "workflow/checkin.h"
#include "workflow/checkout.h"
#include "workflow/gravarelease.h"
#include "workflow/workflowcontext.h"

namespace apr {

namespace {

QString antesDoPontoEVirgula(const QString &texto)
{
    return texto.section(u';', 0, 0);
}

}

LinhaPlano LinhaPlano::Atual(const qor::RecordSet &plano)
{
    auto campo = [&plano](const char *nome) { return plano.textOf(QString::fromLatin1(nome)); };
    return {campo("CDFILIAL"),   campo("NRTAREFA"),   campo("NRPLATIVTARE"),
            campo("IDSITATIVTAR"), campo("CDPROCESSO"), campo("CDPRODGRUP"),
            campo("NRSOLISERV"), campo("CDITEMTRAB"), antesDoPontoEVirgula(campo("DSDIRVSS")),
            antesDoPontoEVirgula(campo("DSDIRBASEVER")), campo("CDARVPRODGRUP")};
}

ActivityLayer::ActivityLayer(ModuleState &modulo, server::RemoteServer &servidor, const qor::RecordSet &plano,
                             ActivityPanel &painel, QWidget *janela)
    : m_modulo(modulo), m_servidor(servidor), m_plano(plano), m_painel(painel), m_janela(janela)
{
    m_fluxo = std::make_unique<workflow::WorkflowContext>(
        m_modulo, m_servidor, m_svn,
        workflow::FileLists{stlArqCheckout, stlArqCheckin, stlDirReverte, stlDirAdiciona, stlDirRenomeados});
    m_fluxo->setValorDaMaquina([](const QString &nome) {
        return Registro::maquina()->contains(Registro::chave(qor::CurrentSession().siteWebCliKey, nome));
    });
    m_fluxo->setOnRunEnded([this](bool ocioso) {
        if (ocioso)
            m_painel.execucaoMudou(true);
    });
}

ActivityLayer::~ActivityLayer()
{
    encerraExecutor();
}

void ActivityLayer::escolhePlataforma(vcs::PlataformaProduto plataforma)
{
    m_fluxo->setPlataforma(plataforma);
}

vcs::PlataformaProduto ActivityLayer::plataforma() const
{
    return m_fluxo->plataforma();
}

void ActivityLayer::enableConfirm()
{
    m_painel.habilitaConfirmacao(true);
}

// ---- The main runner ---------------------------------------------------------------------

vcs::MainRunner &ActivityLayer::executor()
{
    if (m_executor)
        return *m_executor;
    if (!stlSaidaSvn)
        stlSaidaSvn.emplace();
    m_executor = std::make_unique<vcs::MainRunner>(m_servidor, [this] { enableConfirm(); }, *stlSaidaSvn);
    m_classificador = std::make_unique<vcs::Classifier>(*this, m_svn);
    m_classificador->setLedger(&m_fluxo->ledger());
    m_executor->setClassifier(m_classificador.get(),
                              [this](const QStringList &linhas) { m_painel.mostraLinhas(linhas); });
    m_fluxo->setRunner(m_executor.get());
    return *m_executor;
}

void ActivityLayer::renovaExecutor()
{
    m_fluxo->setRunner(nullptr);
    m_executor.reset();
    stlSaidaSvn.emplace();
    executor();
}

void ActivityLayer::encerraExecutor()
{
    m_fluxo->setRunner(nullptr);
    m_executor.reset();
    m_classificador.reset();
    stlSaidaSvn.reset();
}

bool ActivityLayer::Execute(const QString &caption, const QString &commandLine, const vcs::LineSink &sink,
                            bool capture)
{
    vcs::MainRunner &runner = executor();
    // A command outside a workflow works on the activity that is current when it starts.
    const workflow::WorkflowContext::Run run = m_fluxo->begin(LinhaPlano::Atual(m_plano).chave());
    m_painel.execucaoMudou(false);
    return runner.Execute(caption, commandLine, sink, capture);
}

QString ActivityLayer::TextoCapturado() const
{
    return m_executor ? m_executor->capturedText() : QString();
}

bool ActivityLayer::emExecucao() const
{
    return m_fluxo->running();
}

// Never the grid's cursor during a command: F5 or a click may move it meanwhile.
vcs::ActivityKey ActivityLayer::atividadeEmCurso() const
{
    return emExecucao() ? m_fluxo->activity() : LinhaPlano::Atual(m_plano).chave();
}

// ---- An activity's operations ---------------------------------------------------------------

void ActivityLayer::Atualiza_Arq_Login()
{
    workcopy::WorkCopyContext &contexto = copias();
    const workflow::WorkflowContext::Run run = m_fluxo->begin({});
    m_painel.execucaoMudou(false);
    workcopy::AtualizacaoProduto(contexto).Atualiza_Arq_Login();
}

void ActivityLayer::Grava_Backup_Workdir(const QString &arquivo, const QString &solicitacao, const QString &tarefa,
                                         const QString &atividade)
{
    workcopy::BackupWorkdir(vcs::PathMap(), Registro::RaizBackupWorkdir())
        .Grava_Backup_Workdir(arquivo, stUsuarioSvn.mid(4), solicitacao, tarefa, atividade);
}

bool ActivityLayer::boArquivoMarcado() const
{
    return scripts::Scripts().boArquivoMarcado;
}

void ActivityLayer::Realiza_Checkout(const QString &produto, const QString &processo, const QString &filial,
                                     const QString &solicitacao, const QString &tarefa, const QString &atividade,
                                     const QString &itemTrab, const QString &repositorio, const QString &base)
{
    workcopy::WorkCopyContext &contexto = copias();
    workflow::CheckoutHooks hooks;
    hooks.painelVisivel = [this] { return m_painel.vistaDeComandos(); };
    hooks.reabilitaGrade = [this] { m_painel.habilitaGrade(true); };
    hooks.mostraAnimacao = [this](const QString &texto) { m_painel.mostraOcupado(texto); };
    hooks.fechaAnimacao = [this] { m_painel.fechaOcupado(); };
    hooks.raizBackup = [] { return Registro::RaizBackupWorkdir(); };
    hooks.arvoreProduto = [this, chave = vcs::ActivityKey{filial, tarefa, atividade}] { return arvoreDe(chave); };
    const workflow::WorkflowContext::Run run = m_fluxo->begin({filial, tarefa, atividade});
    m_painel.execucaoMudou(false);
    workflow::Checkout checkout(*m_fluxo, contexto, std::move(hooks));
    checkout.Realiza_Checkout(produto, processo, filial, solicitacao, tarefa, atividade, itemTrab, repositorio,
                              base);
    stIdProdSvn = checkout.stIdProdSvn();
}

bool ActivityLayer::Realiza_Checkin(const QString &produto, const QString &processo, const QString &filial,
                                    const QString &solicitacao, const QString &tarefa, const QString &atividade,
                                    const QString &itemTrab, const QString &repositorio, const QString &base)
{
    workcopy::WorkCopyContext &contexto = copias();
    workflow::CheckinHooks hooks;
    hooks.mostraAnimacao = [this](const QString &texto) { m_painel.mostraOcupado(texto); };
    hooks.fechaAnimacao = [this] { m_painel.fechaOcupado(); };
    hooks.raizBackup = [] { return Registro::RaizBackupWorkdir(); };
    hooks.arvoreProduto = [this, chave = vcs::ActivityKey{filial, tarefa, atividade}] { return arvoreDe(chave); };
    hooks.arquivosSql = &cdsArquivosSQL;
    const workflow::WorkflowContext::Run run = m_fluxo->begin({filial, tarefa, atividade});
    m_painel.execucaoMudou(false);
    workflow::Checkin checkin(*m_fluxo, contexto, boConfirmaCheckin, std::move(hooks));
    return checkin.Realiza_Checkin(produto, processo, filial, solicitacao, tarefa, atividade, itemTrab, repositorio,
                                   base);
}

QString ActivityLayer::arvoreDe(const vcs::ActivityKey &chave) const
{
    for (int row = 0; row < m_plano.recordCount(); ++row)
        if (vcs::ActivityKey{m_plano.textAt(QStringLiteral("CDFILIAL"), row),
                             m_plano.textAt(QStringLiteral("NRTAREFA"), row),
                             m_plano.textAt(QStringLiteral("NRPLATIVTARE"), row)} == chave)
            return m_plano.textAt(QStringLiteral("CDARVPRODGRUP"), row);
    return QString();
}

void ActivityLayer::abreScripts(const QString &filial, const QString &solicitacao, const QString &produto,
                                const QString &processo)
{
    scripts::CriaAnexoScript({m_servidor, &cdsArquivosSQL, vcs::PathMap()}, filial, solicitacao, produto, processo,
                             m_janela);
}

workflow::GravaRelease ActivityLayer::gravaRelease()
{
    executor();
    workflow::ReleaseHooks hooks;
    hooks.aoFalhar = [this] {
        m_painel.habilitaConfirmacao(true);
        m_painel.Habilita_Botoes();
    };
    hooks.progresso = [this](const QStringList &linhas) { m_painel.mostraLinhas(linhas); };
    hooks.abreScripts = [this](const QString &filial, const QString &solicitacao, const QString &produto,
                               const QString &processo) { abreScripts(filial, solicitacao, produto, processo); };
    return workflow::GravaRelease(*m_fluxo, m_servidor, std::move(hooks));
}

workcopy::WorkCopyContext &ActivityLayer::copias()
{
    executor();
    if (!m_copias) {
        m_copias.reset(new workcopy::WorkCopyContext{*m_fluxo, stDirArqSV, boPlataformaEscolhida, cdsOperDesenv,
                                                     cdsParamVersao});
        m_copias->progresso = [this](const QStringList &linhas) { m_painel.mostraLinhas(linhas); };
        m_copias->desabilitaBotoes = [this] { m_painel.Desabilita_Botoes(); };
        m_copias->confirmacao = [this](bool on) { m_painel.habilitaConfirmacao(on); };
        m_copias->barra = [this](int posicao) { m_painel.posicionaBarra(posicao); };
        m_copias->dirTrabalho = [] { return Registro::GetRegWorkDir(qor::CurrentSession().siteWebCliKey); };
        m_copias->raizRepositorio = Registro::RaizRepositorio();
    }
    return *m_copias;
}

void ActivityLayer::ClicaPopMenu(const QString &produto)
{
    workcopy::WorkCopyContext &contexto = copias();
    const workflow::WorkflowContext::Run run = m_fluxo->begin({});
    workcopy::OperacoesProduto(contexto).ClicaPopMenu(produto);
}

}
