#include "plan/dadosadi.h"
#include "host/dialogs.h"
#include "host/messages.h"
#include "host/services.h"
#include "plan/plantooltips.h"
#include "server/remote.h"
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QJsonObject>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QToolButton>
#include <QVBoxLayout>

namespace plan {

namespace {

QString msg(const char *key) { return AnswerTexts().Msg(QString::fromLatin1(key)); }

qor::FieldDef text(const char *name, int size, const char *labelKey = nullptr, bool visible = true)
{
    qor::FieldDef def{QString::fromLatin1(name), qor::FieldType::String, size,
                      labelKey ? msg(labelKey) : QString()};
    def.visible = visible;
    return def;
}

}

QString RegistrationDigits(const QString &typed)
{
    const QString trimmed = typed.trimmed();
    QString digits;
    for (QChar c : trimmed) {
        if (c.isDigit())
            digits += c;
        else if (!QStringLiteral(".-/ ").contains(c))
            return trimmed;
    }
    return digits;
}

TfrmDadosAdi::TfrmDadosAdi(server::RemoteServer &server, const QString &kind, QWidget *parent)
    : QDialog(parent), m_server(server), m_kind(kind)
{
    setObjectName(QStringLiteral("frmDadosAdi"));
    setProperty("screenCode", CodigoTela());
    setWindowTitle(msg("TITULO_DADOS_ADI"));
    defineQueries();
    buildView();
    qor::Trad(this);
    FormCreate();
}

TfrmDadosAdi::~TfrmDadosAdi() = default;

void TfrmDadosAdi::defineQueries()
{
    qryCliente.defineFields({text("CDCLIENTE", 21, nullptr, false), text("NRINSJURCLIE", 20, "COL_INSCRICAO"),
                             text("NMFANTCLIE", 50, "COL_NOME"), text("IDTPIJURCLIE", 1, nullptr, false)});
    qor::RecordSet *clients = &qryCliente;
    qryCliente.fieldByName(QStringLiteral("NRINSJURCLIE")).onGetText = [clients](const qor::Field &f) {
        return qor::PictPess(f.asString(), clients->textOf(QStringLiteral("IDTPIJURCLIE")));
    };
    qryOperador.defineFields({text("CDOPERADOR", 12, "COL_CODIGO"), text("NMOPERADOR", 40, "COL_NOME")});
}

void TfrmDadosAdi::buildView()
{
    auto *layout = new QVBoxLayout(this);
    auto *form = new QFormLayout;
    auto row = [this, form](const char *labelKey, const char *code, const char *button, const char *name,
                            QLineEdit *&codeEdit, QToolButton *&lookUp, QLineEdit *&nameEdit) {
        auto *line = new QHBoxLayout;
        codeEdit = new QLineEdit(this);
        codeEdit->setObjectName(QString::fromLatin1(code));
        lookUp = new QToolButton(this);
        lookUp->setObjectName(QString::fromLatin1(button));
        lookUp->setText(QStringLiteral("..."));
        lookUp->setToolTip(qor::TMessages::host().Msg(QStringLiteral("PESQUISAR")));
        nameEdit = new QLineEdit(this);
        nameEdit->setObjectName(QString::fromLatin1(name));
        nameEdit->setReadOnly(true);
        nameEdit->setFocusPolicy(Qt::NoFocus);
        line->addWidget(codeEdit);
        line->addWidget(lookUp);
        line->addWidget(nameEdit, 1);
        form->addRow(msg(labelKey), line);
    };
    row("CLIENTE", "edtCdCliente", "btpCliente", "edtNmCliente", edtCdCliente, btpCliente, edtNmCliente);
    row("INTERLOCUTOR", "edtCdOperador", "btpInterlocutor", "edtNmInterlocutor", edtCdOperador, btpInterlocutor,
        edtNmInterlocutor);
    edtCdOperador->setMaxLength(12);
    layout->addLayout(form);
    auto *group = new QGroupBox(msg("OBSERVACAO"), this);
    auto *inside = new QVBoxLayout(group);
    memObserva = new QPlainTextEdit(group);
    memObserva->setObjectName(QStringLiteral("memObserva"));
    memObserva->setTabChangesFocus(true);
    inside->addWidget(memObserva);
    layout->addWidget(group, 1);

    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    auto botao = [this, buttons](const char *name, const char *key, const char *icon) {
        auto *b = new QToolButton(this);
        b->setObjectName(QString::fromLatin1(name));
        b->setText(qor::TMessages::host().Msg(QString::fromLatin1(key)));
        b->setIcon(QIcon::fromTheme(QString::fromLatin1(icon)));
        b->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
        buttons->addWidget(b);
        return b;
    };
    sbtConfirma = botao("sbtConfirma", "BOTAO_CONFIRMAR", "dialog-ok");
    sbtCancel = botao("sbtCancel", "CANCELAR", "dialog-cancel");
    layout->addLayout(buttons);
    lblCodTela = new QLabel(CodigoTela(), this);
    lblCodTela->setObjectName(QStringLiteral("lblCodTela"));
    lblCodTela->hide();
    resize(560, 320);

    const auto guardedCall = [this](void (TfrmDadosAdi::*handler)()) {
        return [this, handler] { qor::guarded([this, handler] { (this->*handler)(); }); };
    };
    connect(btpCliente, &QToolButton::clicked, this, guardedCall(&TfrmDadosAdi::btpClienteClick));
    connect(btpInterlocutor, &QToolButton::clicked, this, guardedCall(&TfrmDadosAdi::btpInterlocutorClick));
    connect(edtCdCliente, &QLineEdit::editingFinished, this, guardedCall(&TfrmDadosAdi::edtCdClienteExit));
    connect(edtCdOperador, &QLineEdit::editingFinished, this, guardedCall(&TfrmDadosAdi::edtCdOperadorExit));
    connect(sbtConfirma, &QToolButton::clicked, this, guardedCall(&TfrmDadosAdi::sbtConfirmaClick));
    connect(sbtCancel, &QToolButton::clicked, this, &QDialog::reject);
}

// The client is mandatory for an external attendance: its edit says so.
void TfrmDadosAdi::FormCreate()
{
    QPalette palette = edtCdCliente->palette();
    palette.setColor(QPalette::Base, m_kind == QLatin1String("I") ? palette.color(QPalette::Base)
                                                                  : palette.color(QPalette::ToolTipBase));
    edtCdCliente->setPalette(palette);
}

void TfrmDadosAdi::openCliente(const QString &registration, bool all)
{
    m_server.load(qryCliente, QStringLiteral("GetPesquisa"),
                  {QStringLiteral("cliente"), QJsonObject{{"P_NRINSJURCLIE", registration},
                                                          {"P_TNRINSJURCLIE", all ? "T" : ""}}});
}

void TfrmDadosAdi::openOperador(const QString &code, bool all)
{
    m_server.load(qryOperador, QStringLiteral("GetPesquisa"),
                  {QStringLiteral("operador"), QJsonObject{{"P_CDOPERADOR", code}, {"P_TCDOPERADOR", all ? "T" : ""}}});
}

void TfrmDadosAdi::refuse(QLineEdit *edit, const char *key)
{
    edit->setFocus();
    qor::MensErro(msg(key), true);
}

void TfrmDadosAdi::Vd_Cliente(bool mandatory)
{
    const QString code = RegistrationDigits(edtCdCliente->text());
    if (code.isEmpty()) {
        edtNmCliente->clear();
        if (mandatory && m_kind != QLatin1String("I"))
            refuse(edtCdCliente, "CLI_INF");
        return;
    }
    openCliente(code, false);
    if (qryCliente.isEmpty()) {
        edtNmCliente->clear();
        refuse(edtCdCliente, "CLI_N_CAD");
    }
    edtNmCliente->setText(qryCliente.textOf(QStringLiteral("NMFANTCLIE")));
}

void TfrmDadosAdi::Vd_Operador(bool mandatory)
{
    if (qor::EmptyString(edtCdOperador->text())) {
        edtNmInterlocutor->clear();
        if (mandatory)
            refuse(edtCdOperador, "OPE_INF");
        return;
    }
    edtCdOperador->setText(qor::Ajusta(edtCdOperador->text(), 12));
    openOperador(edtCdOperador->text(), false);
    if (qryOperador.isEmpty()) {
        edtNmInterlocutor->clear();
        refuse(edtCdOperador, "OPE_N_CAD");
    }
    edtNmInterlocutor->setText(qryOperador.textOf(QStringLiteral("NMOPERADOR")));
}

void TfrmDadosAdi::btpClienteClick()
{
    openCliente(QString(), true);
    if (qryCliente.isEmpty()) {
        qor::ShowWarning(msg("PESQ_CLIENTE_VAZIA"));
        return;
    }
    if (!qor::Pesquisar(qryCliente, msg("PESQ_CLIENTE"), false, true))
        return;
    edtCdCliente->setText(qryCliente.textOf(QStringLiteral("NRINSJURCLIE")));
    edtNmCliente->setText(qryCliente.textOf(QStringLiteral("NMFANTCLIE")));
}

void TfrmDadosAdi::btpInterlocutorClick()
{
    openOperador(QString(), true);
    if (qryOperador.isEmpty()) {
        qor::ShowWarning(msg("PESQ_OPERADOR_VAZIA"));
        return;
    }
    if (!qor::Pesquisar(qryOperador, msg("PESQ_OPERADOR"), false, true))
        return;
    edtCdOperador->setText(qryOperador.textOf(QStringLiteral("CDOPERADOR")));
    edtNmInterlocutor->setText(qryOperador.textOf(QStringLiteral("NMOPERADOR")));
}

void TfrmDadosAdi::edtCdClienteExit() { Vd_Cliente(false); }
void TfrmDadosAdi::edtCdOperadorExit() { Vd_Operador(false); }

// The client sent is the one the code names now: an emptied code sends none,
// whatever row a look-up left current.
void TfrmDadosAdi::sbtConfirmaClick()
{
    const QString kind = m_kind == QLatin1String("I") ? QStringLiteral("1") : QStringLiteral("2");
    Vd_Cliente(true);
    Vd_Operador(true);
    const QString client = RegistrationDigits(edtCdCliente->text()).isEmpty()
                               ? QString()
                               : qryCliente.textOf(QStringLiteral("CDCLIENTE"));
    server::RemoteServer::Use use(m_server);
    m_server.call(QStringLiteral("SetTarefa"), {qor::FiliProc(), qor::Operador(), kind});
    m_server.call(QStringLiteral("SetAproAtiv"), {qor::FiliProc(), qor::Operador(), edtCdOperador->text(), client,
                                                  memObserva->toPlainText()});
    accept();
}

bool CriaDadosAdi(server::RemoteServer &server, const QString &kind, QWidget *parent)
{
    std::unique_ptr<TfrmDadosAdi> dialog;
    {
        qor::BusyCursor busy;
        dialog = std::make_unique<TfrmDadosAdi>(server, kind, parent ? parent : qor::HostMainWindow());
    }
    return qor::Dialogs().execModal(*dialog) == QDialog::Accepted;
}

}
