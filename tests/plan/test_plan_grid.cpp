// The plan grid, the filter dialog, the plan load and the layout store against
// a recording server: what is sent, in which form, and what the window keeps.
#include "host/dialogs.h"
#include "host/recordsetmodel.h"
#include "plan/filtroativi.h"
#include "plan/gridlayout.h"
#include "plan/plandelegate.h"
#include "plan/planfields.h"
#include "plan/plangridcontroller.h"
#include "plan/planloader.h"
#include "plan/planpanels.h"
#include "plantestsupport.h"
#include "host/portuguese.h"
#include "plan/columnscale.h"
#include <QApplication>
#include <QDateEdit>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QSignalSpy>
#include <QTableView>
#include <QTest>
#include <QToolButton>
#include <gtest/gtest.h>

using namespace plan;
using plantest::RecordingServer;

namespace {

std::vector<QVariantMap> threeActivities()
{
    return {
        {{"CDFILIAL", "0001"}, {"NRTAREFA", "0000000011"}, {"NRPLATIVTARE", "00001"}, {"NRPRIOATIVTR", "001"},
         {"IDSITATIVTAR", "A"}, {"DSSOLISERV", "Primeira"}, {"DSPROJETO", "Projeto A"},
         {"NRSOLISERV", "0000000100"}, {"DSREFESOLI", "Pedido A"}, {"NMFANTCLIE", "Cliente A"}},
        {{"CDFILIAL", "0001"}, {"NRTAREFA", "0000000012"}, {"NRPLATIVTARE", "00002"}, {"NRPRIOATIVTR", "002"},
         {"IDSITATIVTAR", "I"}, {"DSSOLISERV", "Segunda"}, {"DSPROJETO", "Projeto B"},
         {"NRSOLISERV", "0000000200"}, {"DSREFESOLI", "Pedido B"}, {"NMFANTCLIE", "Cliente B"}},
        {{"CDFILIAL", "0001"}, {"NRTAREFA", "0000000013"}, {"NRPLATIVTARE", "00001"}, {"NRPRIOATIVTR", "003"},
         {"IDSITATIVTAR", "P"}, {"DSSOLISERV", "Terceira"}},
    };
}

QJsonObject andamentoPacket(const QString &attendance)
{
    qor::RecordSet shape;
    DefineAndamentoFields(shape);
    shape.open();
    std::vector<QVariantMap> rows;
    if (!attendance.isEmpty())
        rows.push_back({{"CDFILIAL", "0001"}, {"NRTAREFA", "0000000011"}, {"NRPLATIVTARE", "00001"},
                        {"IDATENDIMENTO", attendance}});
    return plantest::Packet(shape.data().value("fields").toArray(), rows);
}

QJsonObject layoutPacket(const QString &text, bool hasRow)
{
    QJsonArray fields{QJsonObject{{"name", "TXPROPRIED"}, {"type", "string"}, {"size", 350}}};
    std::vector<QVariantMap> rows;
    if (hasRow)
        rows.push_back({{"TXPROPRIED", text}});
    return plantest::Packet(fields, rows);
}

struct PlanWindow {
    RecordingServer server;
    qor::RecordSet plan{QStringLiteral("cdsPlanAtivTare")};
    qor::RecordSet andamento{QStringLiteral("cdsAtividadeAndamento")};
    QString ini = QStringLiteral("P4"), fin = QStringLiteral("P9zz");
    PlanContext ctx{server, plan, ini, fin};
    QTableView grid;
    PlanGridModel *model = nullptr;
    PlanDelegate *delegate = nullptr;
    PlanGridController *controller = nullptr;

