#include "host/abort.h"
#include "host/recordset.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace qor;

namespace {

QJsonObject packet(const char *json)
{
    return QJsonDocument::fromJson(QByteArray(json)).object();
}

// NRTAREFA string 10, DSREFETAREFA string 20, DTINICIO datetime, VALOR float, QT integer
QJsonObject planPacket()
{
    return packet(R"({"fields":[{"name":"NRTAREFA","type":"string","size":10},
                                {"name":"DSREFETAREFA","type":"string","size":20},
                                {"name":"DTINICIO","type":"datetime"},
                                {"name":"VALOR","type":"float"},
                                {"name":"QT","type":"integer"},
                                {"name":"OBS","type":"memo"}],
                      "rows":[["0000000001","Alfa","2026-03-01T00:00:00",1.5,3,"primeira"],
                              ["0000000002","beta","2026-03-02T14:30:05",null,null,null],
                              ["0000000003","Gama",null,2,7,""]]})");
}

QStringList column(RecordSet &rs, const QString &field)
{
    QStringList out;
    for (rs.first(); !rs.eof(); rs.next()) out << rs[field].asString();
    return out;
}

} // namespace

TEST(RecordSetPacket, LoadsTypedFieldsAndNulls)
{
    RecordSet rs("cdsPlan");
    rs.setData(planPacket());
    ASSERT_EQ(rs.recordCount(), 3);
    EXPECT_EQ(rs.state(), RecordSet::State::Browse);
    EXPECT_EQ(rs["NRTAREFA"].type(), FieldType::String);
    EXPECT_EQ(rs["NRTAREFA"].size(), 10);
    EXPECT_EQ(rs["dtinicio"].type(), FieldType::DateTime) << "field names match in any case";

    rs.first();
    EXPECT_EQ(rs["DTINICIO"].asString(), "01/03/2026") << "a date-only value is shorter than 11 characters";
    EXPECT_DOUBLE_EQ(rs["VALOR"].asFloat(), 1.5);
    EXPECT_EQ(rs["QT"].asInteger(), 3);
    EXPECT_EQ(rs["OBS"].asString(), "primeira");

    rs.next();
    EXPECT_EQ(rs["DTINICIO"].asString(), "02/03/2026 14:30:05");
    EXPECT_TRUE(rs["VALOR"].isNull());
    EXPECT_EQ(rs["VALOR"].asFloat(), 0.0);
    EXPECT_EQ(rs["QT"].asInteger(), 0);
    EXPECT_EQ(rs["OBS"].asString(), "");

    rs.next();
    EXPECT_TRUE(rs["DTINICIO"].isNull());
    EXPECT_FALSE(rs["DTINICIO"].asDateTime().isValid());
    EXPECT_EQ(rs["DTINICIO"].asString(), "");
}

TEST(RecordSetPacket, DataRoundTripsAndBadPacketsAreRefused)
{
    RecordSet rs;
    rs.setData(planPacket());
    RecordSet copy;
    copy.setData(rs.data());
    EXPECT_EQ(copy.data(), rs.data());

    EXPECT_THROW(rs.setData(packet(R"({"rows":[]})")), std::invalid_argument);
    EXPECT_THROW(rs.setData(packet(R"({"fields":[{"name":"D","type":"datetime"}],"rows":[["ontem"]]})")),
                 std::invalid_argument);
    EXPECT_EQ(rs.recordCount(), 3) << "a refused packet leaves the record set as it was";
}

