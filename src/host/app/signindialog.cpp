#include "host/app/signindialog.h"
#include <QDialogButtonBox>
#include "host/messages.h"
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>

namespace host {

SignInDialog::SignInDialog(const qor::Session &session, QWidget *parent) : QDialog(parent), m_session(session)
{
    setWindowTitle(QStringLiteral("Entrar - %1").arg(session.applicationTitle));
    auto *form = new QFormLayout(this);
    m_operador = new QLineEdit(session.operador);
    m_filial = new QLineEdit(session.filial);
    m_empresa = new QLineEdit(session.empresa);
    m_servidor = new QLineEdit(QStringLiteral("%1:%2").arg(session.webUrl).arg(session.webPort));
    m_senha = new QLineEdit;
    m_senha->setObjectName(QStringLiteral("edtSenha"));
    m_senha->setEchoMode(QLineEdit::Password);
    m_recusa = new QLabel;
    m_recusa->setObjectName(QStringLiteral("lblRecusa"));
    m_recusa->setWordWrap(true);
    m_recusa->setStyleSheet(QStringLiteral("color: #b00000"));
    m_recusa->hide();
    form->addRow(m_recusa);
    form->addRow(QStringLiteral("Operador"), m_operador);
    form->addRow(qor::TMessages::host().Msg(QStringLiteral("SENHA")), m_senha);
    form->addRow(QStringLiteral("Filial"), m_filial);
    form->addRow(QStringLiteral("Empresa"), m_empresa);
    form->addRow(QStringLiteral("Servidor de aplicação"), m_servidor);
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    connect(buttons, &QDialogButtonBox::accepted, this, &SignInDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    form->addRow(buttons);
    if (!session.operador.isEmpty())
        m_senha->setFocus();
}

QString SignInDialog::password() const
{
    return m_senha->text();
}

void SignInDialog::showRefusal(const QString &message)
{
    m_recusa->setText(message);
    m_recusa->show();
    m_senha->clear();
    m_senha->setFocus();
}

void SignInDialog::accept()
{
    const QString server = m_servidor->text().trimmed();
    const int colon = server.lastIndexOf(QLatin1Char(':'));
    bool ok = false;
    const int port = colon > 0 ? server.mid(colon + 1).toInt(&ok) : 0;
    if (m_operador->text().trimmed().isEmpty() || m_filial->text().trimmed().isEmpty() ||
        m_empresa->text().trimmed().isEmpty()) {
        QMessageBox::warning(this, windowTitle(), QStringLiteral("Informe operador, filial e empresa."));
        return;
    }
    if (m_senha->text().isEmpty()) {
        QMessageBox::warning(this, windowTitle(), qor::TMessages::host().Msg(QStringLiteral("INFORME_SENHA")));
        return;
    }
    if (!ok || port <= 0 || port > 65535) {
        QMessageBox::warning(this, windowTitle(), QStringLiteral("Informe o servidor como ENDEREÇO:PORTA."));
        return;
    }
    m_session.operador = m_operador->text().trimmed();
    m_session.filial = m_filial->text().trimmed();
    m_session.empresa = m_empresa->text().trimmed();
    m_session.webUrl = server.left(colon);
    m_session.webPort = port;
    QDialog::accept();
}

qor::Session SignInDialog::session() const
{
    return m_session;
}

}
