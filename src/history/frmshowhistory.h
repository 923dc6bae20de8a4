#pragma once
#include "history/logentries.h"
#include "host/messages.h"
#include "host/recordset.h"
#include "vcs/pathmap.h"
#include "vcs/plataforma.h"
#include "vcs/runners.h"
#include "vcs/svnclient.h"
#include <QDialog>
#include <QStringList>
#include <functional>

class QCheckBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QMenu;
class QPushButton;
class QTableView;
class QToolButton;
class QWidget;

namespace qor { class RecordSetModel; }
namespace server { class RemoteServer; }

namespace history {

// The comparison tool handed to `svn diff --diff-cmd` unless a setting names another.
inline const QString kFerramentaDiffPadrao = QStringLiteral("F:\\CALBREX\\Sistemas\\Bin\\exec_diff_svn.bat");
// Where retrievals keep their copies: one directory of its own per retrieval inside it.
inline const QString kTmpLogDir = QStringLiteral("C:\\TmpLogDir\\");

// What the viewer takes from the main window.
struct HistoryContext {
    QString usuario;                 // stUsuarioSvn
    QString senha;                   // stSenhaSvn, kept in memory only
    vcs::PlataformaProduto plataforma = vcs::PlataformaProduto::Delphi;
    server::RemoteServer *server = nullptr;
    QString ferramentaDiff = kFerramentaDiffPadrao;
};

// "Show Log" (APR00150): the history of one file of a working copy, and from
// it the retrieval of a revision and the comparisons.
class TfrmShowHistory : public QDialog {
    Q_OBJECT
public:
    explicit TfrmShowHistory(HistoryContext context, QWidget *parent = nullptr);
    ~TfrmShowHistory() override;

    static QString CodigoTela() { return QStringLiteral("APR00150"); }
    static const qor::TMessages &Textos();

    vcs::HistoryRunner &runner() { return m_runner; }
    vcs::PathMap &paths() { return m_runner.runner().paths(); }

    // ---- 6.1 -----------------------------------------------------------------------
    void sbtPesqArqClick();
    void sbtVerificarClick();
    void chbSel2VerClick();
    void CopiaURL();
    QString FiltroArquivos() const;
    QString MascarasArquivos() const;   // the platform's file masks, "*.pas;*.dfm;..."
    // ---- 6.2 -----------------------------------------------------------------------
    void GETClick();
    void Diff1Click();
    void btnDIffComp2VerClick();
    void btnUltimaVerClick();
    void dtsPadraoDataChange();


    qor::RecordSet cdsPadrao{QStringLiteral("cdsPadrao")};
    qor::RecordSet cdsVerificaProduto{QStringLiteral("cdsVerificaProduto")};
    QStringList stlSaida;
    QString stUrl;

    QLineEdit *edtDir = nullptr;
    QLabel *Label2 = nullptr;
    QToolButton *sbtPesqArq = nullptr;
    QToolButton *sbtFechar = nullptr;
    QTableView *dbgPadrao = nullptr;
    QMenu *pmnHistory = nullptr;
    QCheckBox *chbSel2Ver = nullptr;
    QLabel *lblVer1 = nullptr;
    QLabel *lblVer2 = nullptr;
    QLineEdit *edtVerComp1 = nullptr;
    QLineEdit *edtVerComp2 = nullptr;
    QPushButton *btnDIffComp2Ver = nullptr;
    QPushButton *btnUltimaVer = nullptr;
    QWidget *panlog = nullptr;
    QListWidget *lsbProgresso = nullptr;
    QListWidget *lsbAux = nullptr;
    QListWidget *lsbDiff = nullptr;

protected:
    void keyPressEvent(QKeyEvent *event) override;

private:
    void buildView();
    void Habilita_Botoes();
    void Desabilita_Botoes();
    void colorirGrade();
    void carregaLog(const QString &target);
    void mostraRegistros(const QList<LogEntry> &entries);
    void mostraMenu(const QPoint &at);
    QString arquivo() const;               // the chosen file's logical path
    QString nomeArquivo() const;
    // A command of the client through the history runner into list.
    vcs::SvnRun em(const QString &caption, QListWidget *list);
    void atualizaParaUltima(const QString &target, QListWidget *list, const QString &caption);
    void diff(const QString &revisions);
    bool procuraVersao(const QString &version);
    // The retrieval's steps (GETClick).
    QString baseDirProdutoAtual();
    void recuperaPorExportacao(const QString &alvo, const QString &revisao, const QString &caption,
                               const QString &tmpDir);
    void copiaDeVolta(const QString &alvo, const QString &backup);
    bool temAlteracoesLocais(const QString &alvo);

    HistoryContext m_contexto;
    vcs::SvnClient m_svn{m_contexto.usuario, m_contexto.senha};
    vcs::HistoryRunner m_runner;
    qor::RecordSetModel *m_modelo = nullptr;
    QString m_ultimoEscolhido;             // logical path last chosen in the dialog
    QString escolheArquivo();
};

// CriaShowHistory: the viewer, modal, through the dialog seam.
void CriaShowHistory(const HistoryContext &context, QWidget *parent = nullptr);

}