// Large packets are read in parts at once: the rows keep their order, the
// first bad row is the one named, and a large set replaced stays usable.
TEST(RecordSetPacket, LargePacketsKeepTheirOrderAndNameTheirFirstBadRow)
{
    auto bigPacket = [](int count, int badRow) {
        QJsonArray rows;
        for (int r = 0; r < count; ++r)
            rows.append(QJsonArray{QString::number(r), r == badRow ? QJsonValue("não é número") : QJsonValue(r * 0.5)});
        return QJsonObject{{"fields", QJsonArray{QJsonObject{{"name", "NR"}, {"type", "string"}, {"size", 10}},
                                                 QJsonObject{{"name", "VALOR"}, {"type", "float"}}}},
                           {"rows", rows}};
    };
    RecordSet rs;
    rs.setData(bigPacket(5001, -1));
    ASSERT_EQ(rs.recordCount(), 5001);
    int r = 0;
    for (rs.first(); !rs.eof(); rs.next(), ++r) {
        ASSERT_EQ(rs["NR"].asString(), QString::number(r));
        ASSERT_DOUBLE_EQ(rs["VALOR"].asFloat(), r * 0.5);
    }
    for (int badRow : {1000, 4000}) {
        try {
            rs.setData(bigPacket(5001, badRow));
            ADD_FAILURE() << "a bad value was taken";
        } catch (const std::invalid_argument &e) {
            EXPECT_NE(QString::fromUtf8(e.what()).indexOf(QString("linha %1 ").arg(badRow + 1)), -1) << e.what();
        }
    }
    EXPECT_EQ(rs.recordCount(), 5001) << "a refused packet leaves the record set as it was";
    rs.setData(bigPacket(3, -1));
    EXPECT_EQ(column(rs, "NR"), (QStringList{"0", "1", "2"}));
}

TEST(RecordSetPacket, PersistentFieldsKeepTheirDefinitions)
{
    RecordSet rs;
    rs.defineFields({{"NRTAREFA", FieldType::String, 10, "Tarefa"}, {"CDEXTRA", FieldType::Integer, 0}});
    rs.setData(planPacket());
    EXPECT_EQ(rs["NRTAREFA"].label(), "Tarefa");
    EXPECT_EQ(rs["NRTAREFA"].index(), 0);
    EXPECT_TRUE(rs["CDEXTRA"].isNull()) << "a column missing from the packet stays null";
    ASSERT_NE(rs.findField("OBS"), nullptr) << "extra packet columns are added";
    EXPECT_THROW(rs.fieldByName("NAOEXISTE"), std::out_of_range);
}

TEST(RecordSetCursor, FirstNextEofPriorBof)
{
    RecordSet rs;
    rs.setData(planPacket());
    EXPECT_EQ(column(rs, "NRTAREFA"), QStringList({"0000000001", "0000000002", "0000000003"}));
    EXPECT_TRUE(rs.eof());
    EXPECT_EQ(rs.recNo(), 2);
    rs.last();
    EXPECT_TRUE(rs.eof());
    rs.prior();
    EXPECT_FALSE(rs.bof());
    rs.prior();
    rs.prior();
    EXPECT_TRUE(rs.bof());
    EXPECT_EQ(rs.recNo(), 0);

    RecordSet empty;
    empty.open();
    EXPECT_TRUE(empty.isEmpty());
    EXPECT_TRUE(empty.eof());
    EXPECT_TRUE(empty.bof());
    EXPECT_EQ(empty.recNo(), -1);
    EXPECT_EQ(empty.bookmark(), -1);
    empty.moveTo(0);
    EXPECT_TRUE(empty.eof() && empty.bof()) << "an empty record set stays at both ends";
}

TEST(RecordSetBookmark, SurvivesInsertsAndDeletesOfOtherRows)
{
    RecordSet rs;
    rs.setData(planPacket());
    rs.moveTo(1);
    const auto bk = rs.bookmark();

    rs.first();
    rs.insert();
    rs["NRTAREFA"].setValue("0000000000");
    rs.post();
    EXPECT_EQ(rs.recNo(), 0) << "an inserted row goes before the current one";
    rs.last();
    rs.deleteRecord();

    ASSERT_TRUE(rs.bookmarkValid(bk));
    rs.gotoBookmark(bk);
    EXPECT_EQ(rs["NRTAREFA"].asString(), "0000000002");
    EXPECT_EQ(rs.recNo(), 2);

    rs.deleteRecord();
    EXPECT_FALSE(rs.bookmarkValid(bk));
    EXPECT_THROW(rs.gotoBookmark(bk), std::out_of_range);
}

