// checkin 50 files: Realiza_Checkin (confirmed) of 50 changed, locked files
// over a scripted application server that lists them as the activity's files,
// against the very command lines the workflow ran, run directly one after
// another. Before each run every file is changed again and locked; each side
// runs twice and keeps its faster run.
#include "../benchsvn.h"
#include "host/dialogs.h"
#include "host/services.h"
#include "module/modulestate.h"
#include "server/remote.h"
#include "vcs/classifier.h"
#include "vcs/commandline.h"
#include "vcs/runners.h"
#include "workcopy/workcopycontext.h"
#include "workflow/checkin.h"
#include "workflow/workflowcontext.h"
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QJsonArray>
#include <QJsonObject>
#include <QTemporaryDir>
#include <cstdio>

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
    qor::ScopedScriptedDialogs dialogs;   // every question: its first button (CONFIRMAR ATIVIDADE)
    QTemporaryDir base;
    const QString url = startDav(base.path());
    if (url.isEmpty())
        return 1;
    const QString drive = base.path() + "/c";
    const QString tree = base.path() + "/tree";
    QStringList logical, host;
    QList<QStringList> arqCheckout, arqCheck;
    for (int d = 0; d < kDirs; ++d) {
        QDir().mkpath(QString("%1/Fontes/Mod%2").arg(tree).arg(d));
        for (int f = 0; f < kPerDir; ++f) {
            const QString name = QString("ucadcli%1%2.pas").arg(d).arg(f);
            QFile file(QString("%1/Fontes/Mod%2/%3").arg(tree).arg(d).arg(name));
            file.open(QIODevice::WriteOnly);
            file.write(QByteArray("unit x;\n").repeated(200));
            logical << QString("c:\\prod\\bench\\fontes\\mod%1\\%2").arg(d).arg(name);
            host << QString("%1/wc/Fontes/Mod%2/%3").arg(drive).arg(d).arg(name);
            arqCheckout << QStringList{logical.last(), "N"};
            arqCheck << QStringList{"0001", "0000005001", "00001", QString::number(arqCheck.size()), logical.last()};
        }
    }
    svn({"import", "-q", "-m", "SOL:1 bench", tree, url + "/bench/trunk"});
    QDir().mkpath(drive);
    svn({"checkout", "-q", url + "/bench/trunk", drive + "/wc"});
    QDir().mkpath(base.path() + "/h/workdir/bench");

    vcs::PathMap paths;
    paths.setRoot('c', drive);
    paths.setRoot('h', base.path() + "/h");
    QDir().mkpath(drive + "/prod");
    QFile::link(drive + "/wc", drive + "/prod/bench");

    Account<Scripted> account;
    Scripted &remote = account.remote;
    remote.answers["GetProdSubv"] = packet({"IDPRODCONTRSUBV"}, {{"S"}});
    remote.answers["GetItemTarefa"] = packet({"CDITEMTRAB", "NMITEMTRAB", "CDREDUITTRAB", "CDTIPOITTRAB"},
                                             {{"0000000100", "CADASTRO", "CADCLI", "03"}});
    remote.answers["GetDirItemTrab"] = packet({"DSDIRARQFONTIT"}, {{"\\Fontes\\Mod0"}});
    remote.answers["GetArqCheckout"] = packet({"NMARQUIVO", "IDADICIONADODEPOIS"}, arqCheckout);
    remote.answers["GetArqCheck"] = packet({"CDFILIAL", "NRTAREFA", "NRPLATIVTARE", "CODIGO", "ARQUIVO"}, arqCheck);

    QStringList capture, lArqCheckout, arqCheckin, dirReverte, dirAdiciona, renamed;
    QString user = kUser, pass = kPass, dirArqSV = "c:\\svnupdate";
    bool chosen = false, confirma = false;
    apr::ModuleState modulo;
    vcs::SvnClient cliente(user, pass);
    workflow::WorkflowContext fluxo(modulo, remote, cliente, {lArqCheckout, arqCheckin, dirReverte, dirAdiciona, renamed});
    vcs::MainRunner runner(remote, [] {}, capture, paths);
    vcs::Classifier classifier(account);
    runner.setClassifier(&classifier, {});
    fluxo.setRunner(&runner);
    qor::RecordSet oper, versoes;
    workcopy::WorkCopyContext ctx{fluxo, dirArqSV, chosen, oper, versoes};
    ctx.paths = paths;
    ctx.progresso = [](const QStringList &) {};
    workflow::CheckinHooks hooks;
    hooks.filial = [] { return QStringLiteral("0001"); };
    hooks.operador = [] { return QStringLiteral("000000000001"); };
    hooks.mostraAnimacao = [](const QString &) {};
    hooks.fechaAnimacao = [] {};
    hooks.raizBackup = [] { return QStringLiteral("h:\\workdir\\"); };
    hooks.selecao = [&](workflow::WorkflowContext &f, workflow::PlataformaProduto, const workflow::SelecaoCheckin &,
                        bool &ok) {
        f.listas().arqCheckin = logical;
        ok = true;
    };

    int round = 0;
    auto prepare = [&] {
        ++round;
        for (const QString &file : host) {
            QFile f(file);
            f.open(QIODevice::Append);
            f.write(QByteArray("// change ") + QByteArray::number(round) + "\n");
        }
        svn(QStringList{"lock", "-q"} + host);
    };
    // The workflow's command lines as it ran them (shown, the password masked),
    // and ready to be run directly.
    QStringList shownLines;
    QList<QStringList> lines;
    auto viaWorkflow = [&] {
        prepare();
        shownLines.clear();
        workflow::Checkin checkin(fluxo, ctx, confirma, hooks);
        QElapsedTimer timer;
        timer.start();
        try {
            checkin.Realiza_Checkin("P401", "0000011045", "0001", "0000012001", "0000005001", "00001", "0000000100",
                                    url + "/bench/trunk", "c:\\prod\\bench");
        } catch (const qor::EAbort &e) {
            std::fprintf(stderr, "workflow failed: %s\n", e.what());
        }
        const double s = timer.elapsed() / 1000.0;
        lines.clear();
        for (const QString &shown : std::as_const(shownLines)) {
            QStringList args = vcs::CommandLine::split(shown).mid(1);
            for (QString &arg : args)
                if (vcs::PathMap::isLogical(arg))
                    arg = paths.mapArgument(arg);
            const qsizetype at = args.indexOf("--password");
            if (at >= 0) {
                args.removeAt(at + 1);
                args[at] = "--password-from-stdin";
            }
            lines << args;
        }
        return s;
    };
    auto direct = [&] {
        prepare();
        QElapsedTimer timer;
        timer.start();
        QHash<QString, double> perKind;
        for (const QStringList &args : std::as_const(lines)) {
            QElapsedTimer one;
            one.start();
            const QString out = run("svn", args, (kPass + "\n").toUtf8());
            perKind[args.value(0)] += one.nsecsElapsed() / 1e9;
            if (qEnvironmentVariableIsSet("APR_BENCH_PROFILE") && out.contains("svn: E"))
                std::fprintf(stderr, "direct: %s\n%s\n", qPrintable(args.join(' ')), qPrintable(out));
        }
        if (qEnvironmentVariableIsSet("APR_BENCH_PROFILE"))
            for (auto it = perKind.begin(); it != perKind.end(); ++it)
                std::fprintf(stderr, "  direct %-10s %.2f s\n", qPrintable(it.key()), it.value());
        return timer.elapsed() / 1000.0;
    };
    const QByteArray poll = qgetenv("APR_BENCH_POLL");
    if (!poll.isEmpty())
        runner.runner().setPollInterval(poll.toInt());
    // APR_BENCH_PROFILE=1: the time from each command's start to the next one's, per subcommand.
    QElapsedTimer clock;
    clock.start();
    QHash<QString, double> perKind;
    QHash<QString, int> count;
    QString lastKind;
    qint64 lastStart = 0;
    const bool profile = qEnvironmentVariableIsSet("APR_BENCH_PROFILE");
    runner.runner().setCommandLog([&](const QString &shown) {
        shownLines << shown;
        if (!profile)
            return;
        const qint64 now = clock.nsecsElapsed();
        if (!lastKind.isEmpty())
            perKind[lastKind] += (now - lastStart) / 1e9;
        lastKind = shown.section(' ', 1, 1);
        ++count[lastKind];
        lastStart = now;
    });
    double ours = viaWorkflow(), theirs = direct();
    for (auto it = perKind.begin(); it != perKind.end(); ++it)
        std::fprintf(stderr, "  %-10s %3d %.2f s\n", qPrintable(it.key()), count[it.key()], it.value());
    std::fprintf(stderr, "  %lld command lines\n", static_cast<long long>(lines.size()));
    ours = std::min(ours, viaWorkflow());
    theirs = std::min(theirs, direct());
    fluxo.setRunner(nullptr);
    stopDav(base.path());
    std::printf("checkin 50 files: workflow %.2f s, direct %.2f s, ratio %.2f\n", ours, theirs, ours / theirs);
    return 0;
}