    PlanWindow()
    {
        plantest::UseTestSession();
        DefinePlanFields(plan);
        DefineAndamentoFields(andamento);
        server.answerPacket("GetPlanAtivTare", plantest::PlanPacket(threeActivities()));
        server.answerPacket("GetAtivAndamento", andamentoPacket({}));
        plan.setData(plantest::PlanPacket(threeActivities()));
        model = new PlanGridModel(&plan, &grid);
        grid.setModel(model);
        ApplyPlanColumns(grid, *model);
        delegate = new PlanDelegate(*model, &grid);
        grid.setItemDelegate(delegate);
        controller = new PlanGridController(grid, *model, server, &grid);
        grid.resize(900, 300);
    }
    QModelIndex cell(int row, const char *field) { return model->index(row, model->columnOf(field)); }
};

QJsonArray planArgs(const RecordingServer &server, int which = -1)
{
    auto calls = server.callsOf("GetPlanAtivTare");
    if (calls.empty())
        return {};
    return calls.at(which < 0 ? calls.size() - 1 : which).args;
}

}

TEST(PlanLoad, MainWindowSendsZeroDateAndTheFilterTexts)
{
    qor::ScopedScriptedDialogs dialogs;
    PlanWindow w;
    FilterDialogHolder holder;
    bool justificou = false;
    QToolButton interno, externo;
    PlanLoader loader(w.ctx, w.andamento, &holder);
    loader.setAttendanceButtons(&interno, &externo);
    loader.setJustificou([&] { justificou = true; });

    loader.GetPlanAtivTare();
    const QJsonArray none = planArgs(w.server);
    EXPECT_EQ(none, (QJsonArray{"0001", "000000000001", 0, "", "", "", "", "", "P4", "P9zz"}));
    EXPECT_TRUE(justificou);

    TfrmFiltroAtivi &filter = CriaFiltroAtividade(holder, w.ctx);
    filter.edtProjeto->setText("PRJ1");
    filter.edtSolici->setText("123");
    filter.edtItTrab->setText("IT9");
    filter.edtProcAtiv->setText("Desenv");
    filter.edtCliente->setText("Acme");
    filter.depPlanejado->setDate(QDate(2026, 11, 30));
    filter.close();

    loader.GetPlanAtivTare();
    const QJsonArray filtered = planArgs(w.server);
    EXPECT_EQ(filtered.at(2), QJsonValue(0)) << "the dialog's date is only for its own confirm";
    EXPECT_EQ(filtered.at(3), QJsonValue("PRJ1"));
    EXPECT_EQ(filtered.at(4), QJsonValue("123"));
    EXPECT_EQ(filtered.at(5), QJsonValue("IT9"));
    EXPECT_EQ(filtered.at(6), QJsonValue("Desenv"));
    EXPECT_EQ(filtered.at(7), QJsonValue("Acme"));
    EXPECT_EQ(w.server.uses, 0);
    EXPECT_EQ(w.plan.recordCount(), 3);
}

TEST(PlanLoad, AttendanceButtonsFollowTheAttendanceInProgress)
{
    qor::ScopedScriptedDialogs dialogs;
    PlanWindow w;
    QToolButton interno, externo;
    PlanLoader loader(w.ctx, w.andamento, nullptr);
    loader.setAttendanceButtons(&interno, &externo);
    for (const auto &[attendance, in, ex] : {std::tuple{"I", true, false}, {"E", false, true}, {"", false, false}}) {
        w.server.answerPacket("GetAtivAndamento", andamentoPacket(attendance));
        loader.GetPlanAtivTare();
        EXPECT_EQ(interno.isChecked(), in) << attendance;
        EXPECT_EQ(externo.isChecked(), ex) << attendance;
    }
}

TEST(PlanLoad, FailedLoadKeepsThePlanAndReturnsTheConnection)
{
    qor::ScopedScriptedDialogs dialogs;
    PlanWindow w;
    bool justificou = false;
    PlanLoader loader(w.ctx, w.andamento, nullptr);
    loader.setJustificou([&] { justificou = true; });
    w.server.answer("GetPlanAtivTare", [](const QJsonArray &) { return qor::RemoteResult::error("Banco fora do ar"); });
    qor::guarded([&] { loader.GetPlanAtivTare(); });
    EXPECT_EQ(w.plan.recordCount(), 3);
    EXPECT_FALSE(justificou);
    EXPECT_EQ(w.server.uses, 0);
    EXPECT_TRUE(dialogs->texts().join("\n").contains("Banco fora do ar"));
}

