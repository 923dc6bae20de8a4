#include "plan/filterindicator.h"
#include "plan/filtroativi.h"
#include "plan/plantooltips.h"
#include "host/recordset.h"
#include <QAbstractButton>
#include <QEvent>
#include <QLabel>
#include <QTableView>

namespace plan {

FilterIndicator::FilterIndicator(QAbstractButton &button, QTableView &grid, qor::RecordSet &plan,
                                 const FilterDialogHolder &holder, QObject *parent)
    : QObject(parent), m_button(button), m_grid(grid), m_plan(plan), m_holder(holder)
{
    m_empty = new QLabel(PlanTexts().Msg(QStringLiteral("FILTRO_VAZIO")), grid.viewport());
    m_empty->setObjectName(QStringLiteral("lblFiltroVazio"));
    m_empty->setAlignment(Qt::AlignCenter);
    m_empty->setAttribute(Qt::WA_TransparentForMouseEvents);
    m_empty->hide();
    grid.viewport()->installEventFilter(this);
    // The button toggles on a click: its mark follows the filter, not the click.
    m_button.setCheckable(true);
    connect(&m_button, &QAbstractButton::clicked, this, &FilterIndicator::sync);
    connect(&m_plan, &qor::RecordSet::dataReset, this, &FilterIndicator::sync);
    sync();
}

void FilterIndicator::watch(TfrmFiltroAtivi &dialog)
{
    connect(&dialog, &TfrmFiltroAtivi::applied, this, &FilterIndicator::sync, Qt::UniqueConnection);
    sync();
}

bool FilterIndicator::filterShown() const
{
    return m_holder.exists() && m_holder.dialog()->active();
}

void FilterIndicator::sync()
{
    const bool active = filterShown();
    m_button.setChecked(active);
    m_button.setToolTip(active ? PlanTexts().Msg(QStringLiteral("FILTRO_ATIVO")) + QLatin1Char('\n')
                                     + m_holder.dialog()->description()
                               : QString());
    const bool noRows = m_plan.active() && m_plan.isEmpty();
    m_empty->setVisible(active && noRows);
    placeNotice();
}

void FilterIndicator::placeNotice()
{
    if (!m_empty->isHidden())
        m_empty->setGeometry(m_grid.viewport()->rect());
}

bool FilterIndicator::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_grid.viewport() && event->type() == QEvent::Resize)
        placeNotice();
    return QObject::eventFilter(watched, event);
}

}
