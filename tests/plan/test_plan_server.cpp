// The plan against the real apr-server (--seed demo on a free port): the seeded
// plan as the delegate draws it, the filter, a queue edit across a reload and
// the grid layout across a reopen of the window.
#include "host/dialogs.h"
#include "plan/filtroativi.h"
#include "plan/gridlayout.h"
#include "plan/plandelegate.h"
#include "plan/planfields.h"
#include "plan/plangridcontroller.h"
#include "plan/planloader.h"
#include "plan/planstyle.h"
#include "plan/processos.h"
#include "plantestsupport.h"
#include "server/connectionuses.h"
#include "server/netconnection.h"
#include "server/netremoteserver.h"
#include "host/portuguese.h"
#include "plan/columnscale.h"
#include <QApplication>
#include <QHeaderView>
#include <QImage>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>
#include <QTest>
#include "../server/serverprocess.h"
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <map>
#include <memory>
#include <set>

using namespace plan;

namespace {

// The real server with the demo seed, its demo operator signed in.
class AprServer : public testsupport::ServerProcess {
public:
    AprServer()
    {
        if (start(QStringLiteral(APR_SERVER_BIN))) {
            host = ServerProcess::host();
            port = ServerProcess::port();
        }
    }
    QString tokenOf(const QString &operador)
    {
        QString &cached = m_tokens[operador];
        if (cached.isEmpty())
            cached = operador == QStringLiteral("000000000001") ? token() : tokenFor(operador);
        return cached;
    }
    QString host;
    int port = 0;

private:
    std::map<QString, QString> m_tokens;
};

AprServer *g_server = nullptr;

struct Link {
    server::TNetConnection connection;
    server::ConnectionUses uses;
    server::NetRemoteServer remote{connection, uses};
    Link()
    {
        connection.Host = g_server->host;
        connection.Port = g_server->port;
        // Signed in as the operator of the session the test set, at each connect.
        QObject::connect(&connection, &server::TNetConnection::beforeConnect,
                         [](server::TNetConnection &c) { c.Token = g_server->tokenOf(qor::Operador()); });
    }
};

// The plan page of one opening of the main window.
struct PlanPage {
    Link link;
    qor::RecordSet plan{QStringLiteral("cdsPlanAtivTare")};
    qor::RecordSet andamento{QStringLiteral("cdsAtividadeAndamento")};
    QString ini, fin;
    PlanContext ctx{link.remote, plan, ini, fin};
    QTableView grid;
    PlanGridModel *model;
    PlanDelegate *delegate;
    PlanGridController *controller;
    GridLayoutStore layout{link.remote, grid, *(model = new PlanGridModel(&plan, &grid))};
    PlanLoader loader{ctx, andamento, nullptr};

    PlanPage()
    {
        plantest::UseTestSession();
        DefinePlanFields(plan);
        DefineAndamentoFields(andamento);
        grid.setModel(model);
        ApplyPlanColumns(grid, *model);
        delegate = new PlanDelegate(*model, &grid);
        grid.setItemDelegate(delegate);
        controller = new PlanGridController(grid, *model, link.remote, &grid);
        grid.resize(1100, 700);
    }
    QModelIndex cell(int row, const char *field) { return model->index(row, model->columnOf(field)); }
    QString text(int row, const char *field) { return plan.fieldByName(field).valueAt(row).toString(); }
    int rowOf(const QString &task)
    {
        for (int r = 0; r < plan.recordCount(); ++r)
            if (text(r, "NRTAREFA") == task)
                return r;
        return -1;
    }
};

class PlanServerTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        APR_REQUIRE_COMPONENT(g_server && g_server->port > 0, "apr-server", g_server ? g_server->why() : QString());
    }
    qor::ScopedScriptedDialogs dialogs;
};

}

