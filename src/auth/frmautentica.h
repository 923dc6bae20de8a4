#pragma once
#include "host/messages.h"
#include <QDialog>
#include <functional>

class QLabel;
class QLineEdit;
class QToolButton;

namespace auth {

// "Autenticação do Usuário da Rede" (APR00170): checks the operator's network
// account and hands it on as the repository account.
class TfrmAutentica : public QDialog {
    Q_OBJECT
public:
    // Receives user and password once the account was accepted; empty when
    // there is no main window to take them.
    using AccountReceiver = std::function<void(const QString &user, const QString &password)>;

    explicit TfrmAutentica(AccountReceiver receiver, QWidget *parent = nullptr);
    ~TfrmAutentica() override;

    static QString CodigoTela() { return QStringLiteral("APR00170"); }
    const qor::TMessages &msgPadrao() const;

    void sbtConfirmaClick();
    void sbtCancelClick();
    // Escape and the window's close button are a cancel: they ask first.
    void reject() override;

    QLineEdit *edtDominio = nullptr;
    QLineEdit *edtUser = nullptr;
    QLineEdit *edtSenha = nullptr;
    QToolButton *sbtConfirma = nullptr;
    QToolButton *sbtCancel = nullptr;
    QToolButton *sbtHelp = nullptr;
    QLabel *lblCodTela = nullptr;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void showEvent(QShowEvent *event) override;

private:
    void buildView();
    void posiciona();
    [[noreturn]] void recusa(QLineEdit *field, const char *key);

    AccountReceiver m_receiver;
};

// The dialog placed over the host's document area: centred on it, never off
// the screen's top or left.
QPoint PosicaoCentrada(const QRect &clientAreaOnScreen, const QSize &dialog);

// CriaAutenticacao: the dialog, modal, through the dialog seam.
void CriaAutenticacao(TfrmAutentica::AccountReceiver receiver);

}