TEST(PlanFilter, RequestAndProjectAreAdjustedAndTheDialogDateIsSent)
{
    qor::ScopedScriptedDialogs dialogs;
    PlanWindow w;
    FilterDialogHolder holder;
    TfrmFiltroAtivi &filter = CriaFiltroAtividade(holder, w.ctx);
    EXPECT_EQ(filter.windowTitle(), QStringLiteral("Filtro Atividade"));
    EXPECT_FALSE(filter.isModal());
    EXPECT_TRUE(filter.isVisible());

    filter.edtSolici->setFocus();
    QTest::keyClicks(filter.edtSolici, "12a3");
    EXPECT_EQ(filter.edtSolici->text(), QStringLiteral("123")) << "digits only";
    filter.edtSoliciExit();
    EXPECT_EQ(filter.edtSolici->text(), QStringLiteral("0000000123"));
    QTest::keyClicks(filter.edtItTrab, "ab1");
    EXPECT_EQ(filter.edtItTrab->text(), QStringLiteral("AB1"));
    filter.edtProjeto->setText("77");
    filter.depPlanejado->setDate(QDate(2026, 12, 1));

    filter.sbtConfirma->click();
    const QJsonArray args = planArgs(w.server);
    EXPECT_EQ(args.at(2), server::Date(QDateTime(QDate(2026, 12, 1), QTime(0, 0))));
    EXPECT_EQ(args.at(3), QJsonValue("0000000077"));
    EXPECT_EQ(args.at(4), QJsonValue("0000000123"));
    EXPECT_EQ(args.at(5), QJsonValue("AB1"));
    EXPECT_FALSE(filter.isVisible());
    EXPECT_TRUE(w.server.callsOf("GetAtivAndamento").empty());

    // Opened again: the same dialog with the same values.
    TfrmFiltroAtivi &again = CriaFiltroAtividade(holder, w.ctx);
    EXPECT_EQ(&again, &filter);
    EXPECT_EQ(again.edtSolici->text(), QStringLiteral("0000000123"));
    EXPECT_EQ(again.planejado(), QDate(2026, 12, 1));
}

TEST(PlanFilter, EmptyRequestAndNoDateAreSentEmptyAndZero)
{
    qor::ScopedScriptedDialogs dialogs;
    PlanWindow w;
    FilterDialogHolder holder;
    TfrmFiltroAtivi &filter = CriaFiltroAtividade(holder, w.ctx);
    filter.sbtConfirma->click();
    const QJsonArray args = planArgs(w.server);
    EXPECT_EQ(args.at(2), QJsonValue(0));
    EXPECT_EQ(args.at(3), QJsonValue(""));
    EXPECT_EQ(args.at(4), QJsonValue(""));
}

TEST(PlanFilter, RefusedConfirmKeepsTheDialogOpen)
{
    qor::ScopedScriptedDialogs dialogs;
    PlanWindow w;
    FilterDialogHolder holder;
    TfrmFiltroAtivi &filter = CriaFiltroAtividade(holder, w.ctx);
    filter.edtCliente->setText("Acme");
    w.server.answer("GetPlanAtivTare", [](const QJsonArray &) { return qor::RemoteResult::error("Falha"); });
    filter.sbtConfirma->click();
    EXPECT_TRUE(filter.isVisible());
    EXPECT_EQ(filter.edtCliente->text(), QStringLiteral("Acme"));
    EXPECT_EQ(w.plan.recordCount(), 3);

    holder.detach();
    EXPECT_FALSE(filter.isVisible());
    filter.sbtConfirma->click();
    EXPECT_EQ(w.server.callsOf("GetPlanAtivTare").size(), 1u) << "no plan to load into once the window is gone";
}

