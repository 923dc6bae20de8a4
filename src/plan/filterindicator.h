#pragma once
// Shows in the main window that the plan is filtered: the "Filtrar" button is
// marked with the values in its tooltip, and a filter that leaves no rows says
// so in the grid area.
//
// Wiring in the main window:
//   indicator = new plan::FilterIndicator(*SpeedButton2, *dbgPadrao, cdsPlanAtivTare, filtro, this);
//   after CriaFiltroAtividade: indicator->watch(dialog);
#include <QObject>

class QAbstractButton;
class QLabel;
class QTableView;
namespace qor { class RecordSet; }

namespace plan {

class FilterDialogHolder;
class TfrmFiltroAtivi;

class FilterIndicator : public QObject {
    Q_OBJECT
public:
    FilterIndicator(QAbstractButton &button, QTableView &grid, qor::RecordSet &plan,
                    const FilterDialogHolder &holder, QObject *parent = nullptr);

    void watch(TfrmFiltroAtivi &dialog);
    void sync();

    bool filterShown() const;
    QLabel *emptyNotice() const { return m_empty; }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void placeNotice();

    QAbstractButton &m_button;
    QTableView &m_grid;
    qor::RecordSet &m_plan;
    const FilterDialogHolder &m_holder;
    QLabel *m_empty;
};

}