TEST_F(PlanServerTest, SeededPlanRowsGetTheirColoursAndPictures)
{
    PlanPage page;
    page.loader.GetPlanAtivTare();
    ASSERT_GT(page.plan.recordCount(), 10);
    EXPECT_TRUE(dialogs->shown.empty()) << dialogs->texts().join("\n").toStdString();

    const QDateTime now = QDateTime::currentDateTime();
    std::set<int> pictures;
    std::set<QRgb> colours;
    for (int r = 0; r < page.plan.recordCount(); ++r) {
        const QString status = page.text(r, "IDSITATIVTAR").trimmed();
        const QDateTime planned = page.plan.fieldByName("DTFIPATIVTAR").valueAt(r).toDateTime();
        const bool finished = !page.plan.fieldByName("DTFIRATIVTAR").valueAt(r).isNull();
        const CellStyle first = page.delegate->styleFor(page.cell(r, "IDSITATIVTAR"), false);
        const CellStyle second = page.delegate->styleFor(page.cell(r, "IDORIGTARE"), false);
        const CellStyle queue = page.delegate->styleFor(page.cell(r, "NRPRIOATIVTR"), false);
        const std::string at = ("row " + QString::number(r) + " status '" + status + "'").toStdString();
        pictures.insert(int(first.picture));
        pictures.insert(int(second.picture));
        pictures.insert(int(queue.picture));
        colours.insert(first.font.rgb());

        if (status == "A") {
            EXPECT_EQ(first.picture, Picture::Pause) << at;
            EXPECT_EQ(second.picture, Picture::Finalizado) << at;
            EXPECT_EQ(first.font, ColorEmAndamento()) << at;
        } else if (status == "I") {
            EXPECT_EQ(first.picture, Picture::Play) << at;
            EXPECT_EQ(second.picture, finished ? Picture::Confirmar : Picture::None) << at;
            const QColor expected = finished ? ColorFinalizada()
                                  : planned.isValid() && planned < now ? ColorEmAtraso() : ColorParalisada();
            EXPECT_EQ(first.font, expected) << at;
        } else if (status == "P" || status.isEmpty()) {
            EXPECT_EQ(first.text, QStringLiteral("Iniciar")) << at;
            if (planned.isValid() && planned < now)
                EXPECT_EQ(first.font, ColorEmAtraso()) << at;
        } else {
            EXPECT_EQ(first.picture, Picture::None) << at;
            EXPECT_EQ(first.font, status == "X" && finished ? ColorFinalizada() : ColorConcluida()) << at;
        }
        const bool monitoring = plan::processos::MonitoramentoProjeto(page.text(r, "CDPROCESSO"));
        EXPECT_EQ(queue.picture == Picture::Monitoramento, monitoring) << at;
    }
    for (Picture p : {Picture::Play, Picture::Pause, Picture::Finalizado, Picture::Confirmar, Picture::Monitoramento})
        EXPECT_TRUE(pictures.count(int(p))) << "the demo shows picture " << int(p);
    for (QColor c : {ColorEmAndamento(), ColorParalisada(), ColorEmAtraso(), ColorFinalizada(), ColorConcluida()})
        EXPECT_TRUE(colours.count(c.rgb())) << "the demo shows colour " << c.name().toStdString();
}

TEST_F(PlanServerTest, PaintedGridShowsPicturesAndTheSelection)
{
    PlanPage page;
    page.loader.GetPlanAtivTare();
    int running = -1;
    for (int r = 0; r < page.plan.recordCount() && running < 0; ++r)
        if (page.text(r, "IDSITATIVTAR") == "A")
            running = r;
    ASSERT_GE(running, 0);
    page.grid.show();
    page.grid.selectRow(running == 0 ? 1 : 0);
    const QImage image = page.grid.viewport()->grab().toImage();
    if (qEnvironmentVariableIsSet("APR_PLAN_SCREENSHOT"))
        page.grid.grab().save(qEnvironmentVariable("APR_PLAN_SCREENSHOT"));
    const auto contains = [&](const QRect &rect, QColor colour) {
        for (int y = rect.top(); y <= rect.bottom(); ++y)
            for (int x = rect.left(); x <= rect.right(); ++x)
                if (image.pixelColor(x, y) == colour)
                    return true;
        return false;
    };
    const QRect pause = page.grid.visualRect(page.cell(running, "IDSITATIVTAR"));
    EXPECT_TRUE(contains(pause, QColor("#000080"))) << "pause picture of the running activity";
    const QRect finish = page.grid.visualRect(page.cell(running, "IDORIGTARE"));
    EXPECT_TRUE(contains(finish, Qt::black)) << "finish picture of the running activity";
    const int selected = running == 0 ? 1 : 0;
    const QRect sel = page.grid.visualRect(page.cell(selected, "DSSOLISERV"));
    EXPECT_EQ(image.pixelColor(sel.right() - 2, sel.bottom() - 2), page.grid.palette().color(QPalette::Highlight));
}

