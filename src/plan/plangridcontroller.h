#pragma once
// The plan grid's behaviour: queue editing, keys, the record set's events and
// the cursor kept in step with the grid's current row.
//
// Wiring in the main window (after the model and the delegate are set):
//   grid = new plan::PlanGridController(*dbgPadrao, *model, server, this);
//   connect(grid, &plan::PlanGridController::updateVersionRequested, this, &TfrmZEL::sbtGetClick);
//   connect(grid, &plan::PlanGridController::showHistoryRequested, this, &TfrmZEL::sbtShowHistoryClick);
//   connect(grid, &plan::PlanGridController::statusCellActivated, ...);
//   grid->addMenuActions(*pmnPadrao);   // navigation, "Atualizar", "Filtrar"
//   connect(grid, &plan::PlanGridController::refreshRequested, ...GetPlanAtivTare);
//   connect(grid, &plan::PlanGridController::filterRequested, ...CriaFiltroAtividade);
#include <QObject>
#include <QString>
#include <QVariant>

class QAction;
class QKeyEvent;
class QMenu;
class QModelIndex;
class QTableView;
class QWidget;
namespace qor { class RecordSet; class RecordSetModel; }
namespace server { class RemoteServer; }

namespace plan {

class PlanGridController : public QObject {
    Q_OBJECT
public:
    PlanGridController(QTableView &grid, qor::RecordSetModel &model, server::RemoteServer &server,
                       QObject *parent = nullptr);
    ~PlanGridController() override;

    // Navigation (navigator buttons and menu items).
    void first();
    void prior();
    void next();
    void last();

    // The pop-up menu's items of the plan: navigation, "Atualizar" (F5), "Filtrar" (Ctrl+L).
    // Their shortcuts work within shortcutScope (the grid when null).
    void addMenuActions(QMenu &menu, QWidget *shortcutScope = nullptr);
    // "Filtrar", after which the window places its own items.
    QAction *filterAction() const { return m_filterAction; }
    // A navigator (first, prior, next, last) for the bottom bar.
    QWidget *createNavigator(QWidget *parent);

signals:
    void updateVersionRequested();
    void showHistoryRequested();
    // A left click on the row's status cell, or the space bar on it.
    void statusCellActivated(int row);
    // A left click on the row's confirm cell (finish, then conclude).
    void confirmCellActivated(int row);
    // A left click on any other cell of the row (field: the column's field).
    void otherCellActivated(int row, const QString &field);
    void refreshRequested();
    void filterRequested();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void installRecordEvents();
    void currentCellChanged(const QModelIndex &current, const QModelIndex &previous);
    void cellClicked(const QModelIndex &index);
    void columnExit();
    void sendQueue();
    void restoreQueue(const QVariant &previous);
    void moveToRow(int row);
    bool handleKey(QKeyEvent *key);

    QTableView &m_grid;
    qor::RecordSetModel &m_model;
    qor::RecordSet &m_records;
    server::RemoteServer &m_server;
    QVariant m_queueBeforeEdit;
    bool m_restoringQueue = false;
    QAction *m_filterAction = nullptr;
    int m_listeners[5] = {};
};

}