TEST(PlanQueue, PostAdjustsToWidthThreeAndSendsTheQueue)
{
    qor::ScopedScriptedDialogs dialogs;
    PlanWindow w;
    ASSERT_TRUE(w.model->setData(w.cell(1, "NRPRIOATIVTR"), "7"));
    w.plan.moveTo(1);
    EXPECT_EQ(w.plan.fieldByName("NRPRIOATIVTR").asString(), QStringLiteral("007"));
    const auto sent = w.server.callsOf("SetFila_PlanAtiv");
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_EQ(sent[0].args, (QJsonArray{"0001", "0000000012", "00002", "007"}));
    EXPECT_EQ(w.server.uses, 0);

    // A post from elsewhere (a status change) sends the queue too.
    w.plan.moveTo(2);
    w.plan.edit();
    w.plan.fieldByName("IDSITATIVTAR").setValue("A");
    w.plan.post();
    ASSERT_EQ(w.server.callsOf("SetFila_PlanAtiv").size(), 2u);
    EXPECT_EQ(w.server.callsOf("SetFila_PlanAtiv")[1].args.at(3), QJsonValue("003"));
}

TEST(PlanQueue, OnlyTheQueueColumnEditsAndTypingIsUpperCase)
{
    qor::ScopedScriptedDialogs dialogs;
    PlanWindow w;
    w.grid.show();
    for (const char *field : {"IDSITATIVTAR", "DSSOLISERV", "DSTEMPLAITAR"})
        EXPECT_FALSE(w.model->flags(w.cell(0, field)) & Qt::ItemIsEditable) << field;
    EXPECT_TRUE(w.model->flags(w.cell(0, "NRPRIOATIVTR")) & Qt::ItemIsEditable);

    w.grid.setFocus();
    w.grid.setCurrentIndex(w.cell(0, "NRPRIOATIVTR"));
    QTest::keyClicks(&w.grid, "b");
    auto *editor = w.grid.findChild<QLineEdit *>();
    ASSERT_NE(editor, nullptr);
    EXPECT_EQ(editor->text(), QStringLiteral("B"));
    QTest::keyClick(editor, Qt::Key_Return);
    QCoreApplication::processEvents();   // the view commits an Enter asynchronously
    EXPECT_EQ(w.plan.fieldByName("NRPRIOATIVTR").valueAt(0).toString(), QStringLiteral("  B"));
    ASSERT_EQ(w.server.callsOf("SetFila_PlanAtiv").size(), 1u);
}

TEST(PlanQueue, LeavingTheQueueColumnWhileEditingAdjustsTheValue)
{
    qor::ScopedScriptedDialogs dialogs;
    PlanWindow w;
    w.grid.setCurrentIndex(w.cell(0, "NRPRIOATIVTR"));
    w.plan.edit();
    w.plan.fieldByName("NRPRIOATIVTR").setValue("5");
    w.grid.setCurrentIndex(w.cell(0, "DSSOLISERV"));
    EXPECT_EQ(w.plan.state(), qor::RecordSet::State::Edit);
    EXPECT_EQ(w.plan.fieldByName("NRPRIOATIVTR").asString(), QStringLiteral("005"));
    EXPECT_TRUE(w.server.callsOf("SetFila_PlanAtiv").empty()) << "sent on the post, not before";
    w.plan.post();
    EXPECT_EQ(w.server.callsOf("SetFila_PlanAtiv").size(), 1u);
}

TEST(PlanQueue, RefusedQueueIsNotKeptLocally)
{
    qor::ScopedScriptedDialogs dialogs;
    PlanWindow w;
    w.server.answer("SetFila_PlanAtiv", [](const QJsonArray &) { return qor::RemoteResult::error("Fila inválida"); });
    w.model->setData(w.cell(0, "NRPRIOATIVTR"), "9");
    EXPECT_EQ(w.plan.fieldByName("NRPRIOATIVTR").valueAt(0).toString(), QStringLiteral("001"));
    EXPECT_TRUE(dialogs->texts().join("\n").contains("Fila inválida"));
    EXPECT_EQ(w.server.callsOf("SetFila_PlanAtiv").size(), 1u);
    EXPECT_EQ(w.server.uses, 0);
}

// Counts the key presses (other than Ctrl itself) that the grid passes on to its parent.
class KeysReachingParent : public QObject {
public:
    int count = 0;
    bool eventFilter(QObject *, QEvent *event) override
    {
        count += event->type() == QEvent::KeyPress && static_cast<QKeyEvent *>(event)->key() != Qt::Key_Control;
        return false;
    }
};

