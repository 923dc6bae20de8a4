#include "scripts/selscripts.h"
#include "scripts/scriptvars.h"
#include "host/dialogs.h"
#include "host/services.h"
#include "server/remote.h"
#include "vcs/drive.h"
#include <QItemSelectionModel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTableView>
#include <memory>

namespace scripts {

namespace {

const QString kNmFile = QStringLiteral("NMFILE");
const QString kArqPatch = QStringLiteral("DSARQPATCH");

QString msg(const char *key)
{
    return ScriptTexts().Msg(QLatin1String(key));
}

// The busy animation for a scope.
struct Busy {
    Busy() { qor::ActiveShowAvi(qor::HostMainWindow(), 1); }
    ~Busy() { qor::DeactiveShowAvi(); }
};

QString semBarraFinal(QString path)
{
    while (path.endsWith(u'\\') && !(path.size() == 3 && vcs::TemUnidade(path)))
        path.chop(1);
    if (path.size() == 2 && vcs::TemUnidade(path))
        path += u'\\';
    return path;
}

}

TfrmSelScripts::TfrmSelScripts(ScriptsContext ctx, QWidget *parent)
    : QDialog(parent), m_ctx(std::move(ctx)), m_fs(m_ctx.paths)
{
    setObjectName(QStringLiteral("frmSelScripts"));
    setProperty("screenCode", CodigoTela());
    cdsArquivos.defineFields({{kNmFile, qor::FieldType::String, 250, QStringLiteral("Arquivo")}});
    cdsDeleteArquivoPatch.defineFields({{kArqPatch, qor::FieldType::String, 250}});
    buildUi();
    FormCreate();
}

TfrmSelScripts::~TfrmSelScripts() = default;

void TfrmSelScripts::FormCreate()
{
    cdsArquivos.open();
    cdsDeleteArquivoPatch.open();
    m_stArquivos.clear();
    Busy busy;
    carregaVersao();
    const ScriptVars &vars = Scripts();
    m_modelagem = ModoModelagem(vars.stCdProcesso);
    const QString base = cdsVersao.textOf(QStringLiteral("DSDIRBASEVER"));
    if (!m_modelagem) {
        setWindowTitle(msg("TITULO_PATCH"));
        edtDiretorio->setText(base);
        m_ctx.server.load(cdsArquivosPatch, QStringLiteral("GetArquivosPatch"),
                          {vars.stCdFilial, vars.stNrSoliServ, dataDaFase()});
        // The files already on the patch; they are not noted as added here.
        for (int row = 0; row < cdsArquivosPatch.recordCount(); ++row) {
            cdsArquivos.append();
            cdsArquivos[kNmFile].setValue(cdsArquivosPatch.textAt(kArqPatch, row));
            cdsArquivos.post();
        }
        cdsArquivos.first();
    } else {
        setWindowTitle(msg("TITULO_MODELAGEM"));
        edtDiretorio->setText(DiretorioModelagem(base));
    }
    const QString directory = diretorioBase();
    if (!edtDiretorio->text().isEmpty() && m_fs.isDirectory(directory)) {
        mostraDiretorio(directory);
        m_stDir = m_dirAtual;
    } else {
        // The window opens all the same, without a tree: the files already on
        // the patch can still be confirmed or taken off.
        qor::guarded([] { qor::MensErro(msg("Dir_Inv"), true); });
    }
    atualizaConfirma();
}

void TfrmSelScripts::carregaVersao()
{
    const ScriptVars &vars = Scripts();
    m_ctx.server.load(cdsVersao, QStringLiteral("GetVersao"), {vars.stNrSoliServ, vars.stCdFilial});
    if (cdsVersao.isEmpty())
        qor::MensErro(msg("SOLICITACAO_SEM_VERSAO").arg(vars.stNrSoliServ), true);
    cdsVersao.first();
}

QJsonValue TfrmSelScripts::dataDaFase() const
{
    const qor::Field *phase = cdsVersao.findField(QStringLiteral("DTALFASETRAM"));
    if (!phase || phase->isNull())
        return QJsonValue::Null;
    return server::Date(phase->asDateTime());
}

// The base directory as the file system sees it: a path without a drive is
// taken on drive C:, whatever the case of a drive it has.
QString TfrmSelScripts::diretorioBase() const
{
    return semBarraFinal(vcs::ComUnidade(edtDiretorio->text().trimmed()));
}

void TfrmSelScripts::dlbDiretorioChange(const QString &directory)
{
    const QString wanted = semBarraFinal(vcs::ComUnidade(directory));
    const QString base = diretorioBase();
    // Inside the base: the base itself or below it, not a sibling that only
    // begins with the same letters.
    const bool inside = wanted.compare(base, Qt::CaseInsensitive) == 0
                        || wanted.startsWith(base.endsWith(u'\\') ? base : base + u'\\', Qt::CaseInsensitive);
    if (inside && m_fs.isDirectory(wanted)) {
        mostraDiretorio(wanted);
        m_stDir = m_dirAtual;
    } else if (!m_stDir.isEmpty()) {
        mostraDiretorio(m_stDir);
    }
}

QString TfrmSelScripts::caminhoNaLista(const QString &name) const
{
    return m_dirAtual + (m_dirAtual.endsWith(u'\\') ? QString() : QStringLiteral("\\")) + name;
}

QStringList TfrmSelScripts::escolhidos() const
{
    QStringList names;
    for (int row = 0; row < cdsArquivos.recordCount(); ++row)
        names << cdsArquivos.textAt(kNmFile, row);
    return names;
}

QStringList TfrmSelScripts::removidos() const
{
    QStringList names;
    for (int row = 0; row < cdsDeleteArquivoPatch.recordCount(); ++row)
        names << cdsDeleteArquivoPatch.textAt(kArqPatch, row);
    return names;
}

void TfrmSelScripts::AddFile(const QString &path)
{
    const QString name = path.mid(2);
    if (!m_stArquivos.contains(name)) {
        m_stArquivos << name;
        cdsArquivos.append();
        cdsArquivos[kNmFile].setValue(name);
        cdsArquivos.post();
        // Taken off and put back: it stays on the patch.
        if (cdsDeleteArquivoPatch.locate(kArqPatch, {name}, qor::CaseInsensitive))
            cdsDeleteArquivoPatch.deleteRecord();
        atualizaConfirma();
    } else if (flbArquivos->selectedItems().size() == 1) {
        qor::MensErro(msg("Arq_Cad"), true);
    }
}

void TfrmSelScripts::flbArquivosDblClick(const QString &name)
{
    AddFile(caminhoNaLista(name));
}

void TfrmSelScripts::tbtIncluiPatchClick()
{
    const QStringList chosen = [this] {
        QStringList names;
        for (int row = 0; row < flbArquivos->count(); ++row)
            if (flbArquivos->item(row)->isSelected())
                names << flbArquivos->item(row)->text();
        return names;
    }();
    if (chosen.isEmpty()) {
        flbArquivos->setFocus();
        qor::MensErro(msg("Arq_Inf"), true);
    }
    for (const QString &name : chosen)
        AddFile(caminhoNaLista(name));
}

void TfrmSelScripts::tbtTIncluiPatchClick()
{
    for (const QString &name : arquivosDaLista()) {
        const QString path = caminhoNaLista(name);
        if (!m_stArquivos.contains(path.mid(2)))
            AddFile(path);
    }
    cdsArquivos.first();
}

void TfrmSelScripts::coleta(const QString &directory, const QString &mask, QStringList &found) const
{
    for (const vcs::LogicalFs::Entry &sub : m_fs.list(directory, {}, vcs::LogicalFs::Directories))
        coleta(sub.path, mask, found);
    for (const vcs::LogicalFs::Entry &file : m_fs.list(directory, mask, vcs::LogicalFs::Files))
        found << file.path;
}

void TfrmSelScripts::ColetaArquivos()
{
    if (m_dirAtual.isEmpty())
        return;   // no tree: the base directory was not found
    QStringList found;
    for (const QString &mask : MascarasColeta())
        coleta(m_dirAtual, mask, found);
    for (const QString &path : found)
        if (!m_stArquivos.contains(path.mid(2)))
            AddFile(path);
}

void TfrmSelScripts::removeEscolhido()
{
    if (cdsArquivos.isEmpty())
        return;
    const QString name = cdsArquivos.textOf(kNmFile);
    m_stArquivos.removeAll(name);
    const bool registered = cdsArquivosPatch.active()
                            && cdsArquivosPatch.locate(kArqPatch, {name}, qor::CaseInsensitive);
    if (registered && !cdsDeleteArquivoPatch.locate(kArqPatch, {name}, qor::CaseInsensitive)) {
        cdsDeleteArquivoPatch.append();
        cdsDeleteArquivoPatch[kArqPatch].setValue(name);
        cdsDeleteArquivoPatch.post();
    }
    cdsArquivos.deleteRecord();
    atualizaConfirma();
}

void TfrmSelScripts::dbgArquivosDblClick()
{
    removeEscolhido();
}

void TfrmSelScripts::tbtLimpaPatchClick()
{
    server::RemoteServer::Use use(m_ctx.server);
    QStringList names;
    for (const QModelIndex &index : dbgArquivos->selectionModel()->selectedRows())
        names << cdsArquivos.textAt(kNmFile, index.row());
    for (const QString &name : names)
        if (cdsArquivos.locate(kNmFile, {name}))
            removeEscolhido();
    if (!cdsArquivos.isEmpty())
        dbgArquivos->selectRow(cdsArquivos.recNo());
}

void TfrmSelScripts::tbtTLimpaPatchClick()
{
    server::RemoteServer::Use use(m_ctx.server);
    while (!cdsArquivos.isEmpty()) {
        cdsArquivos.first();
        removeEscolhido();
    }
}

void TfrmSelScripts::atualizaConfirma()
{
    sbtConfirma->setEnabled(!cdsArquivos.isEmpty());
}

void TfrmSelScripts::sbtConfirmaClick()
{
    server::RemoteServer::Use use(m_ctx.server);
    if (cdsArquivos.isEmpty())
        qor::MensErro(msg("NenhumArq"), true);
    if (m_modelagem && m_ctx.arquivosSQL)
        m_ctx.arquivosSQL->setData(cdsArquivos.data());
    {
        Busy busy;
        Scripts().boArquivoMarcado = true;
        registraArquivos();
    }
    done(QDialog::Accepted);
}

// Each chosen file goes on the patch under the next sequence; the sequence
// moves on only for a file the server took.
void TfrmSelScripts::registraArquivos()
{
    const ScriptVars &vars = Scripts();
    carregaVersao();
    const QString sequenceText = cdsVersao.textOf(QStringLiteral("NRSEQPATCH")).trimmed();
    bool numeric = false;
    int sequence = sequenceText.toInt(&numeric);
    if (!numeric)
        qor::MensErro(msg("SEQUENCIA_INVALIDA").arg(vars.stNrSoliServ, sequenceText), true);
    const QJsonValue phase = dataDaFase();
    for (const QString &name : escolhidos()) {
        const QJsonArray args{vars.stCdFilial, vars.stNrSoliServ, qor::Ajusta(QString::number(sequence), 3), name,
                              vars.stCdProdGrup, cdsVersao.textOf(QStringLiteral("CDVERPROORIG")),
                              cdsVersao.textOf(QStringLiteral("CDRELVERORIG")),
                              cdsVersao.textOf(QStringLiteral("CDPATRELORIG")), phase, QJsonValue::Null};
        const qor::RemoteResult result = m_ctx.server.callRaw(QStringLiteral("InsPatchTram"), args);
        qor::CheckResultServ(result, true, 0);
        if (result.outputs.at(0).toArray().at(0).toString() == QLatin1String("True"))
            ++sequence;
    }
    // A registered file shown twice (the start-up row and an addition) and
    // removed once is still chosen: it stays on the patch.
    const QStringList chosen = escolhidos();
    for (const QString &name : removidos())
        if (!chosen.contains(name, Qt::CaseInsensitive))
            m_ctx.server.call(QStringLiteral("DelPatchTram"), {vars.stNrSoliServ, vars.stCdFilial, name, phase});
}

void TfrmSelScripts::sbtCancelClick()
{
    ScriptVars &vars = Scripts();
    if (m_modelagem) {
        vars.boFechar_Sem_Salvar = true;
        done(QDialog::Rejected);
        return;
    }
    const int answer = qor::MsgAlertEx(msg("CANCELAR_OPERACAO"), 3, {msg("SIM"), msg("NAO")}, 1, 0, 20);
    if (answer == 10) {
        vars.boArquivoMarcado = false;
        done(QDialog::Rejected);
    }
}

void TfrmSelScripts::FormCloseQuery()
{
    const ScriptVars &vars = Scripts();
    if (!m_modelagem) {
        if (vars.boArquivoMarcado && cdsArquivos.isEmpty())
            qor::MensErro(msg("Arq_Inf"), true);
        return;
    }
    if (vars.boFechar_Sem_Salvar)
        return;
    {
        Busy busy;
        m_ctx.server.load(cdsPatchFaseTram, QStringLiteral("GetPatchFaseTram"), {vars.stCdFilial, vars.stNrSoliServ});
    }
    if (cdsPatchFaseTram.isEmpty())
        qor::MensErro(msg("Script_Inf"), true);
}

// Every way out (confirm, cancel, Escape, the window's close) passes the
// closing checks; a refused check keeps the window open.
void TfrmSelScripts::done(int result)
{
    if (!qor::guarded([this] { FormCloseQuery(); }))
        return;
    Scripts().boStCriado = false;
    QDialog::done(result);
}

void CriaAnexoScript(ScriptsContext ctx, const QString &filial, const QString &nrSoliServ, const QString &cdProdGrup,
                     const QString &cdProcesso, QWidget *parent)
{
    ScriptVars &vars = Scripts();
    // One window at a time: a second call while it is open does nothing.
    if (vars.boStCriado)
        return;
    vars.stCdFilial = filial;
    vars.stNrSoliServ = nrSoliServ;
    vars.stCdProdGrup = cdProdGrup;
    vars.stCdProcesso = cdProcesso;
    std::unique_ptr<TfrmSelScripts> dialog;
    {
        qor::BusyCursor hourglass;
        dialog = std::make_unique<TfrmSelScripts>(std::move(ctx), parent);
    }
    struct Criado {
        bool &flag;
        explicit Criado(bool &f) : flag(f) { flag = true; }
        ~Criado() { flag = false; }
    } criado(vars.boStCriado);
    qor::Dialogs().execModal(*dialog);
    if (dialog->isVisible())
        dialog->hide();
}

}
