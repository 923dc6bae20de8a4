#pragma once
// "Dados Adicionais" (APR00120): the client, the interlocutor and an
// observation of an attendance being started; confirming starts it.
#include "host/recordset.h"
#include <QDialog>

class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QToolButton;
namespace server { class RemoteServer; }

namespace plan {

class TfrmDadosAdi : public QDialog {
    Q_OBJECT
public:
    // kind: "I" internal, "E" external (stIdAtendimento).
    TfrmDadosAdi(server::RemoteServer &server, const QString &kind, QWidget *parent = nullptr);
    ~TfrmDadosAdi() override;

    static QString CodigoTela() { return QStringLiteral("APR00120"); }
    QString stIdAtendimento() const { return m_kind; }

    void Vd_Cliente(bool mandatory);
    void Vd_Operador(bool mandatory);
    void btpClienteClick();
    void btpInterlocutorClick();
    void edtCdClienteExit();
    void edtCdOperadorExit();
    void sbtConfirmaClick();

    QLineEdit *edtCdCliente = nullptr;
    QToolButton *btpCliente = nullptr;
    QLineEdit *edtNmCliente = nullptr;
    QLineEdit *edtCdOperador = nullptr;
    QToolButton *btpInterlocutor = nullptr;
    QLineEdit *edtNmInterlocutor = nullptr;
    QPlainTextEdit *memObserva = nullptr;
    QToolButton *sbtConfirma = nullptr;
    QToolButton *sbtCancel = nullptr;
    QLabel *lblCodTela = nullptr;

    qor::RecordSet qryCliente{QStringLiteral("qryCliente")};
    qor::RecordSet qryOperador{QStringLiteral("qryOperador")};

private:
    void buildView();
    void FormCreate();
    void defineQueries();
    void openCliente(const QString &registration, bool all);
    void openOperador(const QString &code, bool all);
    [[noreturn]] void refuse(QLineEdit *edit, const char *key);

    server::RemoteServer &m_server;
    QString m_kind;
};

// The registration number as typed: a masked CPF or CNPJ gives its digits.
QString RegistrationDigits(const QString &typed);

// CriaDadosAdi: the dialog, modal through the dialog seam; true when the
// attendance was started.
bool CriaDadosAdi(server::RemoteServer &server, const QString &kind, QWidget *parent = nullptr);

}
