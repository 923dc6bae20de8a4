#include "workflow/gravarelease.h"
#include "host/services.h"
#include "module/modulestate.h"
#include "plan/processos.h"
#include "scripts/scriptvars.h"
#include "server/remote.h"
#include "vcs/commandline.h"
#include "vcs/drive.h"
#include "vcs/runners.h"
#include "workcopy/infocopia.h"
#include "workflow/workflowcontext.h"

static void initReleaseTexts()
{
    Q_INIT_RESOURCE(release);
}

namespace workflow {

namespace {

QString msg(const char *key)
{
    return ReleaseTexts().Msg(QLatin1String(key));
}

bool isNumber(const QString &text)
{
    bool ok = false;
    text.toLongLong(&ok);
    return ok && !text.isEmpty() && text.at(0).isDigit();
}

}

const qor::TMessages &ReleaseTexts()
{
    static const qor::TMessages texts = [] {
        initReleaseTexts();
        return qor::TMessages(QStringLiteral(":/workflow/release.msg"));
    }();
    return texts;
}

QString MensagemCommit(vcs::PlataformaProduto plataforma, const QString &solicitacao, const QString &releaseMetaDados)
{
    QString mensagem = "-mSOL:" + solicitacao.trimmed();
    if (plataforma == vcs::PlataformaProduto::ProdutoLumetra)
        mensagem += " - Release metadados: " + QString::number(releaseMetaDados.trimmed().toLongLong());
    return mensagem;
}

GravaRelease::GravaRelease(WorkflowContext &fluxo, server::RemoteServer &servidor, ReleaseHooks hooks)
    : m_fluxo(fluxo), m_servidor(servidor), m_hooks(std::move(hooks))
{
}

void GravaRelease::falha()
{
    if (m_hooks.aoFalhar)
        m_hooks.aoFalhar();
}

void GravaRelease::Grava_Release_Antiga(const QString &filial, const QString &tarefa, const QString &atividade)
{
    server::RemoteServer::Use use(m_servidor);
    cdsArqRelease.close();
    m_servidor.load(cdsArqRelease, QStringLiteral("GetArqCheck"), {filial, tarefa, atividade});
    workcopy::InfoCopia info(m_fluxo);
    for (int row = 0; row < cdsArqRelease.recordCount(); ++row) {
        const QString url = info.CopiaURL(cdsArqRelease.textAt("ARQUIVO", row));
        const QString release = info.CopiaRelease(url);
        m_servidor.call(QStringLiteral("SetReleaseAntSVN"),
                        {cdsArqRelease.textAt("CDFILIAL", row), cdsArqRelease.textAt("NRTAREFA", row),
                         cdsArqRelease.textAt("NRPLATIVTARE", row), cdsArqRelease.textAt("CODIGO", row), release});
    }
}

// The release of a committed file: a few more asks while the repository has
// not answered, then the operator decides whether to go on asking.
QString GravaRelease::releaseGerada(const QString &url, const QString &arquivo)
{
    workcopy::InfoCopia info(m_fluxo);
    QString release = info.CopiaRelease(url);
    while (release.isEmpty()) {
        for (int i = 0; i < 10 && release.isEmpty(); ++i)
            release = info.CopiaRelease(url);
        if (!release.isEmpty())
            break;
        const QString pergunta = msg("RELEASE_VAZIA") + "\n\n-" + arquivo + "\n\n" + msg("CONTINUE_RELEASE");
        if (qor::MsgAlertEx(pergunta, 3, {msg("SIM"), msg("NAO")}, 1, 0, 20) != 10)
            break;
    }
    return release;
}

void GravaRelease::Grava_Release_Gerada(const QString &filial, const QString &tarefa, const QString &atividade)
{
    server::RemoteServer::Use use(m_servidor);
    cdsArqRelease.close();
    m_servidor.load(cdsArqRelease, QStringLiteral("GetArqCheck"), {filial, tarefa, atividade});
    workcopy::InfoCopia info(m_fluxo);
    for (int row = 0; row < cdsArqRelease.recordCount(); ++row) {
        const QString arquivo = cdsArqRelease.textAt("ARQUIVO", row);
        const QString release = releaseGerada(info.CopiaURL(arquivo), arquivo);
        if (release.isEmpty()) {
            falha();
            qor::MensErro(msg("ERRO_SEARCH_RELEASE_ATU").arg(arquivo), true);
        }
        m_servidor.call(QStringLiteral("SetReleaseAtuSVN"),
                        {cdsArqRelease.textAt("CDFILIAL", row), cdsArqRelease.textAt("NRTAREFA", row),
                         cdsArqRelease.textAt("NRPLATIVTARE", row), release, cdsArqRelease.textAt("CODIGO", row)});
    }
}

void GravaRelease::Adiciona_Arquivo(const QString &filial, const QString &tarefa, const QString &atividade,
                                    QString path)
{
    path = vcs::ComUnidade(path);
    QString codigo;
    {
        server::RemoteServer::Use use(m_servidor);
        cdsArqAdd.close();
        m_servidor.load(cdsArqAdd, QStringLiteral("GetArqCheck"), {filial, tarefa, atividade});
        // The next code after the highest in use: a file that left the list
        // may leave a gap, and a code taken twice would mix two files' releases.
        int proximo = 0;
        for (int row = 0; row < cdsArqAdd.recordCount(); ++row) {
            if (cdsArqAdd.textAt("ARQUIVO", row).compare(path, Qt::CaseInsensitive) == 0)
                return;
            proximo = std::max(proximo, cdsArqAdd.textAt("CODIGO", row).trimmed().toInt() + 1);
        }
        codigo = QString::number(proximo);
    }
    server::RemoteServer::Use use(m_servidor);
    m_servidor.call(QStringLiteral("SetArqCheckout"), {filial, tarefa, atividade, codigo, path});
    Grava_Release_Ant_Checkin(filial, tarefa, atividade, codigo, path);
}

vcs::SvnStatus GravaRelease::statusDe(const QString &path)
{
    QStringList lsbRenameFile;
    const vcs::LineSink sink = [&lsbRenameFile](const QStringList &lines) { lsbRenameFile << lines; };
    return m_fluxo.svn().status(m_fluxo.on(msg("FILTRA_ARQUIVOS"), sink), {path});
}

bool GravaRelease::emDiretorioNovo(const QString &path) const
{
    const QString arquivo = path.toLower();
    for (QString dir : dirNovos) {
        dir = dir.toLower();
        if (!dir.endsWith(u'\\'))
            dir += u'\\';
        if (arquivo.startsWith(dir))
            return true;
    }
    return false;
}

void GravaRelease::Grava_Release_Ant_Checkin(const QString &filial, const QString &tarefa, const QString &atividade,
                                             const QString &codigo, const QString &path)
{
    // The status first: the client's info on a file it does not know yet is
    // an error that would end the whole operation, while "?" says it is new.
    // Inside an unversioned directory the client names no file at all.
    bool novo = emDiretorioNovo(path);
    if (!novo)
        for (const QString &naoControlado : statusDe(path).paths(QStringLiteral("?")))
            novo = novo || naoControlado.toUpper().contains(path.toUpper());
    server::RemoteServer::Use use(m_servidor);
    if (novo) {
        m_servidor.call(QStringLiteral("SetReleaseAntSVN"), {filial, tarefa, atividade, codigo, 0});
        return;
    }
    const QString release = workcopy::InfoCopia(m_fluxo).CopiaRelease(path);
    if (release.isEmpty())
        qor::MensErro(msg("ERRO_SEARCH_RELEASE_ANT").arg(path), true);
    m_servidor.call(QStringLiteral("SetReleaseAntSVN"), {filial, tarefa, atividade, codigo, release});
}

void GravaRelease::Grava_Release_MetaDados(const RegistroPlano &registro)
{
    if (m_fluxo.plataforma() != vcs::PlataformaProduto::ProdutoLumetra)
        return;
    qor::ActiveShowAvi(qor::HostMainWindow(), 6, msg("RELEASE_METADADOS"));
    QString usuario = m_fluxo.svn().user();
    const qsizetype svn = usuario.toLower().indexOf(QLatin1String("svn_"));
    if (svn >= 0)
        usuario = usuario.mid(svn + 4);
    // Without the result check: its errors come back as "ERRO_" texts. The
    // use only makes sure the connection is open.
    server::RemoteServer::Use use(m_servidor);
    const qor::RemoteResult raw = m_servidor.callRaw(
        QStringLiteral("ReleaseMetaDados"),
        {usuario, registro.filial, registro.tarefa, registro.atividade, registro.arvProdGrup});
    const QString texto = raw.value.isDouble() ? QString::number(raw.value.toInteger()) : raw.value.toString();
    m_fluxo.modulo().stReleaseMetaDados = texto;
    if (!texto.startsWith(QLatin1String("ERRO_")) && isNumber(texto)) {
        if (m_hooks.progresso)
            m_hooks.progresso({QString(239, u'=') + "\n\n", "Release Metadados: " + texto});
        return;
    }
    qor::DeactiveShowAvi();
    falha();
    // The release goes into a commit message as a number: anything else ends
    // the operation here, before a lock or a commit.
    if (!texto.startsWith(QLatin1String("ERRO_"))) {
        m_fluxo.modulo().stReleaseMetaDados.clear();
        const QString detalhe = raw.isError ? raw.errorMessage : texto;
        qor::MensErro(msg("RELEASE_META_INVALIDA").arg(registro.arvProdGrup, detalhe), true);
    }
    const QString chave = texto.mid(5);
    if (chave == QLatin1String("PORTA_NAO_CONFIG") || chave == QLatin1String("PROD_NAO_PARAM"))
        qor::MensErro(ReleaseTexts().Msg(chave), true);
    qor::ShowDetailError(msg("ERRO_RELEASEMETA"), chave);
    throw qor::EAbort(msg("ERRO_RELEASEMETA"));
}

QString GravaRelease::Get_ID_Prod_SVN(const QString &produto)
{
    server::RemoteServer::Use use(m_servidor);
    cdsProdSubv.close();
    m_servidor.load(cdsProdSubv, QStringLiteral("GetProdSubv"), {produto});
    cdsProdSubv.first();
    return cdsProdSubv.textOf("IDPRODCONTRSUBV");
}

void GravaRelease::SetArquivo(const QString &, const QString &, qor::RecordSet &cds_ItemTarefa)
{
    server::RemoteServer::Use use(m_servidor);
    m_servidor.load(cds_ItemTarefa, QStringLiteral("Get_ItemTarefa"), {qor::FiliProc(), qor::Operador()});
}

void GravaRelease::Anexa_Arquivo_Geracao(const QString &produto, const QString &filial, const QString &solicitacao,
                                         const QString &processo)
{
    bool &marcado = scripts::Scripts().boArquivoMarcado;
    if (!plan::processos::AnexaScripts(processo)) {
        marcado = true;
        return;
    }
    if (Get_ID_Prod_SVN(produto) != QLatin1String("S")) {
        marcado = true;
        return;
    }
    if ((scripts::ModoModelagem(processo) || m_fluxo.plataforma() == vcs::PlataformaProduto::Delphi) && m_hooks.abreScripts)
        m_hooks.abreScripts(filial, solicitacao, produto, processo);
    else
        marcado = true;
}

void GravaRelease::Anexo_Arquivo_Geracao_Asp(const QString &filial, const QString &tarefa, const QString &atividade,
                                             const QString &solicitacao, const QString &produto,
                                             const QString &processo)
{
    static const QString fontes = QStringLiteral("*.pas;*.dfm;*.dof;*.res;*.dpr;*.tlb;*.qr2;*.cfg;*.rc;");
    {
        server::RemoteServer::Use use(m_servidor);
        cdsArqRelease.close();
        m_servidor.load(cdsArqRelease, QStringLiteral("GetArqCheck"), {filial, tarefa, atividade});
    }
    for (int row = 0; row < cdsArqRelease.recordCount(); ++row) {
        const QString arquivo = cdsArqRelease.textAt("ARQUIVO", row);
        const qsizetype ponto = arquivo.lastIndexOf(u'.');
        if (ponto < 0 || arquivo.indexOf(u'\\', ponto) >= 0)
            continue;   // no extension: not a source of the list
        const QString extensao = arquivo.mid(ponto).toLower();
        if (extensao.size() > 1 && fontes.contains(u'*' + extensao + u';')) {
            if (m_hooks.abreScripts)
                m_hooks.abreScripts(filial, solicitacao, produto, processo);
            return;
        }
    }
}

}
