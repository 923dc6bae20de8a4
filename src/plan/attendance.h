#pragma once
// The attendance bar: the internal and external attendance toggles and the
// appropriation follow-up.
//
// Wiring in the main window:
//   plan::AttendanceActions atendimento({servidor, cdsAtividadeAndamento, *sbtAteInterno, *sbtAteExterno,
//                                        [this] { GetPlanAtivTare(); }, this});
//   sbtAteInterno clicked -> atendimento.sbtAteInternoClick(); likewise the others.
#include <QString>
#include <functional>

class QAbstractButton;
class QWidget;
namespace qor { class RecordSet; }
namespace server { class RemoteServer; }

namespace plan {

struct AttendanceContext {
    server::RemoteServer &server;
    qor::RecordSet &cdsAtividadeAndamento;
    QAbstractButton &sbtAteInterno;
    QAbstractButton &sbtAteExterno;
    std::function<void()> reloadPlan;
    QWidget *parent = nullptr;
};

class AttendanceActions {
public:
    explicit AttendanceActions(AttendanceContext ctx) : m_ctx(std::move(ctx)) {}

    // The button's down state has already toggled when these run.
    void sbtAteInternoClick();
    void sbtAteExternoClick();
    // "Acompanhamento Apropriação" (also the hidden delay button and edit).
    void sbtAcompanhamentoClick();

    // Ends the running attendance of that kind ("I" or "E") with a
    // justification; true when the operator confirmed it and it ended.
    bool encerraAtendimento(const QString &kind);

private:
    void toggled(const QString &kind);
    QString running() const;

    AttendanceContext m_ctx;
};

}