TEST(RecordSetEdit, SettingOutsideEditIsAProgrammingError)
{
    RecordSet rs;
    rs.setData(planPacket());
    EXPECT_THROW(rs["NRTAREFA"].setValue("x"), std::logic_error);
    EXPECT_EQ(rs.state(), RecordSet::State::Browse);
}

TEST(RecordSetEdit, StringValuesAreCutToSize)
{
    RecordSet rs;
    rs.setData(planPacket());
    rs.edit();
    rs["NRTAREFA"].setValue("123456789012345");
    rs["OBS"].setValue(QString(500, 'm'));
    rs.post();
    EXPECT_EQ(rs["NRTAREFA"].asString(), "1234567890");
    EXPECT_EQ(rs["OBS"].asString().size(), 500) << "memo has no size";
}

TEST(RecordSetEdit, SetAsStringParsesAndRefusesBadText)
{
    RecordSet rs;
    rs.setData(planPacket());
    rs.edit();
    rs["DTINICIO"].setAsString("25/12/2026");
    rs["QT"].setAsString("42");
    rs["VALOR"].setAsString("3,25");
    EXPECT_THROW(rs["QT"].setAsString("muitos"), std::invalid_argument);
    EXPECT_THROW(rs["DTINICIO"].setAsString("32/13/2026"), std::invalid_argument);
    rs["VALOR"].setAsString("");
    rs.post();
    EXPECT_EQ(rs["DTINICIO"].asDateTime(), QDateTime(QDate(2026, 12, 25), QTime(0, 0)));
    EXPECT_EQ(rs["QT"].asInteger(), 42);
    EXPECT_TRUE(rs["VALOR"].isNull());
}

TEST(RecordSetEdit, EventsRunInOrderAndCancelRestores)
{
    RecordSet rs;
    rs.setData(planPacket());
    QStringList calls;
    rs.beforeEdit = [&](RecordSet &) { calls << "beforeEdit"; };
    rs.afterEdit = [&](RecordSet &) { calls << "afterEdit"; };
    rs.beforePost = [&](RecordSet &r) { calls << "beforePost:" + r["DSREFETAREFA"].asString(); };
    rs.afterPost = [&](RecordSet &) { calls << "afterPost"; };
    rs.beforeCancel = [&](RecordSet &) { calls << "beforeCancel"; };
    rs.afterCancel = [&](RecordSet &) { calls << "afterCancel"; };

    rs.edit();
    rs["DSREFETAREFA"].setValue("Novo");
    EXPECT_EQ(rs["DSREFETAREFA"].asString(), "Novo") << "the edit buffer is what the row shows while editing";
    EXPECT_EQ(rs.valueAt(0, rs["DSREFETAREFA"].index()).toString(), "Alfa") << "the stored row is untouched";
    rs.cancel();
    EXPECT_EQ(rs["DSREFETAREFA"].asString(), "Alfa");

    rs.edit();
    rs["DSREFETAREFA"].setValue("Novo");
    rs.post();
    EXPECT_EQ(rs["DSREFETAREFA"].asString(), "Novo");
    EXPECT_EQ(calls, QStringList({"beforeEdit", "afterEdit", "beforeCancel", "afterCancel", "beforeEdit",
                                  "afterEdit", "beforePost:Novo", "afterPost"}));
}

TEST(RecordSetEdit, AbortInBeforeEventCancelsTheOperation)
{
    RecordSet rs;
    rs.setData(planPacket());
    rs.beforePost = [](RecordSet &r) {
        if (r["DSREFETAREFA"].asString().isEmpty()) throw EAbort("Informe a descrição.");
    };
    rs.edit();
    rs["DSREFETAREFA"].setValue("");
    EXPECT_THROW(rs.post(), EAbort);
    EXPECT_EQ(rs.state(), RecordSet::State::Edit) << "a refused post stays in edit";
    rs.cancel();
    EXPECT_EQ(rs["DSREFETAREFA"].asString(), "Alfa");

    rs.beforeDelete = [](RecordSet &) { Abort(); };
    EXPECT_THROW(rs.deleteRecord(), EAbort);
    EXPECT_EQ(rs.recordCount(), 3);

    rs.beforeInsert = [](RecordSet &) { Abort(); };
    EXPECT_THROW(rs.append(), EAbort);
    EXPECT_EQ(rs.state(), RecordSet::State::Browse);
}

