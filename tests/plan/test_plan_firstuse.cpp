// What a new operator meets: the filter from the keyboard, the filter shown in
// the window, column widths that fit our font and the status tooltips.
#include "host/dialogs.h"
#include "host/portuguese.h"
#include "host/recordsetmodel.h"
#include "plan/columnscale.h"
#include "plan/filterindicator.h"
#include "plan/filtroativi.h"
#include "plan/gridlayout.h"
#include "plan/planfields.h"
#include "plan/planstyle.h"
#include "plan/plantooltips.h"
#include "plantestsupport.h"
#include <QApplication>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>
#include <QTest>
#include <QToolButton>
#include <gtest/gtest.h>

using namespace plan;
using plantest::RecordingServer;

namespace {

std::vector<QVariantMap> oneActivity()
{
    return {{{"CDFILIAL", "0001"}, {"NRTAREFA", "0000000011"}, {"NRPLATIVTARE", "00001"}, {"NRPRIOATIVTR", "001"},
             {"IDSITATIVTAR", "A"}, {"DSSOLISERV", "Primeira"}, {"DSTEMPLAITAR", "02:00"},
             {"DTFIRATIVTAR", "2026-12-08T00:00:00"}, {"DTFIPATIVTAR", "2026-12-08T00:00:00"}}};
}

struct FilterPage {
    RecordingServer server;
    qor::RecordSet plan{QStringLiteral("cdsPlanAtivTare")};
    QString ini = QStringLiteral("P4"), fin = QStringLiteral("P9zz");
    PlanContext ctx{server, plan, ini, fin};
    QTableView grid;
    QToolButton filtrar;
    FilterDialogHolder holder;
    PlanGridModel *model;
    FilterIndicator *indicator;

