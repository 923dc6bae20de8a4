#pragma once
#include "host/messages.h"
// The activity filter "Filtro Atividade" (APR00110): modeless, created once,
// hidden on close so that its values serve every later plan load.
#include "plan/planloader.h"
#include <QDate>
#include <QDialog>
#include <memory>
#include <optional>

class QDateEdit;
class QFormLayout;
class QLabel;
class QLineEdit;
class QPushButton;

namespace plan {

class TfrmFiltroAtivi : public QDialog {
    Q_OBJECT
public:
    // Top-level: the dialog outlives the main window, which binds itself on
    // every opening and unbinds when it closes.
    explicit TfrmFiltroAtivi(const PlanContext &ctx);

    void bind(const PlanContext &ctx) { m_ctx.emplace(ctx); }
    void unbind() { m_ctx.reset(); }
    bool bound() const { return m_ctx.has_value(); }

    FilterValues values() const;
    // The planned-start date; null when none is chosen.
    QDate planejado() const;
    // The date argument of GetPlanAtivTare: the dialog's date, 0 when none is chosen.
    QJsonValue dateArgument() const;

    QLineEdit *edtProjeto, *edtSolici, *edtItTrab, *edtProcAtiv, *edtCliente;
    QDateEdit *depPlanejado;
    QPushButton *sbtConfirma;
    QLabel *lblCodTela;

    void sbtConfirmaClick();
    void edtSoliciExit();
    void edtProjetoExit();

private:
    QLineEdit *addEdit(QFormLayout *form, const char *name, const QString &label);

    std::optional<PlanContext> m_ctx;
};

// The module's one filter dialog.
class FilterDialogHolder {
public:
    bool exists() const { return m_dialog != nullptr; }
    TfrmFiltroAtivi *dialog() const { return m_dialog.get(); }
    TfrmFiltroAtivi &create(const PlanContext &ctx);
    // The main window closes: hide the dialog and forget its record set and server.
    void detach();
    void reset() { m_dialog.reset(); }

private:
    std::unique_ptr<TfrmFiltroAtivi> m_dialog;
};

// The texts of the plan and its filter.
const qor::TMessages &MensagensDoPlano();

// Creates the dialog on the first call and shows it modelessly.
TfrmFiltroAtivi &CriaFiltroAtividade(FilterDialogHolder &holder, const PlanContext &ctx);

}
