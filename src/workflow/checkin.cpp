#include "workflow/checkin.h"
#include "vcs/drive.h"
#include "host/dialogs.h"
#include "host/messages.h"
#include "host/services.h"
#include "module/modulestate.h"
#include "plan/processos.h"
#include "server/remote.h"
#include "vcs/pathmap.h"
#include "vcs/runners.h"
#include "workcopy/backupworkdir.h"
#include "workcopy/operacoesproduto.h"
#include "workcopy/textos.h"
#include "workcopy/workcopycontext.h"
#include <QSet>
#include <cmath>

static void initCheckinTexts()
{
    Q_INIT_RESOURCE(checkin);
}

namespace workflow {

namespace {

constexpr int kFim = 1000000;

QString msg(const char *key)
{
    return workcopy::Msg(QLatin1String(key));
}

QString proprio(const char *key)
{
    return CheckinTexts().Msg(QLatin1String(key));
}

// The entry of a path in a status listing (the client may write it in another case).
const vcs::SvnXmlStatusEntry *entradaDe(const vcs::SvnXmlStatus &status, const QString &path)
{
    for (const vcs::SvnXmlStatusEntry &entrada : status.entries)
        if (entrada.path.compare(path, Qt::CaseInsensitive) == 0)
            return &entrada;
    return nullptr;
}

// No entry: the path lies below a directory that is not under version control yet.
bool semVersao(const vcs::SvnXmlStatusEntry *entrada)
{
    return !entrada || entrada->item == u"unversioned";
}

bool comAlteracao(const vcs::SvnXmlStatusEntry *entrada)
{
    static const QStringList itens = {"unversioned", "added", "modified", "replaced", "deleted"};
    return semVersao(entrada) || itens.contains(entrada->item);
}

// True while the workflow runs, false again however it ends.
class Operando {
public:
    explicit Operando(bool &flag) : m_flag(flag) { m_flag = true; }
    ~Operando() { m_flag = false; }
    Operando(const Operando &) = delete;
    Operando &operator=(const Operando &) = delete;
private:
    bool &m_flag;
};

}

const qor::TMessages &CheckinTexts()
{
    static const qor::TMessages texts = [] {
        initCheckinTexts();
        return qor::TMessages(QStringLiteral(":/workflow/checkin.msg"));
    }();
    return texts;
}

Checkin::Checkin(WorkflowContext &fluxo, workcopy::WorkCopyContext &copias, bool &boConfirmaCheckin, CheckinHooks hooks)
    : m_fluxo(fluxo), m_copias(copias), m_boConfirmaCheckin(boConfirmaCheckin), m_hooks(std::move(hooks))
{
    if (!m_hooks.selecao)
        m_hooks.selecao = CriaSelectFilesCheckin;
}

void Checkin::barra(double posicao)
{
    m_copias.barra(int(posicao));
}

vcs::SvnRun Checkin::em(const QString &caption)
{
    const vcs::LineSink sink = m_copias.progresso ? m_copias.progresso : vcs::LineSink([](const QStringList &) {});
    return m_fluxo.on(caption, sink);
}

QString Checkin::mensagem(const QString &solicitacao) const
{
    return MensagemCommit(plataforma(), solicitacao, m_fluxo.modulo().stReleaseMetaDados);
}

RegistroPlano Checkin::registro(const PedidoCheckin &pedido) const
{
    return {pedido.filial, pedido.tarefa, pedido.atividade, m_hooks.arvoreProduto ? m_hooks.arvoreProduto() : QString()};
}

GravaRelease Checkin::releases()
{
    return GravaRelease(m_fluxo, m_fluxo.server(), {[this] { m_copias.confirmacao(true); }, m_copias.progresso, {}});
}

vcs::SvnXmlStatus Checkin::situacao(const QString &caption, const QStringList &caminhos, bool comRepositorio)
{
    if (caminhos.isEmpty())
        return {};
    // The XML answer is read whole; the progress view shows only the command.
    return m_fluxo.svn().statusOf(m_fluxo.on(caption, [](const QStringList &) {}), caminhos, comRepositorio);
}

// ---- The entry point ---------------------------------------------------------------------

bool Checkin::Realiza_Checkin(const QString &produto, const QString &processo, const QString &filial,
                              const QString &solicitacao, const QString &tarefa, const QString &atividade,
                              const QString &itemTrab, const QString &repositorio, const QString &base)
{
    return Realiza_Checkin({produto, processo, filial, solicitacao, tarefa, atividade, itemTrab, repositorio, base});
}

bool Checkin::Realiza_Checkin(const PedidoCheckin &pedido)
{
    if (!plan::processos::Checkin(pedido.processo))
        return false;
    const Operando operando(m_fluxo.modulo().boOperaSubversion);
    const WorkflowContext::Run run = m_fluxo.begin({pedido.filial, pedido.tarefa, pedido.atividade});
    DoCheckIn(pedido);
    return true;
}

void Checkin::DoCheckIn(const PedidoCheckin &pedido)
{
    try {
        checkin(pedido);
    } catch (...) {
        // Nothing is undone: what went in stays, the rest keeps its locks and the backup stays.
        m_hooks.FechaAnimacao();
        m_copias.confirmacao(true);
        throw;
    }
}

void Checkin::checkin(const PedidoCheckin &pedido)
{
    server::RemoteServer &servidor = m_fluxo.server();
    cdsProdSubv.close();
    servidor.load(cdsProdSubv, QStringLiteral("GetProdSubv"), {pedido.produto});
    cdsProdSubv.first();
    if (cdsProdSubv.isEmpty() || cdsProdSubv.textOf(QStringLiteral("IDPRODCONTRSUBV")) != u"S") {
        fim(pedido, AtualizaProduto::Nao);
        return;
    }
    if (escolha() == Escolha::Desbloqueia) {
        apenasDesbloqueia(pedido);
        return;
    }
    cdsDirItemTrab.close();
    cdsItemTarefa.close();
    {
        const server::RemoteServer::Use use(servidor);
        servidor.load(cdsItemTarefa, QStringLiteral("GetItemTarefa"),
                      {m_hooks.Filial(), m_hooks.Operador(), pedido.tarefa, pedido.atividade, pedido.produto, pedido.itemTrab});
        servidor.load(cdsDirItemTrab, QStringLiteral("GetDirItemTrab"), {pedido.itemTrab, pedido.produto});
    }
    cdsItemTarefa.first();
    preparaDiretorios(pedido);
    const bool script = plan::processos::Script(pedido.processo);
    if (cdsDirItemTrab.isEmpty() && !script)
        qor::MensErro(msg("Dir_Copia_Trab_Inv"));
    if (script) {
        scripts(pedido);
        fim(pedido, AtualizaProduto::Sim);
    } else if (confirma(pedido)) {
        fim(pedido, AtualizaProduto::Sim);
    } else {
        // Nothing was committed: the backup of the activity's work stays.
        servidor.call(QStringLiteral("SetDataAtuProd"), {pedido.produto});
    }
}

Checkin::Escolha Checkin::escolha()
{
    if (plataforma() == PlataformaProduto::ProdutoLumetra)
        return Escolha::Confirma;
    // Escape must not pick "APENAS DESBLOQUEAR": that path concludes the
    // activity without sending its work, so leaving the question ends here.
    qor::DialogRequest pergunta;
    pergunta.kind = qor::DialogRequest::Confirmation;
    pergunta.title = qor::ApplicationTitle();
    pergunta.text = msg("Add_Arq_Rep");
    pergunta.buttons = {msg("BOTAO1"), msg("BOTAO2")};
    pergunta.defaultButton = 0;
    pergunta.escapeButton = qor::DialogRequest::NoButton;
    pergunta.minimumWidth = 20;
    switch (qor::Dialogs().show(pergunta)) {
    case 0:
        return Escolha::Confirma;
    case 1:
        return Escolha::Desbloqueia;
    default:
        qor::Abort();
    }
}

void Checkin::preparaDiretorios(const PedidoCheckin &pedido)
{
    apr::ModuleState &modulo = m_fluxo.modulo();
    modulo.stDirVss = pedido.repositorio;
    modulo.stDiretorio = pedido.base;
    if (modulo.stDiretorio.isEmpty())
        qor::MensErro(msg("Dir_CopTrab_SV"));
    modulo.stDiretorio = Checkout::BaseDaCopia(modulo.stDiretorio);
    if (modulo.stDirVss.isEmpty())
        qor::MensErro(msg("Dir_Rep_SV"));
    modulo.stDirVss = Checkout::ComBarraFinal(modulo.stDirVss);
}

void Checkin::inicioDoTrabalho()
{
    m_copias.desabilitaBotoes();
    barra(0);
    m_copias.confirmacao(false);
}

// ---- B. The scripts of the patch ----------------------------------------------------------

void Checkin::scripts(const PedidoCheckin &pedido)
{
    m_boConfirmaCheckin = true;
    inicioDoTrabalho();
    const qor::BusyCursor cursor;
    GravaRelease gravacao = releases();
    gravacao.Grava_Release_MetaDados(registro(pedido));
    m_hooks.Animacao(msg("DADOS_SUBVERSION"));
    qor::RecordSet vazio;
    qor::RecordSet &sql = m_hooks.arquivosSql ? *m_hooks.arquivosSql : vazio;
    const QString &base = m_fluxo.modulo().stDiretorio;
    QStringList alvos, locais, nomes;
    for (int row = 0; sql.active() && row < sql.recordCount(); ++row) {
        const QString nome = sql.textAt(QStringLiteral("NMFILE"), row);
        // NMFILE is the base without its drive and what follows it.
        locais << base + nome.toLower().mid(base.size() - 2, 1000);
        alvos << "c:" + nome.toLower();
        nomes << nome;
    }
    workcopy::OperacoesProduto operacoes(m_copias);
    for (const QString &local : std::as_const(locais))
        operacoes.Renomeia_Arq(local);
    const vcs::SvnXmlStatus estado = situacao(proprio("VERIFICA_ESTADO"), alvos, false);
    const double passo = alvos.isEmpty() ? 0.0 : double(kFim) / alvos.size();
    double posicao = 0;
    const vcs::SvnClient &svn = m_fluxo.svn();
    for (qsizetype i = 0; i < alvos.size(); ++i) {
        gravacao.Adiciona_Arquivo(pedido.filial, pedido.tarefa, pedido.atividade, nomes[i]);
        const vcs::SvnXmlStatusEntry *entrada = entradaDe(estado, alvos[i]);
        // The client refuses to add what it already has: only a new script is added.
        if (semVersao(entrada))
            svn.add(em(msg("ACAO_SUBVERSION_ADDARQ") + locais[i].toLower()), alvos[i]);
        if (comAlteracao(entrada))
            svn.commit(em(msg("ACAO_SUBVERSION_COMMIT") + locais[i].toLower()), mensagem(pedido.solicitacao), alvos[i]);
        posicao += std::round(passo);
        barra(posicao);
    }
    gravacao.Grava_Release_Gerada(pedido.filial, pedido.tarefa, pedido.atividade);
    m_fluxo.server().call(QStringLiteral("SetReleaseAntNula"), {pedido.filial, pedido.tarefa, pedido.atividade});
    m_hooks.FechaAnimacao();
    m_copias.confirmacao(true);
    sql.close();
}

// ---- C. The confirmed check-in --------------------------------------------------------------

bool Checkin::confirma(const PedidoCheckin &pedido)
{
    m_hooks.FechaAnimacao();
    const SelecaoCheckin valores{pedido.produto, m_fluxo.modulo().stDiretorio, pedido.itemTrab,
                                 cdsItemTarefa.isEmpty() ? QString() : cdsItemTarefa.textAt(QStringLiteral("CDTIPOITTRAB"), 0),
                                 pedido.filial, pedido.tarefa, pedido.atividade};
    // A window closed without an answer leaves the flag as it was: a
    // confirmation of an earlier check-in must not commit this one.
    m_boConfirmaCheckin = false;
    m_hooks.selecao(m_fluxo, plataforma(), valores, m_boConfirmaCheckin);
    if (!m_boConfirmaCheckin)
        return false;
    // A lock lost since the check-out is found before anything is committed.
    m_hooks.Animacao(msg("DADOS_SUBVERSION"));
    Valida_Bloqueio_Copia_Trabalho(pedido.filial, pedido.tarefa, pedido.atividade);
    const FileLists &listas = m_fluxo.listas();
    inicioDoTrabalho();
    const qor::BusyCursor cursor;
    const qsizetype itens = listas.arqCheckin.size() + listas.dirAdiciona.size() + listas.dirReverte.size();
    const double passo = itens == 0 ? 0.0 : double(kFim) / itens;
    double posicao = 0;
    GravaRelease gravacao = releases();
    gravacao.Grava_Release_MetaDados(registro(pedido));
    m_hooks.Animacao(msg("DADOS_SUBVERSION"));
    m_enviados.clear();
    m_pendentes.clear();
    enviaOuListaPendentes([&] {
        diretorios(pedido.solicitacao, passo, posicao);
        arquivos(pedido.solicitacao, passo, posicao);
    });
    gravacao.Grava_Release_Gerada(pedido.filial, pedido.tarefa, pedido.atividade);
    m_hooks.FechaAnimacao();
    m_copias.confirmacao(true);
    return true;
}

// A failure part way leaves some items in the repository and the others
// locked: the progress view says which, so that the operator concludes the
// activity again and only what is outstanding goes in.
void Checkin::enviaOuListaPendentes(const std::function<void()> &envio)
{
    const FileLists &listas = m_fluxo.listas();
    try {
        envio();
    } catch (...) {
        QStringList todos = listas.dirAdiciona + listas.arqCheckin;
        for (const QString &item : std::as_const(todos))
            if (!m_enviados.contains(item, Qt::CaseInsensitive))
                m_pendentes << item;
        QStringList linhas{vcs::ConsoleRunner::separator(), proprio("ENVIADOS")};
        linhas << (m_enviados.isEmpty() ? QStringList{proprio("NENHUM")} : m_enviados);
        linhas << proprio("PENDENTES") << m_pendentes;
        if (m_copias.progresso)
            m_copias.progresso(linhas);
        listas.dirAdiciona.clear();
        listas.dirReverte.clear();
        throw;
    }
    listas.dirAdiciona.clear();
    listas.dirReverte.clear();
}

void Checkin::diretorios(const QString &solicitacao, double passo, double &posicao)
{
    const FileLists &listas = m_fluxo.listas();
    const vcs::SvnClient &svn = m_fluxo.svn();
    for (const QString &dir : std::as_const(listas.dirReverte)) {
        svn.revertTree(em(msg("ACAO_SUBVERSION_REVDIR") + dir), dir.toLower());
        posicao += std::round(passo);
        barra(posicao);
    }
    if (listas.dirAdiciona.isEmpty())
        return;
    const vcs::LogicalFs fs(m_copias.paths);
    const bool minusculas = plataforma() == PlataformaProduto::Delphi || plataforma() == PlataformaProduto::Asp;
    for (const QString &dir : std::as_const(listas.dirAdiciona)) {
        if (minusculas && dir != dir.toLower() && fs.isDirectory(dir)) {
            fs.move(dir, dir + "teste");
            fs.move(dir + "teste", dir.toLower());
        }
    }
    QStringList alvos;
    for (const QString &dir : std::as_const(listas.dirAdiciona))
        alvos << dir.toLower();
    const vcs::SvnXmlStatus estado = situacao(proprio("VERIFICA_ESTADO"), alvos, false);
    for (qsizetype i = 0; i < alvos.size(); ++i) {
        const QString &dir = listas.dirAdiciona[i];
        const vcs::SvnXmlStatusEntry *entrada = entradaDe(estado, alvos[i]);
        // One already sent by an earlier, interrupted check-in is not sent again.
        if (semVersao(entrada))
            svn.add(em(msg("ACAO_SUBVERSION_ADDDIR") + dir), alvos[i], true);
        if (semVersao(entrada) || entrada->item == u"added")
            svn.commit(em(msg("ACAO_SUBVERSION_COMMIT") + dir), mensagem(solicitacao), alvos[i]);
        m_enviados << dir;
        posicao += std::round(passo);
        barra(posicao);
    }
}

void Checkin::arquivos(const QString &solicitacao, double passo, double &posicao)
{
    const QStringList escolhidos = m_fluxo.listas().arqCheckin;
    workcopy::OperacoesProduto operacoes(m_copias);
    QSet<QString> reparados;
    for (const QString &arquivo : escolhidos) {
        const QString dir = vcs::DiretorioDe(arquivo.toLower());
        if (!reparados.contains(dir)) {
            reparados.insert(dir);
            operacoes.Renomeia_Arq(dir + u'\\');
        }
    }
    QStringList alvos;
    for (const QString &arquivo : escolhidos)
        alvos << arquivo.toLower();
    const vcs::SvnXmlStatus estado = situacao(proprio("VERIFICA_ESTADO"), alvos, false);
    const vcs::SvnClient &svn = m_fluxo.svn();
    for (qsizetype i = 0; i < alvos.size(); ++i) {
        const QString nome = vcs::NomeDoArquivo(escolhidos[i]);
        const vcs::SvnXmlStatusEntry *entrada = entradaDe(estado, alvos[i]);
        const bool travado = entrada && !entrada->lockToken.isEmpty();
        if (!comAlteracao(entrada) && !travado) {
            // Sent and unlocked by an earlier check-in of the activity.
            if (m_copias.progresso)
                m_copias.progresso({proprio("JA_ENVIADO").arg(escolhidos[i])});
        } else {
            if (semVersao(entrada))
                svn.add(em(msg("ACAO_SUBVERSION_ADDARQ") + nome), alvos[i]);
            // The commit releases the file's lock with it; an unchanged file is only unlocked.
            if (comAlteracao(entrada))
                svn.commit(em(msg("ACAO_SUBVERSION_COMMIT") + nome), mensagem(solicitacao), alvos[i]);
            else
                svn.unlock(em(msg("ACAO_SUBVERSION_UNLOCK") + nome), alvos[i]);
        }
        m_enviados << escolhidos[i];
        posicao += std::round(passo);
        barra(posicao);
    }
}

// ---- E. Only unlock -------------------------------------------------------------------------

void Checkin::apenasDesbloqueia(const PedidoCheckin &pedido)
{
    m_hooks.Animacao(msg("DESBLOQUEANDO_SUBVERSION"));
    Valida_Bloqueio_Copia_Trabalho(pedido.filial, pedido.tarefa, pedido.atividade);
    m_boConfirmaCheckin = true;
    apr::ModuleState &modulo = m_fluxo.modulo();
    modulo.stDiretorio = pedido.base;
    modulo.stDirVss = pedido.repositorio;
    if (modulo.stDirVss.isEmpty())
        qor::MensErro(msg("Dir_Rep_SV"));
    modulo.stDirVss = Checkout::ComBarraFinal(modulo.stDirVss);
    if (modulo.stDiretorio.isEmpty())
        qor::MensErro(msg("Dir_CopTrab_SV"));
    modulo.stDiretorio = Checkout::BaseDaCopia(modulo.stDiretorio);
    const double passo = cdsArq.isEmpty() ? 0.0 : double(kFim) / cdsArq.recordCount();
    if (!cdsArq.isEmpty())
        inicioDoTrabalho();
    double posicao = 0;
    for (int row = 0; row < cdsArq.recordCount(); ++row) {
        const QString arquivo = cdsArq.textAt(QStringLiteral("NMARQUIVO"), row);
        const vcs::SvnXmlStatusEntry *entrada = entradaDe(m_travas, arquivo);
        m_hooks.Animacao(msg("DADOS_SUBVERSION"));
        // A file added at the check-in or already unlocked has no lock to give back.
        if (entrada && !entrada->lockToken.isEmpty())
            m_fluxo.svn().unlock(em(msg("ACAO_SUBVERSION_UNLOCK") + vcs::NomeDoArquivo(arquivo)), arquivo);
        m_hooks.FechaAnimacao();
        posicao += std::round(passo);
        barra(posicao);
    }
    releases().Grava_Release_Gerada(pedido.filial, pedido.tarefa, pedido.atividade);
    m_copias.confirmacao(true);
    m_hooks.FechaAnimacao();
    fim(pedido, AtualizaProduto::Nao);
}

// ---- F. The end ------------------------------------------------------------------------------

void Checkin::fim(const PedidoCheckin &pedido, AtualizaProduto atualiza)
{
    if (atualiza == AtualizaProduto::Sim)
        m_fluxo.server().call(QStringLiteral("SetDataAtuProd"), {pedido.produto});
    const workcopy::BackupWorkdir backup(m_copias.paths, m_hooks.RaizBackup());
    backup.Deleta_Backup_WorkDir(m_fluxo.svn().user().mid(4), pedido.solicitacao, pedido.tarefa, pedido.atividade);
}

// ---- G. The locks of the working copy -------------------------------------------------------

void Checkin::Valida_Bloqueio_Copia_Trabalho(const QString &filial, const QString &tarefa, const QString &atividade)
{
    cdsArq.close();
    m_fluxo.server().load(cdsArq, QStringLiteral("GetArqCheckout"), {filial, tarefa, atividade});
    QStringList arquivos;
    for (int row = 0; row < cdsArq.recordCount(); ++row)
        arquivos << cdsArq.textAt(QStringLiteral("NMARQUIVO"), row);
    // One question to the repository for all the files: its lock of each file
    // (token and owner) against the lock this working copy holds.
    m_travas = situacao(msg("VALIDA_LOCK"), arquivos, true);
    for (const QString &arquivo : std::as_const(arquivos)) {
        const vcs::SvnXmlStatusEntry *entrada = entradaDe(m_travas, arquivo);
        if (!entrada || entrada->reposLockToken.isEmpty() || entrada->reposLockToken == entrada->lockToken)
            continue;
        qor::MensErro(workcopy::MsgF(QStringLiteral("ERRO_LOCK_WORKCOPY"), {arquivo, entrada->reposLockOwner}));
    }
}

}
