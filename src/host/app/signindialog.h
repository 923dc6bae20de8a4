#pragma once
#include "host/services.h"
#include <QDialog>

class QLabel;
class QLineEdit;

namespace host {

// Asks for what the settings and the command line did not give.
class SignInDialog : public QDialog {
    Q_OBJECT
public:
    explicit SignInDialog(const qor::Session &session, QWidget *parent = nullptr);
    qor::Session session() const;
    QString password() const;
    // The server refused: its message above the fields, and the password asked again.
    void showRefusal(const QString &message);

private:
    void accept() override;

    qor::Session m_session;
    QLineEdit *m_operador;
    QLineEdit *m_filial;
    QLineEdit *m_empresa;
    QLineEdit *m_servidor;
    QLineEdit *m_senha;
    QLabel *m_recusa;
};

}