TEST_F(PlanServerTest, FilterNarrowsThePlanAndMainReloadKeepsIt)
{
    PlanPage page;
    FilterDialogHolder holder;
    PlanLoader loader(page.ctx, page.andamento, &holder);
    loader.GetPlanAtivTare();
    const int all = page.plan.recordCount();
    const QString request = page.text(0, "NRSOLISERV");

    TfrmFiltroAtivi &filter = CriaFiltroAtividade(holder, page.ctx);
    filter.edtSolici->setText(QString::number(request.toLongLong()));
    filter.sbtConfirma->click();
    ASSERT_TRUE(dialogs->shown.empty()) << dialogs->texts().join("\n").toStdString();
    EXPECT_EQ(filter.edtSolici->text(), request);
    ASSERT_GE(page.plan.recordCount(), 1);
    EXPECT_LT(page.plan.recordCount(), all);
    for (int r = 0; r < page.plan.recordCount(); ++r)
        EXPECT_EQ(page.text(r, "NRSOLISERV"), request);

    loader.GetPlanAtivTare();
    EXPECT_LT(page.plan.recordCount(), all) << "the reload uses the kept filter";
    filter.edtSolici->clear();
    loader.GetPlanAtivTare();
    EXPECT_EQ(page.plan.recordCount(), all);
}

TEST_F(PlanServerTest, TypedPlannedStartNarrowsThePlan)
{
    PlanPage page;
    FilterDialogHolder holder;
    PlanLoader loader(page.ctx, page.andamento, &holder);
    loader.GetPlanAtivTare();
    const int all = page.plan.recordCount();

    const QDate today = QDate::currentDate();
    TfrmFiltroAtivi &filter = CriaFiltroAtividade(holder, page.ctx);
    QTest::keyClicks(filter.depPlanejado->lineEdit(), today.toString(QStringLiteral("dd/MM/yyyy")));
    QTest::keyClick(filter.depPlanejado->lineEdit(), Qt::Key_Return);
    ASSERT_TRUE(dialogs->shown.empty()) << dialogs->texts().join("\n").toStdString();
    EXPECT_FALSE(filter.isVisible());
    ASSERT_GE(page.plan.recordCount(), 1) << "the seed plans activities from today on";
    EXPECT_LT(page.plan.recordCount(), all) << "and some before";
    for (int r = 0; r < page.plan.recordCount(); ++r)
        EXPECT_GE(page.plan.fieldByName("DTINPATIVTAR").valueAt(r).toDateTime().date(), today) << r;
}

TEST_F(PlanServerTest, QueueEditSurvivesAReload)
{
    PlanPage page;
    page.loader.GetPlanAtivTare();
    const QString task = page.text(1, "NRTAREFA");
    ASSERT_TRUE(page.model->setData(page.cell(1, "NRPRIOATIVTR"), "42"));
    EXPECT_TRUE(dialogs->shown.empty()) << dialogs->texts().join("\n").toStdString();

    PlanPage reopened;
    reopened.loader.GetPlanAtivTare();
    const int row = reopened.rowOf(task);
    ASSERT_GE(row, 0);
    EXPECT_EQ(reopened.text(row, "NRPRIOATIVTR"), QStringLiteral("042"));
}

