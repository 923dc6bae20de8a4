#include "workflow/checkout.h"
#include "host/dialogs.h"
#include "host/messages.h"
#include "host/services.h"
#include "module/modulestate.h"
#include "plan/processos.h"
#include "server/remote.h"
#include "vcs/drive.h"
#include "vcs/recognition.h"
#include "vcs/runners.h"
#include "workcopy/atualizacaoproduto.h"
#include "workcopy/backupworkdir.h"
#include "workcopy/infocopia.h"
#include "workcopy/operacoesproduto.h"
#include "workcopy/renomeiadiretorios.h"
#include "workcopy/textos.h"
#include "workcopy/workcopycontext.h"
#include "workflow/gravarelease.h"
#include <QDateTime>
#include <QSet>
#include <cmath>
#include <exception>
#include <memory>
#include <stdexcept>

static void initCheckoutTexts()
{
    Q_INIT_RESOURCE(checkout);
}

namespace workflow {

namespace {

const QString kCR = QStringLiteral("\r");
constexpr int kFim = 1000000;
// Files per `svn status` of the check for local changes.
constexpr int kPorStatus = 50;

QString msg(const char *key)
{
    return workcopy::Msg(QLatin1String(key));
}

QString proprio(const char *key)
{
    return CheckoutTexts().Msg(QLatin1String(key));
}

QString semBarraInicial(const QString &relativo)
{
    return relativo.startsWith(u'\\') ? relativo.mid(1) : relativo;
}

// Runs the unlocks of the recovery: nothing of it reacts, ends the operation
// or asks; what each command did is read from its output afterwards.
class HostDaRecuperacao : public vcs::RunnerHost {};

// Restores a flag when the scope ends, however it ends.
class Desliga {
public:
    explicit Desliga(bool &flag) : m_flag(flag) { m_flag = true; }
    ~Desliga() { m_flag = false; }
    Desliga(const Desliga &) = delete;
    Desliga &operator=(const Desliga &) = delete;
private:
    bool &m_flag;
};

}

const qor::TMessages &CheckoutTexts()
{
    static const qor::TMessages texts = [] {
        initCheckoutTexts();
        return qor::TMessages(QStringLiteral(":/workflow/checkout.msg"));
    }();
    return texts;
}

Checkout::Checkout(WorkflowContext &fluxo, workcopy::WorkCopyContext &copias, CheckoutHooks hooks)
    : m_fluxo(fluxo), m_copias(copias), m_hooks(std::move(hooks))
{
    // A hook the window leaves empty keeps its default.
    const CheckoutHooks padrao;
    if (!m_hooks.selecao)
        m_hooks.selecao = CriaSelectFiles;
    if (!m_hooks.painelVisivel)
        m_hooks.painelVisivel = padrao.painelVisivel;
    if (!m_hooks.reabilitaGrade)
        m_hooks.reabilitaGrade = padrao.reabilitaGrade;
}

QString Checkout::ComBarraFinal(QString url)
{
    if (!url.isEmpty() && !url.endsWith(u'/'))
        url += u'/';
    return url;
}

QString Checkout::BaseDaCopia(QString base)
{
    if (base.isEmpty())
        return base;
    if (!base.endsWith(u'\\'))
        base += u'\\';
    // Only a base without a drive is taken on C:; "d:\x" stays on D:.
    return vcs::ComUnidade(base);
}

void Checkout::progresso(const QStringList &lines) const
{
    if (m_copias.progresso)
        m_copias.progresso(lines);
}

// The runner keeps a command's output only when its lines go somewhere.
vcs::LineSink Checkout::sink() const
{
    if (m_copias.progresso)
        return m_copias.progresso;
    return [](const QStringList &) {};
}

vcs::SvnRun Checkout::em(const QString &caption)
{
    return m_fluxo.on(caption, sink());
}

// ---- A. The entry point ------------------------------------------------------------------

void Checkout::Realiza_Checkout(const QString &produto, const QString &processo, const QString &filial,
                                const QString &solicitacao, const QString &tarefa, const QString &atividade,
                                const QString &itemTrab, const QString &repositorio, const QString &base)
{
    Realiza_Checkout({produto, processo, filial, solicitacao, tarefa, atividade, itemTrab, repositorio, base});
}

void Checkout::Realiza_Checkout(const PedidoCheckout &pedido)
{
    // Also after a failure: the plan's timer stays silent only while a workflow runs.
    const Desliga operando(m_fluxo.modulo().boOperaSubversion);
    const ActivityKey chave{pedido.filial, pedido.tarefa, pedido.atividade};
    const WorkflowContext::Run run = m_fluxo.begin(chave);
    m_naoLiberadas.clear();
    m_fluxo.listas().arqCheckout.clear();
    ledger().forgetTried();
    Vd_Arq_Checkout(pedido.produto, pedido.processo, pedido.solicitacao, pedido.tarefa, pedido.atividade,
                    pedido.itemTrab);
    workcopy::AtualizacaoProduto(m_copias).Atualiza_Arq_Prod_Merc(pedido.produto);
    Apaga_ArqCheckOutAtiv(pedido.filial, pedido.tarefa, pedido.atividade);
    DoCheckOut(pedido);
    try {
        registraCheckout(pedido);
    } catch (...) {
        // The work item is not recorded as ours (another operator got it
        // first, or the server failed): the locks are given back.
        recupera();
        throw;
    }
}

void Checkout::registraCheckout(const PedidoCheckout &pedido)
{
    if (m_stIdProdSvn != u"S" || pedido.itemTrab.isEmpty())
        return;
    server::RemoteServer &servidor = m_fluxo.server();
    cdsVdRelacItTrabProd.close();
    servidor.load(cdsVdRelacItTrabProd, QStringLiteral("GetVdRelacItTrabProd"), {pedido.produto, pedido.itemTrab});
    const QString modo = cdsVdRelacItTrabProd.isEmpty() ? QStringLiteral("I") : QStringLiteral("U");
    servidor.call(QStringLiteral("SetCheckout"),
                  {m_hooks.Operador(), pedido.itemTrab, QStringLiteral("S"), pedido.produto, modo});
}

void Checkout::Apaga_ArqCheckOutAtiv(const QString &filial, const QString &tarefa, const QString &atividade)
{
    server::RemoteServer &servidor = m_fluxo.server();
    cdsVdArqCheckOut.close();
    servidor.load(cdsVdArqCheckOut, QStringLiteral("GetVdArqCheckout"), {filial, tarefa, atividade});
    if (!cdsVdArqCheckOut.isEmpty())
        servidor.call(QStringLiteral("ClearArqCheckout"), {filial, tarefa, atividade});
}

// ---- B. The checks and the update before the check-out -----------------------------------

void Checkout::Vd_Arq_Checkout(const QString &produto, const QString &processo, const QString &solicitacao,
                               const QString &tarefa, const QString &atividade, const QString &itemTrab)
{
    server::RemoteServer &servidor = m_fluxo.server();
    m_stIdProdSvn = GravaRelease(m_fluxo, servidor, {}).Get_ID_Prod_SVN(produto);
    if (m_stIdProdSvn != u"S")
        return;
    QStringList &renomeados = m_fluxo.listas().dirRenomeados;
    renomeados.clear();
    struct Libera {
        QStringList &lista;
        ~Libera() { lista.clear(); }
    } libera{renomeados};
    const server::RemoteServer::Use use(servidor);
    if (!plan::processos::Desenvolvimento(processo))
        return;
    cdsVdsolitemtrab.close();
    servidor.load(cdsVdsolitemtrab, QStringLiteral("GetVdsolitemtrab"), {solicitacao, produto, itemTrab});
    if (!cdsVdsolitemtrab.isEmpty())
        outrasSolicitacoes(tarefa, atividade);
    itemBloqueado(produto, itemTrab);
    cdsStativpen.close();
    servidor.load(cdsStativpen, QStringLiteral("Getativpen"), {tarefa, atividade});
    cdsStativpen.first();
    if (cdsStativpen.isEmpty() || cdsStativpen.textOf(QStringLiteral("IDALTSTATUSPEND")) != u"S")
        return;
    atualizaCopias(produto);
}

void Checkout::outrasSolicitacoes(const QString &tarefa, const QString &atividade)
{
    m_fluxo.server().call(QStringLiteral("SetStatusAtivPen"), {tarefa, atividade});
    // Each line names the other request's activity: that is what holds the work item.
    QString linhas;
    for (int row = 0; row < cdsVdsolitemtrab.recordCount(); ++row)
        linhas += " Solicitação: " + cdsVdsolitemtrab.textAt(QStringLiteral("NRSOLISERV"), row) + "  Tarefa: "
                  + cdsVdsolitemtrab.textAt(QStringLiteral("NRTAREFA"), row) + "  Atividade: "
                  + cdsVdsolitemtrab.textAt(QStringLiteral("NRPLATIVTARE"), row) + "  Status: "
                  + cdsVdsolitemtrab.textAt(QStringLiteral("STATUSATIV"), row) + kCR;
    QString texto;
    if (cdsVdsolitemtrab.recordCount() == 1) {
        linhas.chop(1);
        texto = msg("ITEM_INDI") + kCR + kCR + linhas + kCR + kCR + msg("MSG_VDSOLITTRAB1");
    } else {
        texto = msg("ITEM_INDIS") + kCR + kCR + linhas + kCR + kCR + msg("MSG_VDSOLITTRAB2");
    }
    qor::DialogRequest caixa;
    caixa.kind = qor::DialogRequest::Error;
    caixa.title = qor::ApplicationTitle();
    caixa.text = texto;
    caixa.buttons = {QStringLiteral("OK")};
    m_fluxo.dialogs().show(caixa);
    qor::Abort();
}

void Checkout::itemBloqueado(const QString &produto, const QString &itemTrab)
{
    server::RemoteServer &servidor = m_fluxo.server();
    cdsVdRelacItTrabProd.close();
    servidor.load(cdsVdRelacItTrabProd, QStringLiteral("GetVdRelacItTrabProd"), {produto, itemTrab});
    cdsVdRelacItTrabProd.first();
    if (cdsVdRelacItTrabProd.isEmpty() || cdsVdRelacItTrabProd.textOf(QStringLiteral("IDSITCHECKOUT")) != u"S")
        return;
    cdsOperador.close();
    servidor.load(cdsOperador, QStringLiteral("GetOperador"),
                  {cdsVdRelacItTrabProd.textOf(QStringLiteral("CDOPCHECKOUT"))});
    cdsOperador.first();
    qor::MensErro(msg("Arq_Checkout_Usu") + "\r\n" + cdsOperador.textOf(QStringLiteral("CDOPERADOR")) + " - "
                  + cdsOperador.textOf(QStringLiteral("NMOPERADOR")));
}

void Checkout::atualizaCopias(const QString &produto)
{
    cdsDirProd.close();
    m_fluxo.server().load(cdsDirProd, QStringLiteral("GetDirProd"), {produto});
    cdsDirProd.first();
    workcopy::AtualizacaoProduto atualizacao(m_copias);
    atualizacao.Preenche_Diretorios_Atualiza(cdsDirProd.textOf(QStringLiteral("DSDIRBASEVER")),
                                             cdsDirProd.textOf(QStringLiteral("DSDIRVSS")));
    qor::RecordSet &pares = atualizacao.cdsDiretoriosGet;
    if (pares.isEmpty())
        return;
    const vcs::LogicalFs fs(m_copias.paths);
    workcopy::InfoCopia info(m_fluxo);
    QStringList copias;
    for (int row = 0; row < pares.recordCount(); ++row) {
        const QString copia = pares.textAt(QStringLiteral("DIRCOPTRAB"), row);
        if (!fs.isDirectory(copia))
            qor::MensErro(workcopy::MsgF(QStringLiteral("Atu_canc_cop_n_existe"), {copia}));
        if (!info.Verifica_Copia_Trabalho(copia, pares.textAt(QStringLiteral("DIRREPSVN"), row)))
            qor::MensErro(workcopy::MsgF(QStringLiteral("Atu_canc_rep_erro"), {copia}));
        copias << copia;
    }
    const int passo = int(std::lround(double(kFim) / copias.size()));
    m_copias.desabilitaBotoes();
    int posicao = 0;
    m_copias.barra(posicao);
    m_copias.confirmacao(false);
    const qor::BusyCursor cursor;
    m_hooks.Animacao(msg("DADOS_SUBVERSION"));
    const bool lumetra = plataforma() == PlataformaProduto::ProdutoLumetra;
    workcopy::RenomeiaDiretorios renomeia(m_copias);
    for (const QString &copia : copias) {
        if (lumetra)
            renomeia.RenomeiaDirSemSVN_AntesGet(copia);
        m_fluxo.svn().update(em(msg("ACAO_SUBVERSION_ATUALARQ") + u' ' + copia), copia.toLower());
        if (lumetra && !m_fluxo.listas().dirRenomeados.isEmpty())
            renomeia.RenomeiaDirSemSVN_DepoisGet();
        posicao += passo;
        m_copias.barra(posicao);
    }
    m_hooks.FechaAnimacao();
    m_copias.confirmacao(true);
}

// ---- C. The check-out proper ---------------------------------------------------------------

void Checkout::DoCheckOut(const PedidoCheckout &pedido)
{
    m_fluxo.listas().arqCheckout.clear();
    ledger().forgetTried();
    try {
        checkout(pedido);
    } catch (...) {
        recupera();
        throw;
    }
}

void Checkout::checkout(const PedidoCheckout &pedido)
{
    server::RemoteServer &servidor = m_fluxo.server();
    cdsProdSubv.close();
    servidor.load(cdsProdSubv, QStringLiteral("GetProdSubv"), {pedido.produto});
    cdsProdSubv.first();
    if (cdsProdSubv.isEmpty() || cdsProdSubv.textOf(QStringLiteral("IDPRODCONTRSUBV")) != u"S")
        return;
    cdsDirItemTrab.close();
    cdsItemTarefa.close();
    {
        const server::RemoteServer::Use use(servidor);
        servidor.load(cdsItemTarefa, QStringLiteral("GetItemTarefa"),
                      {m_hooks.Filial(), m_hooks.Operador(), pedido.tarefa, pedido.atividade, pedido.produto, pedido.itemTrab});
        servidor.load(cdsDirItemTrab, QStringLiteral("GetDirItemTrab"), {pedido.itemTrab, pedido.produto});
    }
    cdsItemTarefa.first();
    cdsDirItemTrab.first();
    verificaSql();
    const bool script = plan::processos::Script(pedido.processo);
    const Fim novoScript = perguntaScript(script);
    if (perguntaRelatorio(pedido) == Fim::Termina || novoScript == Fim::Termina)
        return;
    preparaDiretorios(pedido);
    if (cdsDirItemTrab.isEmpty() && !script)
        qor::MensErro(msg("Dir_Item_Trab"));
    if (!script && percorreDiretorios(pedido, true))
        return;   // a new work item has nothing to check out
    if (!selecionaArquivos(pedido, script))
        return;
    bloqueiaArquivos(pedido, script);
    GravaRelease(m_fluxo, servidor, {[this] { m_copias.confirmacao(true); }, m_copias.progresso, {}})
        .Grava_Release_Antiga(pedido.filial, pedido.tarefa, pedido.atividade);
    m_copias.confirmacao(true);
    m_copias.barra(kFim);
    m_hooks.FechaAnimacao();
}

void Checkout::verificaSql()
{
    if (cdsDirItemTrab.isEmpty())
        return;
    if (!cdsDirItemTrab.textAt(QStringLiteral("DSDIRARQFONTIT"), 0).toUpper().contains(QLatin1String("SQL\\")))
        return;
    qor::RecordSet &oper = m_copias.cdsOperDesenv;
    QString grupo;
    if (oper.active() && !oper.isEmpty())
        grupo = oper.textAt(QStringLiteral("CDGRUPOPER"), 0);
    if (grupo != u"25" && grupo != u"68")
        qor::MensErro(msg("Ativ_SQL"));
}

void Checkout::cancelado()
{
    if (!m_hooks.painelVisivel())
        m_hooks.reabilitaGrade();
    qor::Abort();
}

Checkout::Fim Checkout::perguntaScript(bool script)
{
    if (!script)
        return Fim::Continua;
    const int resposta =
        qor::MsgAlertEx(msg("SCRIPT"), 3, {msg("BOTAO3"), msg("BOTAO4"), msg("CANCEL")}, 1, 0, 20);
    if (resposta == 10)
        return Fim::Termina;
    if (resposta != 11)
        cancelado();
    return Fim::Continua;
}

Checkout::Fim Checkout::perguntaRelatorio(const PedidoCheckout &pedido)
{
    if (cdsItemTarefa.isEmpty() || cdsItemTarefa.textAt(QStringLiteral("CDTIPOITTRAB"), 0) != u"01")
        return Fim::Continua;
    const int resposta =
        qor::MsgAlertEx(msg("RELATORIO"), 3, {msg("BOTAO5"), msg("BOTAO6"), msg("CANCEL")}, 1, 0, 20);
    if (resposta == 11)
        return Fim::Continua;
    if (resposta != 10)
        cancelado();
    preparaDiretorios(pedido);
    if (cdsDirItemTrab.isEmpty() && !plan::processos::Script(pedido.processo))
        qor::MensErro(msg("Dir_Item_Trab"));
    percorreDiretorios(pedido, false);
    return Fim::Termina;
}

void Checkout::preparaDiretorios(const PedidoCheckout &pedido)
{
    apr::ModuleState &modulo = m_fluxo.modulo();
    modulo.stDirVss = pedido.repositorio;
    if (modulo.stDirVss.isEmpty())
        qor::MensErro(msg("Dir_Rep_SV"));
    modulo.stDirVss = ComBarraFinal(modulo.stDirVss);
    modulo.stDiretorio = pedido.base;
    if (modulo.stDiretorio.isEmpty())
        qor::MensErro(msg("Dir_CopTrab_SV"));
    modulo.stDiretorio = BaseDaCopia(modulo.stDiretorio);
}

bool Checkout::percorreDiretorios(const PedidoCheckout &pedido, bool comBusca)
{
    const vcs::LogicalFs fs(m_copias.paths);
    const QString &base = m_fluxo.modulo().stDiretorio;
    const bool delphi = plataforma() == PlataformaProduto::Delphi;
    const QString tipo = cdsItemTarefa.isEmpty() ? QString() : cdsItemTarefa.textAt(QStringLiteral("CDTIPOITTRAB"), 0);
    const QString campo = tipo == u"02" ? QStringLiteral("NMITEMTRAB") : QStringLiteral("CDREDUITTRAB");
    const QString codigo = cdsItemTarefa.isEmpty() ? QString() : cdsItemTarefa.textAt(campo, 0).left(6);
    bool novoItem = false;
    bool releaseObtida = false;
    for (int row = 0; row < cdsDirItemTrab.recordCount(); ++row) {
        const QString relativo = cdsDirItemTrab.textAt(QStringLiteral("DSDIRARQFONTIT"), row);
        if (relativo.contains(u'*') || relativo.contains(u'.'))
            continue;
        const QString dir = base + semBarraInicial(relativo);
        if (!fs.isDirectory(dir)) {
            const QString pergunta = msg("Dir_Nao_Enc") + dir + proprio("DIR_NAO_ENC_OPCAO");
            if (qor::MsgAlertEx(pergunta, 3, {msg("BOTAO7"), msg("BOTAO8")}, 1, 0, 20) != 10)
                qor::Abort();
            if (!releaseObtida && plataforma() == PlataformaProduto::ProdutoLumetra) {
                obtemReleaseMetaDados(pedido);
                releaseObtida = true;
            }
            criaDiretorioItem(relativo, pedido.solicitacao);
            novoItem = true;
        } else if (comBusca && delphi) {
            // "*CODE*.*" of the host's search: any name holding the code.
            const bool achou = !fs.list(dir, u'*' + codigo + u'*', vcs::LogicalFs::All).isEmpty();
            if (achou || relativo.toUpper().contains(QLatin1String("XDB")))
                continue;
            if (!qor::AskYesNo(msg("Local_Arq") + u' ' + relativo + u'.' + msg("ATIV_ITEM")))
                qor::MensErro(msg("Dir_Copia_Trab_Inv"));
            novoItem = true;
        }
    }
    return novoItem;
}

bool Checkout::selecionaArquivos(const PedidoCheckout &pedido, bool script)
{
    const QString &base = m_fluxo.modulo().stDiretorio;
    SelecaoCheckout valores{pedido.produto, base, QString(), pedido.itemTrab, QString(),
                            pedido.filial, pedido.tarefa, pedido.atividade};
    if (script) {
        valores.modo = QStringLiteral("MODELAGEM");
        valores.tipoItem = QStringLiteral("04");
    } else {
        m_hooks.FechaAnimacao();
        valores.tipoItem = cdsItemTarefa.isEmpty() ? QString() : cdsItemTarefa.textAt(QStringLiteral("CDTIPOITTRAB"), 0);
    }
    // Closing the dialog's window leaves the flag as it was: it starts cleared.
    m_boConfirmaCheckout = false;
    m_hooks.selecao(m_fluxo, plataforma(), valores, m_boConfirmaCheckout);
    if (m_boConfirmaCheckout)
        return true;
    if (!m_hooks.painelVisivel())
        m_hooks.reabilitaGrade();
    m_copias.confirmacao(true);
    m_copias.barra(kFim);
    if (!script)
        qor::Abort();
    return false;
}

void Checkout::bloqueiaArquivos(const PedidoCheckout &pedido, bool script)
{
    m_hooks.Animacao(msg("DADOS_SUBVERSION"));
    m_boConfirmaCheckout = false;
    const QStringList arquivos = m_fluxo.listas().arqCheckout;
    const double passo = arquivos.isEmpty() ? double(kFim) : double(kFim) / arquivos.size();
    m_copias.desabilitaBotoes();
    m_copias.confirmacao(false);
    const qor::BusyCursor cursor;
    int posicao = 100000;
    m_copias.barra(posicao);
    const QStringList modificados = alterados(arquivos);
    workcopy::OperacoesProduto operacoes(m_copias);
    const QString usuario = m_fluxo.svn().user();
    const workcopy::BackupWorkdir backup(m_copias.paths, m_hooks.RaizBackup());
    const vcs::Recognition &textos = vcs::Recognition::mainWindow();
    const vcs::SvnClient &svn = m_fluxo.svn();
    // Renomeia_Arq repairs the letter case of every file of the file's
    // directory at once: once per directory is enough.
    QSet<QString> diretoriosReparados;
    for (const QString &arquivo : arquivos) {
        const QString alvo = arquivo.toLower();
        if (!script && !diretoriosReparados.contains(alvo.left(alvo.lastIndexOf(u'\\')))) {
            diretoriosReparados.insert(alvo.left(alvo.lastIndexOf(u'\\')));
            operacoes.Renomeia_Arq(arquivo);
        }
        if (modificados.contains(arquivo, Qt::CaseInsensitive))
            guardaAlterado(arquivo, pedido);
        const vcs::SvnClient::Order ordem =
            script ? vcs::SvnClient::Order::OptionFirst : vcs::SvnClient::Order::SubcommandFirst;
        svn.revert(em(msg("ACAO_SUBVERSION_REVERT") + vcs::NomeDoArquivo(arquivo)), alvo, ordem);
        ledger().tried(arquivo);
        const vcs::CommandResult trava = svn.lock(em(msg("ACAO_SUBVERSION_LOCK") + vcs::NomeDoArquivo(arquivo)), alvo, ordem);
        // A client that ended without saying so (killed, crashed) has not
        // necessarily locked anything: only the client's own word counts.
        if (!textos.successIn(QStringLiteral("TRAVAREALIZADA"), trava.output))
            qor::MensErro(proprio("TRAVA_NAO_CONFIRMADA").arg(arquivo));
        backup.Grava_Backup_Workdir(arquivo, usuario.mid(4), pedido.solicitacao, pedido.tarefa, pedido.atividade);
        posicao += int(std::lround(passo));
        m_copias.barra(posicao);
    }
}

// The chosen files that hold local changes, by one `svn status` per group of files.
QStringList Checkout::alterados(const QStringList &arquivos)
{
    QStringList out;
    for (qsizetype de = 0; de < arquivos.size(); de += kPorStatus) {
        QStringList grupo;
        for (const QString &arquivo : arquivos.mid(de, kPorStatus))
            grupo << arquivo.toLower();
        out << m_fluxo.svn().status(em(proprio("VERIFICA_ALTERADOS")), grupo).paths(QStringLiteral("MCR"));
    }
    return out;
}

void Checkout::guardaAlterado(const QString &arquivo, const PedidoCheckout &pedido)
{
    const workcopy::BackupWorkdir backup(m_copias.paths, m_hooks.RaizBackup());
    const QString usuario = m_fluxo.svn().user().mid(4);
    const QString raizUsuario = backup.raiz() + usuario;
    const vcs::LogicalFs fs(m_copias.paths);
    if (!fs.isDirectory(raizUsuario))
        qor::MensErro(workcopy::MsgF(QStringLiteral("DIR_BACKUP_NAO_EXISTE"), {raizUsuario}));
    const QString dir = backup.diretorioAtividade(usuario, pedido.solicitacao, pedido.tarefa, pedido.atividade);
    // Beside the backup the check-out writes afterwards, never over it.
    const QString copia =
        dir + vcs::NomeDoArquivo(arquivo) + ".local-" + m_copias.agora().toString(QStringLiteral("yyyyMMdd-HHmmss"));
    if (!fs.makeDirectory(dir) || !fs.copy(arquivo, copia))
        qor::MensErro(proprio("COPIA_LOCAL_FALHOU").arg(arquivo, dir));
    progresso({proprio("COPIA_LOCAL").arg(arquivo, copia)});
}

// ---- D and E. A missing work-item directory ---------------------------------------------------

// The directory commits of a Lumetra product carry the activity's metadata
// release: it is asked for before anything is created, as the check-in does
// before it commits, and a refusal ends the check-out with nothing committed.
void Checkout::obtemReleaseMetaDados(const PedidoCheckout &pedido)
{
    const RegistroPlano registro{pedido.filial, pedido.tarefa, pedido.atividade,
                                 m_hooks.arvoreProduto ? m_hooks.arvoreProduto() : QString()};
    GravaRelease(m_fluxo, m_fluxo.server(), {[this] { m_copias.confirmacao(true); }, m_copias.progresso, {}})
        .Grava_Release_MetaDados(registro);
}

void Checkout::criaDiretorioItem(const QString &relativo, const QString &solicitacao)
{
    m_hooks.Animacao(msg("DADOS_SUBVERSION"));
    m_copias.desabilitaBotoes();
    m_copias.confirmacao(false);
    const qor::BusyCursor cursor;
    m_copias.barra(0);
    const QString caminho = m_fluxo.modulo().stDiretorio + semBarraInicial(relativo);
    const vcs::LogicalFs fs(m_copias.paths);
    for (qsizetype at = caminho.indexOf(u'\\'); at >= 0 && at < caminho.size() - 1; at = caminho.indexOf(u'\\', at + 1)) {
        const QString nivel = caminho.left(at + 1);
        if (!fs.isDirectory(nivel))
            criaDiretorio(nivel, solicitacao);
    }
    criaDiretorio(caminho, solicitacao);
    m_copias.confirmacao(true);
    m_hooks.FechaAnimacao();
}

void Checkout::criaDiretorio(const QString &dir, const QString &solicitacao)
{
    m_fluxo.svn().mkdir(em(msg("ACAO_SUBVERSION_CRIADIR")), dir);
    m_copias.barra(500000);
    const QString mensagem = MensagemCommit(plataforma(), solicitacao, m_fluxo.modulo().stReleaseMetaDados);
    m_fluxo.svn().commit(em(msg("ACAO_SUBVERSION_ATUADIR")), mensagem, dir);
    m_copias.barra(kFim);
}

// ---- The recovery --------------------------------------------------------------------------

void Checkout::recupera()
{
    m_naoLiberadas.clear();
    HostDaRecuperacao host;
    const vcs::Recognition &textos = vcs::Recognition::mainWindow();
    std::unique_ptr<vcs::ConsoleRunner> runner;
    if (m_fluxo.hasRunner()) {
        const vcs::ConsoleRunner &principal = m_fluxo.runner().runner();
        runner = std::make_unique<vcs::ConsoleRunner>(vcs::RunnerPoints::mainWindow(), host, textos, principal.paths());
        if (const QProcessEnvironment *ambiente = principal.environment())
            runner->setEnvironment(*ambiente);
        runner->setPollInterval(principal.pollInterval());
    }
    for (const QString &arquivo : m_fluxo.listas().arqCheckout) {
        if (!runner)
            break;
        if (liberado(*runner, arquivo))
            continue;
        if (ledger().wasTried(arquivo))
            m_naoLiberadas << arquivo;
    }
    try {
        const qor::RemoteResult limpo = ledger().clearOnServer(m_fluxo.server());
        if (limpo.isError)
            progresso({proprio("LISTA_NAO_LIMPA").arg(limpo.errorMessage)});
    } catch (const std::exception &e) {
        progresso({proprio("LISTA_NAO_LIMPA").arg(QString::fromUtf8(e.what()))});
    }
    if (!m_naoLiberadas.isEmpty())
        progresso(QStringList{vcs::ConsoleRunner::separator(), proprio("TRAVAS_NAO_LIBERADAS")} + m_naoLiberadas);
    m_copias.confirmacao(true);
    m_hooks.FechaAnimacao();
}

// Unlocks the file; true when no lock of ours is left on it.
bool Checkout::liberado(vcs::ConsoleRunner &runner, const QString &arquivo)
{
    const vcs::Recognition &textos = runner.texts();
    const vcs::SvnClient &svn = m_fluxo.svn();
    const vcs::SvnRun desbloqueio{runner, msg("ACAO_SUBVERSION_UNLOCK") + vcs::NomeDoArquivo(arquivo), sink()};
    try {
        const QString alvo = arquivo.toLower();
        if (textos.successIn(QStringLiteral("ARQDESTRAVADO"), svn.unlock(desbloqueio, alvo).output))
            return true;
        if (!ledger().wasTried(arquivo))
            return true;   // never asked for: a lock of ours cannot be there
        // A client stopped between the server's grant and its own record
        // leaves a lock the working copy does not know: ask the repository.
        const vcs::SvnRun pergunta{runner, msg("EXEC_SVN_INFO"), [](const QStringList &) {}};
        const QString url = svn.info(pergunta, alvo, vcs::SvnClient::InfoOrder::XmlFirst).url;
        if (url.isEmpty())
            return false;
        const QString dono = svn.info(pergunta, url, vcs::SvnClient::InfoOrder::XmlFirst).lockOwner;
        if (dono.isEmpty())
            return true;
        if (dono.compare(svn.user(), Qt::CaseInsensitive) != 0)
            return true;   // another user's lock is not ours to break
        return textos.successIn(QStringLiteral("ARQDESTRAVADO"), svn.breakLock(desbloqueio, url).output);
    } catch (...) {
        return false;
    }
}

}
