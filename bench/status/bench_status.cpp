// A status click on the 5,000-activity plan: a non-development activity is
// started, paused and resumed through the transitions as the grid drives them
// (the checks, the local switch with its queue saves, the server's switch),
// each time until the reloaded plan is painted, against a plain reload and paint.
#include "benchplanserver.h"
#include "host/dialogs.h"
#include "host/messages.h"
#include "host/services.h"
#include "plan/plandelegate.h"
#include "plan/planfields.h"
#include "plan/plangridcontroller.h"
#include "plan/planloader.h"
#include "plan/processos.h"
#include "plan/situacao.h"
#include "plan/transicoes.h"
#include <QApplication>
#include <QElapsedTimer>
#include <QImage>
#include <QTableView>
#include <QTemporaryDir>
#include <QToolButton>
#include <cstdio>
#include <map>

namespace {

using namespace benchplan;

// The server's share of a click, per method: where the time goes.
class TimingServer : public server::RemoteServer {
public:
    explicit TimingServer(server::RemoteServer &inner) : m_inner(inner) {}
    void acquire() override { m_inner.acquire(); }
    void release() override { m_inner.release(); }
    qor::RemoteResult callRaw(const QString &method, const QJsonArray &args) override
    {
        QElapsedTimer t;
        t.start();
        qor::RemoteResult r = m_inner.callRaw(method, args);
        if (recording)
            ms[method] += t.nsecsElapsed() / 1e6;
        return r;
    }
    bool recording = false;
    std::map<QString, double> ms;

private:
    server::RemoteServer &m_inner;
};

struct Fixture {
    QTemporaryDir dir;
    std::unique_ptr<ServerProcess> server;
    server::TNetConnection connection;
    server::ConnectionUses uses;
    std::unique_ptr<server::NetRemoteServer> net;
    std::unique_ptr<TimingServer> remote;
    qor::RecordSet plan{QStringLiteral("cdsPlanAtivTare")};
    qor::RecordSet andamento{QStringLiteral("cdsAtividadeAndamento")};
    QTableView grid;
    plan::PlanGridModel *model = nullptr;
    QString ini, fin;
    std::unique_ptr<plan::PlanContext> context;
    std::unique_ptr<plan::PlanLoader> loader;
    QToolButton interno, externo;
    qor::TMessages textos;
    bool boCheckOut = true, boJustificou = false, boAcordo = false, boOperaSubversion = false;
    qor::RecordSet::Bookmark bkPosicao = -1;
    std::unique_ptr<plan::TransicoesAtividade> transicoes;

    Fixture()
    {
        const QString path = dir.filePath(QStringLiteral("apr.db"));
        int seeded = 0;
        {
            ServerProcess demo(path, true);
            seeded = planRows(demo.port);
        }
        growPlan(path, kActivities - seeded);
        server = std::make_unique<ServerProcess>(path, false);
        connection.Host = QStringLiteral("127.0.0.1");
        connection.Port = server->port;
        connection.Token = signIn(server->port);
        net = std::make_unique<server::NetRemoteServer>(connection, uses);
        remote = std::make_unique<TimingServer>(*net);
        remote->acquire();          // one permanent use, as the window keeps it
        plan::DefinePlanFields(plan);
        plan::DefineAndamentoFields(andamento);
        model = new plan::PlanGridModel(&plan, &grid);
        grid.setModel(model);
        plan::ApplyPlanColumns(grid, *model);
        grid.setItemDelegate(new plan::PlanDelegate(*model, &grid));
        new plan::PlanGridController(grid, *model, *remote, &grid);
        grid.resize(1280, 800);
        context.reset(new plan::PlanContext{*remote, plan, ini, fin});
        loader = std::make_unique<plan::PlanLoader>(*context, andamento, nullptr);
        loader->setAttendanceButtons(&interno, &externo);

        plan::OperacoesTransicoes op;
        op.sbtAteInterno = &interno;
        op.sbtAteExterno = &externo;
        op.recarregaPlano = [this] { reloadAndPaint(); };
        op.idProdSvn = [this](const QString &produto) {
            qor::RecordSet produtos;
            remote->load(produtos, QStringLiteral("GetProdSubv"), {produto});
            return produtos.textOf(QStringLiteral("IDPRODCONTRSUBV"));
        };
        transicoes = std::make_unique<plan::TransicoesAtividade>(plan::TransicoesContexto{
            *remote, plan, andamento, textos, {boCheckOut, boJustificou, boAcordo, boOperaSubversion, bkPosicao},
            std::move(op)});
    }

    void paint()
    {
        QImage image(grid.size(), QImage::Format_RGB32);
        grid.scrollToTop();
        grid.render(&image);
        grid.scrollToBottom();
        grid.render(&image);
    }

    // The window's reload: the plan and the attendance in one connection use, then shown.
    void reloadAndPaint()
    {
        server::RemoteServer::Use use(*remote);
        loader->GetPlanAtivTare();
        paint();
    }

    // A demo activity that checks nothing out and needs no planning: the project's monitoring.
    int nonDevelopmentRow() const
    {
        for (int row = 0; row < plan.recordCount(); ++row) {
            const QString processo = plan.textAt(QStringLiteral("CDPROCESSO"), row);
            if (!plan::processos::CheckoutAoIniciar(processo) && !plan::processos::Planejado(processo)
                && !plan::processos::Monitoramento(processo) && !plan::Encerrada(plan.textAt(QStringLiteral("IDSITATIVTAR"), row)))
                return row;
        }
        return -1;
    }

    void click()
    {
        const int row = nonDevelopmentRow();
        if (row < 0)
            qFatal("the plan holds no non-development activity");
        if (!qor::guarded([&] { transicoes->dbgPadraoCellClick(row, QStringLiteral("IDSITATIVTAR")); }))
            qFatal("the status click failed");
    }
};

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

}

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    qor::SetDialogSeam(qor::CreateConsoleSeam());
    qor::Session session;
    session.operador = kOperator;
    session.filial = kBranch;
    session.empresa = kBranch;
    qor::SetSession(session);
    Fixture fixture;
    fixture.reloadAndPaint();

    constexpr int kClicks = 9;
    std::vector<double> clickMs, loadMs;
    for (int i = 0; i < kClicks; ++i) {
        QElapsedTimer t;
        t.start();
        fixture.remote->recording = true;
        fixture.click();
        fixture.remote->recording = false;
        clickMs.push_back(t.nsecsElapsed() / 1e6);
        t.restart();
        fixture.reloadAndPaint();
        loadMs.push_back(t.nsecsElapsed() / 1e6);
    }
    const int rows = fixture.plan.recordCount();
    if (rows != kActivities)
        std::fprintf(stderr, "bench_status: the plan holds %d rows, not %d\n", rows, kActivities);
    QStringList calls;
    for (const auto &[method, ms] : fixture.remote->ms)
        calls << QStringLiteral("%1 %2").arg(method).arg(ms / kClicks, 0, 'f', 1);
    std::printf("per click, the server calls (ms): %s\n", qPrintable(calls.join(QStringLiteral(", "))));
    const double a = median(clickMs), b = median(loadMs);
    std::printf("status change %d rows: %.0f ms, plan load %.0f ms, ratio %.2f\n", rows, a, b, a / b);
    return rows == kActivities ? 0 : 1;
}
