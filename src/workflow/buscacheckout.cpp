#include "workflow/buscacheckout.h"
#include "vcs/extensoes.h"
#include "host/services.h"
#include "server/remote.h"
#include "vcs/pathmap.h"
#include "vcs/runners.h"
#include "workflow/workflowcontext.h"
#include <algorithm>

static void initSelCheckoutTexts()
{
    Q_INIT_RESOURCE(selcheckout);
}

namespace workflow {

namespace {

const QString &stExtDelphi = vcs::extensoes::Delphi();
const QString &stExtAsp = vcs::extensoes::Asp();
const QString &stExtProdLumetra = vcs::extensoes::Lumetra();
const QString &stExtLumetra = vcs::extensoes::Lumetra();

// Deeper than any product tree; only a directory link that loops reaches it.
constexpr int kProfundidadeMaxima = 64;

QString msg(const char *key)
{
    return BuscaCheckout::Textos().Msg(QLatin1String(key));
}

bool temPonto(const QString &name)
{
    return name.contains(u'.');
}

bool seguivel(const QString &name)
{
    return !name.isEmpty() && name != u"." && name != u"..";
}

QString comBarra(const QString &dir)
{
    return dir.endsWith(u'\\') ? dir : dir + u'\\';
}

}

BuscaCheckout::BuscaCheckout(WorkflowContext &ctx, PlataformaProduto plataforma, const SelecaoCheckout &valores)
    : m_ctx(ctx), m_extensao(Extensoes(plataforma)), m_valores(valores)
{
    using qor::FieldType;
    cdsDirItemTrab.defineFields({{QStringLiteral("DSDIRARQFONTIT"), FieldType::String, 250}});
    cdsItemTarefa.defineFields({{QStringLiteral("CDITEMTRAB"), FieldType::String, 10},
                                {QStringLiteral("NMITEMTRAB"), FieldType::String, 100},
                                {QStringLiteral("NRCPLXITTARE"), FieldType::Float, 0, QStringLiteral("Complexidade")},
                                {QStringLiteral("NRTAREFA"), FieldType::String, 10},
                                {QStringLiteral("NRPLATIVTARE"), FieldType::String, 5},
                                {QStringLiteral("CDREDUITTRAB"), FieldType::String, 20},
                                {QStringLiteral("DSDIRARQFONT"), FieldType::String, 250},
                                {QStringLiteral("DSDIRRAIZARQ"), FieldType::String, 80},
                                {QStringLiteral("CDTIPOITTRAB"), FieldType::String, 2},
                                {QStringLiteral("CDFILIAL"), FieldType::String, 4}});
}

const qor::TMessages &BuscaCheckout::Textos()
{
    static const qor::TMessages texts = [] {
        initSelCheckoutTexts();
        return qor::TMessages(QStringLiteral(":/workflow/selcheckout.msg"));
    }();
    return texts;
}

const QString &BuscaCheckout::Extensoes(PlataformaProduto plataforma)
{
    switch (plataforma) {
    case PlataformaProduto::Delphi: return stExtDelphi;
    case PlataformaProduto::Asp: return stExtAsp;
    case PlataformaProduto::ProdutoLumetra: return stExtProdLumetra;
    case PlataformaProduto::FrameworkLumetra: break;
    }
    return stExtLumetra;
}

QString BuscaCheckout::AjustaBase(const QString &diretorio)
{
    if (diretorio.isEmpty())
        return diretorio;
    QString base = comBarra(diretorio);
    const bool temUnidade = base.size() >= 2 && base.at(1) == u':' && base.at(0).isLetter();
    if (!temUnidade)
        base.prepend(base.startsWith(u'\\') ? QStringLiteral("C:") : QStringLiteral("C:\\"));
    return base;
}

bool BuscaCheckout::FiltroAceita(const QString &filtro, const QString &arquivo)
{
    const QStringList partes = filtro.split(u'%');
    if (!arquivo.startsWith(partes.first(), Qt::CaseInsensitive))
        return false;
    qsizetype from = partes.first().size();
    for (qsizetype i = 1; i < partes.size(); ++i) {
        const qsizetype at = arquivo.indexOf(partes.at(i), from, Qt::CaseInsensitive);
        if (at < 0)
            return false;
        from = at + partes.at(i).size();
    }
    return true;
}

QStringList BuscaCheckout::DiretoriosDoMenu(QString &diretorioBase)
{
    if (diretorioBase.isEmpty())
        qor::MensErro(msg("Dir_CopTrab_SV"), true);
    diretorioBase = AjustaBase(diretorioBase);
    if (m_valores.modo == u"MODELAGEM")
        return {diretorioBase + "Sql\\ATUALIZA_BD\\Oracle\\", diretorioBase + "Sql\\ATUALIZA_BD\\SQLServer\\"};
    cdsDirItemTrab.close();
    m_ctx.server().load(cdsDirItemTrab, QStringLiteral("GetDirItemTrab"), {m_valores.itemTrab, m_valores.produto});
    if (cdsDirItemTrab.isEmpty())
        qor::MensErro(msg("Dir_ItTrab_SV"), true);
    QStringList captions;
    for (int row = 0; row < cdsDirItemTrab.recordCount(); ++row) {
        QString dir = cdsDirItemTrab.textAt(QStringLiteral("DSDIRARQFONTIT"), row);
        if (dir.startsWith(u'\\'))
            dir.remove(0, 1);
        if (!temPonto(dir) && !dir.endsWith(u'\\'))
            dir += u'\\';
        captions << diretorioBase + dir;
    }
    return captions;
}

QStringList BuscaCheckout::AjustaDiretorios(const QString &path) const
{
    return ExpandeDiretorios(vcs::LogicalFs(m_ctx.runner().runner().paths()), path);
}

namespace {

// Each marker is worked off one level at a time.
void expande(const vcs::LogicalFs &fs, const QString &path, QStringList &out, int depth)
{
    // A path that climbs out of its drive maps to no host directory at all.
    if (depth > kProfundidadeMaxima || vcs::PathMap::leavesDrive(path))
        return;
    const int todos = vcs::LogicalFs::All;
    auto arquivoAceito = [](const QString &name) { return temPonto(name) && name.toLower() != u".svn"; };

    if (const qsizetype at = path.indexOf(QLatin1String("\\...\\")); at >= 0) {
        const QString head = path.left(at), tail = path.mid(at + 5);
        for (const vcs::LogicalFs::Entry &e : fs.list(head, {}, todos)) {
            if (!seguivel(e.name))
                continue;
            if (!temPonto(e.name))
                expande(fs, head + u'\\' + e.name + "\\...\\" + tail, out, depth + 1);
            else if (arquivoAceito(e.name))
                expande(fs, head + u'\\' + e.name, out, depth + 1);
        }
        return;
    }
    if (const qsizetype at = path.indexOf(QLatin1String("\\*\\")); at >= 0) {
        const QString head = path.left(at), tail = path.mid(at + 3);
        for (const vcs::LogicalFs::Entry &e : fs.list(head, {}, todos)) {
            if (!seguivel(e.name))
                continue;
            if (!temPonto(e.name))
                expande(fs, head + u'\\' + e.name + u'\\' + tail, out, depth + 1);
            else if (arquivoAceito(e.name))
                expande(fs, head + u'\\' + e.name, out, depth + 1);
        }
        return;
    }
    const qsizetype abre = path.indexOf(QLatin1String("\\*"));
    const qsizetype fecha = abre >= 0 ? path.indexOf(QLatin1String("*\\"), abre + 1) : -1;
    if (fecha >= 0) {
        const QString head = path.left(abre), tail = path.mid(fecha + 2);
        const QString fragmento = path.mid(abre + 2, fecha - abre - 2).toLower();
        for (const vcs::LogicalFs::Entry &e : fs.list(head, {}, todos)) {
            if (!seguivel(e.name))
                continue;
            if (!temPonto(e.name) && e.name.toLower().contains(fragmento))
                expande(fs, head + u'\\' + e.name + u'\\' + tail, out, depth + 1);
            else if (arquivoAceito(e.name))
                expande(fs, head + u'\\' + e.name, out, depth + 1);
        }
        return;
    }
    const qsizetype barra = path.lastIndexOf(u'\\');
    if (barra >= 0 && fs.exists(path.left(barra)))
        out << path;
}

}

QStringList ExpandeDiretorios(const vcs::LogicalFs &fs, const QString &path)
{
    QStringList out;
    expande(fs, path, out, 0);
    return out;
}

QStringList BuscaCheckout::Procura(const QString &diretorio)
{
    m_statusPorDiretorio.clear();
    m_reduzido.reset();
    m_aux = AjustaDiretorios(diretorio);
    if (m_aux.isEmpty())
        qor::MensErro(msg("DIR_NOT_EXI") + u' ' + diretorio + u'.', true);
    QStringList candidatos;
    for (const QString &entry : std::as_const(m_aux))
        ProcuraArquivos(entry, candidatos);
    std::stable_sort(candidatos.begin(), candidatos.end());
    return candidatos;
}

void BuscaCheckout::ProcuraArquivos(const QString &entry, QStringList &candidatos)
{
    const vcs::LogicalFs fs(m_ctx.runner().runner().paths());
    const int todos = vcs::LogicalFs::All;
    QString dir, mascara;
    if (vcs::PathMap::leavesDrive(entry))
        return;
    if (!temPonto(entry)) {
        dir = comBarra(entry);
    } else {
        const qsizetype barra = entry.lastIndexOf(u'\\');
        dir = entry.left(barra + 1);
        mascara = entry.mid(barra + 1);
    }
    const QList<vcs::LogicalFs::Entry> achados = fs.list(dir, mascara, todos);
    if (achados.isEmpty())
        return;
    stlArqBarrado = Filtra_Arq_Controlados(dir);
    QStringList nomes;
    for (const vcs::LogicalFs::Entry &e : achados)
        if (seguivel(e.name) && !e.directory)
            nomes << e.name;
    testaArquivos(dir, nomes, candidatos);
}

void BuscaCheckout::testaArquivos(const QString &dir, const QStringList &names, QStringList &candidatos)
{
    for (const QString &name : names) {
        const qsizetype ponto = name.lastIndexOf(u'.');
        if (ponto < 0 || !m_extensao.contains(name.mid(ponto).toLower()))
            continue;
        const QString completo = (dir + name).toLower();
        if (barrado(completo) || !Verifica_Arquivo_cds(name))
            continue;
        candidatos << completo;
    }
}

// Exact names, and whatever lies below an unversioned directory: one name
// being part of another ("a.pas" of "a.pas.bak") excludes nothing.
bool BuscaCheckout::barrado(const QString &path) const
{
    for (const QString &b : stlArqBarrado)
        if (path == b || path.startsWith(comBarra(b)))
            return true;
    return false;
}

QStringList BuscaCheckout::Filtra_Arq_Controlados(QString dir)
{
    dir = comBarra(dir);
    const QString chave = dir.toLower();
    if (const auto found = m_statusPorDiretorio.constFind(chave); found != m_statusPorDiretorio.constEnd())
        return *found;
    const QString unidade = dir.left(2).toUpper();
    QStringList barrados;
    const vcs::SvnStatus status = statusDe(dir);
    for (const QString &path : status.paths(QStringLiteral("?"))) {
        const qsizetype at = path.toUpper().indexOf(unidade);
        // Past a blank or a quote in a name the runner leaves the host's separators in the path.
        if (at >= 0)
            barrados << path.mid(at).replace(u'/', u'\\').toLower();
    }
    // A warning says dir is no working copy: none of its files is controlled.
    if (!status.warnings.isEmpty()) {
        const vcs::LogicalFs fs(m_ctx.runner().runner().paths());
        for (const vcs::LogicalFs::Entry &e : fs.list(dir, {}, vcs::LogicalFs::Files | vcs::LogicalFs::Hidden))
            barrados << (dir + e.name).toLower();
    }
    m_statusPorDiretorio.insert(chave, barrados);
    return barrados;
}

vcs::SvnStatus BuscaCheckout::statusDe(const QString &dir)
{
    QStringList lsbRenameFile;
    const vcs::LineSink sink = [&lsbRenameFile](const QStringList &lines) { lsbRenameFile << lines; };
    const WorkflowContext::Run run = m_ctx.begin({m_valores.filial, m_valores.tarefa, m_valores.plano});
    return m_ctx.svn().status(m_ctx.on(msg("FILTRA_ARQUIVOS"), sink), {dir});
}

bool BuscaCheckout::Verifica_Arquivo_cds(const QString &nome)
{
    if (m_valores.tipoItem != u"14")
        return true;
    if (!m_reduzido) {
        cdsItemTarefa.close();
        m_ctx.server().load(cdsItemTarefa, QStringLiteral("GetItemTarefa"),
                            {qor::FiliProc(), qor::Operador(), m_valores.tarefa, m_valores.plano, m_valores.produto,
                             m_valores.itemTrab});
        m_reduzido = cdsItemTarefa.textOf(QStringLiteral("CDREDUITTRAB")).trimmed();
    }
    return nome.trimmed().toUpper() == m_reduzido->toUpper();
}

}
