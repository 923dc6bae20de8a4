// The booked time of a period for the appropriation follow-up: the caller's
// own intervals only, clipped to the period, with the server's clock.
#include "harness.h"

using namespace apptest;

namespace {

const QString demo = "000000000001";
const QString joao = "000000000003";

class Apropriacao : public SeededServer {
protected:
    QJsonArray period(Client &who, const QString &op, const QDate &from, const QDate &to)
    {
        return who.result("GetApropriacaoPeriodo", {"0001", op, date(from), date(to)}).toArray();
    }
    void book(const QString &op, const QString &task, const QString &from, const QVariant &to)
    {
        server.db().run("INSERT INTO apropriacao (CDOPERADOR, CDFILIAL, NRTAREFA, NRPLATIVTARE, DTINICIO, DTFIM)"
                        " VALUES (?, '0001', ?, '00001', ?, ?)",
                        {op, task, from, to});
    }
    // "task start end" per row, the running one ending in "-".
    static QStringList intervals(const QJsonArray &reply)
    {
        QStringList rows;
        const QJsonValue packet = reply.at(0);
        for (int i = 0; i < column(packet, "NRTAREFA").size(); ++i)
            rows << QString("%1 %2 %3").arg(cell(packet, i, "NRTAREFA").toString(),
                                            cell(packet, i, "DTINICIO").toString(),
                                            cell(packet, i, "DTFIM").isNull() ? "-" : cell(packet, i, "DTFIM").toString());
        return rows;
    }
};

}

TEST_F(Apropriacao, TheSeededWeekComesWithTheActivitiesAndTheServersClock)
{
    const QDate today = QDate::currentDate();
    const QJsonArray reply = period(*client, demo, today.addDays(-8), today);
    const QJsonValue packet = reply.at(0);
    const QStringList tasks = column(packet, "NRTAREFA");
    EXPECT_GE(tasks.size(), 20);
    EXPECT_FALSE(tasks.contains("0000005101")) << "a colleague's interval";
    EXPECT_EQ(intervals(reply).filter(QRegularExpression(" -$")), QStringList{"0000005001 " +
              cell(packet, tasks.size() - 1, "DTINICIO").toString() + " -"}) << "the one running is the last";
    EXPECT_EQ(cell(packet, tasks.size() - 1, "NMPROCESSO").toString(), "Desenvolvimento de Programa");
    EXPECT_EQ(cell(packet, tasks.size() - 1, "NRSOLISERV").toString(), "0000012001");
    EXPECT_TRUE(cell(packet, tasks.size() - 1, "DSREFETAREFA").toString().contains("P401"));

    const QDateTime clock = QDateTime::fromString(reply.at(1).toObject().value("date").toString(), Qt::ISODate);
    ASSERT_TRUE(clock.isValid()) << reply.at(1).toString().toStdString();
    EXPECT_LE(std::abs(clock.secsTo(QDateTime::currentDateTime())), 5);
}

TEST_F(Apropriacao, IntervalsAreClippedToThePeriodsDays)
{
    book(demo, "0000005002", "2020-02-29T10:00:00", "2020-02-29T11:00:00");   // before the period
    book(demo, "0000005002", "2020-03-01T20:00:00", "2020-03-02T00:00:00");   // ends as it begins
    book(demo, "0000005004", "2020-03-01T22:00:00", "2020-03-02T01:30:00");   // across its start
    book(demo, "0000005006", "2020-03-02T10:00:00", "2020-03-02T11:00:00");
    book(demo, "0000005012", "2020-03-03T23:00:00", "2020-03-04T02:00:00");   // across its end
    book(joao, "0000005101", "2020-03-02T09:00:00", QVariant());
    server.db().run("UPDATE apropriacao SET DTINICIO = '2020-03-04T18:00:00' WHERE CDOPERADOR = ? AND DTFIM IS NULL",
                    {demo});

    EXPECT_EQ(intervals(period(*client, demo, QDate(2020, 3, 2), QDate(2020, 3, 3))),
              (QStringList{"0000005004 2020-03-02T00:00:00 2020-03-02T01:30:00",
                           "0000005006 2020-03-02T10:00:00 2020-03-02T11:00:00",
                           "0000005012 2020-03-03T23:00:00 2020-03-04T00:00:00"}));
    // The running interval keeps its open end; a start before the period is the period's first instant.
    EXPECT_EQ(intervals(period(*client, demo, QDate(2020, 3, 5), QDate(2020, 3, 5))),
              QStringList{"0000005001 2020-03-05T00:00:00 -"});
    EXPECT_EQ(intervals(period(*client, demo, QDate(2020, 3, 4), QDate(2020, 3, 4))),
              (QStringList{"0000005012 2020-03-04T00:00:00 2020-03-04T02:00:00", "0000005001 2020-03-04T18:00:00 -"}));
}

TEST_F(Apropriacao, OnlyTheCallersOwnTimeIsRead)
{
    book(joao, "0000005101", "2020-03-02T09:00:00", "2020-03-02T10:00:00");
    // Another operator's code is refused, whoever asks.
    EXPECT_EQ(errorCode(client->call("GetApropriacaoPeriodo",
                                     {"0001", joao, date(QDate(2020, 3, 1)), date(QDate(2020, 3, 31))})),
              -32003);
    EXPECT_EQ(errorCode(as(joao).call("GetApropriacaoPeriodo",
                                      {"0001", demo, date(QDate(2020, 3, 1)), date(QDate(2020, 3, 31))})),
              -32003);
    // João sees his own, the seeded day and this one, and nothing of the demo operator's.
    const QDate today = QDate::currentDate();
    EXPECT_EQ(intervals(period(as(joao), joao, QDate(2020, 3, 1), QDate(2020, 3, 31))),
              QStringList{"0000005101 2020-03-02T09:00:00 2020-03-02T10:00:00"});
    EXPECT_EQ(column(period(as(joao), joao, today.addDays(-8), today).at(0), "NRTAREFA"),
              QStringList{"0000005101"});

    EXPECT_EQ(errorCode(client->call("GetApropriacaoPeriodo",
                                     {"0001", demo, date(QDate(2020, 3, 2)), date(QDate(2020, 3, 1))})),
              -32000);
    EXPECT_EQ(errorCode(client->call("GetApropriacaoPeriodo", {"0001", demo, QJsonValue(), date(QDate(2020, 3, 1))})),
              -32000);
    EXPECT_EQ(errorCode(client->call("GetApropriacaoPeriodo",
                                     {"0001", demo, date(QDate(2020, 1, 1)), date(QDate(2021, 1, 1))})),
              -32000);
    EXPECT_EQ(intervals(period(*client, demo, QDate(2020, 1, 1), QDate(2020, 12, 31))).size(), 0);
}