TEST(PlanKeys, CtrlDeleteStopsAtTheGrid)
{
    qor::ScopedScriptedDialogs dialogs;
    QWidget parent;
    PlanWindow w;
    w.grid.setParent(&parent);
    KeysReachingParent reaching;
    parent.installEventFilter(&reaching);
    parent.show();
    w.grid.setFocus();
    w.grid.setCurrentIndex(w.cell(1, "IDSITATIVTAR"));
    QTest::keyClick(&w.grid, Qt::Key_F2, Qt::ControlModifier);
    ASSERT_EQ(reaching.count, 1) << "a key the grid does not use goes on to its parent";
    QTest::keyClick(&w.grid, Qt::Key_Delete, Qt::ControlModifier);
    EXPECT_EQ(reaching.count, 1) << "Ctrl+Delete is swallowed by the grid";
    EXPECT_EQ(w.plan.recordCount(), 3);
    w.grid.setParent(nullptr);
}

TEST(PlanQueue, OtherListenersOfThePlanSeeOnlyTheirPost)
{
    qor::ScopedScriptedDialogs dialogs;
    PlanWindow w;
    // Before-events run ahead of the controller's failing queue call.
    int statusPosts = 0;
    w.plan.beforePost.add([&](qor::RecordSet &) { ++statusPosts; });
    w.server.answer("SetFila_PlanAtiv", [](const QJsonArray &) { return qor::RemoteResult::error("Fila inválida"); });

    // A status post whose queue call fails keeps its row: no restoring post.
    w.plan.moveTo(2);
    w.plan.edit();
    w.plan.fieldByName("IDSITATIVTAR").setValue("A");
    qor::guarded([&] { w.plan.post(); });
    EXPECT_EQ(statusPosts, 1);
    EXPECT_EQ(w.plan.fieldByName("IDSITATIVTAR").asString(), QStringLiteral("A"));
    EXPECT_EQ(w.server.callsOf("SetFila_PlanAtiv").size(), 1u);

    // A refused queue edit is put back.
    statusPosts = 0;
    w.model->setData(w.cell(0, "NRPRIOATIVTR"), "9");
    EXPECT_EQ(w.plan.fieldByName("NRPRIOATIVTR").valueAt(0).toString(), QStringLiteral("001"));
    EXPECT_EQ(statusPosts, 2) << "the edit and the restoring post";
    EXPECT_EQ(w.server.callsOf("SetFila_PlanAtiv").size(), 2u);

    // The controller's listeners go with it; the others stay.
    delete w.controller;
    w.controller = nullptr;
    statusPosts = 0;
    w.plan.moveTo(1);
    w.plan.edit();
    w.plan.post();
    EXPECT_EQ(statusPosts, 1);
    EXPECT_EQ(w.server.callsOf("SetFila_PlanAtiv").size(), 2u);
}

TEST(PlanQueue, InsertsAreRefusedSilently)
{
    qor::ScopedScriptedDialogs dialogs;
    PlanWindow w;
    qor::guarded([&] { w.plan.append(); });
    qor::guarded([&] { w.plan.insert(); });
    EXPECT_EQ(w.plan.recordCount(), 3);
    EXPECT_EQ(w.plan.state(), qor::RecordSet::State::Browse);
    EXPECT_TRUE(dialogs->shown.empty());
    EXPECT_TRUE(w.server.callsOf("SetFila_PlanAtiv").empty());
}

