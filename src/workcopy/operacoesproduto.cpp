#include "workcopy/operacoesproduto.h"
#include "host/services.h"
#include "module/modulestate.h"
#include "server/remote.h"
#include "vcs/svnclient.h"
#include "workcopy/infocopia.h"
#include "workcopy/renomeiadiretorios.h"
#include "workcopy/textos.h"
#include "workflow/workflowcontext.h"
#include <cmath>

namespace workcopy {

OperacoesProduto::OperacoesProduto(WorkCopyContext &ctx) : m_ctx(ctx), m_atualizacao(ctx) {}

QString OperacoesProduto::NomeAfastado(const QString &dir, const QDateTime &agora, const QString &url)
{
    QString base = dir;
    if (base.endsWith(u'\\'))
        base.chop(1);
    QString origem = QStringLiteral("sem controle subversion");
    if (!url.isEmpty())
        origem = QString(url).replace(u'/', u'-').remove(u':');
    return base + QStringLiteral(" - ") + agora.toString(QStringLiteral("dd-MM-yyyy-HH-mm")) + QStringLiteral(" - ") + origem;
}

vcs::SvnRun OperacoesProduto::em(const QString &captionKey, const QString &alvo)
{
    return m_ctx.fluxo.on(Msg(captionKey) + u' ' + alvo, m_ctx.progresso);
}

QString OperacoesProduto::url(const QString &repositorio, const QString &raiz) const
{
    if (!repositorio.startsWith(u'/'))
        return repositorio;
    QString base = !m_ctx.raizRepositorio.isEmpty() ? m_ctx.raizRepositorio : raiz;
    if (base.isEmpty())
        qor::MensErro(MsgF(QStringLiteral("REPOSITORIO_SEM_RAIZ"), {repositorio}));
    while (base.endsWith(u'/'))
        base.chop(1);
    return base + repositorio;
}

void OperacoesProduto::ClicaPopMenu(const QString &caption)
{
    const QString nome = QString(caption).remove(u'&');
    if (!qor::AskYesNo(Msg(QStringLiteral("CONFIRMA_UPDATE_VERSAO")) + u' ' + nome))
        return;
    bool &opera = m_ctx.fluxo.modulo().boOperaSubversion;
    opera = true;
    struct Fim {
        WorkCopyContext &ctx;
        bool &opera;
        ~Fim()
        {
            qor::DeactiveShowAvi();
            ctx.confirmacao(true);
            opera = false;
            ctx.fluxo.listas().dirRenomeados.clear();
        }
    } fim{m_ctx, opera};
    repara(nome);
}

void OperacoesProduto::repara(const QString &nome)
{
    const QString caminho = m_atualizacao.CaminhoControle();
    qor::RecordSet &versoes = m_ctx.cdsParamVersao;
    bool achou = false;
    for (versoes.first(); !versoes.eof() && !achou; ) {
        achou = versoes.textOf(QStringLiteral("NMPRODUTO")).compare(nome, Qt::CaseInsensitive) == 0;
        if (!achou)
            versoes.next();
    }
    if (!achou)
        qor::MensErro(Msg(QStringLiteral("Dir_N_Exist")));
    cdsParamProdSVN.close();
    m_ctx.fluxo.server().load(cdsParamProdSVN, QStringLiteral("GetParamProdSVN"), {versoes.textOf(QStringLiteral("CDARVPROD"))});
    cdsParamProdSVN.first();
    m_atualizacao.Preenche_Diretorios_Atualiza(cdsParamProdSVN.textOf(QStringLiteral("DSDIRBASEVER")),
                                               cdsParamProdSVN.textOf(QStringLiteral("DSDIRVSS")));
    qor::RecordSet &pares = m_atualizacao.cdsDiretoriosGet;
    if (pares.isEmpty())
        qor::MensErro(Msg(QStringLiteral("Dir_N_Exist")));

    const vcs::LogicalFs fs(m_ctx.paths);
    InfoCopia info(m_ctx.fluxo);
    QList<Par> lista;
    QStringList afastar;
    QString raiz;
    int peso = 0;
    for (pares.first(); !pares.eof(); pares.next()) {
        const Par par{pares.textOf(QStringLiteral("DIRCOPTRAB")), pares.textOf(QStringLiteral("DIRREPSVN"))};
        lista << par;
        if (!fs.isDirectory(par.copia)) {
            peso += 1;
            continue;
        }
        if (info.Verifica_Copia_Trabalho(par.copia, par.repositorio)) {
            peso += 4;
        } else {
            peso += 2;
            afastar << par.copia;
        }
        if (raiz.isEmpty())
            raiz = info.ultima().raiz;
    }
    // The server's paths are case-sensitive: a checkout takes the location as the product has it.
    const QStringList cadastrados = cdsParamProdSVN.textOf(QStringLiteral("DSDIRVSS")).split(u';');
    auto comoCadastrado = [&cadastrados](const QString &repositorio) {
        for (const QString &c : cadastrados)
            if (c.compare(repositorio, Qt::CaseInsensitive) == 0)
                return c;
        return repositorio;
    };
    const int passo = int(std::lround(1000000.0 / peso));
    m_ctx.desabilitaBotoes();
    m_ctx.confirmacao(false);
    int posicao = 0;
    m_ctx.barra(posicao);
    auto avanca = [&] { m_ctx.barra(posicao += passo); };
    qor::BusyCursor cursor;
    qor::ActiveShowAvi(nullptr, 6, Msg(QStringLiteral("DADOS_SUBVERSION")));
    QStringList &renomeados = m_ctx.fluxo.listas().dirRenomeados;
    renomeados.clear();
    RenomeiaDiretorios renomeia(m_ctx);
    const vcs::SvnClient &svn = m_ctx.fluxo.svn();

    for (const Par &par : std::as_const(lista)) {
        const QString c = par.copia;
        if (afastar.contains(c)) {
            m_ctx.progresso({Msg(QStringLiteral("ESPACO")), MsgF(QStringLiteral("Ren_Dir"), {c})});
            const QString novo = NomeAfastado(c, m_ctx.agora(), info.CopiaURL(c));
            if (!renomeia.RenameDir(c, novo)) {
                m_ctx.progresso({MsgF(QStringLiteral("Erro_Ren"), {c})});
                qor::MensErro(MsgF(QStringLiteral("Erro_Ren"), {c}));
            }
            m_ctx.progresso({MsgF(QStringLiteral("Ren_Ok"), {novo})});
            avanca();
        }
        const QString alvo = c.toLower();
        if (fs.isDirectory(c)) {
            if (m_ctx.fluxo.plataforma() == vcs::PlataformaProduto::ProdutoLumetra)
                renomeia.RenomeiaDirSemSVN_AntesGet(c);
            svn.cleanup(em(QStringLiteral("ACAO_SUBVERSION_REMOVETRAVA"), c), alvo);
            avanca();
            svn.resolve(em(QStringLiteral("ACAO_SUBVERSION_CONFLITO1"), c), alvo);
            avanca();
            svn.resolved(em(QStringLiteral("ACAO_SUBVERSION_CONFLITO2"), c), alvo);
            avanca();
            svn.update(em(QStringLiteral("ACAO_SUBVERSION_ATUALARQ"), c), alvo);
            avanca();
            if (m_ctx.fluxo.plataforma() == vcs::PlataformaProduto::ProdutoLumetra && !renomeados.isEmpty())
                renomeia.RenomeiaDirSemSVN_DepoisGet();
        } else {
            svn.checkout(em(QStringLiteral("ACAO_SUBVERSION_ATUALDIR"), c), url(comoCadastrado(par.repositorio), raiz),
                         alvo);
            avanca();
        }
    }
    qor::DeactiveShowAvi();
    ArquivoControle &controle = m_atualizacao.controle;
    controle.carrega(caminho);
    controle.registra(cdsParamProdSVN.textOf(QStringLiteral("CDPRODUTO")),
                      cdsParamProdSVN.fieldByName(QStringLiteral("DTATUPRODSUBVER")).asDateTime(), m_ctx.agora());
    controle.grava(caminho);
}

void OperacoesProduto::Renomeia_Arq(const QString &path)
{
    const qsizetype barra = path.lastIndexOf(u'\\');
    const QString dir = barra < 0 ? path : path.left(barra);
    QStringList oculto;   // lsbRenameFile
    // The XML listing: a name with a blank in it comes back whole.
    const vcs::SvnXmlStatus status =
        m_ctx.fluxo.svn().statusXml(m_ctx.fluxo.on(QString(), [&oculto](const QStringList &l) { oculto << l; }), dir);
    QStringList novos, antigos;   // cdsNewfile, cdsOldFile
    for (const vcs::SvnXmlStatusEntry &entrada : status.entries) {
        if (entrada.item == u"unversioned")
            novos << entrada.path;
        else if (entrada.item == u"missing")
            antigos << entrada.path;
    }
    RenomeiaDiretorios renomeia(m_ctx);
    const vcs::LogicalFs fs(m_ctx.paths);
    for (const QString &antigo : std::as_const(antigos))
        for (const QString &novo : std::as_const(novos))
            if (novo.compare(antigo, Qt::CaseInsensitive) == 0 && fs.exists(novo))
                renomeia.RenameDir(novo, antigo);
}

}
