#include "plan/uppercasevalidator.h"
#include "plan/filtroativi.h"
#include "host/services.h"
#include "server/remote.h"
#include <QDateEdit>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QVBoxLayout>

static void initPlanMessages()
{
    Q_INIT_RESOURCE(plan);
}

namespace plan {

const qor::TMessages &MensagensDoPlano()
{
    static const qor::TMessages messages = [] {
        initPlanMessages();
        return qor::TMessages(QStringLiteral(":/plan/plan.msg"));
    }();
    return messages;
}

namespace {

// The date edit's lowest date stands for "no date" and shows blank.
const QDate kNoDate(1900, 1, 1);


void adjustWidth10(QLineEdit *edit)
{
    if (!qor::EmptyString(edit->text()))
        edit->setText(qor::Ajusta(edit->text(), 10));
}

}

TfrmFiltroAtivi::TfrmFiltroAtivi(const PlanContext &ctx)
    : QDialog(nullptr), m_ctx(ctx)
{
    setObjectName(QStringLiteral("frmFiltroAtivi"));
    setWindowTitle(QStringLiteral("Filtro Atividade"));
    setModal(false);

    auto *layout = new QVBoxLayout(this);
    lblCodTela = new QLabel(QStringLiteral("APR00110"), this);
    lblCodTela->setObjectName(QStringLiteral("lblCodTela"));
    lblCodTela->hide();
    auto *form = new QFormLayout;
    layout->addLayout(form);

    edtProjeto = addEdit(form, "edtProjeto", QStringLiteral("Projeto"));
    edtProjeto->setMaxLength(10);
    edtSolici = addEdit(form, "edtSolici", QStringLiteral("Solicitação"));
    edtSolici->setMaxLength(10);
    edtSolici->setValidator(new QRegularExpressionValidator(QRegularExpression(QStringLiteral("\\d{0,10}")), edtSolici));
    edtItTrab = addEdit(form, "edtItTrab", QStringLiteral("Item de Trabalho"));
    edtItTrab->setValidator(new plan::UpperCaseValidator(edtItTrab));
    edtProcAtiv = addEdit(form, "edtProcAtiv", QStringLiteral("Processo da Atividade"));
    edtCliente = addEdit(form, "edtCliente", QStringLiteral("Cliente"));

    depPlanejado = new QDateEdit(this);
    depPlanejado->setObjectName(QStringLiteral("depPlanejado"));
    depPlanejado->setDisplayFormat(QStringLiteral("dd/MM/yyyy"));
    depPlanejado->setCalendarPopup(true);
    depPlanejado->setMinimumDate(kNoDate);
    depPlanejado->setSpecialValueText(QStringLiteral(" "));
    depPlanejado->setDate(kNoDate);
    form->addRow(QStringLiteral("Início Planejado"), depPlanejado);

    sbtConfirma = new QPushButton(QStringLiteral("Confirmar"), this);
    sbtConfirma->setObjectName(QStringLiteral("sbtConfirma"));
    sbtConfirma->setAutoDefault(false);
    layout->addWidget(sbtConfirma, 0, Qt::AlignRight);

    connect(edtSolici, &QLineEdit::editingFinished, this, &TfrmFiltroAtivi::edtSoliciExit);
    connect(edtProjeto, &QLineEdit::editingFinished, this, &TfrmFiltroAtivi::edtProjetoExit);
    connect(sbtConfirma, &QPushButton::clicked, this, [this] { qor::guarded([this] { sbtConfirmaClick(); }); });
}

QLineEdit *TfrmFiltroAtivi::addEdit(QFormLayout *form, const char *name, const QString &label)
{
    auto *edit = new QLineEdit(this);
    edit->setObjectName(QString::fromLatin1(name));
    form->addRow(label, edit);
    return edit;
}

FilterValues TfrmFiltroAtivi::values() const
{
    return {edtProjeto->text(), edtSolici->text(), edtItTrab->text(), edtProcAtiv->text(), edtCliente->text()};
}

QDate TfrmFiltroAtivi::planejado() const
{
    const QDate d = depPlanejado->date();
    return d == kNoDate ? QDate() : d;
}

QJsonValue TfrmFiltroAtivi::dateArgument() const
{
    const QDate d = planejado();
    return d.isValid() ? server::Date(QDateTime(d, QTime(0, 0))) : QJsonValue(0);
}

void TfrmFiltroAtivi::edtSoliciExit() { adjustWidth10(edtSolici); }
void TfrmFiltroAtivi::edtProjetoExit() { adjustWidth10(edtProjeto); }

void TfrmFiltroAtivi::sbtConfirmaClick()
{
    edtSoliciExit();
    edtProjetoExit();
    if (!m_ctx)
        qor::MensErro(MensagensDoPlano().Msg(QStringLiteral("FILTRO_SEM_JANELA")), true);
    LoadPlan(*m_ctx, dateArgument(), values());
    hide();
}

TfrmFiltroAtivi &FilterDialogHolder::create(const PlanContext &ctx)
{
    if (!m_dialog)
        m_dialog = std::make_unique<TfrmFiltroAtivi>(ctx);
    else
        m_dialog->bind(ctx);
    return *m_dialog;
}

void FilterDialogHolder::detach()
{
    if (!m_dialog)
        return;
    m_dialog->hide();
    m_dialog->unbind();
}

TfrmFiltroAtivi &CriaFiltroAtividade(FilterDialogHolder &holder, const PlanContext &ctx)
{
    TfrmFiltroAtivi &dialog = holder.create(ctx);
    dialog.show();
    dialog.raise();
    dialog.activateWindow();
    return dialog;
}

}
