// pkg_APR00500 loaded the way the host loads it (QLibrary and its exports),
// on the real application server with the demo seed.
#include "../server/serverprocess.h"
#include "host/dateeditplus.h"
#include "host/dialogs.h"
#include "host/services.h"
#include <QApplication>
#include <QBarCategoryAxis>
#include <QBarSet>
#include <QChart>
#include <QChartView>
#include <QFileDialog>
#include <QLabel>
#include <QLibrary>
#include <QPointer>
#include <QPushButton>
#include <QStackedBarSeries>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

namespace {

using Entry = void (*)();

QWidget *followUpWindow()
{
    for (QWidget *w : QApplication::allWidgets())
        if (w->objectName() == QLatin1String("frmAcompanhaAPR"))
            return w;
    return nullptr;
}

class FollowUpLibrary : public ::testing::Test {
protected:
    void SetUp() override
    {
        APR_REQUIRE_COMPONENT(server.start(QStringLiteral(APR_SERVER_BIN)), "apr-server", server.why());
        qputenv("APR_HOME", home.path().toUtf8());
        qor::Session session;
        session.operador = QStringLiteral("000000000001");
        session.filial = QStringLiteral("0001");
        session.empresa = QStringLiteral("0001");
        session.webUrl = server.host();
        session.webPort = server.port();
        session.token = server.token();
        qor::SetSession(session);
        library.setFileName(QStringLiteral(APR_ACOMPANHA_LIBRARY));
        ASSERT_TRUE(library.load()) << qPrintable(library.errorString());
        cria = reinterpret_cast<Entry>(library.resolve("CriaAcompanhaAPR"));
        finaliza = reinterpret_cast<Entry>(library.resolve("FinalizaModulo"));
        ASSERT_TRUE(cria && finaliza);
        cria();
        window = followUpWindow();
        ASSERT_NE(window, nullptr);
        table = window->findChild<QTableWidget *>(QStringLiteral("dbgApropriacao"));
        ASSERT_NE(table, nullptr);
    }
    void TearDown() override
    {
        if (finaliza)
            finaliza();
        QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        if (library.isLoaded())
            library.unload();
    }
    // The row of the running interval (its cells are bold), -1 without one.
    int runningRow() const
    {
        for (int r = 0; r < table->rowCount(); ++r)
            if (table->item(r, 0)->font().bold())
                return r;
        return -1;
    }
    QString text(int row, int column) const { return table->item(row, column)->text(); }

    testsupport::ServerProcess server;
    QTemporaryDir home;
    qor::ScopedScriptedDialogs dialogs;
    QLibrary library;
    Entry cria = nullptr, finaliza = nullptr;
    QPointer<QWidget> window;
    QTableWidget *table = nullptr;
};

}

TEST_F(FollowUpLibrary, ThisWeeksTimeAsTableAndChartWithTheRunningIntervalGrowing)
{
    EXPECT_EQ(window->windowTitle(), QStringLiteral("Acompanhamento Apropriação"));
    const QDate today = QDate::currentDate();
    const QDate monday = today.addDays(1 - today.dayOfWeek());
    EXPECT_EQ(window->findChild<qor::TDateEditPlus *>("edtInicio")->date(), monday);
    EXPECT_EQ(window->findChild<qor::TDateEditPlus *>("edtFim")->date(), monday.addDays(6));
    EXPECT_TRUE(dialogs->shown.empty()) << qPrintable(dialogs->texts().join('\n'));

    const int running = runningRow();
    ASSERT_GE(running, 0) << "the seeded running interval of task 0000005001";
    EXPECT_EQ(text(running, 1), "0000005001");
    EXPECT_EQ(text(running, 0), today.toString("dd/MM/yyyy"));
    EXPECT_EQ(text(running, 4), QStringLiteral("Desenvolvimento de Programa"));
    EXPECT_TRUE(window->findChild<QLabel *>("lblAndamento")->text().contains("0000005001"));

    auto *chart = window->findChild<QChartView *>("chtApropriacao")->chart();
    ASSERT_EQ(chart->series().size(), 1);
    auto *bars = qobject_cast<QStackedBarSeries *>(chart->series().first());
    ASSERT_NE(bars, nullptr);
    auto *days = qobject_cast<QBarCategoryAxis *>(chart->axes(Qt::Horizontal).value(0));
    ASSERT_NE(days, nullptr);
    EXPECT_EQ(days->categories().size(), 7);
    QStringList activities;
    for (int r = 0; r < table->rowCount(); ++r)
        if (!activities.contains(text(r, 1) + "/" + text(r, 2)))
            activities << text(r, 1) + "/" + text(r, 2);
    EXPECT_EQ(bars->count(), activities.size());

    // The server's clock moves the running interval on, table and chart.
    QBarSet *runningBars = nullptr;
    for (QBarSet *set : bars->barSets())
        if (set->label() == "0000005001/00001")
            runningBars = set;
    ASSERT_NE(runningBars, nullptr);
    const int todayIndex = int(monday.daysTo(today));
    const QString before = text(running, 6);
    const double barBefore = runningBars->at(todayIndex);
    QTest::qWait(2100);
    EXPECT_GT(text(running, 6), before);
    EXPECT_GT(runningBars->at(todayIndex), barBefore);
}

