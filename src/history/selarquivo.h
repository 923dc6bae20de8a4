#pragma once
#include "vcs/pathmap.h"
#include <QDialog>

class QLabel;
class QLineEdit;
class QListWidget;
class QListWidgetItem;
class QPushButton;

namespace history {

// The file choice of "Show Log": folders and files of the logical drives
// ("c:\sistemas\prod\..."), never the host directories behind them, in the
// module's own texts. Folders first, then the files that match the masks.
// Typing a logical folder or file into the name box and pressing "Abrir" goes
// there or picks it.
class TfrmSelArquivo : public QDialog {
    Q_OBJECT
public:
    // filterText: the description shown; masks: "*.pas;*.dfm" (empty for all files).
    TfrmSelArquivo(const vcs::PathMap &paths, const QString &title, const QString &filterText, const QString &masks,
                   QWidget *parent = nullptr);

    // Shows a folder; a file's path shows its folder with the file chosen.
    // False, with the message shown in the window, when there is no such folder or file.
    bool abre(const QString &logicalPath);
    QString pasta() const { return m_pasta; }
    QStringList itens() const;                 // as listed: folders end in "\"
    // The file chosen when the dialog was accepted; empty otherwise.
    QString arquivoEscolhido() const { return m_escolhido; }
    // What "Abrir" does with the name box: enters a folder or picks a file.
    void confirma();

    QLineEdit *edtPasta = nullptr;
    QListWidget *lsbItens = nullptr;
    QLineEdit *edtNome = nullptr;
    QLabel *lblAviso = nullptr;
    QPushButton *btnAcima = nullptr;
    QPushButton *btnAbrir = nullptr;
    QPushButton *btnCancelar = nullptr;

private:
    void lista();
    void ativa(QListWidgetItem *item);
    QString caminho(const QString &name) const;
    QString pai(const QString &folder) const;

    const vcs::PathMap &m_paths;
    vcs::LogicalFs m_fs;
    QString m_mascaras;
    QString m_pasta;
    QString m_escolhido;
};

}