TEST(PlanKeys, ShortcutsOfTheGrid)
{
    qor::ScopedScriptedDialogs dialogs;
    PlanWindow w;
    w.grid.show();
    w.grid.setFocus();
    QSignalSpy update(w.controller, &PlanGridController::updateVersionRequested);
    QSignalSpy history(w.controller, &PlanGridController::showHistoryRequested);
    QSignalSpy status(w.controller, &PlanGridController::statusCellActivated);

    w.grid.setCurrentIndex(w.cell(1, "IDSITATIVTAR"));
    QTest::keyClick(&w.grid, Qt::Key_G, Qt::ControlModifier);
    QTest::keyClick(&w.grid, Qt::Key_H, Qt::ControlModifier);
    QTest::keyClick(&w.grid, Qt::Key_Space);
    EXPECT_EQ(update.count(), 1);
    EXPECT_EQ(history.count(), 1);
    ASSERT_EQ(status.count(), 1);
    EXPECT_EQ(status.at(0).at(0).toInt(), 1);

    w.grid.setCurrentIndex(w.cell(1, "DSSOLISERV"));
    QTest::keyClick(&w.grid, Qt::Key_Space);
    EXPECT_EQ(status.count(), 1) << "space elsewhere is not a status click";

    QTest::keyClick(&w.grid, Qt::Key_F7);
    EXPECT_EQ(dialogs->count(qor::DialogRequest::Modal), 1) << "F7 opens the find dialog";
}

// The mouse on the first two columns: the status cell starts, pauses or
// resumes; the confirm cell finishes or concludes. Found by field, wherever
// the operator moved the columns.
TEST(PlanKeys, ClicksOnTheStatusAndConfirmCells)
{
    qor::ScopedScriptedDialogs dialogs;
    PlanWindow w;
    w.grid.show();
    QSignalSpy status(w.controller, &PlanGridController::statusCellActivated);
    QSignalSpy confirm(w.controller, &PlanGridController::confirmCellActivated);
    const auto click = [&](int row, const char *field, Qt::MouseButton button = Qt::LeftButton) {
        const QRect rect = w.grid.visualRect(w.cell(row, field));
        ASSERT_TRUE(rect.isValid()) << field;
        QTest::mouseClick(w.grid.viewport(), button, {}, rect.center());
    };
    click(2, "IDSITATIVTAR");
    ASSERT_EQ(status.count(), 1);
    EXPECT_EQ(status.at(0).at(0).toInt(), 2);
    EXPECT_EQ(w.plan.recNo(), 2) << "the click also makes the row current";
    click(1, "IDORIGTARE");
    ASSERT_EQ(confirm.count(), 1);
    EXPECT_EQ(confirm.at(0).at(0).toInt(), 1);
    click(1, "DSSOLISERV");
    click(0, "IDSITATIVTAR", Qt::RightButton);
    EXPECT_EQ(status.count(), 1);
    EXPECT_EQ(confirm.count(), 1);

    QHeaderView &header = *w.grid.horizontalHeader();
    header.moveSection(header.visualIndex(w.model->columnOf("IDSITATIVTAR")), 5);
    click(0, "IDSITATIVTAR");
    ASSERT_EQ(status.count(), 2);
    EXPECT_EQ(status.at(1).at(0).toInt(), 0);
    EXPECT_EQ(confirm.count(), 1);
}

TEST(PlanNavigation, MenuAndNavigatorMoveTheCursor)
{
    qor::ScopedScriptedDialogs dialogs;
    PlanWindow w;
    QMenu menu;
    w.controller->addMenuActions(menu);
    QStringList texts;
    for (QAction *a : menu.actions())
        texts << a->text() + "=" + a->shortcut().toString();
    EXPECT_EQ(texts, (QStringList{"Primeiro=Ctrl+Home", "Anterior=Ctrl+Up", "Proximo=Ctrl+Down",
                                  "Último=Ctrl+End", "Atualizar=F5", "Filtrar=Ctrl+L"}));
    QSignalSpy refresh(w.controller, &PlanGridController::refreshRequested);
    menu.actions().at(4)->trigger();
    EXPECT_EQ(refresh.count(), 1);

    w.controller->last();
    EXPECT_EQ(w.plan.recNo(), 2);
    w.controller->prior();
    EXPECT_EQ(w.plan.recNo(), 1);
    w.controller->first();
    EXPECT_EQ(w.plan.recNo(), 0);
    w.controller->next();
    EXPECT_EQ(w.grid.currentIndex().row(), 1);
}

