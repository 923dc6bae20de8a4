#pragma once
// "Selecionar Arquivos para Checkout" (APR00190): the operator picks a
// directory of the activity's work item, moves candidate files into the grid,
// and on confirmation the files are registered for the activity on the server
// and handed to the check-out.
#include "host/recordset.h"
#include "workflow/buscacheckout.h"
#include "workflow/selcheckout.h"
#include <QDialog>
#include <QStringList>

class QLineEdit;
class QListWidget;
class QMenu;
class QTableView;
class QToolButton;

namespace qor { class RecordSetModel; }

namespace workflow {

class TfrmSelCheckout : public QDialog {
    Q_OBJECT
public:
    TfrmSelCheckout(WorkflowContext &ctx, PlataformaProduto plataforma, const SelecaoCheckout &valores,
                    bool &boConfirmaCheckout, QWidget *parent = nullptr);
    ~TfrmSelCheckout() override;

    static QString CodigoTela() { return QStringLiteral("APR00190"); }

    // The base directory as the dialog adjusted it.
    const QString &diretorioBase() const { return m_valores.diretorioBase; }
    // The names the single additions recorded (stArquivo), in order.
    const QStringList &stArquivo() const { return m_stArquivo; }
    // NMARQUIVO of every chosen file, in order.
    QStringList escolhidos() const;
    BuscaCheckout &busca() { return m_busca; }

    void FormActivate();
    void btnSelDirClick();
    void ClicaPopMenu(int posicao);
    void AtualizaListaArquivos();
    void edtFiltroChange();
    void edtDirClienteChange();
    void AddFile(const QString &path);
    void btnIncluiArqClick();
    void btnIncluiTodosClick();
    void btnLimpaTodosClick();
    void dbgArquivosDblClick();
    void btnLimpaArqClick();
    void sbtCancelClick();
    void sbtConfirmaClick();

    qor::RecordSet cdsListaArquivos{QStringLiteral("cdsListaArquivos")};
    qor::RecordSet cdsArquivo{QStringLiteral("cdsArquivo")};

    QLineEdit *edtDirCliente = nullptr;
    QToolButton *btnSelDir = nullptr;
    QMenu *pmnDirItemtrab = nullptr;
    QLineEdit *edtFiltro = nullptr;
    QListWidget *lsbArquivos = nullptr;
    QToolButton *btnIncluiArq = nullptr;
    QToolButton *btnLimpaArq = nullptr;
    QToolButton *btnIncluiTodos = nullptr;
    QToolButton *btnLimpaTodos = nullptr;
    QTableView *dbgArquivos = nullptr;
    QToolButton *sbtConfirma = nullptr;
    QToolButton *sbtCancel = nullptr;

protected:
    void showEvent(QShowEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void buildView();
    void conecta();
    void preencheMenu(const QStringList &captions);
    void acrescenta(const QString &path);
    bool temArquivo(const QString &path) const;
    void tiraDoRegistro(const QString &path);
    void registraEscolhidos();

    WorkflowContext &m_ctx;
    SelecaoCheckout m_valores;
    bool &m_boConfirmaCheckout;
    BuscaCheckout m_busca;
    QStringList m_diretoriosMenu;      // the menu's directories, by position
    QStringList m_stArquivo;
    QString m_filtro;                  // the candidate filter's text while it is on
    qor::RecordSetModel *m_modelo = nullptr;
    bool m_ativado = false;
};

}
