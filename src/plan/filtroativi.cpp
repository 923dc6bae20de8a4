#include "plan/uppercasevalidator.h"
#include "plan/filtroativi.h"
#include "plan/plantooltips.h"
#include "host/dateeditplus.h"
#include "host/services.h"
#include "server/remote.h"
#include <QHBoxLayout>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QVBoxLayout>

namespace plan {

namespace {


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
    auto *form = m_form = new QFormLayout;
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

    depPlanejado = new qor::TDateEditPlus(this);
    depPlanejado->setObjectName(QStringLiteral("depPlanejado"));
    form->addRow(QStringLiteral("Início Planejado"), depPlanejado);

    // Enter confirms from any field; Escape closes (hides) the dialog.
    sbtConfirma = new QPushButton(QStringLiteral("Confirmar"), this);
    sbtConfirma->setObjectName(QStringLiteral("sbtConfirma"));
    sbtConfirma->setDefault(true);
    sbtLimpar = new QPushButton(PlanTexts().Msg(QStringLiteral("FILTRO_LIMPAR")), this);
    sbtLimpar->setObjectName(QStringLiteral("sbtLimpar"));
    sbtLimpar->setAutoDefault(false);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(sbtLimpar);
    buttons->addWidget(sbtConfirma);
    layout->addLayout(buttons);

    connect(edtSolici, &QLineEdit::editingFinished, this, &TfrmFiltroAtivi::edtSoliciExit);
    connect(edtProjeto, &QLineEdit::editingFinished, this, &TfrmFiltroAtivi::edtProjetoExit);
    connect(sbtConfirma, &QPushButton::clicked, this, [this] { qor::guarded([this] { sbtConfirmaClick(); }); });
    connect(sbtLimpar, &QPushButton::clicked, this, [this] { qor::guarded([this] { sbtLimparClick(); }); });
}

void TfrmFiltroAtivi::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    edtProjeto->setFocus(Qt::ActiveWindowFocusReason);
    edtProjeto->selectAll();
}

QLineEdit *TfrmFiltroAtivi::addEdit(QFormLayout *form, const char *name, const QString &label)
{
    auto *edit = new QLineEdit(this);
    edit->setObjectName(QString::fromLatin1(name));
    form->addRow(label, edit);
    m_edits.append(edit);
    return edit;
}

FilterValues TfrmFiltroAtivi::values() const
{
    return {edtProjeto->text(), edtSolici->text(), edtItTrab->text(), edtProcAtiv->text(), edtCliente->text()};
}

QDate TfrmFiltroAtivi::planejado() const
{
    return depPlanejado->date();
}

QJsonValue TfrmFiltroAtivi::dateArgument() const
{
    const QDate d = planejado();
    return d.isValid() ? server::Date(QDateTime(d, QTime(0, 0))) : QJsonValue(0);
}

QString TfrmFiltroAtivi::description() const
{
    QStringList lines;
    const auto add = [&](QWidget *field, const QString &value) {
        if (qor::EmptyString(value))
            return;
        auto *label = qobject_cast<QLabel *>(m_form->labelForField(field));
        lines << (label ? label->text() : QString()) + QStringLiteral(": ") + value.trimmed();
    };
    for (QLineEdit *edit : m_edits)
        add(edit, edit->text());
    if (m_dateInEffect && planejado().isValid())
        add(depPlanejado, qor::TDateEditPlus::format(planejado()));
    return lines.join(QLatin1Char('\n'));
}

void TfrmFiltroAtivi::edtSoliciExit() { adjustWidth10(edtSolici); }
void TfrmFiltroAtivi::edtProjetoExit() { adjustWidth10(edtProjeto); }

void TfrmFiltroAtivi::sbtConfirmaClick()
{
    edtSoliciExit();
    edtProjetoExit();
    if (!m_ctx)
        qor::MensErro(PlanTexts().Msg(QStringLiteral("FILTRO_SEM_JANELA")), true);
    if (!depPlanejado->hasValidText()) {
        depPlanejado->setFocus();
        qor::MensErro(PlanTexts().Msg(QStringLiteral("DATA_INVALIDA")), true);
    }
    LoadPlan(*m_ctx, dateArgument(), values());
    m_dateInEffect = planejado().isValid();
    emit applied();
    hide();
}

void TfrmFiltroAtivi::clearValues()
{
    for (QLineEdit *edit : m_edits)
        edit->clear();
    depPlanejado->clear();
}

void TfrmFiltroAtivi::sbtLimparClick()
{
    clearValues();
    sbtConfirmaClick();
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
