#include "host/abort.h"
#include "host/dialogs.h"
#include "host/recordset.h"
#include "host/recordsetmodel.h"

#include <QAbstractItemModelTester>
#include <QJsonArray>
#include <QSignalSpy>
#include <QTableView>
#include <gtest/gtest.h>

using namespace qor;

namespace {

void fill(RecordSet &rs, int rows)
{
    QJsonArray data;
    for (int i = 0; i < rows; ++i)
        data.append(QJsonArray{QString("%1").arg(i + 1, 10, 10, QChar('0')), QString("Tarefa %1").arg(i), i});
    rs.setData(QJsonObject{{"fields", QJsonArray{QJsonObject{{"name", "NRTAREFA"}, {"type", "string"}, {"size", 10}},
                                                 QJsonObject{{"name", "DSREFETAREFA"}, {"type", "string"}, {"size", 40}},
                                                 QJsonObject{{"name", "QT"}, {"type", "integer"}}}},
                           {"rows", data}});
}

} // namespace

TEST(RecordSetModel, ShowsColumnsHeadersAndRoles)
{
    RecordSet rs;
    fill(rs, 3);
    rs["DSREFETAREFA"].setLabel("Descrição");
    rs["QT"].onGetText = [](const Field &f) { return QString("%1 un").arg(f.asInteger()); };
    RecordSetModel model(&rs);
    QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::Fatal);
    model.setColumns({"QT", "DSREFETAREFA"});
    EXPECT_EQ(model.rowCount(), 3);
    EXPECT_EQ(model.columnCount(), 2);
    EXPECT_EQ(model.headerData(1, Qt::Horizontal).toString(), "Descrição");
    EXPECT_EQ(model.headerData(0, Qt::Horizontal).toString(), "QT") << "without a label the header is the name";
    EXPECT_EQ(model.index(2, 0).data().toString(), "2 un") << "display goes through onGetText of that row";
    EXPECT_EQ(model.index(2, 0).data(Qt::EditRole).toInt(), 2);
    EXPECT_EQ(model.columnOf("dsrefetarefa"), 1);
    EXPECT_EQ(model.columnOf("NRTAREFA"), -1);
    EXPECT_EQ(rs.recNo(), 0) << "reading other rows does not move the cursor";
}

TEST(RecordSetModel, OnlyEditableColumnsAcceptEditsThroughPost)
{
    RecordSet rs;
    fill(rs, 3);
    RecordSetModel model(&rs);
    model.setColumns({"NRTAREFA", "DSREFETAREFA"});
    model.setEditableColumns({"DSREFETAREFA"});
    int posts = 0;
    rs.afterPost = [&](RecordSet &) { ++posts; };
    EXPECT_FALSE(model.flags(model.index(0, 0)) & Qt::ItemIsEditable);
    EXPECT_TRUE(model.flags(model.index(0, 1)) & Qt::ItemIsEditable);
    EXPECT_FALSE(model.setData(model.index(0, 0), "x"));

    QSignalSpy changed(&model, &QAbstractItemModel::dataChanged);
    EXPECT_TRUE(model.setData(model.index(1, 1), "Revisada"));
    EXPECT_EQ(posts, 1);
    EXPECT_EQ(rs.recNo(), 1);
    EXPECT_EQ(rs["DSREFETAREFA"].asString(), "Revisada");
    ASSERT_EQ(changed.count(), 1);
    EXPECT_EQ(changed.at(0).at(0).toModelIndex().row(), 1);
}

TEST(RecordSetModel, RefusedEditIsCancelled)
{
    ScopedScriptedDialogs dialogs;
    RecordSet rs;
    fill(rs, 2);
    RecordSetModel model(&rs);
    model.setEditableColumns({"DSREFETAREFA", "QT"});
    rs.beforePost = [](RecordSet &r) {
        if (r["DSREFETAREFA"].asString().isEmpty()) throw EAbort("vazio");
    };
    EXPECT_FALSE(model.setData(model.index(0, 1), ""));
    EXPECT_EQ(rs.state(), RecordSet::State::Browse);
    EXPECT_EQ(rs["DSREFETAREFA"].asString(), "Tarefa 0");
    EXPECT_FALSE(model.setData(model.index(0, 2), "muitos")) << "text that is not a number";
    EXPECT_EQ(rs.state(), RecordSet::State::Browse);
    EXPECT_EQ(dialogs->count(DialogRequest::Error), 1) << "the bad number is reported; the abort was silent here";
}

TEST(RecordSetModel, FollowsInsertsAndDeletesWithoutReset)
{
    RecordSet rs;
    fill(rs, 5000);
    RecordSetModel model(&rs);
    QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::Fatal);
    QSignalSpy resets(&model, &QAbstractItemModel::modelReset);
    QSignalSpy inserted(&model, &QAbstractItemModel::rowsInserted);
    QSignalSpy removed(&model, &QAbstractItemModel::rowsRemoved);
    rs.moveTo(2500);
    rs.insert();
    rs["NRTAREFA"].setValue("X");
    rs.post();
    EXPECT_EQ(model.rowCount(), 5001);
    EXPECT_EQ(model.index(2500, 0).data().toString(), "X");
    rs.moveTo(10);
    rs.deleteRecord();
    EXPECT_EQ(model.rowCount(), 5000);
    EXPECT_EQ(resets.count(), 0);
    EXPECT_EQ(inserted.count(), 1);
    EXPECT_EQ(removed.count(), 1);
    fill(rs, 2);
    EXPECT_EQ(resets.count(), 1);
    EXPECT_EQ(model.rowCount(), 2);
}

TEST(RecordSetModel, SyncCursorKeepsViewAndRecordSetInStep)
{
    RecordSet rs;
    fill(rs, 10);
    RecordSetModel model(&rs);
    QTableView view;
    view.setModel(&model);
    model.syncCursor(&view);
    view.setCurrentIndex(model.index(4, 1));
    EXPECT_EQ(rs.recNo(), 4);
    rs.last();
    EXPECT_EQ(view.currentIndex().row(), 9);
}
