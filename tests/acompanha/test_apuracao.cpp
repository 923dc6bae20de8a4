// The follow-up's sums per day and activity, and its text for spreadsheets.
#include "acompanha/apuracao.h"
#include <QJsonArray>
#include <QTimeZone>
#include <gtest/gtest.h>

using namespace acompanha;

namespace {

QDateTime at(const char *stamp) { return HoraServidor(QString::fromLatin1(stamp)); }

Intervalo interval(const char *task, const char *from, const char *to, const QString &process = "Desenvolvimento")
{
    return Intervalo{"0001", task, "00001", "0000012001", process, "Ajuste do cálculo", at(from), to ? at(to) : QDateTime()};
}

// "dd/MM task seconds" per row, "*" after the one holding the running interval.
QStringList rows(const Apuracao &apuracao)
{
    QStringList out;
    for (const TempoDia &l : apuracao.linhas)
        out << QString("%1 %2 %3%4").arg(l.dia.toString("dd/MM"), l.tarefa).arg(l.segundos).arg(l.emAndamento ? "*" : "");
    return out;
}

const std::vector<Intervalo> week = {
    interval("0000005001", "2026-12-07T22:00:00", "2026-12-08T01:30:00"),   // across the period's start
    interval("0000005002", "2026-12-08T09:00:00", "2026-12-08T10:15:00"),
    interval("0000005001", "2026-12-08T11:00:00", "2026-12-08T11:30:00"),
    interval("0000005002", "2026-12-09T23:00:00", nullptr),                 // running past midnight
};

}

TEST(Apuracao, IntervalsAreSplitAtMidnightAndSummedPerDayAndActivity)
{
    const Apuracao apuracao = Apura(week, QDate(2026, 12, 8), QDate(2026, 12, 10), at("2026-12-10T00:30:15"));
    EXPECT_EQ(rows(apuracao), (QStringList{"08/12 0000005001 7200", "08/12 0000005002 4500",
                                           "09/12 0000005002 3600", "10/12 0000005002 1815*"}));
    EXPECT_EQ(apuracao.total(), 7200 + 4500 + 3600 + 1815);
    EXPECT_EQ(apuracao.totalDoDia(QDate(2026, 12, 8)), 11700);
    EXPECT_EQ(apuracao.atividades(), (QStringList{"0000005001/00001", "0000005002/00001"}));
    EXPECT_TRUE(apuracao.temAndamento());
}

TEST(Apuracao, TheRunningIntervalGrowsWithTheClockUpToThePeriodsEnd)
{
    const QDate day(2026, 12, 10);
    EXPECT_EQ(rows(Apura(week, day, day, at("2026-12-10T00:30:16"))), QStringList{"10/12 0000005002 1816*"});
    EXPECT_EQ(rows(Apura(week, day, day, at("2026-12-12T05:00:00"))), QStringList{"10/12 0000005002 86400*"});
    // A server clock behind the interval's start (set back) counts nothing rather than less than nothing.
    EXPECT_TRUE(Apura(week, QDate(2026, 12, 9), day, at("2026-12-09T22:00:00")).linhas.empty());
    EXPECT_TRUE(Apura(week, QDate(2026, 12, 1), QDate(2026, 12, 6), at("2026-12-10T00:00:00")).linhas.empty());
}

TEST(Apuracao, ServerPacketAndStamps)
{
    EXPECT_FALSE(HoraServidor("2026-12-08 10:00:00").isValid());
    EXPECT_FALSE(HoraServidor("2026-02-30T10:00:00").isValid());
    EXPECT_EQ(HoraServidor("2026-12-08T10:00:00").timeSpec(), Qt::UTC);
    const QJsonObject packet{
        {"fields", QJsonArray{QJsonObject{{"name", "NRTAREFA"}}, QJsonObject{{"name", "DSREFETAREFA"}},
                              QJsonObject{{"name", "DSREFESOLI"}}, QJsonObject{{"name", "DTINICIO"}},
                              QJsonObject{{"name", "DTFIM"}}}},
        {"rows", QJsonArray{QJsonArray{"0000005001", QJsonValue(), "Da solicitação", "2026-12-08T08:00:00", QJsonValue()},
                            QJsonArray{"0000005002", "Da tarefa", "x", "2026-12-08T07:00:00", "2026-12-08T08:00:00"},
                            QJsonArray{"0000005003", "Sem início", "x", QJsonValue(), QJsonValue()}}}};
    const std::vector<Intervalo> read = IntervalosDoPacote(packet);
    ASSERT_EQ(read.size(), 2u);
    EXPECT_TRUE(read[0].emAndamento());
    EXPECT_EQ(read[0].descricao, "Da solicitação");
    EXPECT_EQ(read[1].descricao, "Da tarefa");
    EXPECT_EQ(read[1].fim, at("2026-12-08T08:00:00"));
}

TEST(Apuracao, CsvIsWhatBrazilianSpreadsheetsRead)
{
    EXPECT_EQ(Duracao(90061), "25:01:01");
    EXPECT_EQ(HorasDecimais(5400), "1,50");
    EXPECT_EQ(HorasDecimais(4500), "1,25");
    EXPECT_EQ(HorasDecimais(17), "0,00");
    EXPECT_EQ(HorasDecimais(36000 + 1799), "10,50");

    std::vector<Intervalo> intervals = week;
    intervals[1].processo = "Manutenção; \"urgente\"";
    const Apuracao apuracao = Apura(intervals, QDate(2026, 12, 8), QDate(2026, 12, 8), at("2026-12-10T00:00:00"));
    const QByteArray csv = Csv(apuracao, {"Data", "Tarefa", "Atividade", "Solicitação", "Processo", "Descrição",
                                          "Duração", "Horas"});
    ASSERT_TRUE(csv.startsWith("\xEF\xBB\xBF"));
    const QStringList lines = QString::fromUtf8(csv.mid(3)).split("\r\n");
    EXPECT_EQ(lines, (QStringList{
                         "Data;Tarefa;Atividade;Solicitação;Processo;Descrição;Duração;Horas",
                         "08/12/2026;0000005001;00001;0000012001;Desenvolvimento;Ajuste do cálculo;02:00:00;2,00",
                         "08/12/2026;0000005002;00001;0000012001;\"Manutenção; \"\"urgente\"\"\";Ajuste do cálculo;"
                         "01:15:00;1,25",
                         ""}));
    EXPECT_TRUE(csv.contains("Manuten\xC3\xA7\xC3\xA3o")) << "accents as UTF-8";
}