TEST_F(FollowUpLibrary, ThePeriodIsCheckedAndLastWeekRead)
{
    auto *from = window->findChild<qor::TDateEditPlus *>("edtInicio");
    auto *to = window->findChild<qor::TDateEditPlus *>("edtFim");
    auto *refresh = window->findChild<QPushButton *>("btnAtualizar");
    const int rows = table->rowCount();
    from->setDate(QDate(2026, 3, 2));
    to->setDate(QDate(2026, 3, 1));
    refresh->click();
    EXPECT_EQ(dialogs->texts().value(0), QStringLiteral("A data final deve ser igual ou posterior à data inicial."));
    EXPECT_EQ(table->rowCount(), rows) << "what was shown stays";

    // The seed books eight days back: three stretches a day, one evening across midnight.
    const QDate today = QDate::currentDate();
    from->setDate(today.addDays(-8));
    to->setDate(today.addDays(-1));
    refresh->click();
    EXPECT_EQ(runningRow(), -1);
    QStringList dates;
    for (int r = 0; r < table->rowCount(); ++r)
        dates << text(r, 0);
    dates.removeDuplicates();
    EXPECT_EQ(dates.size(), 8);
    EXPECT_TRUE(window->findChild<QLabel *>("lblAndamento")->text().isEmpty());
}

TEST_F(FollowUpLibrary, TheTableGoesOutAsCsvThroughTheDialogSeam)
{
    QTemporaryDir out;
    const QString file = out.filePath("semana.csv");
    QString title;
    dialogs->onModal = [&](QDialog &dialog) {
        title = dialog.windowTitle();
        static_cast<QFileDialog &>(dialog).selectFile(file);
        return int(QDialog::Accepted);
    };
    window->findChild<QPushButton *>("btnExportar")->click();
    EXPECT_EQ(title, QStringLiteral("Exportar Acompanhamento Apropriação"));
    QFile csv(file);
    ASSERT_TRUE(csv.open(QIODevice::ReadOnly)) << qPrintable(dialogs->texts().join('\n'));
    const QByteArray bytes = csv.readAll();
    ASSERT_TRUE(bytes.startsWith("\xEF\xBB\xBF"));
    const QStringList lines = QString::fromUtf8(bytes.mid(3)).split("\r\n", Qt::SkipEmptyParts);
    EXPECT_EQ(lines.value(0), QStringLiteral("Data;Tarefa;Atividade;Solicitação;Processo;Descrição;Duração;Horas"));
    EXPECT_EQ(lines.size(), table->rowCount() + 1);
    const QRegularExpression row(QStringLiteral("^\\d\\d/\\d\\d/\\d{4};\\d{10};\\d{5};.*;\\d\\d:\\d\\d:\\d\\d;\\d+,\\d\\d$"));
    for (const QString &line : lines.mid(1))
        EXPECT_TRUE(row.match(line).hasMatch()) << qPrintable(line);
    EXPECT_TRUE(window->findChild<QLabel *>("lblSituacao")->text().contains(file));

    // A file that cannot be written says so.
    dialogs->onModal = [&](QDialog &dialog) {
        static_cast<QFileDialog &>(dialog).selectFile(out.filePath("nao/existe/semana.csv"));
        return int(QDialog::Accepted);
    };
    window->findChild<QPushButton *>("btnExportar")->click();
    EXPECT_TRUE(dialogs->texts().join('\n').contains(QStringLiteral("Não foi possível gravar o arquivo"))) 
        << qPrintable(dialogs->texts().join('\n'));
}