TEST_F(PlanServerTest, MovedAndResizedColumnComesBackAfterReopening)
{
    qor::Session s;
    s.operador = QStringLiteral("000000000003");
    s.filial = QStringLiteral("0001");
    GridLayoutColumns saved;
    {
        PlanPage page;
        qor::SetSession(s);
        page.layout.RestauraGrid();
        EXPECT_EQ(ReadLayout(page.grid, *page.model), DefaultLayout()) << "no layout stored yet";
        QHeaderView *header = page.grid.horizontalHeader();
        header->moveSection(header->visualIndex(page.model->columnOf("NRPRIOATIVTR")), 0);
        header->resizeSection(page.model->columnOf("NRPRIOATIVTR"), ColumnScale(page.grid.font()).toScreen(57));
        page.layout.SalvaGrid();   // the window closes
        saved = ReadLayout(page.grid, *page.model);
        EXPECT_TRUE(dialogs->shown.empty()) << dialogs->texts().join("\n").toStdString();
    }
    PlanPage reopened;
    qor::SetSession(s);
    reopened.layout.RestauraGrid();
    const GridLayoutColumns restored = ReadLayout(reopened.grid, *reopened.model);
    EXPECT_EQ(restored, saved);
    EXPECT_EQ(restored.at(0), (ColumnLayout{"NRPRIOATIVTR", 57}));
}

TEST_F(PlanServerTest, StoredLayoutWithZeroWidthAndLetters)
{
    qor::Session s;
    s.operador = QStringLiteral("000000000002");
    s.filial = QStringLiteral("0001");
    PlanPage page;
    qor::SetSession(s);
    GridLayoutColumns stored = DefaultLayout();
    std::reverse(stored.begin(), stored.end());
    QString text = BuildLayoutText(stored);
    text.replace(18 * 4 + 13, 4, "0   ");
    text.replace(18 * 5 + 13, 4, "    ");
    page.link.remote.call("SetProgOperOpc", {"APR00100", s.operador, text, "1"});

    // Columns 4 and 5 stay as the grid has them; the others follow the text.
    page.layout.RestauraGrid();
    GridLayoutColumns expected = stored;
    expected[4] = {"CDREDUITTRAB", 100};
    expected[5] = {"NMPROCESSO", 200};
    EXPECT_EQ(ReadLayout(page.grid, *page.model), expected);

    // A kept column that the text also names elsewhere would show a field twice
    // and lose another: the default wins.
    page.layout.RestauraDefault();
    stored = DefaultLayout();
    std::swap(stored[0], stored[1]);
    stored[0].width = 44;
    stored[8].width = 0;
    page.link.remote.call("SetProgOperOpc", {"APR00100", s.operador, BuildLayoutText(stored), "2"});
    page.layout.RestauraGrid();
    expected = stored;
    expected[8] = DefaultLayout().at(8);
    EXPECT_EQ(ReadLayout(page.grid, *page.model), expected);
    stored[8] = {"IDORIGTARE", 0};
    stored[1] = {"DTFIPATIVTAR", 70};
    page.link.remote.call("SetProgOperOpc", {"APR00100", s.operador, BuildLayoutText(stored), "2"});
    page.layout.RestauraGrid();
    EXPECT_EQ(ReadLayout(page.grid, *page.model), DefaultLayout());

    QString letters = BuildLayoutText(DefaultLayout());
    letters.replace(18 * 2 + 13, 4, "2O  ");
    page.link.remote.call("SetProgOperOpc", {"APR00100", s.operador, letters, "2"});
    page.grid.horizontalHeader()->resizeSection(0, 99);
    page.layout.RestauraGrid();
    EXPECT_EQ(ReadLayout(page.grid, *page.model), DefaultLayout());
    EXPECT_TRUE(dialogs->shown.empty()) << dialogs->texts().join("\n").toStdString();
}

// The server starts only when tests run, not when they are listed.
class AprServerEnvironment : public ::testing::Environment {
public:
    void SetUp() override
    {
        m_server = std::make_unique<AprServer>();
        g_server = m_server.get();
    }
    void TearDown() override
    {
        g_server = nullptr;
        m_server.reset();
    }

private:
    std::unique_ptr<AprServer> m_server;
};

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    // As the host runs the module: Brazilian formats and Qt's texts in Portuguese.
    qor::UsePortuguese();
    ::testing::InitGoogleTest(&argc, argv);
    ::testing::AddGlobalTestEnvironment(new AprServerEnvironment);
    return RUN_ALL_TESTS();
}
