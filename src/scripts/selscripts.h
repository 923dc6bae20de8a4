#pragma once
// "Selecionar Arquivos Para Gerar Patch" / "... de Modelagem de Dados"
// (APR00160): the operator picks the files of a request's patch below the
// product's base directory and the window registers them on the server.
#include "host/recordset.h"
#include "vcs/pathmap.h"
#include <QDialog>
#include <QStringList>

class QLineEdit;
class QListWidget;
class QPushButton;
class QTableView;
class QToolButton;

namespace qor { class RecordSetModel; }
namespace server { class RemoteServer; }

namespace scripts {

// What the window takes from the main window: its server link and, for the
// data-modelling mode, the record set that receives the chosen scripts.
struct ScriptsContext {
    server::RemoteServer &server;
    qor::RecordSet *arquivosSQL = nullptr;
    vcs::PathMap paths;
};

class TfrmSelScripts : public QDialog {
    Q_OBJECT
public:
    // Runs the creation steps; a missing base directory shows "Dir_Inv" and
    // leaves the window without a tree.
    explicit TfrmSelScripts(ScriptsContext ctx, QWidget *parent = nullptr);
    ~TfrmSelScripts() override;

    static QString CodigoTela() { return QStringLiteral("APR00160"); }
    bool modoModelagem() const { return m_modelagem; }

    // The directory the tree and the file list show (a logical path).
    QString diretorio() const { return m_dirAtual; }
    QString stDir() const { return m_stDir; }
    // Moves the tree, as the operator does; it cannot leave the base directory.
    void dlbDiretorioChange(const QString &directory);
    // Selects names of the file list (the others are deselected).
    void selecionaArquivos(const QStringList &names);
    QStringList arquivosDaLista() const;
    // NMFILE of every chosen file, in order.
    QStringList escolhidos() const;
    QStringList removidos() const;    // cdsDeleteArquivoPatch
    // Selects rows of the chosen-file grid.
    void selecionaEscolhidos(const QList<int> &rows);

    void flbArquivosDblClick(const QString &name);
    void tbtIncluiPatchClick();
    void tbtTIncluiPatchClick();
    void ColetaArquivos();            // Ctrl+A
    void dbgArquivosDblClick();
    void tbtLimpaPatchClick();
    void tbtTLimpaPatchClick();
    void sbtConfirmaClick();
    void sbtCancelClick();

    qor::RecordSet cdsArquivos{QStringLiteral("cdsArquivos")};
    qor::RecordSet cdsVersao{QStringLiteral("cdsVersao")};
    qor::RecordSet cdsArquivosPatch{QStringLiteral("cdsArquivosPatch")};
    qor::RecordSet cdsDeleteArquivoPatch{QStringLiteral("cdsDeleteArquivoPatch")};
    qor::RecordSet cdsPatchFaseTram{QStringLiteral("cdsPatchFaseTram")};

    QLineEdit *edtDiretorio = nullptr;
    QListWidget *dlbDiretorio = nullptr;
    QListWidget *flbArquivos = nullptr;
    QToolButton *tbtTLimpaPatch = nullptr;
    QToolButton *tbtLimpaPatch = nullptr;
    QToolButton *tbtIncluiPatch = nullptr;
    QToolButton *tbtTIncluiPatch = nullptr;
    QTableView *dbgArquivos = nullptr;
    QPushButton *sbtConfirma = nullptr;
    QPushButton *sbtCancel = nullptr;

    void done(int result) override;

protected:
    void keyPressEvent(QKeyEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void buildUi();
    void FormCreate();
    void FormCloseQuery();
    void carregaVersao();
    QString diretorioBase() const;
    void mostraDiretorio(const QString &directory);
    QString caminhoNaLista(const QString &name) const;
    void AddFile(const QString &path);
    void removeEscolhido();
    void atualizaConfirma();
    void coleta(const QString &directory, const QString &mask, QStringList &found) const;
    void registraArquivos();
    QJsonValue dataDaFase() const;

    ScriptsContext m_ctx;
    vcs::LogicalFs m_fs;
    bool m_modelagem = false;
    QStringList m_stArquivos;  // the names added through AddFile (the unit's "_name" text)
    QString m_stDir;
    QString m_dirAtual;
    qor::RecordSetModel *m_modelo = nullptr;
};

// The exported creator's work: stores the activity's texts, creates the
// window (unless one exists) and shows it modally through the dialog seam.
void CriaAnexoScript(ScriptsContext ctx, const QString &filial, const QString &nrSoliServ,
                     const QString &cdProdGrup, const QString &cdProcesso, QWidget *parent = nullptr);

}
