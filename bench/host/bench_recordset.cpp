// Speed of the record set and its model at the plan's sizes (thousands of rows).
#include "host/recordset.h"
#include "host/recordsetmodel.h"

#include <QApplication>
#include <QJsonArray>
#include <benchmark/benchmark.h>

using namespace qor;

namespace {

QJsonObject packet(int rows)
{
    QJsonArray fields;
    for (int c = 0; c < 20; ++c)
        fields.append(QJsonObject{{"name", QString("CAMPO%1").arg(c)}, {"type", "string"}, {"size", 30}});
    fields.append(QJsonObject{{"name", "DTINICIO"}, {"type", "datetime"}});
    QJsonArray data;
    for (int r = 0; r < rows; ++r) {
        QJsonArray row;
        for (int c = 0; c < 20; ++c) row.append(QString("valor %1 %2").arg(r).arg(c));
        row.append("2026-03-01T08:30:00");
        data.append(row);
    }
    return QJsonObject{{"fields", fields}, {"rows", data}};
}

void BM_SetData(benchmark::State &state)
{
    const QJsonObject p = packet(int(state.range(0)));
    RecordSet rs;
    for (auto _ : state) rs.setData(p);
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_SetData)->Arg(5000)->Unit(benchmark::kMillisecond);

void BM_EditOneRowThroughTheModel(benchmark::State &state)
{
    RecordSet rs;
    rs.setData(packet(int(state.range(0))));
    RecordSetModel model(&rs);
    model.setEditableColumns({"CAMPO1"});
    int row = 0;
    for (auto _ : state) {
        model.setData(model.index(row, 1), QString("novo %1").arg(row));
        row = (row + 997) % int(state.range(0));
    }
}
BENCHMARK(BM_EditOneRowThroughTheModel)->Arg(5000)->Unit(benchmark::kMicrosecond);

void BM_InsertAndDeleteInTheMiddle(benchmark::State &state)
{
    RecordSet rs;
    rs.setData(packet(int(state.range(0))));
    RecordSetModel model(&rs);
    for (auto _ : state) {
        rs.moveTo(int(state.range(0)) / 2);
        rs.insert();
        rs.post();
        rs.deleteRecord();
    }
}
BENCHMARK(BM_InsertAndDeleteInTheMiddle)->Arg(5000)->Unit(benchmark::kMicrosecond);

void BM_LocateLastRowPartialCaseInsensitive(benchmark::State &state)
{
    RecordSet rs;
    rs.setData(packet(int(state.range(0))));
    const QString wanted = QString("VALOR %1 3").arg(state.range(0) - 1);
    for (auto _ : state) benchmark::DoNotOptimize(rs.locate("CAMPO3", {wanted}, CaseInsensitive | PartialKey));
}
BENCHMARK(BM_LocateLastRowPartialCaseInsensitive)->Arg(5000)->Unit(benchmark::kMicrosecond);

void BM_Filter(benchmark::State &state)
{
    RecordSet rs;
    rs.setData(packet(int(state.range(0))));
    rs.setFilter([](const RecordSet &r) { return r["CAMPO0"].asString().endsWith('7'); });
    for (auto _ : state) {
        rs.setFiltered(true);
        rs.setFiltered(false);
    }
}
BENCHMARK(BM_Filter)->Arg(5000)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    return 0;
}
