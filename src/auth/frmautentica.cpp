#include "auth/frmautentica.h"
#include "host/dialogs.h"
#include "host/services.h"
#include "vcs/account.h"
#include <QApplication>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMdiArea>
#include <QToolButton>
#include <QVBoxLayout>

static void initAuthTexts() { Q_INIT_RESOURCE(auth); }

namespace auth {

namespace {

const qor::TMessages &textos()
{
    static const qor::TMessages texts = [] {
        initAuthTexts();
        return qor::TMessages(QStringLiteral(":/auth/auth.msg"));
    }();
    return texts;
}

QString msg(const char *key) { return textos().Msg(QString::fromLatin1(key)); }

// The host's document area when there is one, else its whole window.
QRect areaDoCliente()
{
    QWidget *host = qor::HostMainWindow();
    if (!host) return {};
    QWidget *area = host->findChild<QMdiArea *>();
    if (!area) area = host;
    return QRect(area->mapToGlobal(QPoint(0, 0)), area->size());
}

}

QPoint PosicaoCentrada(const QRect &clientAreaOnScreen, const QSize &dialog)
{
    const int left = clientAreaOnScreen.left() + (clientAreaOnScreen.width() - dialog.width()) / 2;
    const int top = clientAreaOnScreen.top() + (clientAreaOnScreen.height() - dialog.height()) / 2;
    return {qMax(0, left), qMax(0, top)};
}

TfrmAutentica::TfrmAutentica(AccountReceiver receiver, QWidget *parent)
    : QDialog(parent), m_receiver(std::move(receiver))
{
    setObjectName(QStringLiteral("frmAutentica"));
    setProperty("screenCode", CodigoTela());
    setWindowTitle(msg("TITULO"));
    buildView();
    qor::Trad(this);
    edtUser->setText(vcs::OperatingSystemUser().left(255));
    edtDominio->setText(qor::DomainShortName());
    qor::SetUnloadBPL(QStringLiteral("TfrmAutentica"), this);
}

TfrmAutentica::~TfrmAutentica() = default;

const qor::TMessages &TfrmAutentica::msgPadrao() const { return textos(); }

void TfrmAutentica::buildView()
{
    auto *layout = new QVBoxLayout(this);
    auto *form = new QFormLayout;
    auto campo = [this, form](const char *name, const char *label) {
        auto *edit = new QLineEdit(this);
        edit->setObjectName(QString::fromLatin1(name));
        edit->installEventFilter(this);
        form->addRow(msg(label), edit);
        return edit;
    };
    edtDominio = campo("edtDominio", "DOMINIO");
    edtUser = campo("edtUser", "USUARIO");
    edtSenha = campo("edtSenha", "SENHA");
    edtSenha->setEchoMode(QLineEdit::Password);
    layout->addLayout(form);
    auto *botoes = new QHBoxLayout;
    auto botao = [this, botoes](const char *name, const char *hint, const char *icon) {
        auto *b = new QToolButton(this);
        b->setObjectName(QString::fromLatin1(name));
        b->setToolTip(msg(hint));
        b->setText(msg(hint));
        b->setIcon(QIcon::fromTheme(QString::fromLatin1(icon)));
        b->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
        b->installEventFilter(this);
        botoes->addWidget(b);
        return b;
    };
    botoes->addStretch();
    sbtConfirma = botao("sbtConfirma", "BOTAO_CONFIRMAR", "dialog-ok");
    sbtCancel = botao("sbtCancel", "FECHAR", "window-close");
    sbtHelp = botao("sbtHelp", "AJUDA", "help-contents");
    sbtHelp->setEnabled(false);
    layout->addLayout(botoes);
    lblCodTela = new QLabel(CodigoTela(), this);
    lblCodTela->setObjectName(QStringLiteral("lblCodTela"));
    lblCodTela->hide();
    connect(sbtConfirma, &QToolButton::clicked, this, [this] { qor::guarded([this] { sbtConfirmaClick(); }); });
    connect(sbtCancel, &QToolButton::clicked, this, [this] { qor::guarded([this] { sbtCancelClick(); }); });
}

// The dialog sees the keys first: Enter in any field confirms.
bool TfrmAutentica::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent *>(event)->key();
        if ((key == Qt::Key_Return || key == Qt::Key_Enter) && sbtConfirma->isEnabled()) {
            sbtConfirma->click();
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

void TfrmAutentica::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    posiciona();
    edtSenha->setFocus();
}

void TfrmAutentica::posiciona()
{
    const QRect area = areaDoCliente();
    if (area.isValid()) move(PosicaoCentrada(area, frameGeometry().size()));
}

void TfrmAutentica::recusa(QLineEdit *field, const char *key)
{
    field->setFocus();
    qor::MensErro(msg(key), true);
}

void TfrmAutentica::sbtConfirmaClick()
{
    if (edtDominio->text().trimmed().isEmpty()) recusa(edtDominio, "Dominio_Inf");
    if (edtUser->text().trimmed().isEmpty()) recusa(edtUser, "User_Inf");
    if (edtSenha->text().isEmpty()) recusa(edtSenha, "Senha_Inf");
    if (!qor::SSPLogonUser(edtDominio->text(), edtUser->text(), edtSenha->text())) {
        edtSenha->clear();
        recusa(edtSenha, "dados_incorreto");
    }
    if (m_receiver) m_receiver(edtUser->text(), edtSenha->text());
    edtSenha->clear();
    accept();
}

void TfrmAutentica::sbtCancelClick()
{
    if (!qor::AskYesNo(msg("Sair"))) return;
    QDialog::reject();
    qor::UnLoadBPL(QStringLiteral("APR00100"));
}

void TfrmAutentica::reject()
{
    qor::guarded([this] { sbtCancelClick(); });
}

void CriaAutenticacao(TfrmAutentica::AccountReceiver receiver)
{
    std::unique_ptr<TfrmAutentica> dialog;
    {
        qor::BusyCursor busy;
        dialog = std::make_unique<TfrmAutentica>(std::move(receiver), qor::HostMainWindow());
    }
    qor::Dialogs().execModal(*dialog);
}

}
