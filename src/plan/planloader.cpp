#include "plan/planloader.h"
#include "plan/filtroativi.h"
#include "host/recordset.h"
#include "host/services.h"
#include "server/remote.h"
#include <QAbstractButton>

namespace plan {

QJsonArray PlanArguments(const PlanContext &ctx, const QJsonValue &date, const FilterValues &filter)
{
    return {qor::FiliProc(), qor::Operador(), date,
            filter.projeto, filter.solicitacao, filter.itemTrabalho, filter.processo, filter.cliente,
            ctx.stProdTrabIni, ctx.stProdTrabFin};
}

void LoadPlan(const PlanContext &ctx, const QJsonValue &date, const FilterValues &filter)
{
    ctx.server.load(ctx.cdsPlanAtivTare, QStringLiteral("GetPlanAtivTare"), PlanArguments(ctx, date, filter));
}

PlanLoader::PlanLoader(const PlanContext &ctx, qor::RecordSet &cdsAtividadeAndamento,
                       FilterDialogHolder *filter)
    : m_ctx(ctx), m_andamento(cdsAtividadeAndamento), m_filter(filter)
{
}

void PlanLoader::setAttendanceButtons(QAbstractButton *interno, QAbstractButton *externo)
{
    m_interno = interno;
    m_externo = externo;
}

void PlanLoader::GetPlanAtivTare()
{
    FilterValues filter;
    if (m_filter && m_filter->exists())
        filter = m_filter->dialog()->values();
    LoadPlan(m_ctx, QJsonValue(0), filter);
    if (m_filter && m_filter->exists())
        m_filter->dialog()->noteLoadWithoutDate();
    m_ctx.server.load(m_andamento, QStringLiteral("GetAtivAndamento"), {qor::FiliProc(), qor::Operador()});
    showAttendance();
    if (m_justificou)
        m_justificou();
}

void PlanLoader::showAttendance()
{
    QString attendance;
    if (!m_andamento.isEmpty()) {
        m_andamento.first();
        attendance = m_andamento.fieldByName(QStringLiteral("IDATENDIMENTO")).asString();
    }
    if (m_interno) {
        m_interno->setCheckable(true);
        m_interno->setChecked(attendance == QLatin1String("I"));
    }
    if (m_externo) {
        m_externo->setCheckable(true);
        m_externo->setChecked(attendance == QLatin1String("E"));
    }
}

}