TEST(PlanPanels, DetailsFollowTheCurrentRowAndLegendHasSixStates)
{
    qor::ScopedScriptedDialogs dialogs;
    PlanWindow w;
    DetailsPanel details(w.plan);
    EXPECT_EQ(details.title(), QStringLiteral("Dados Adicionais"));
    w.controller->first();
    EXPECT_EQ(details.shownText("DSPROJETO"), QStringLiteral("Projeto A"));
    EXPECT_EQ(details.shownText("DSREFESOLI"), QStringLiteral("0000000100 - Pedido A"));
    w.controller->next();
    EXPECT_EQ(details.shownText("NMFANTCLIE"), QStringLiteral("Cliente B"));
    w.plan.emptyDataSet();
    EXPECT_EQ(details.shownText("DSPROJETO"), QString());

    LegendPanel legend;
    QStringList labels;
    for (QLabel *l : legend.findChildren<QLabel *>())
        if (!l->text().isEmpty())
            labels << l->text();
    EXPECT_EQ(labels, (QStringList{"Não apropriada", "Concluída ou Cancelada", "Em atraso", "Finalizada",
                                   "Em andamento", "Paralisada"}));
}

TEST(PlanLayoutStore, DefaultFirstThenInsertThenUpdate)
{
    qor::ScopedScriptedDialogs dialogs;
    PlanWindow w;
    GridLayoutStore store(w.server, w.grid, *w.model);
    QString stored;
    bool hasRow = false;
    w.server.answer("GetProgOperOpc", [&](const QJsonArray &) {
        qor::RemoteResult r;
        r.value = layoutPacket(stored, hasRow);
        return r;
    });
    w.server.answer("SetProgOperOpc", [&](const QJsonArray &args) {
        stored = args.at(2).toString();
        hasRow = true;
        return qor::RemoteResult{};
    });

    store.RestauraGrid();
    EXPECT_EQ(ReadLayout(w.grid, *w.model), DefaultLayout());

    w.grid.horizontalHeader()->moveSection(2, 0);   // the user's move saves
    auto sets = w.server.callsOf("SetProgOperOpc");
    ASSERT_EQ(sets.size(), 1u);
    EXPECT_EQ(sets[0].args.at(0), QJsonValue("APR00100"));
    EXPECT_EQ(sets[0].args.at(1), QJsonValue("000000000001"));
    EXPECT_EQ(sets[0].args.at(3), QJsonValue("1"));
    EXPECT_EQ(stored.left(18), QStringLiteral("NRPRIOATIVTR#24  #"));

    // The stored width is the suite's, whatever the grid's font makes of it on screen.
    w.grid.horizontalHeader()->resizeSection(w.model->columnOf("DSSOLISERV"), ColumnScale(w.grid.font()).toScreen(333));
    store.SalvaGrid();
    sets = w.server.callsOf("SetProgOperOpc");
    ASSERT_EQ(sets.size(), 2u);
    EXPECT_EQ(sets[1].args.at(3), QJsonValue("2"));
    EXPECT_TRUE(stored.contains("DSSOLISERV  #333 #"));
    EXPECT_EQ(w.server.uses, 0);
}

TEST(PlanLayoutStore, RestoreDoesNotSaveAndMalformedGivesDefault)
{
    qor::ScopedScriptedDialogs dialogs;
    PlanWindow w;
    GridLayoutStore store(w.server, w.grid, *w.model);
    GridLayoutColumns saved = DefaultLayout();
    std::reverse(saved.begin(), saved.end());
    QString text = BuildLayoutText(saved);
    w.server.answer("GetProgOperOpc", [&](const QJsonArray &) {
        qor::RemoteResult r;
        r.value = layoutPacket(text, true);
        return r;
    });
    store.RestauraGrid();
    EXPECT_EQ(ReadLayout(w.grid, *w.model), saved);
    EXPECT_TRUE(w.server.callsOf("SetProgOperOpc").empty());

    text.replace(13, 4, "abc ");
    store.RestauraGrid();
    EXPECT_EQ(ReadLayout(w.grid, *w.model), DefaultLayout());
    EXPECT_TRUE(dialogs->shown.empty());
}

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    // As the host runs the module: Brazilian formats and Qt's texts in Portuguese.
    qor::UsePortuguese();
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
