#include "plan/plangridcontroller.h"
#include "host/abort.h"
#include "host/recordset.h"
#include "host/recordsetmodel.h"
#include "host/services.h"
#include "server/remote.h"
#include <QAction>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMenu>
#include <QTableView>
#include <QToolButton>

namespace plan {

namespace {
const QString kQueueField = QStringLiteral("NRPRIOATIVTR");
const QString kStatusField = QStringLiteral("IDSITATIVTAR");
const QString kConfirmField = QStringLiteral("IDORIGTARE");
}

PlanGridController::PlanGridController(QTableView &grid, qor::RecordSetModel &model,
                                       server::RemoteServer &server, QObject *parent)
    : QObject(parent), m_grid(grid), m_model(model), m_records(*model.records()), m_server(server)
{
    m_model.setEditableColumns({kQueueField});
    m_grid.setEditTriggers(QAbstractItemView::EditKeyPressed | QAbstractItemView::AnyKeyPressed);
    m_grid.setSelectionBehavior(QAbstractItemView::SelectRows);
    m_grid.setSelectionMode(QAbstractItemView::SingleSelection);
    m_grid.horizontalHeader()->setSectionsMovable(true);
    m_grid.installEventFilter(this);
    installRecordEvents();

    connect(m_grid.selectionModel(), &QItemSelectionModel::currentChanged, this,
            &PlanGridController::currentCellChanged);
    connect(&m_grid, &QAbstractItemView::clicked, this, &PlanGridController::cellClicked);
    connect(&m_records, &qor::RecordSet::currentChanged, this, [this](int row) {
        const QModelIndex current = m_grid.currentIndex();
        if (row >= 0 && current.row() != row)
            m_grid.setCurrentIndex(m_model.index(row, qMax(0, current.column())));
    });
}

PlanGridController::~PlanGridController()
{
    m_records.beforeInsert.remove(m_listeners[0]);
    m_records.afterInsert.remove(m_listeners[1]);
    m_records.beforeEdit.remove(m_listeners[2]);
    m_records.beforePost.remove(m_listeners[3]);
    m_records.afterPost.remove(m_listeners[4]);
}

// The plan's events have other listeners too (the status transitions): these are added, not assigned.
void PlanGridController::installRecordEvents()
{
    m_listeners[0] = m_records.beforeInsert.add([](qor::RecordSet &) { qor::Abort(); });
    m_listeners[1] = m_records.afterInsert.add([](qor::RecordSet &rs) {
        rs.cancel();
        qor::Abort();
    });
    m_listeners[2] = m_records.beforeEdit.add([this](qor::RecordSet &rs) {
        m_queueBeforeEdit = rs.fieldByName(kQueueField).value();
    });
    m_listeners[3] = m_records.beforePost.add([this](qor::RecordSet &rs) {
        if (m_restoringQueue)
            return;
        qor::Field &queue = rs.fieldByName(kQueueField);
        queue.setValue(qor::Ajusta(queue.asString(), 3));
    });
    m_listeners[4] = m_records.afterPost.add([this](qor::RecordSet &) {
        if (!m_restoringQueue)
            sendQueue();
    });
}

void PlanGridController::sendQueue()
{
    const auto text = [this](const char *name) {
        return m_records.fieldByName(QString::fromLatin1(name)).asString();
    };
    const QVariant previous = m_queueBeforeEdit;
    const bool queueEdited = text("NRPRIOATIVTR") != qor::Ajusta(previous.toString(), 3);
    try {
        m_server.call(QStringLiteral("SetFila_PlanAtiv"),
                      {text("CDFILIAL"), text("NRTAREFA"), text("NRPLATIVTARE"), text("NRPRIOATIVTR")});
    } catch (...) {
        // The server kept the old position: the grid must not show the refused one.
        // A post of another change (a status) keeps its row as it is.
        if (queueEdited)
            restoreQueue(previous);
        throw;
    }
}

void PlanGridController::restoreQueue(const QVariant &previous)
{
    m_restoringQueue = true;
    try {
        m_records.edit();
        m_records.fieldByName(kQueueField).setValue(previous);
        m_records.post();
    } catch (...) {
    }
    m_restoringQueue = false;
}

void PlanGridController::currentCellChanged(const QModelIndex &current, const QModelIndex &previous)
{
    if (previous.isValid() && m_model.fieldNameAt(previous.column()) == kQueueField
        && (!current.isValid() || current.column() != previous.column() || current.row() != previous.row()))
        qor::guarded([this] { columnExit(); });
    if (current.isValid() && current.row() != m_records.recNo())
        moveToRow(current.row());
}

// The columns are found by their field: the operator may have moved them.
void PlanGridController::cellClicked(const QModelIndex &index)
{
    if (!index.isValid())
        return;
    const QString field = m_model.fieldNameAt(index.column());
    if (field == kStatusField)
        emit statusCellActivated(index.row());
    else if (field == kConfirmField)
        emit confirmCellActivated(index.row());
    else
        emit otherCellActivated(index.row(), field);
}

void PlanGridController::columnExit()
{
    if (m_records.state() != qor::RecordSet::State::Edit)
        return;
    qor::Field &queue = m_records.fieldByName(kQueueField);
    queue.setValue(qor::Ajusta(queue.asString(), 3));
}

void PlanGridController::moveToRow(int row)
{
    if (row < 0 || row >= m_records.recordCount())
        return;
    qor::guarded([&] {
        if (m_records.recNo() != row)
            m_records.moveTo(row);
    });
    const QModelIndex current = m_grid.currentIndex();
    if (current.row() != row)
        m_grid.setCurrentIndex(m_model.index(row, qMax(0, current.column())));
}

void PlanGridController::first() { moveToRow(0); }
void PlanGridController::prior() { moveToRow(qMax(0, m_grid.currentIndex().row() - 1)); }
void PlanGridController::next() { moveToRow(qMin(m_records.recordCount() - 1, m_grid.currentIndex().row() + 1)); }
void PlanGridController::last() { moveToRow(m_records.recordCount() - 1); }

bool PlanGridController::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == &m_grid && event->type() == QEvent::KeyPress)
        return handleKey(static_cast<QKeyEvent *>(event));
    return QObject::eventFilter(watched, event);
}

