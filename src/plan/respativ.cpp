#include "plan/respativ.h"
#include "host/dialogs.h"
#include "host/messages.h"
#include "host/services.h"
#include "plan/plantooltips.h"
#include "plan/richtexteditor.h"
#include "server/remote.h"
#include <QCloseEvent>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QKeySequence>
#include <QLabel>
#include <QPushButton>
#include <QTextEdit>
#include <QToolButton>
#include <QVBoxLayout>

namespace plan {

namespace {

QString msg(const char *key) { return AnswerTexts().Msg(QString::fromUtf8(key)); }

qor::FieldDef text(const char *name, int size, const QString &label = {}, bool visible = true)
{
    qor::FieldDef def{QString::fromLatin1(name), qor::FieldType::String, size, label};
    def.visible = visible;
    return def;
}

}

bool AnswerIsEmpty(const QString &plainText)
{
    QString rest = plainText;
    for (QChar lineBreak : {QChar('\r'), QChar('\n'), QChar(QChar::LineSeparator), QChar(QChar::ParagraphSeparator)})
        rest.remove(lineBreak);
    return rest.isEmpty();
}

TfrmRespAtiv::TfrmRespAtiv(server::RemoteServer &server, const AnswerRequest &request, QWidget *parent)
    : QDialog(parent), m_server(server), m_request(request)
{
    setObjectName(QStringLiteral("frmRespAtiv"));
    setProperty("screenCode", CodigoTela());
    setWindowTitle(msg("TITULO_RESPOSTA"));
    // No close box: the operator leaves through confirm or cancel.
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
    defineRecordSets();
    buildView();
    qor::Trad(this);
    FormCreate();
}

TfrmRespAtiv::~TfrmRespAtiv() = default;

void TfrmRespAtiv::defineRecordSets()
{
    cdsResposta.defineFields({text("CDFILIAL", 4), text("NRTAREFA", 10), text("NRPLATIVTARE", 5),
                              {QStringLiteral("TXREATIVTARE"), qor::FieldType::Memo, 0, {}}});
    cdsPesqQualifica.defineFields({text("CDPROCESSO", 10, AnswerTexts().Msg("COL_PROCESSO"), false),
                                   text("CDQUALIFPROC", 2, AnswerTexts().Msg("COL_CODIGO")),
                                   text("NMQUALIFPROC", 100, AnswerTexts().Msg("COL_NOME"))});
    cdsPlanAtivTare.defineFields({text("CDQUALIFPROC", 2), text("CDFILIAL", 4), text("NRTAREFA", 10),
                                  text("NRPLATIVTARE", 5), text("CDPROCESSO", 10)});
    cdsResposta.beforePost = [this](qor::RecordSet &) { cdsRespostaBeforePost(); };
}

void TfrmRespAtiv::buildView()
{
    auto *layout = new QVBoxLayout(this);
    auto *group = new QGroupBox(msg("GRUPO_RESPOSTA"), this);
    auto *inside = new QVBoxLayout(group);
    dbrResposta = new RichTextEditor(group);
    inside->addWidget(dbrResposta);
    layout->addWidget(group, 1);

    auto *bottom = new QHBoxLayout;
    btnQualifica = new QPushButton(msg("BOTAO_QUALIFICA"), this);
    btnQualifica->setObjectName(QStringLiteral("btnQualifica"));
    btnQualifica->setAutoDefault(false);
    lblQualificacao = new QLabel(this);
    lblQualificacao->setObjectName(QStringLiteral("lblQualificacao"));
    bottom->addWidget(btnQualifica);
    bottom->addWidget(lblQualificacao, 1);
    auto botao = [this, bottom](const char *name, const char *key, const char *icon) {
        auto *b = new QToolButton(this);
        b->setObjectName(QString::fromLatin1(name));
        b->setText(qor::TMessages::host().Msg(QString::fromLatin1(key)));
        b->setIcon(QIcon::fromTheme(QString::fromLatin1(icon)));
        b->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
        bottom->addWidget(b);
        return b;
    };
    sbtConfirma = botao("sbtConfirma", "BOTAO_CONFIRMAR", "dialog-ok");
    sbtCancel = botao("sbtCancel", "CANCELAR", "dialog-cancel");
    layout->addLayout(bottom);
    lblCodTela = new QLabel(CodigoTela(), this);
    lblCodTela->setObjectName(QStringLiteral("lblCodTela"));
    lblCodTela->hide();
    resize(640, 420);

    connect(dbrResposta, &RichTextEditor::edited, this, [this] { qor::guarded([this] { answerEdited(); }); });
    connect(btnQualifica, &QPushButton::clicked, this, [this] { qor::guarded([this] { btnQualificaClick(); }); });
    connect(sbtConfirma, &QToolButton::clicked, this, [this] { qor::guarded([this] { sbtConfirmaClick(); }); });
    connect(sbtCancel, &QToolButton::clicked, this, [this] { qor::guarded([this] { sbtCancelClick(); }); });
    dbrResposta->edit()->installEventFilter(this);
}

// Ctrl+Enter confirms while the confirm button is on, from the answer too
// (where it would otherwise break the line).
bool TfrmRespAtiv::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::KeyPress) {
        auto *key = static_cast<QKeyEvent *>(event);
        if ((key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter)
            && key->modifiers().testFlag(Qt::ControlModifier)) {
            if (sbtConfirma->isEnabled())
                qor::guarded([this] { sbtConfirmaClick(); });
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

void TfrmRespAtiv::FormCreate()
{
    qor::ActiveShowAvi(qor::HostMainWindow(), 0);
    try {
        m_server.load(cdsResposta, QStringLiteral("GetResposta"),
                      {m_request.filial, m_request.tarefa, m_request.atividade});
        m_server.load(cdsPesqQualifica, QStringLiteral("GetPesqQualifica"), {m_request.processo, QString(), "T"});
    } catch (...) {
        qor::DeactiveShowAvi();
        throw;
    }
    qor::DeactiveShowAvi();
    if (!cdsResposta.isEmpty())
        dbrResposta->setStoredText(cdsResposta.textOf(QStringLiteral("TXREATIVTARE")));
    if (cdsPesqQualifica.isEmpty())
        btnQualifica->setEnabled(false);
    else
        sbtConfirma->setEnabled(true);
    if (!m_request.qualificacao.isEmpty()
        && cdsPesqQualifica.locate(QStringLiteral("CDQUALIFPROC"), {m_request.qualificacao}))
        lblQualificacao->setText(msg("QUALIF_ESCOLHIDA").arg(m_request.qualificacao,
                                                             cdsPesqQualifica.textOf(QStringLiteral("NMQUALIFPROC"))));
}

void TfrmRespAtiv::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    if (m_firstActivation) {
        m_firstActivation = false;
        sbtConfirma->setEnabled(false);
        dbrResposta->edit()->setFocus();
    }
}

// Typing puts the answer in edit, which is what lets the operator confirm.
void TfrmRespAtiv::answerEdited()
{
    if (cdsResposta.state() == qor::RecordSet::State::Browse)
        cdsResposta.edit();
    updateConfirm();
}

void TfrmRespAtiv::updateConfirm()
{
    const auto state = cdsResposta.state();
    sbtConfirma->setEnabled(state == qor::RecordSet::State::Edit || state == qor::RecordSet::State::Insert
                            || m_qualificationPicked);
}

void TfrmRespAtiv::btnQualificaClick()
{
    const QString title = msg("Qualificação") + QLatin1Char('|') + AnswerTexts().Msg(QStringLiteral("Quali_nc"));
    if (!qor::Pesquisar(cdsPesqQualifica, title, false, true))
        return;
    if (!cdsPlanAtivTare.active())
        cdsPlanAtivTare.open();
    cdsPlanAtivTare.emptyDataSet();
    cdsPlanAtivTare.edit();
    m_request.qualificacao = cdsPesqQualifica.textOf(QStringLiteral("CDQUALIFPROC"));
    cdsPlanAtivTare[QStringLiteral("CDQUALIFPROC")].setValue(m_request.qualificacao);
    cdsPlanAtivTare[QStringLiteral("CDFILIAL")].setValue(m_request.filial);
    cdsPlanAtivTare[QStringLiteral("NRTAREFA")].setValue(m_request.tarefa);
    cdsPlanAtivTare[QStringLiteral("NRPLATIVTARE")].setValue(m_request.atividade);
    cdsPlanAtivTare[QStringLiteral("CDPROCESSO")].setValue(m_request.processo);
    m_qualificationPicked = true;
    sbtConfirma->setEnabled(true);
    cdsPlanAtivTare.post();
    lblQualificacao->setText(msg("QUALIF_ESCOLHIDA").arg(m_request.qualificacao,
                                                         cdsPesqQualifica.textOf(QStringLiteral("NMQUALIFPROC"))));
}

bool TfrmRespAtiv::answerEmpty() const { return AnswerIsEmpty(dbrResposta->plainText()); }

// The checks of a conclusion or a justification; the "Resposta" item keeps
// the answer as it is.
void TfrmRespAtiv::cdsRespostaBeforePost()
{
    if (!m_confirmed)
        return;
    if (m_request.modo == QLatin1String("1")) {
        // A qualification the operator picked is kept, not silently dropped.
        if (m_qualificationPicked)
            recordQualification();
        return;
    }
    if (answerEmpty()) {
        dbrResposta->edit()->setFocus();
        qor::MensErro(msg("RESP_INF"), true);
    }
    Vd_QualifProc();
    cdsResposta[QStringLiteral("CDFILIAL")].setValue(qor::FiliProc());
    cdsResposta[QStringLiteral("NRTAREFA")].setValue(m_request.tarefa);
    cdsResposta[QStringLiteral("NRPLATIVTARE")].setValue(m_request.atividade);
}

void TfrmRespAtiv::Vd_QualifProc()
{
    m_server.load(cdsPesqQualifica, QStringLiteral("GetPesqQualifica"), {m_request.processo, QString(), "T"});
    if (cdsPesqQualifica.isEmpty())
        return;
    if (m_request.qualificacao.isEmpty())
        qor::MensErro(AnswerTexts().Msg(QStringLiteral("Qualif_Inf")), true);
    recordQualification();
}

void TfrmRespAtiv::recordQualification()
{
    m_server.call(QStringLiteral("SetUpdateQualif"), {m_request.qualificacao, m_request.filial, m_request.tarefa,
                                                      m_request.atividade, m_request.processo});
}

// The answer is the operator's writing: when the server does not take it,
// the dialog stays open with the text as typed and says it was not saved.
void TfrmRespAtiv::saveAnswer()
{
    if (cdsResposta.changeCount() == 0)
        return;
    qor::ActiveShowAvi(qor::HostMainWindow(), 0);
    qor::RemoteResult result;
    try {
        server::RemoteServer::Use use(m_server);
        result = m_server.callRaw(QStringLiteral("SetResposta"), {m_request.filial, m_request.tarefa,
                                                                   m_request.atividade, dbrResposta->storedText()});
    } catch (const std::exception &e) {
        result = qor::RemoteResult::error(QString::fromUtf8(e.what()));
    }
    qor::DeactiveShowAvi();
    if (!result.isError) {
        cdsResposta.mergeChangeLog();
        return;
    }
    cdsResposta.cancelUpdates();
    cdsResposta.edit();
    m_confirmed = false;
    updateConfirm();
    qor::ShowDetailError(msg("RESP_NAO_GRAVADA") + QLatin1Char('\n') + result.errorMessage, result.errorDetail);
    throw qor::EAbort(msg("RESP_NAO_GRAVADA"));
}

void TfrmRespAtiv::sbtConfirmaClick()
{
    if (!qor::AskYesNo(qor::TMessages::host().Msg(QStringLiteral("CONFIRMAR"))))
        return;
    m_confirmed = true;
    if (cdsResposta.state() == qor::RecordSet::State::Browse)
        cdsResposta.edit();
    cdsResposta[QStringLiteral("TXREATIVTARE")].setValue(dbrResposta->storedText());
    cdsResposta.post();
    saveAnswer();
    finish(true);
}

void TfrmRespAtiv::sbtCancelClick()
{
    if (!qor::AskYesNo(qor::TMessages::host().Msg(QStringLiteral("CANCELAR_OPERACAO"))))
        return;
    m_confirmed = false;
    finish(false);
}

void TfrmRespAtiv::finish(bool confirmed)
{
    if (confirmed && answerEmpty())
        qor::MensErro(msg("RESP_INF"), true);
    m_closing = true;
    m_firstActivation = true;
    QDialog::done(confirmed ? QDialog::Accepted : QDialog::Rejected);
}

// Alt+F4 and the like are swallowed; Escape asks like the cancel button.
void TfrmRespAtiv::closeEvent(QCloseEvent *event)
{
    if (m_closing)
        QDialog::closeEvent(event);
    else
        event->ignore();
}

void TfrmRespAtiv::keyPressEvent(QKeyEvent *event)
{
    if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter)
        && event->modifiers().testFlag(Qt::ControlModifier)) {
        if (sbtConfirma->isEnabled())
            qor::guarded([this] { sbtConfirmaClick(); });
        return;
    }
    if (event->key() == Qt::Key_Escape) {
        qor::guarded([this] { sbtCancelClick(); });
        return;
    }
    QDialog::keyPressEvent(event);
}

bool CriaResposta(server::RemoteServer &server, const AnswerRequest &request, QWidget *parent)
{
    std::unique_ptr<TfrmRespAtiv> dialog;
    {
        qor::BusyCursor busy;
        dialog = std::make_unique<TfrmRespAtiv>(server, request, parent ? parent : qor::HostMainWindow());
    }
    const int result = qor::Dialogs().execModal(*dialog);
    return result == QDialog::Accepted && dialog->boConfirma_Atividade();
}

}
