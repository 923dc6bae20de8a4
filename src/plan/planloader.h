#pragma once
// Loading the plan, shared by the main window and the filter dialog.
//
// Wiring in the main window (members, built once the record sets exist):
//   plan::PlanContext ctx{server, cdsPlanAtivTare, stProdTrabIni, stProdTrabFin};
//   plan::FilterDialogHolder filtro;           // lives as long as the module state
//   plan::PlanLoader loader(ctx, cdsAtividadeAndamento, &filtro);
//   loader.setAttendanceButtons(sbtAteInterno, sbtAteExterno);
//   loader.setJustificou([&] { boJustificou = true; });
//   TfrmZEL::GetPlanAtivTare()  -> loader.GetPlanAtivTare();
//   panFiltroExit               -> loader.GetPlanAtivTare();
//   CriaFiltroAtividade export  -> plan::CriaFiltroAtividade(filtro, ctx);
//   FormClose                   -> filtro.detach();
#include <QJsonArray>
#include <QJsonValue>
#include <QString>
#include <functional>

class QAbstractButton;
namespace qor { class RecordSet; }
namespace server { class RemoteServer; }

namespace plan {

class FilterDialogHolder;

struct PlanContext {
    server::RemoteServer &server;
    qor::RecordSet &cdsPlanAtivTare;
    const QString &stProdTrabIni;
    const QString &stProdTrabFin;
};

// The five texts of the filter.
struct FilterValues {
    QString projeto, solicitacao, itemTrabalho, processo, cliente;
};

// The ten arguments of GetPlanAtivTare; date is the integer 0 or a server date.
QJsonArray PlanArguments(const PlanContext &ctx, const QJsonValue &date, const FilterValues &filter);
void LoadPlan(const PlanContext &ctx, const QJsonValue &date, const FilterValues &filter);

class PlanLoader {
public:
    PlanLoader(const PlanContext &ctx, qor::RecordSet &cdsAtividadeAndamento,
               FilterDialogHolder *filter);

    void setAttendanceButtons(QAbstractButton *interno, QAbstractButton *externo);
    void setJustificou(std::function<void()> justificou) { m_justificou = std::move(justificou); }

    // The plan with the filter's five values and no date, then the attendance in progress.
    void GetPlanAtivTare();

private:
    void showAttendance();

    PlanContext m_ctx;
    qor::RecordSet &m_andamento;
    FilterDialogHolder *m_filter;
    QAbstractButton *m_interno = nullptr;
    QAbstractButton *m_externo = nullptr;
    std::function<void()> m_justificou;
};

}