TEST(RecordSetEdit, EditOnEmptyAppendsAndScrollingPosts)
{
    RecordSet rs;
    rs.defineFields({{"CDQUALIFPROC", FieldType::String, 5}});
    rs.open();
    rs.edit();
    EXPECT_EQ(rs.state(), RecordSet::State::Insert);
    rs["CDQUALIFPROC"].setValue("Q1");
    rs.first();
    EXPECT_EQ(rs.state(), RecordSet::State::Browse) << "moving posts the pending row";
    EXPECT_EQ(rs.recordCount(), 1);
    EXPECT_EQ(rs["CDQUALIFPROC"].asString(), "Q1");
}

TEST(RecordSetFilter, FilterHidesRowsAndLocateHonoursOptions)
{
    RecordSet rs;
    rs.setData(planPacket());
    rs.setFilter([](const RecordSet &r) { return r["QT"].asInteger() > 0; });
    rs.setFiltered(true);
    EXPECT_EQ(column(rs, "NRTAREFA"), QStringList({"0000000001", "0000000003"}));
    EXPECT_EQ(rs.data().value("rows").toArray().size(), 3) << "data() ignores the filter";

    EXPECT_FALSE(rs.locate("DSREFETAREFA", {"beta"})) << "hidden rows are not found";
    EXPECT_FALSE(rs.locate("DSREFETAREFA", {"gama"}));
    EXPECT_TRUE(rs.locate("DSREFETAREFA", {"gama"}, CaseInsensitive));
    EXPECT_EQ(rs["NRTAREFA"].asString(), "0000000003");
    EXPECT_FALSE(rs.locate("DSREFETAREFA", {"Alf"}));
    EXPECT_TRUE(rs.locate("DSREFETAREFA", {"alf"}, CaseInsensitive | PartialKey));
    EXPECT_EQ(rs.recNo(), 0);

    rs.setFiltered(false);
    EXPECT_TRUE(rs.locate("NRTAREFA;DSREFETAREFA", {"0000000002", "beta"}));
    EXPECT_FALSE(rs.locate("NRTAREFA;DSREFETAREFA", {"0000000002", "Beta"}));
    EXPECT_TRUE(rs.locate("QT", {7}));
    EXPECT_TRUE(rs.locate("DTINICIO", {QDateTime(QDate(2026, 3, 1), QTime(0, 0))}));
    EXPECT_EQ(rs.recNo(), 0);
    const int before = rs.recNo();
    EXPECT_FALSE(rs.locate("QT", {99}));
    EXPECT_EQ(rs.recNo(), before) << "a failed locate does not move";
    EXPECT_THROW(rs.locate("QT;VALOR", {1}), std::invalid_argument);
}

TEST(RecordSetFilter, EditedRowLeavingTheFilterIsHidden)
{
    RecordSet rs;
    rs.setData(planPacket());
    rs.setFilter([](const RecordSet &r) { return r["QT"].asInteger() > 0; });
    rs.setFiltered(true);
    QSignalSpy removed(&rs, &RecordSet::rowRemoved);
    rs.first();
    rs.edit();
    rs["QT"].setValue(0);
    rs.post();
    EXPECT_EQ(rs.recordCount(), 1);
    EXPECT_EQ(removed.count(), 1);
}

