#pragma once
#include "host/services.h"
#include <QDialog>

class QLineEdit;

namespace host {

// Asks for what the settings and the command line did not give.
class SignInDialog : public QDialog {
    Q_OBJECT
public:
    explicit SignInDialog(const qor::Session &session, QWidget *parent = nullptr);
    qor::Session session() const;

private:
    void accept() override;

    qor::Session m_session;
    QLineEdit *m_operador;
    QLineEdit *m_filial;
    QLineEdit *m_empresa;
    QLineEdit *m_servidor;
};

}
