// The log viewer's actions on a revision: retrieval, the newest revision, comparisons.
#include "history/frmshowhistory.h"
#include "vcs/drive.h"
#include "host/services.h"
#include "server/remote.h"
#include "vcs/pathmap.h"
#include "vcs/progress.h"
#include "vcs/recognition.h"
#include "vcs/runner.h"
#include <QDir>
#include <QFileInfo>
#include <QLineEdit>
#include <QListWidget>
#include <QTemporaryDir>
#include <algorithm>
#include <optional>

namespace history {

namespace {

QString msg(const char *key) { return TfrmShowHistory::Textos().Msg(QString::fromLatin1(key)); }

QString preenche(QString text, const QStringList &values)
{
    for (const QString &value : values) {
        const qsizetype at = text.indexOf(QLatin1String("%s"));
        if (at < 0) break;
        text.replace(at, 2, value);
    }
    return text;
}

QString nomeDe(const QString &logical)
{
    return logical.mid(logical.lastIndexOf(u'\\') + 1);
}

// A line of `svn status` naming work of the operator's: a changed content or
// property, or a conflict. A lock of his own or a missing file holds nothing
// to lose; a line of any other form (a warning of the client) counts as work.
bool guardaTrabalho(const QString &line)
{
    if (line.trimmed().isEmpty()) return false;
    if (line.size() < 8 || line[7] != u' ') return true;
    return QStringLiteral("ACDMR~").contains(line[0]) || line[1] == u'M' || line[1] == u'C' || line[6] == u'C';
}

// The busy animation and the hourglass of an action, undone in every case.
class Ocupado {
public:
    Ocupado() = default;
    void mostra()
    {
        qor::ActiveShowAvi(qor::HostMainWindow(), 6,
                           vcs::Recognition::mainWindow().text(QStringLiteral("DADOS_SUBVERSION")));
    }
    ~Ocupado() { qor::DeactiveShowAvi(); }
private:
    qor::BusyCursor m_cursor;
};

}

void TfrmShowHistory::btnUltimaVerClick()
{
    Ocupado ocupado;
    ocupado.mostra();
    atualizaParaUltima(arquivo(), lsbProgresso,
                       msg("ACAO_SUBVERSION_ATUAARQ") + nomeArquivo() + msg("PARA_MAIS_ATUAL"));
    sbtVerificarClick();
}

// "svn update ... --accept postpone TARGET": the target back at the newest revision.
void TfrmShowHistory::atualizaParaUltima(const QString &target, QListWidget *list, const QString &caption)
{
    m_svn.update(em(caption, list), target.toLower());
}

void TfrmShowHistory::Diff1Click()
{
    diff(cdsPadrao.textOf(QStringLiteral("REVISION")));
}

bool TfrmShowHistory::procuraVersao(const QString &version)
{
    return cdsPadrao.locate(QStringLiteral("REVISION"), {version});
}

void TfrmShowHistory::btnDIffComp2VerClick()
{
    const QString v1 = edtVerComp1->text(), v2 = edtVerComp2->text();
    if (v1.isEmpty()) qor::MensErro(msg("VER1_INF"), true);
    if (!procuraVersao(v1)) qor::MensErro(preenche(msg("VER1_EXI"), {arquivo()}), true);
    if (v2.isEmpty()) qor::MensErro(msg("VER2_INF"), true);
    if (!procuraVersao(v2)) qor::MensErro(preenche(msg("VER2_EXI"), {arquivo()}), true);
    if (v1 == v2) qor::MensErro(msg("NOT_IGUAL"), true);
    diff(v1 + u':' + v2);
}

// The comparison tool opens with the two versions; the runner ends the action at
// the client's first output, or says there is no difference.
void TfrmShowHistory::diff(const QString &revisions)
{
    m_svn.diff(em(vcs::Recognition::logViewer().text(QStringLiteral("VISUALIZA_DIFERENCAS")), lsbDiff),
               arquivo().toLower(), revisions, m_contexto.ferramentaDiff);
}

// ---- GETClick ---------------------------------------------------------------------

QString TfrmShowHistory::baseDirProdutoAtual()
{
    if (!m_contexto.server) return {};
    m_contexto.server->load(cdsVerificaProduto, QStringLiteral("GetProdAtual"), {vcs::Numero(m_contexto.plataforma)});
    cdsVerificaProduto.first();
    return cdsVerificaProduto.textOf(QStringLiteral("DSDIRBASEVER")).trimmed();
}

bool TfrmShowHistory::temAlteracoesLocais(const QString &alvo)
{
    stlSaida.clear();
    m_svn.changes(em(QString(), lsbAux), alvo.toLower());
    const QStringList status = stlSaida.join(QString()).split(u'\n', Qt::SkipEmptyParts);
    lsbAux->clear();
    return std::any_of(status.begin(), status.end(), guardaTrabalho);
}

void TfrmShowHistory::recuperaPorExportacao(const QString &alvo, const QString &revisao, const QString &caption,
                                            const QString &tmpDir)
{
    const vcs::LogicalFs fs(paths());
    const QString exportado = tmpDir + u'\\' + nomeDe(alvo);
    m_svn.exportTo(em(caption, lsbProgresso), alvo.toLower(), revisao, exportado);
    if (!fs.copy(exportado, alvo, true)) qor::MensErro(msg("COPIA_ARQUIVO"), true);
    vcs::AppendLines(lsbProgresso, {vcs::ConsoleRunner::separator(),
                                    preenche(msg("COPIA_OK"), {nomeDe(alvo), vcs::DiretorioDe(alvo)})});
    fs.remove(exportado);
}

// Copy mode, after the current copy's file was updated to the revision: its
// content goes to the chosen file, and the current copy gets its own back.
void TfrmShowHistory::copiaDeVolta(const QString &alvo, const QString &backup)
{
    const vcs::LogicalFs fs(paths());
    const QString escolhido = arquivo();
    if (!fs.remove(escolhido) || !fs.copy(alvo, escolhido, true)) qor::MensErro(msg("COPIA_ARQUIVO"), true);
    // The current copy's file back at the newest revision; it had no local
    // changes (checked before), so nothing of the operator's is lost.
    if (!fs.remove(alvo)) qor::MensErro(msg("COPIA_ARQUIVO"), true);
    atualizaParaUltima(vcs::DiretorioDe(alvo), lsbAux, QString());
    if (!fs.exists(alvo) && !fs.copy(backup, alvo, true)) qor::MensErro(msg("COPIA_ARQUIVO"), true);
    fs.remove(backup);
}

void TfrmShowHistory::GETClick()
{
    const QString revisao = cdsPadrao.textOf(QStringLiteral("REVISION"));
    const QString data = cdsPadrao.textOf(QStringLiteral("DATE"));
    const QString autor = cdsPadrao.textOf(QStringLiteral("AUTHOR"));
    const QString escolhido = arquivo();
    if (revisao.isEmpty() || escolhido.isEmpty()) return;
    panlog->show();
    lsbProgresso->clear();
    const int resposta = qor::MsgAlertEx(preenche(msg("CONF_GETHISTORY"), {nomeArquivo(), revisao, data, autor}), 3,
                                         {msg("CONFGET"), msg("CANCELAR")}, 1, 0, 20);
    if (resposta != 10) return;

    const vcs::LogicalFs fs(paths());
    // The working file is removed and brought back below: what the operator
    // changed in it would be lost, so such a file is refused first.
    if (fs.exists(escolhido) && temAlteracoesLocais(escolhido))
        qor::MensErro(preenche(msg("ARQUIVO_ALTERADO"), {escolhido}), true);
    if (!fs.isDirectory(kTmpLogDir) && !fs.makeDirectory(kTmpLogDir)) qor::MensErro(msg("COPIA_ARQUIVO"), true);
    // A directory of this retrieval's own: two operators or two retrievals never share a copy.
    QTemporaryDir proprio(paths().toHost(kTmpLogDir) + QStringLiteral("/ret-XXXXXX"));
    if (!proprio.isValid()) qor::MensErro(msg("COPIA_ARQUIVO"), true);
    const QString tmpDir = paths().toLogical(proprio.path());
    Ocupado ocupado;

    fs.remove(escolhido);
    atualizaParaUltima(vcs::DiretorioDe(escolhido), lsbAux, QString());
    lsbAux->clear();
    lsbProgresso->clear();

    const QString baseAtual = baseDirProdutoAtual();
    ocupado.mostra();

    const QString p = escolhido.mid(3);
    const bool pastaVersao = p.contains(QLatin1String("workfolder\\"), Qt::CaseInsensitive);
    QString raiz;
    const qsizetype v = p.indexOf(QLatin1String("\\v_"), 0, Qt::CaseInsensitive);
    if (pastaVersao && v >= 0) raiz = u'\\' + p.left(v + 3 + 4);
    else raiz = u'\\' + p.left(p.indexOf(u'\\'));

    stlSaida.clear();
    m_svn.infoAt(em(msg("VERIFICA_RELEASE"), lsbAux), escolhido.toLower(), revisao);
    const QString infoTexto = stlSaida.join(QString());
    lsbAux->clear();

    enum class Modo { Simples, Exportacao, Copia } modo = Modo::Simples;
    QString alvo = escolhido;
    std::optional<bool> backupOk;
    const QString backup = tmpDir + u'\\' + nomeArquivo();
    if (pastaVersao) {
        if (infoTexto.contains(QLatin1String("branches"))) modo = Modo::Exportacao;
    } else if (infoTexto.contains(QLatin1String("trunk")) && !baseAtual.isEmpty()
               && raiz.compare(baseAtual, Qt::CaseInsensitive) != 0) {
        modo = Modo::Copia;
        alvo = QStringLiteral("C:") + baseAtual + p.mid(p.indexOf(u'\\'));
        if (fs.exists(alvo) && temAlteracoesLocais(alvo))
            qor::MensErro(preenche(msg("COPIA_ALTERADA"), {alvo}), true);
        backupOk = fs.copy(alvo, backup, true);
    }

    const QString caption = msg("ATUALIZANDO_VERSAO").arg(nomeDe(alvo), revisao, data, autor);
    if (modo == Modo::Exportacao) {
        recuperaPorExportacao(alvo, revisao, caption, tmpDir);
    } else {
        m_svn.update(em(caption, lsbProgresso), alvo.toLower(), revisao);
    }
    if (modo == Modo::Copia) {
        if (!*backupOk) qor::MensErro(msg("COPIA_ARQUIVO"), true);
        copiaDeVolta(alvo, backup);
    }
    sbtVerificarClick();
}

}