TEST(RecordSetChangeLog, RecordsInsertUpdateDeleteAndCancelsThem)
{
    RecordSet rs;
    rs.setData(planPacket());
    EXPECT_EQ(rs.changeCount(), 0);
    rs.first();
    rs.edit();
    rs["QT"].setValue(10);
    rs.post();
    rs.edit();
    rs.post();   // nothing changed: no entry
    rs.append();
    rs["NRTAREFA"].setValue("0000000009");
    rs.post();
    rs.moveTo(1);
    rs.deleteRecord();
    ASSERT_EQ(rs.changeCount(), 3);

    const QJsonObject log = rs.changeLog();
    EXPECT_EQ(log.value("fields").toArray().first().toString(), "NRTAREFA");
    const QJsonArray changes = log.value("changes").toArray();
    EXPECT_EQ(changes.at(0).toObject().value("op").toString(), "update");
    EXPECT_EQ(changes.at(0).toObject().value("old").toArray().at(4).toInt(), 3);
    EXPECT_EQ(changes.at(0).toObject().value("new").toArray().at(4).toInt(), 10);
    EXPECT_EQ(changes.at(1).toObject().value("op").toString(), "insert");
    EXPECT_TRUE(changes.at(1).toObject().value("old").isNull());
    EXPECT_EQ(changes.at(2).toObject().value("op").toString(), "delete");
    EXPECT_EQ(changes.at(2).toObject().value("old").toArray().at(0).toString(), "0000000002");
    EXPECT_TRUE(changes.at(2).toObject().value("new").isNull());

    const QJsonObject before = planPacket();
    rs.cancelUpdates();
    EXPECT_EQ(rs.changeCount(), 0);
    RecordSet original;
    original.setData(before);
    EXPECT_EQ(rs.data(), original.data()) << "cancelUpdates restores rows, values and order";

    rs.first();
    rs.edit();
    rs["QT"].setValue(11);
    rs.post();
    rs.mergeChangeLog();
    EXPECT_EQ(rs.changeCount(), 0);
    EXPECT_EQ(rs["QT"].asInteger(), 11);
}

TEST(RecordSetFile, RoundTripKeepsRowsAndPendingChanges)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("svnupdate_workdir.cds");
    RecordSet rs("cdsControle");
    rs.defineFields({{"CDPRODUTO", FieldType::String, 10},
                     {"DTATUPRODSUBVER", FieldType::DateTime},
                     {"DTULTIMOUPDATE", FieldType::String, 20}});
    rs.open();
    rs.append();
    rs["CDPRODUTO"].setValue("P4001");
    rs["DTATUPRODSUBVER"].setValue(QDateTime(QDate(2026, 1, 2), QTime(3, 4, 5)));
    rs["DTULTIMOUPDATE"].setValue("08/12/2026 09:15:00");
    rs.post();
    ASSERT_TRUE(rs.saveToFile(path));

    RecordSet back("cdsControle");
    back.defineFields({{"CDPRODUTO", FieldType::String, 10},
                       {"DTATUPRODSUBVER", FieldType::DateTime},
                       {"DTULTIMOUPDATE", FieldType::String, 20}});
    ASSERT_TRUE(back.loadFromFile(path));
    EXPECT_EQ(back.data(), rs.data());
    EXPECT_EQ(back.changeCount(), 1);
    EXPECT_EQ(back["DTATUPRODSUBVER"].asString(), "02/01/2026 03:04:05");
    back.cancelUpdates();
    EXPECT_TRUE(back.isEmpty()) << "the pending insert came back with the file";
}

TEST(RecordSetFile, MissingOrCorruptFileChangesNothing)
{
    QTemporaryDir dir;
    RecordSet rs;
    rs.setData(planPacket());
    const QJsonObject before = rs.data();
    EXPECT_FALSE(rs.loadFromFile(dir.filePath("nao-existe.cds")));

    const QString path = dir.filePath("corrupt.cds");
    ASSERT_TRUE(rs.saveToFile(path));
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QByteArray good = f.readAll();
    f.close();
    for (const QByteArray &bad : {good.left(good.size() / 2), QByteArray("not json"),
                                  QByteArray(R"({"format":"qor.recordset","packet":{"fields":[]},"ids":[1]})"),
                                  QByteArray(R"({"format":"other"})")}) {
        ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(bad);
        f.close();
        EXPECT_FALSE(rs.loadFromFile(path)) << bad.left(40).constData();
        EXPECT_EQ(rs.data(), before);
        EXPECT_EQ(rs.recordCount(), 3);
    }
}

