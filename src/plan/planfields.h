#pragma once
// The plan's record sets and the grid's columns.
//
// Wiring in the main window:
//   plan::DefinePlanFields(cdsPlanAtivTare);
//   plan::DefineAndamentoFields(cdsAtividadeAndamento);
//   auto *model = new plan::PlanGridModel(&cdsPlanAtivTare, dbgPadrao);
//   dbgPadrao->setModel(model);
//   plan::ApplyPlanColumns(*dbgPadrao, *model);
#include "host/recordset.h"
#include "host/recordsetmodel.h"
#include <QList>
#include <QString>

class QTableView;

namespace plan {

// The persistent fields of cdsPlanAtivTare, with the display texts of the
// request, task, points and work-item fields.
void DefinePlanFields(qor::RecordSet &records);
void DefineAndamentoFields(qor::RecordSet &records);
void DefineProgOperOpcFields(qor::RecordSet &records);
// The main window's work items (cds_ItemTarefa), defined once so that markers survive reloads.
void DefineItemTarefaFields(qor::RecordSet &records);

// Display texts, shared by the field events and the tests.
QString PontosText(const QString &value);
QString TarefaText(const QString &nrTarefa, const QVariant &description);
QString SolicitacaoText(const QString &nrSoliServ, const QString &description);
QString ItemTarefaText(const QString &code, const QString &name);

struct PlanColumn {
    QString field;
    QString title;
    int width;
};
// The ten grid columns in their designed order.
const QList<PlanColumn> &PlanColumns();
QStringList PlanColumnFields();
QString PlanColumnTitle(const QString &field);

// The grid's model: the record set model with the grid's column titles.
class PlanGridModel : public qor::RecordSetModel {
    Q_OBJECT
public:
    explicit PlanGridModel(qor::RecordSet *records, QObject *parent = nullptr);
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    // Tooltips of the status letters and pictures.
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
};

// The grid's colours: title row, info-coloured background, compact rows.
void StylePlanGrid(QTableView &grid);
// Sets the ten columns, their widths and the one editable column on the grid
// (and StylePlanGrid).
void ApplyPlanColumns(QTableView &grid, qor::RecordSetModel &model);

}
