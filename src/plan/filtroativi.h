#pragma once
#include "host/messages.h"
// The activity filter "Filtro Atividade" (APR00110): modeless, created once,
// hidden on close so that its values serve every later plan load.
#include "plan/planloader.h"
#include "host/dateeditplus.h"
#include <QDate>
#include <QDialog>
#include <QList>
#include <memory>
#include <optional>

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

    // The values in use, one "label: value" a line; empty when nothing filters.
    // The planned-start date counts only while the last load was the dialog's own.
    QString description() const;
    bool active() const { return !description().isEmpty(); }
    // A load from the main window sends no date (see PlanLoader).
    void noteLoadWithoutDate() { m_dateInEffect = false; }

    QLineEdit *edtProjeto, *edtSolici, *edtItTrab, *edtProcAtiv, *edtCliente;
    qor::TDateEditPlus *depPlanejado;
    QPushButton *sbtConfirma;
    QPushButton *sbtLimpar;
    QLabel *lblCodTela;

    void sbtConfirmaClick();
    // Empties every value and loads the whole plan.
    void sbtLimparClick();
    void edtSoliciExit();
    void edtProjetoExit();

signals:
    // The plan was loaded with the dialog's values.
    void applied();

protected:
    void showEvent(QShowEvent *event) override;

private:
    QLineEdit *addEdit(QFormLayout *form, const char *name, const QString &label);
    void clearValues();

    std::optional<PlanContext> m_ctx;
    QFormLayout *m_form;
    QList<QLineEdit *> m_edits;
    bool m_dateInEffect = false;
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

// Creates the dialog on the first call and shows it modelessly.
TfrmFiltroAtivi &CriaFiltroAtividade(FilterDialogHolder &holder, const PlanContext &ctx);

}