TEST(RecordSetSignals, EachChangeReportsItsRow)
{
    RecordSet rs;
    rs.setData(planPacket());
    QSignalSpy changed(&rs, &RecordSet::rowChanged);
    QSignalSpy inserted(&rs, &RecordSet::rowInserted);
    QSignalSpy removed(&rs, &RecordSet::rowRemoved);
    QSignalSpy reset(&rs, &RecordSet::dataReset);
    rs.moveTo(2);
    rs.edit();
    rs["QT"].setValue(1);
    rs.post();
    rs.moveTo(1);
    rs.insert();
    rs.post();
    rs.moveTo(0);
    rs.deleteRecord();
    ASSERT_EQ(changed.count(), 1);
    EXPECT_EQ(changed.at(0).at(0).toInt(), 2);
    ASSERT_EQ(inserted.count(), 1);
    EXPECT_EQ(inserted.at(0).at(0).toInt(), 1);
    ASSERT_EQ(removed.count(), 1);
    EXPECT_EQ(removed.at(0).at(0).toInt(), 0);
    EXPECT_EQ(reset.count(), 0);
    rs.emptyDataSet();
    EXPECT_EQ(reset.count(), 1);
    EXPECT_TRUE(rs.isEmpty());
}

TEST(RecordSetEvents, SeveralListenersRunInOrderAndAnAbortStopsTheRest)
{
    RecordSet rs;
    rs.setData(planPacket());
    QStringList calls;
    const RecordSetEvent::Id first = rs.afterPost.add([&](RecordSet &) { calls << "controller"; });
    rs.afterPost.add([&](RecordSet &) { calls << "status"; });
    rs.edit();
    rs.post();
    EXPECT_EQ(calls, QStringList({"controller", "status"}));

    rs.afterPost.remove(first);
    calls.clear();
    rs.edit();
    rs.post();
    EXPECT_EQ(calls, QStringList({"status"}));

    rs.beforePost.add([](RecordSet &) { Abort(); });
    rs.beforePost.add([&](RecordSet &) { calls << "late"; });
    calls.clear();
    rs.edit();
    EXPECT_THROW(rs.post(), EAbort);
    EXPECT_TRUE(calls.isEmpty()) << "neither the later before-listener nor the after-event ran";
    rs.cancel();

    rs.afterPost = [&](RecordSet &) { calls << "only"; };
    rs.beforePost = nullptr;
    rs.edit();
    rs.post();
    EXPECT_EQ(calls, QStringList({"only"})) << "assigning replaces every listener";
}

TEST(RecordSetFields, MarkersOfDefinedAndLoadedFieldsSurviveReloads)
{
    RecordSet rs;
    rs.defineFields({FieldDef{"NRTAREFA", FieldType::String, 10}});
    rs.setData(planPacket());
    rs["NRTAREFA"].tag = 1;
    rs["OBS"].tag = 1;    // a column that came with the packet
    rs.setData(planPacket());
    EXPECT_EQ(rs["NRTAREFA"].tag, 1);
    EXPECT_EQ(rs["OBS"].tag, 1);
    EXPECT_EQ(rs.recordCount(), 3);
    rs.setData(packet(R"({"fields":[{"name":"NRTAREFA","type":"string","size":10}],"rows":[["0000000009"]]})"));
    EXPECT_EQ(rs["NRTAREFA"].asString(), "0000000009");
    ASSERT_NE(rs.findField("OBS"), nullptr);
    EXPECT_TRUE(rs["OBS"].isNull()) << "a column the packet lacks stays null";
    EXPECT_EQ(rs.textOf("NAOEXISTE"), QString());
    rs.close();
    EXPECT_EQ(rs.textOf("NRTAREFA"), QString()) << "no current row: empty";
}