    FilterPage()
    {
        plantest::UseTestSession();
        DefinePlanFields(plan);
        model = new PlanGridModel(&plan, &grid);
        grid.setModel(model);
        ApplyPlanColumns(grid, *model);
        indicator = new FilterIndicator(filtrar, grid, plan, holder, &grid);
        rows(oneActivity());
        grid.resize(900, 300);
        grid.show();
    }
    void rows(const std::vector<QVariantMap> &r)
    {
        server.answerPacket("GetPlanAtivTare", plantest::PlanPacket(r));
        plan.setData(plantest::PlanPacket(r));
    }
    TfrmFiltroAtivi &open()
    {
        TfrmFiltroAtivi &dialog = CriaFiltroAtividade(holder, ctx);
        indicator->watch(dialog);
        QApplication::setActiveWindow(&dialog);
        QApplication::processEvents();
        return dialog;
    }
    QJsonArray lastArgs() const { return server.callsOf("GetPlanAtivTare").back().args; }
};

TEST(FilterKeyboard, FirstFieldHasTheFocusEnterConfirmsEscapeCloses)
{
    qor::ScopedScriptedDialogs dialogs;
    FilterPage page;
    TfrmFiltroAtivi &dialog = page.open();
    EXPECT_EQ(QApplication::focusWidget(), dialog.edtProjeto);
    EXPECT_TRUE(dialog.sbtConfirma->isDefault());

    // Tab down to the date, type it, Enter.
    QWidget *focus = dialog.edtProjeto;
    for (int i = 0; i < 5; ++i) {
        QTest::keyClick(focus, Qt::Key_Tab);
        focus = QApplication::focusWidget();
    }
    ASSERT_EQ(focus, dialog.depPlanejado->lineEdit());
    QTest::keyClicks(focus, QStringLiteral("08/12/2026"));
    QTest::keyClick(focus, Qt::Key_Return);
    ASSERT_EQ(page.server.callsOf("GetPlanAtivTare").size(), 1u) << dialogs->texts().join('\n').toStdString();
    EXPECT_EQ(page.lastArgs().at(2), server::Date(QDateTime(QDate(2026, 12, 8), QTime(0, 0))));
    EXPECT_FALSE(dialog.isVisible());

    page.open();
    QTest::keyClicks(dialog.edtCliente, QStringLiteral("ACME"));
    QTest::keyClick(dialog.edtCliente, Qt::Key_Escape);
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(page.server.callsOf("GetPlanAtivTare").size(), 1u) << "Escape loads nothing";
}

TEST(FilterKeyboard, HalfTypedDateIsRefusedWithAMessage)
{
    qor::ScopedScriptedDialogs dialogs;
    FilterPage page;
    TfrmFiltroAtivi &dialog = page.open();
    QTest::keyClicks(dialog.depPlanejado->lineEdit(), QStringLiteral("31/02/2026"));
    QTest::keyClick(dialog.depPlanejado->lineEdit(), Qt::Key_Return);
    EXPECT_TRUE(page.server.callsOf("GetPlanAtivTare").empty());
    ASSERT_EQ(dialogs->count(qor::DialogRequest::Error), 1);
    EXPECT_EQ(dialogs->shown.back().text, PlanTexts().Msg("DATA_INVALIDA"));
    EXPECT_TRUE(dialog.isVisible()) << "the operator corrects the date";
}

TEST(FilterIndicatorState, EmptyResultIsSaidAndActiveFilterShownUntilCleared)
{
    qor::ScopedScriptedDialogs dialogs;
    FilterPage page;
    EXPECT_FALSE(page.filtrar.isChecked());
    EXPECT_TRUE(page.indicator->emptyNotice()->isHidden());

    TfrmFiltroAtivi &dialog = page.open();
    page.server.answerPacket("GetPlanAtivTare", plantest::PlanPacket({}));
    dialog.edtSolici->setText(QStringLiteral("999"));
    dialog.depPlanejado->setDate(QDate(2100, 1, 1));
    dialog.sbtConfirma->click();
    EXPECT_TRUE(page.plan.isEmpty());
    EXPECT_TRUE(page.indicator->emptyNotice()->isVisible());
    EXPECT_EQ(page.indicator->emptyNotice()->text(), QStringLiteral("Nenhuma atividade para o filtro."));
    EXPECT_EQ(page.indicator->emptyNotice()->geometry(), page.grid.viewport()->rect());
    EXPECT_TRUE(page.filtrar.isChecked());
    EXPECT_TRUE(page.filtrar.toolTip().contains(QStringLiteral("Solicitação: 0000000999")));
    EXPECT_TRUE(page.filtrar.toolTip().contains(QStringLiteral("Início Planejado: 01/01/2100")));

    // A click on the button (which toggles it) keeps the mark of the filter.
    page.filtrar.click();
    EXPECT_TRUE(page.filtrar.isChecked());

    page.rows(oneActivity());
    page.server.answerPacket("GetPlanAtivTare", plantest::PlanPacket(oneActivity()));
    dialog.sbtLimpar->click();
    EXPECT_EQ(page.lastArgs(), (QJsonArray{"0001", "000000000001", 0, "", "", "", "", "", "P4", "P9zz"}));
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_FALSE(page.filtrar.isChecked());
    EXPECT_TRUE(page.filtrar.toolTip().isEmpty());
    EXPECT_TRUE(page.indicator->emptyNotice()->isHidden());
    EXPECT_TRUE(dialogs->shown.empty()) << dialogs->texts().join('\n').toStdString();
}

TEST(FilterIndicatorState, MainReloadDropsTheDateFromTheShownFilter)
{
    qor::ScopedScriptedDialogs dialogs;
    FilterPage page;
    TfrmFiltroAtivi &dialog = page.open();
    dialog.depPlanejado->setDate(QDate(2026, 12, 8));
    dialog.sbtConfirma->click();
    EXPECT_TRUE(page.filtrar.isChecked());
    // The window's own reload sends no date: only the date was filtering.
    dialog.noteLoadWithoutDate();
    page.indicator->sync();
    EXPECT_FALSE(page.filtrar.isChecked());
}

int headerNeed(const QTableView &grid, const QString &title)
{
    QFont bold = grid.horizontalHeader()->font();
    bold.setBold(true);
    // The title's padding and border of the grid's header style.
    return QFontMetrics(bold).horizontalAdvance(title) + 8;
}

TEST(ColumnWidths, DefaultColumnsFitTheirTitlesQueueAndDates)
{
    FilterPage page;
    for (const GridLayoutColumns &layout : {GridLayoutColumns(), DefaultLayout()}) {
        if (!layout.isEmpty())
            ApplyLayout(page.grid, *page.model, layout);
        const auto width = [&](const char *field) { return page.grid.columnWidth(page.model->columnOf(field)); };
        for (const char *field : {"NRPRIOATIVTR", "DSTEMPLAITAR", "CDREDUITTRAB", "NMPROCESSO", "DTFIRATIVTAR",
                                  "DTFIPATIVTAR", "DSSOLISERV"})
            EXPECT_LE(headerNeed(page.grid, PlanColumnTitle(field)), width(field)) << field;
        const QFontMetrics cells = page.grid.fontMetrics();
        EXPECT_LE(cells.horizontalAdvance(QStringLiteral("001")) + 4, width("NRPRIOATIVTR"));
        EXPECT_LE(cells.horizontalAdvance(QStringLiteral("02:00")) + 4, width("DSTEMPLAITAR"));
        const QString date = page.plan.fieldByName("DTFIRATIVTAR").displayText();
        EXPECT_EQ(date, QStringLiteral("08/12/2026"));
        EXPECT_LE(cells.horizontalAdvance(date) + 4, width("DTFIRATIVTAR"));
        EXPECT_LE(cells.horizontalAdvance(date) + 4, width("DTFIPATIVTAR"));
    }
}

TEST(ColumnWidths, StoredWidthsStayTheSuitesWhateverTheFont)
{
    for (const int pixels : {6, 11, 16, 23}) {
        FilterPage page;
        QFont font = page.grid.font();
        font.setPixelSize(pixels);
        page.grid.setFont(font);
        const ColumnScale scale(font);
        EXPECT_GE(scale.ratio(), 1.0);
        ApplyLayout(page.grid, *page.model, DefaultLayout());
        EXPECT_EQ(ReadLayout(page.grid, *page.model), DefaultLayout()) << pixels;
        EXPECT_EQ(BuildLayoutText(ReadLayout(page.grid, *page.model)), BuildLayoutText(DefaultLayout()));
        for (int width = 1; width <= 400; ++width)
            ASSERT_EQ(scale.toSuite(scale.toScreen(width)), width) << pixels << " px, width " << width;
    }
}

PlanRowValues row(const char *status, bool realised = false, int plannedDaysAgo = 0)
{
    PlanRowValues v;
    v.status = QString::fromLatin1(status);
    if (realised)
        v.realisedEnd = QDateTime(QDate(2026, 12, 7), QTime(17, 0));
    if (plannedDaysAgo)
        v.plannedEnd = QDateTime(QDate(2026, 12, 8).addDays(-plannedDaysAgo), QTime(0, 0));
    return v;
}

TEST(StatusToolTips, SayWhatTheCellMeansAndWhatAClickDoes)
{
    const QDateTime now(QDate(2026, 12, 8), QTime(10, 0));
    const auto tip = [&](const PlanRowValues &r, const char *column) {
        return StatusToolTip(r, QString::fromLatin1(column), now);
    };
    EXPECT_EQ(tip(row("P"), "IDSITATIVTAR"), QStringLiteral("Não apropriada\nClique: Iniciar a atividade"));
    EXPECT_EQ(tip(row(""), "IDSITATIVTAR"), tip(row("P"), "IDSITATIVTAR"));
    EXPECT_EQ(tip(row("I", false, 2), "IDSITATIVTAR"), QStringLiteral("Paralisada - Em atraso\nClique: Iniciar a atividade"));
    EXPECT_EQ(tip(row("A"), "IDSITATIVTAR"), QStringLiteral("Em andamento\nClique: Pausar"));
    EXPECT_EQ(tip(row("C"), "IDSITATIVTAR"), QStringLiteral("Concluída ou Cancelada"));
    EXPECT_EQ(tip(row("A"), "IDORIGTARE"), QStringLiteral("Em andamento\nClique: Finalizar"));
    EXPECT_EQ(tip(row("I", true, 2), "IDORIGTARE"), QStringLiteral("Paralisada - Finalizada\nClique: Concluir"));
    EXPECT_TRUE(tip(row("I"), "IDORIGTARE").isEmpty()) << "no picture, nothing to explain";
    EXPECT_TRUE(tip(row("A"), "DSSOLISERV").isEmpty());
    EXPECT_FALSE(HeaderToolTip(QStringLiteral("IDSITATIVTAR")).isEmpty());
    EXPECT_FALSE(HeaderToolTip(QStringLiteral("IDORIGTARE")).isEmpty());

    FilterPage page;
    EXPECT_EQ(page.model->index(0, page.model->columnOf("IDSITATIVTAR")).data(Qt::ToolTipRole).toString(),
              QStringLiteral("Em andamento\nClique: Pausar"));
    EXPECT_EQ(page.model->headerData(1, Qt::Horizontal, Qt::ToolTipRole).toString(),
              HeaderToolTip(QStringLiteral("IDORIGTARE")));
    EXPECT_EQ(page.model->headerData(1, Qt::Horizontal).toString(), QStringLiteral("  ")) << "the title stays blank";
}

}

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    qor::UsePortuguese();
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
