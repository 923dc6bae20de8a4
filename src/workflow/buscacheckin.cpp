#include "workflow/buscacheckin.h"
#include "host/services.h"
#include "server/remote.h"
#include "vcs/pathmap.h"
#include "workflow/buscacheckout.h"
#include "workflow/gravarelease.h"
#include "workflow/workflowcontext.h"
#include <QSet>
#include <algorithm>

static void initSelCheckinTexts()
{
    Q_INIT_RESOURCE(selcheckin);
}

namespace workflow {

namespace {

const QString kNmArquivo = QStringLiteral("NMARQUIVO");

QString comBarra(const QString &dir)
{
    return dir.endsWith(u'\\') ? dir : dir + u'\\';
}

QString diretorioDe(const QString &arquivo)
{
    return arquivo.left(std::max<qsizetype>(arquivo.lastIndexOf(u'\\'), 0));
}

// Whether the last name of a path holds a dot: a file (or a mask), not a directory.
bool nomeComPonto(const QString &path)
{
    return path.mid(path.lastIndexOf(u'\\') + 1).contains(u'.');
}

bool abaixoDe(const QString &path, const QStringList &diretorios)
{
    const QString minusculo = path.toLower();
    for (const QString &dir : diretorios)
        if (minusculo.startsWith(comBarra(dir.toLower())))
            return true;
    return false;
}

}

BuscaCheckin::BuscaCheckin(WorkflowContext &ctx, PlataformaProduto plataforma, const SelecaoCheckin &valores)
    : m_ctx(ctx), m_plataforma(plataforma), m_extensao(BuscaCheckout::Extensoes(plataforma)), m_valores(valores)
{
    cdsDirItemTrab.defineFields({{QStringLiteral("DSDIRARQFONTIT"), qor::FieldType::String, 250}});
}

BuscaCheckin::~BuscaCheckin() = default;

const qor::TMessages &BuscaCheckin::Textos()
{
    static const qor::TMessages texts = [] {
        initSelCheckinTexts();
        return qor::TMessages(QStringLiteral(":/workflow/selcheckin.msg"));
    }();
    return texts;
}

QString BuscaCheckin::Msg(const char *key)
{
    return Textos().Msg(QLatin1String(key));
}

QString BuscaCheckin::AjustaBase(const QString &diretorio)
{
    if (diretorio.isEmpty())
        return diretorio;
    const QString base = comBarra(diretorio);
    return base.left(2).compare(QLatin1String("c:"), Qt::CaseInsensitive) == 0 ? base : QStringLiteral("c:") + base;
}

QString BuscaCheckin::DiretorioDoItem(const QString &base, QString dsDir)
{
    if (dsDir.startsWith(u'\\'))
        dsDir.remove(0, 1);
    if (!dsDir.contains(u'.') && !dsDir.endsWith(u'\\'))
        dsDir += u'\\';
    return base + dsDir;
}

bool BuscaCheckin::Retem(const QString &nome, const QString &extensao)
{
    const qsizetype ponto = nome.indexOf(u'.');
    if (ponto >= 0 && extensao.contains(nome.mid(ponto).toLower()))
        return true;
    return nome.size() >= 4 && extensao.contains(nome.right(4).toLower());
}

bool BuscaCheckin::adicionaSozinho() const
{
    return m_plataforma == PlataformaProduto::ProdutoLumetra
           && !m_ctx.temValorDaMaquina(QStringLiteral("APRBloqAdicionaArq"));
}

vcs::ConsoleRunner &BuscaCheckin::runner()
{
    if (!m_runner) {
        vcs::ConsoleRunner &principal = m_ctx.runner().runner();
        m_runner = std::make_unique<vcs::CheckinRunner>(principal.paths());
        if (principal.environment())
            m_runner->runner().setEnvironment(*principal.environment());
    }
    return m_runner->runner();
}

vcs::SvnRun BuscaCheckin::proprio(const vcs::LineSink &sink)
{
    const ActivityKey atividade{m_valores.filial, m_valores.tarefa, m_valores.plano};
    return {runner(), QString(), sink,
            [this, atividade] { return std::make_shared<WorkflowContext::Run>(m_ctx.begin(atividade)); }};
}

// The main window's runner reads a command's output only for a list that
// receives it: the dialog's hidden one.
vcs::SvnRun BuscaCheckin::principal(const QString &caption)
{
    m_lsbOculta.clear();
    return m_ctx.on(caption, [this](const QStringList &l) { m_lsbOculta << l; });
}

void BuscaCheckin::Prepara()
{
    server::RemoteServer::Use use(m_ctx.server());
    cdsDirItemTrab.close();
    m_ctx.server().load(cdsDirItemTrab, QStringLiteral("GetDirItemTrab"), {m_valores.itemTrab, m_valores.produto});
    if (m_valores.diretorioBase.isEmpty())
        qor::MensErro(Msg("Dir_CopTrab_SV"), true);
    m_base = AjustaBase(m_valores.diretorioBase);
    if (cdsDirItemTrab.isEmpty())
        qor::MensErro(Msg("Dir_ItTrab_SV"), true);
}

QStringList BuscaCheckin::ArquivosCheckout()
{
    qor::RecordSet cdsArq{QStringLiteral("cdsArq")};
    m_ctx.server().load(cdsArq, QStringLiteral("GetArqCheckout"), {m_valores.filial, m_valores.tarefa, m_valores.plano});
    QStringList arquivos;
    for (int row = 0; row < cdsArq.recordCount(); ++row)
        arquivos << cdsArq.textAt(kNmArquivo, row);
    return arquivos;
}

QStringList BuscaCheckin::statusDe(const QString &alvo)
{
    QStringList linhas;
    m_ctx.svn().status(proprio([&linhas](const QStringList &l) { linhas << l; }), {alvo});
    return linhas;
}

QStringList BuscaCheckin::StatusInicial()
{
    QStringList progresso;
    auto acrescenta = [&progresso](const QStringList &linhas) {
        for (const QString &linha : linhas)
            if (!linha.trimmed().isEmpty() && !progresso.contains(linha))
                progresso << linha;
    };
    if (m_valores.tipoItem == u"01" || m_valores.tipoItem == u"14") {
        for (const QString &arquivo : ArquivosCheckout())
            acrescenta(statusDe(arquivo));
        return progresso;
    }
    QStringList cdsStatusArq;
    for (int row = 0; row < cdsDirItemTrab.recordCount(); ++row) {
        const QString dir = DiretorioDoItem(m_base, cdsDirItemTrab.textAt(QStringLiteral("DSDIRARQFONTIT"), row));
        for (const QString &entry : AjustaDiretorios(dir))
            ProcuraArquivos(entry, cdsStatusArq);
    }
    cdsStatusArq.removeDuplicates();
    acrescenta(statusDosDiretorios(cdsStatusArq));
    return progresso;
}

// The status of a directory covers everything below it: a directory under
// one already listed is not asked again.
QStringList BuscaCheckin::statusDosDiretorios(const QStringList &arquivos)
{
    QStringList diretorios;
    for (const QString &arquivo : arquivos)
        diretorios << diretorioDe(arquivo).toLower();
    diretorios.removeDuplicates();
    diretorios.sort();
    QStringList listados, linhas;
    for (const QString &dir : std::as_const(diretorios)) {
        if (listados.contains(dir) || abaixoDe(dir, listados))
            continue;
        listados << dir;
        linhas << statusDe(dir);
    }
    return linhas;
}

QStringList BuscaCheckin::DiretoriosDoMenu()
{
    if (m_valores.diretorioBase.isEmpty())
        qor::MensErro(Msg("Dir_CopTrab_SV"), true);
    m_base = AjustaBase(m_valores.diretorioBase);
    if (m_valores.itemTrab == u"MODELAGEM")
        return {m_base + "Sql\\ATUALIZA_BD\\Oracle", m_base + "Sql\\ATUALIZA_BD\\SQLServer"};
    {
        server::RemoteServer::Use use(m_ctx.server());
        cdsDirItemTrab.close();
        m_ctx.server().load(cdsDirItemTrab, QStringLiteral("GetDirItemTrab"), {m_valores.itemTrab, m_valores.produto});
    }
    if (cdsDirItemTrab.isEmpty())
        qor::MensErro(Msg("Dir_ItTrab_SV"), true);
    QStringList captions;
    for (int row = 0; row < cdsDirItemTrab.recordCount(); ++row)
        captions << DiretorioDoItem(m_base, cdsDirItemTrab.textAt(QStringLiteral("DSDIRARQFONTIT"), row));
    return captions;
}

QStringList BuscaCheckin::AjustaDiretorios(const QString &path) const
{
    return ExpandeDiretorios(vcs::LogicalFs(m_ctx.runner().runner().paths()), path);
}

void BuscaCheckin::ProcuraArquivos(const QString &entry, QStringList &achados) const
{
    if (vcs::PathMap::leavesDrive(entry))
        return;
    const vcs::LogicalFs fs(m_ctx.runner().runner().paths());
    QString dir = comBarra(entry), mascara;
    if (nomeComPonto(entry)) {
        dir = entry.left(entry.lastIndexOf(u'\\') + 1);
        mascara = entry.mid(dir.size());
    }
    for (const vcs::LogicalFs::Entry &e : fs.list(dir, mascara, vcs::LogicalFs::Files | vcs::LogicalFs::Hidden))
        if (Retem(e.name, m_extensao))
            achados << (dir + e.name).toLower();
}

QStringList BuscaCheckin::Procura(const QString &diretorio) const
{
    const QStringList cdsAux = AjustaDiretorios(diretorio);
    if (cdsAux.isEmpty())
        qor::MensErro(Msg("DIR_NOT_EXI") + u' ' + diretorio + u'.', true);
    QStringList achados;
    for (const QString &entry : cdsAux)
        ProcuraArquivos(entry, achados);
    achados.removeDuplicates();
    achados.sort();
    return achados;
}

QStringList BuscaCheckin::NovosOuModificados(const QStringList &linhasStatus, const QStringList &escolhidos) const
{
    const vcs::LogicalFs fs(m_ctx.runner().runner().paths());
    QStringList novos;
    for (const QString &linha : linhasStatus) {
        const vcs::SvnStatus status = vcs::SvnClient::parseStatus(linha);
        if (status.lines.size() != 1)
            continue;
        const QString colunas = linha.left(7);
        if (!colunas.contains(u'M') && !colunas.contains(u'?'))
            continue;
        const QString arquivo = status.lines.first().path.toLower();
        if (escolhidos.contains(arquivo) || novos.contains(arquivo) || !vcs::PathMap::isLogical(arquivo)
            || fs.isDirectory(arquivo))
            continue;
        novos << arquivo;
    }
    return novos;
}

DiretoriosCheckin BuscaCheckin::AdicionaDirCheckin(const QStringList &arquivos)
{
    DiretoriosCheckin dirs;
    QStringList cdsDirCheckin;
    for (const QString &arquivo : arquivos)
        cdsDirCheckin << diretorioDe(arquivo).toLower();
    cdsDirCheckin.removeDuplicates();
    cdsDirCheckin.sort();
    const QString base = m_base.toLower();
    QSet<QString> verificados;
    for (const QString &dir : std::as_const(cdsDirCheckin)) {
        QStringList niveis;
        if (!base.isEmpty() && dir.startsWith(base)) {
            QString nivel = base.chopped(1);
            for (const QString &parte : dir.mid(base.size()).split(u'\\', Qt::SkipEmptyParts))
                niveis << (nivel += u'\\' + parte);
        } else {
            niveis << dir;
        }
        for (const QString &nivel : std::as_const(niveis)) {
            if (verificados.contains(nivel) || dirs.adiciona.contains(nivel))
                continue;
            verificados.insert(nivel);
            // Below a directory that is not under version control nothing is.
            if (abaixoDe(nivel, dirs.adiciona)) {
                dirs.adiciona << nivel;
                continue;
            }
            m_lsbVerificaStatus.clear();
            const vcs::SvnInfo info = m_ctx.svn().info(
                proprio([this](const QStringList &l) { m_lsbVerificaStatus << l; }), nivel,
                vcs::SvnClient::InfoOrder::XmlFirst);
            if (info.url.isEmpty()) {
                dirs.adiciona << nivel;
                continue;
            }
            if (info.schedule != u"add" && info.schedule != u"delete")
                continue;
            const bool cobre = std::any_of(dirs.reverte.cbegin(), dirs.reverte.cend(),
                                           [&nivel](const QString &r) { return nivel.contains(r); });
            if (!cobre)
                dirs.reverte << nivel;
            if (info.schedule == u"add")
                dirs.adiciona << nivel;
        }
    }
    return dirs;
}

// The working copy's lock token against the repository's lock: a lock taken
// over by another working copy (even of the same user) leaves the old token
// behind, which the plain status still shows as held.
void BuscaCheckin::Valida_Bloqueio_Copia_Trab(const QStringList &arquivos, const QStringList &dirAdiciona)
{
    const QString caption = Msg("VALIDA_LOCK");
    const vcs::SvnClient &svn = m_ctx.svn();
    for (const QString &arquivo : arquivos) {
        if (abaixoDe(arquivo, dirAdiciona))
            continue;
        bool semVersao = false;
        for (const vcs::SvnStatusLine &linha : svn.status(principal(caption), {arquivo}).lines)
            semVersao = semVersao || linha.item == u'?' || linha.item == u'A';
        if (semVersao)
            continue;
        const vcs::SvnInfo copia = svn.info(principal(caption), arquivo);
        if (copia.url.isEmpty())
            continue;
        const vcs::SvnInfo repositorio = svn.info(principal(caption), copia.url);
        if (!repositorio.lockOwner.isEmpty() && repositorio.lockToken != copia.lockToken)
            qor::MensErro(Msg("ERRO_LOCK_WORKCOPY").arg(arquivo, repositorio.lockOwner), true);
    }
}

void BuscaCheckin::Registra(const QStringList &arquivos, const QStringList &dirAdiciona)
{
    server::RemoteServer::Use use(m_ctx.server());
    GravaRelease grava(m_ctx, m_ctx.server(), {});
    grava.dirNovos = dirAdiciona;
    for (const QString &arquivo : arquivos)
        grava.Adiciona_Arquivo(m_valores.filial, m_valores.tarefa, m_valores.plano, arquivo);
    qor::RecordSet &cdsArqAdd = grava.cdsArqAdd;
    cdsArqAdd.close();
    m_ctx.server().load(cdsArqAdd, QStringLiteral("GetArqCheck"), {m_valores.filial, m_valores.tarefa, m_valores.plano});
    QList<QPair<QString, QString>> semRelease;
    for (int row = 0; row < cdsArqAdd.recordCount(); ++row)
        if (cdsArqAdd.textAt(QStringLiteral("CDRELEASEARQANT"), row).trimmed().isEmpty())
            semRelease.append({cdsArqAdd.textAt(QStringLiteral("CODIGO"), row),
                               cdsArqAdd.textAt(QStringLiteral("ARQUIVO"), row)});
    for (const auto &[codigo, arquivo] : std::as_const(semRelease))
        grava.Grava_Release_Ant_Checkin(m_valores.filial, m_valores.tarefa, m_valores.plano, codigo, arquivo);
}

}
