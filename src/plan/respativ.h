#pragma once
// "Resposta da Atividade" (APR00130): the operator's written answer of an
// activity and, where the process has them, the qualification of the work.
#include "host/recordset.h"
#include <QDialog>

class QLabel;
class QPushButton;
class QToolButton;
namespace server { class RemoteServer; }

namespace plan {

class RichTextEditor;

// What the dialog is opened for. Mode "1" is the plan's "Resposta" item: the
// answer is kept as it is, without the checks of a conclusion.
struct AnswerRequest {
    QString filial, tarefa, atividade, processo, qualificacao, modo;
};

class TfrmRespAtiv : public QDialog {
    Q_OBJECT
public:
    TfrmRespAtiv(server::RemoteServer &server, const AnswerRequest &request, QWidget *parent = nullptr);
    ~TfrmRespAtiv() override;

    static QString CodigoTela() { return QStringLiteral("APR00130"); }

    // The operator confirmed (and the answer was saved).
    bool boConfirma_Atividade() const { return m_confirmed; }
    // The qualification chosen, or the one given.
    QString stQuali() const { return m_request.qualificacao; }

    void btnQualificaClick();
    void sbtConfirmaClick();
    void sbtCancelClick();

    RichTextEditor *dbrResposta = nullptr;
    QPushButton *btnQualifica = nullptr;
    QLabel *lblQualificacao = nullptr;
    QToolButton *sbtConfirma = nullptr;
    QToolButton *sbtCancel = nullptr;
    QLabel *lblCodTela = nullptr;

    qor::RecordSet cdsResposta{QStringLiteral("cdsResposta")};
    qor::RecordSet cdsPesqQualifica{QStringLiteral("cdsPesqQualifica")};
    qor::RecordSet cdsPlanAtivTare{QStringLiteral("cdsPlanAtivTare")};

protected:
    void showEvent(QShowEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void buildView();
    void FormCreate();
    void defineRecordSets();
    void answerEdited();
    void updateConfirm();
    void cdsRespostaBeforePost();
    void cdsRespostaAfterPost();
    void Vd_QualifProc();
    void recordQualification();
    void saveAnswer();
    bool answerEmpty() const;
    void finish(bool confirmed);

    server::RemoteServer &m_server;
    AnswerRequest m_request;
    bool m_confirmed = false;
    bool m_firstActivation = true;
    bool m_qualificationPicked = false;
    bool m_closing = false;
};

// CriaResposta: a fresh dialog, shown modally through the dialog seam.
// Returns whether the operator confirmed (boConfirma_Atividade).
bool CriaResposta(server::RemoteServer &server, const AnswerRequest &request, QWidget *parent = nullptr);

// The answer counts as empty when nothing but line breaks was typed.
bool AnswerIsEmpty(const QString &plainText);

}