bool PlanGridController::handleKey(QKeyEvent *key)
{
    const bool ctrl = key->modifiers() & Qt::ControlModifier;
    if (ctrl && key->key() == Qt::Key_Delete)
        return true;
    if (ctrl && key->key() == Qt::Key_G) {
        emit updateVersionRequested();
        return true;
    }
    if (ctrl && key->key() == Qt::Key_H) {
        emit showHistoryRequested();
        return true;
    }
    if (key->key() == Qt::Key_F7 && !ctrl) {
        qor::guarded([this] { qor::Procura(m_records, &m_grid); });
        return true;
    }
    const QModelIndex current = m_grid.currentIndex();
    if (key->key() == Qt::Key_Space && current.isValid()
        && m_model.fieldNameAt(current.column()) == kStatusField) {
        emit statusCellActivated(current.row());
        return true;
    }
    return false;
}

void PlanGridController::addMenuActions(QMenu &menu, QWidget *shortcutScope)
{
    QWidget *scope = shortcutScope ? shortcutScope : &m_grid;
    const auto add = [&](const QString &text, const QKeySequence &keys, auto slot) {
        auto *action = new QAction(text, &menu);
        action->setShortcut(keys);
        // The shortcuts belong to the window of the plan, not to the host's whole main window.
        action->setShortcutContext(Qt::WidgetWithChildrenShortcut);
        connect(action, &QAction::triggered, this, slot);
        menu.addAction(action);
        scope->addAction(action);
        return action;
    };
    add(QStringLiteral("Primeiro"), QKeySequence(Qt::CTRL | Qt::Key_Home), &PlanGridController::first);
    add(QStringLiteral("Anterior"), QKeySequence(Qt::CTRL | Qt::Key_Up), &PlanGridController::prior);
    add(QStringLiteral("Proximo"), QKeySequence(Qt::CTRL | Qt::Key_Down), &PlanGridController::next);
    add(QStringLiteral("Último"), QKeySequence(Qt::CTRL | Qt::Key_End), &PlanGridController::last);
    add(QStringLiteral("Atualizar"), QKeySequence(Qt::Key_F5), &PlanGridController::refreshRequested);
    m_filterAction = add(QStringLiteral("Filtrar"), QKeySequence(Qt::CTRL | Qt::Key_L), &PlanGridController::filterRequested);
}

QWidget *PlanGridController::createNavigator(QWidget *parent)
{
    auto *navigator = new QWidget(parent);
    navigator->setObjectName(QStringLiteral("dbnPadrao"));
    auto *row = new QHBoxLayout(navigator);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(1);
    const auto add = [&](const char *name, const QString &text, const QString &tip, void (PlanGridController::*slot)()) {
        auto *button = new QToolButton(navigator);
        button->setObjectName(QString::fromLatin1(name));
        button->setText(text);
        button->setToolTip(tip);
        button->setAutoRaise(true);
        connect(button, &QToolButton::clicked, this, slot);
        row->addWidget(button);
    };
    add("nbFirst", QStringLiteral("|◀"), QStringLiteral("Primeiro"), &PlanGridController::first);
    add("nbPrior", QStringLiteral("◀"), QStringLiteral("Anterior"), &PlanGridController::prior);
    add("nbNext", QStringLiteral("▶"), QStringLiteral("Proximo"), &PlanGridController::next);
    add("nbLast", QStringLiteral("▶|"), QStringLiteral("Último"), &PlanGridController::last);
    row->addStretch();
    return navigator;
}

}
