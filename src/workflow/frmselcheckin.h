#pragma once
// "Selecionar Arquivos para Checkin" (APR00140): the activity's checked-out
// files are the selection the operator starts from; he adds files of the work
// item's directories, sees their status, and on confirmation the files and
// the directories to add or revert go to the check-in.
#include "host/recordset.h"
#include "workflow/buscacheckin.h"
#include "workflow/selcheckin.h"
#include <QDialog>
#include <QStringList>

class QGroupBox;
class QLineEdit;
class QListWidget;
class QMenu;
class QTableView;
class QToolButton;

namespace qor { class RecordSetModel; }

namespace workflow {

class TfrmSelCheckin : public QDialog {
    Q_OBJECT
public:
    TfrmSelCheckin(WorkflowContext &ctx, PlataformaProduto plataforma, const SelecaoCheckin &valores,
                   bool &boConfirmaCheckin, QWidget *parent = nullptr);
    ~TfrmSelCheckin() override;

    static QString CodigoTela() { return QStringLiteral("APR00140"); }

    // The preparation before the dialog shows; a failure ends it.
    void Prepara();
    // NMARQUIVO of every chosen file, in order; those added on their own.
    QStringList escolhidos() const;
    QStringList adicionadosDepois() const;
    // The names the include button added (stArquivo), in order.
    const QStringList &stArquivo() const { return m_stArquivo; }
    BuscaCheckin &busca() { return m_busca; }

    void FormActivate();
    void btnSelDirClick();
    void ClicaPopMenu(int posicao);
    void edtFiltroChange();
    void IncluiArquivo(const QString &path);
    void sbtIncluiClick();
    void sbtIncluiTodosClick();
    void sbtExcluiClick();
    void dbgArquivosDblClick();
    void sbExcluiTodosClick();
    void sbtCancelClick();
    void sbtConfirmaClick();

    qor::RecordSet cdsArquivo{QStringLiteral("cdsArquivo")};
    qor::RecordSet cdsListaArquivos{QStringLiteral("cdsListaArquivos")};

    QLineEdit *edtDirCliente = nullptr;
    QToolButton *btnSelDir = nullptr;
    QMenu *pmnDirItemtrab = nullptr;
    QLineEdit *edtFiltro = nullptr;
    QListWidget *lsbArquivos = nullptr;
    QListWidget *lsbProgresso = nullptr;
    QToolButton *sbtInclui = nullptr;
    QToolButton *sbtIncluiTodos = nullptr;
    QToolButton *sbtExclui = nullptr;
    QToolButton *sbExcluiTodos = nullptr;
    QTableView *dbgArquivos = nullptr;
    QGroupBox *gbxLegenda = nullptr;
    QToolButton *sbtConfirma = nullptr;
    QToolButton *sbtCancel = nullptr;

protected:
    void showEvent(QShowEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void buildView();
    void buildLegenda();
    void conecta();
    void preencheLista();
    void acrescenta(const QString &path, bool depois = false);
    bool temArquivo(const QString &path) const;
    void apaga(int row);
    void mantem_arquivos();
    void confirma();

    WorkflowContext &m_ctx;
    SelecaoCheckin m_valores;
    bool &m_boConfirmaCheckin;
    BuscaCheckin m_busca;
    QStringList m_cdsArq;              // the activity's checked-out files
    QStringList m_diretoriosMenu;      // the menu's directories, by position
    QStringList m_stArquivo;
    QString m_filtro;                  // the candidate filter's text while it is on
    qor::RecordSetModel *m_modelo = nullptr;
    bool m_ativado = false;
};

}
