// checkout 50 files: Realiza_Checkout over a scripted application server
// (nothing to update, an empty release list) against the revert and lock
// command lines of the same 50 files run directly, one after another. Each
// side runs twice and keeps its faster run; every lock is released between runs.
#include "../benchsvn.h"
#include "host/dialogs.h"
#include "host/services.h"
#include "module/modulestate.h"
#include "server/remote.h"
#include "vcs/classifier.h"
#include "vcs/runners.h"
#include "workcopy/workcopycontext.h"
#include "workflow/checkout.h"
#include "workflow/workflowcontext.h"
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QJsonArray>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <cstdio>
#include <unistd.h>

namespace {

using namespace benchsvn;

constexpr int kDirs = 5, kPerDir = 10;

QJsonObject packet(const QStringList &fields, const QList<QStringList> &rows)
{
    QJsonArray defs, data;
    for (const QString &f : fields)
        defs.append(QJsonObject{{"name", f}, {"type", "string"}, {"size", 250}});
    for (const QStringList &row : rows)
        data.append(QJsonArray::fromStringList(row));
    return {{"fields", defs}, {"rows", data}};
}

struct Scripted : server::RemoteServer {
    void acquire() override {}
    void release() override {}
    qor::RemoteResult callRaw(const QString &method, const QJsonArray &) override
    {
        qor::RemoteResult r;
        r.value = answers.value(method);
        return r;
    }
    QHash<QString, QJsonValue> answers;
};

}

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    qor::SetDialogSeam(qor::CreateConsoleSeam());
    QTemporaryDir base;
    const QString url = startDav(base.path());
    if (url.isEmpty())
        return 1;
    const QString drive = base.path() + "/c";
    const QString tree = base.path() + "/tree";
    QStringList logical, host;
    for (int d = 0; d < kDirs; ++d) {
        QDir().mkpath(QString("%1/Fontes/Mod%2").arg(tree).arg(d));
        for (int f = 0; f < kPerDir; ++f) {
            const QString name = QString("uCadCli%1%2.pas").arg(d).arg(f);
            QFile file(QString("%1/Fontes/Mod%2/%3").arg(tree).arg(d).arg(name));
            file.open(QIODevice::WriteOnly);
            file.write(QByteArray("unit x;\n").repeated(200));
            logical << QString("c:\\prod\\bench\\Fontes\\Mod%1\\%2").arg(d).arg(name);
            host << QString("%1/wc/Fontes/Mod%2/%3").arg(drive).arg(d).arg(name);
        }
    }
    svn({"import", "-q", "-m", "SOL:1 bench", tree, url + "/bench/trunk"});
    QDir().mkpath(drive);
    svn({"checkout", "-q", url + "/bench/trunk", drive + "/wc"});
    QDir().mkpath(base.path() + "/h/workdir/bench");

    vcs::PathMap paths;
    paths.setRoot('c', drive);
    paths.setRoot('h', base.path() + "/h");
    // c:\prod\bench is the working copy.
    QDir().mkpath(drive + "/prod");
    QFile::link(drive + "/wc", drive + "/prod/bench");

    Account<Scripted> account;
    Scripted &remote = account.remote;
    remote.answers["GetProdSubv"] = packet({"IDPRODCONTRSUBV"}, {{"S"}});
    remote.answers["GetVdsolitemtrab"] = packet({"NRSOLISERV", "NRTAREFA", "NRPLATIVTARE", "STATUSATIV"}, {});
    remote.answers["GetVdRelacItTrabProd"] = packet({"CDPRODUTO", "CDITEMTRAB", "IDSITCHECKOUT", "CDOPCHECKOUT"}, {});
    remote.answers["Getativpen"] = packet({"IDALTSTATUSPEND"}, {{"N"}});
    remote.answers["GetVdArqCheckout"] = packet({"ARQUIVO"}, {});
    remote.answers["GetProdMercado"] = packet({"CDPRODUTO"}, {});
    remote.answers["GetItemTarefa"] = packet({"CDITEMTRAB", "NMITEMTRAB", "CDREDUITTRAB", "CDTIPOITTRAB"},
                                             {{"0000000100", "CADASTRO", "CADCLI", "03"}});
    remote.answers["GetDirItemTrab"] = packet({"DSDIRARQFONTIT"}, {{"\\Fontes\\Mod0"}});
    remote.answers["GetArqCheck"] = packet({"CDFILIAL", "NRTAREFA", "NRPLATIVTARE", "CODIGO", "ARQUIVO"}, {});

    QStringList capture, arqCheckout, arqCheckin, dirReverte, dirAdiciona, renamed;
    QString user = kUser, pass = kPass, dirArqSV = "c:\\svnupdate";
    bool chosen = false;
    apr::ModuleState modulo;
    vcs::SvnClient cliente(user, pass);
    workflow::WorkflowContext fluxo(modulo, remote, cliente, {arqCheckout, arqCheckin, dirReverte, dirAdiciona, renamed});
    vcs::MainRunner runner(remote, [] {}, capture, paths);
    vcs::Classifier classifier(account);
    classifier.setLedger(&fluxo.ledger());
    runner.setClassifier(&classifier, {});
    fluxo.setRunner(&runner);
    qor::RecordSet oper, versoes;
    workcopy::WorkCopyContext ctx{fluxo, dirArqSV, chosen, oper, versoes};
    ctx.paths = paths;
    ctx.progresso = [](const QStringList &) {};
    workflow::CheckoutHooks hooks;
    hooks.filial = [] { return QStringLiteral("0001"); };
    hooks.operador = [] { return QStringLiteral("000000000001"); };
    hooks.mostraAnimacao = [](const QString &) {};
    hooks.fechaAnimacao = [] {};
    hooks.raizBackup = [] { return QStringLiteral("h:\\workdir\\"); };
    hooks.selecao = [&](workflow::WorkflowContext &f, workflow::PlataformaProduto, const workflow::SelecaoCheckout &,
                        bool &ok) {
        f.listas().arqCheckout = logical;
        ok = true;
    };

    auto unlockAll = [&] { svn(QStringList{"unlock", "-q"} + host); };
    auto viaWorkflow = [&] {
        workflow::Checkout checkout(fluxo, ctx, hooks);
        QElapsedTimer timer;
        timer.start();
        try {
            checkout.Realiza_Checkout("P401", "0000011045", "0001", "0000012001", "0000005001", "00001", "0000000100",
                                      url + "/bench/trunk", "c:\\prod\\bench");
        } catch (const qor::EAbort &e) {
            std::fprintf(stderr, "workflow failed: %s\n", e.what());
        }
        const double s = timer.elapsed() / 1000.0;
        unlockAll();
        return s;
    };
    auto direct = [&] {
        QElapsedTimer timer;
        timer.start();
        for (const QString &file : host) {
            svn({"revert", file});
            svn({"lock", file});
        }
        const double s = timer.elapsed() / 1000.0;
        unlockAll();
        return s;
    };
    const QByteArray poll = qgetenv("APR_BENCH_POLL");
    if (!poll.isEmpty())
        runner.runner().setPollInterval(poll.toInt());
    // APR_BENCH_PROFILE=1: the time from each command's start to the next one's, per subcommand.
    QElapsedTimer clock;
    clock.start();
    QHash<QString, double> perKind;
    QString lastKind;
    qint64 lastStart = 0;
    if (qEnvironmentVariableIsSet("APR_BENCH_PROFILE"))
        runner.runner().setCommandLog([&](const QString &shown) {
            const qint64 now = clock.nsecsElapsed();
            if (!lastKind.isEmpty())
                perKind[lastKind] += (now - lastStart) / 1e9;
            lastKind = shown.section(' ', 1, 1);
            lastStart = now;
        });
    double ours = viaWorkflow(), theirs = direct();
    for (auto it = perKind.begin(); it != perKind.end(); ++it)
        std::fprintf(stderr, "  %-10s %.2f s\n", qPrintable(it.key()), it.value());
    ours = std::min(ours, viaWorkflow());
    theirs = std::min(theirs, direct());
    fluxo.setRunner(nullptr);
    stopDav(base.path());
    std::printf("checkout 50 files: workflow %.2f s, direct %.2f s, ratio %.2f\n", ours, theirs, ours / theirs);
    return 0;
}
