// rename check 2000 dirs: a working copy of 1,800 versioned directories and
// 200 unversioned ones, checked the way of one status of the tree and the way
// of one `svn info` per directory. Prints the seconds of each.
#include "../benchsvn.h"
#include "host/dialogs.h"
#include "host/services.h"
#include "module/modulestate.h"
#include "server/remote.h"
#include "vcs/classifier.h"
#include "vcs/runners.h"
#include "workcopy/renomeiadiretorios.h"
#include "workcopy/workcopycontext.h"
#include "workflow/workflowcontext.h"
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>
#include <cstdio>
#include <unistd.h>

namespace {

using namespace benchsvn;

struct NoServer : server::RemoteServer {
    void acquire() override {}
    void release() override {}
    qor::RemoteResult callRaw(const QString &, const QJsonArray &) override { return {}; }
};

}

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    qor::SetDialogSeam(qor::CreateConsoleSeam());
    QTemporaryDir base;
    const QString url = startDav(base.path());
    if (url.isEmpty())
        return 1;
    // 1,800 versioned directories (30 x 60) imported at once, 200 unversioned beside them.
    const QString tree = base.path() + "/tree";
    for (int i = 0; i < 30; ++i)
        for (int j = 0; j < 59; ++j)
            QDir().mkpath(QString("%1/m%2/d%3").arg(tree).arg(i).arg(j));
    svn({"import", "-q", "-m", "SOL:1 bench", tree, url + "/bench/trunk"});
    const QString drive = base.path() + "/c";
    svn({"checkout", "-q", url + "/bench/trunk", drive + "/wc"});

    vcs::PathMap paths;
    paths.setRoot('c', drive);
    Account<NoServer> account;
    QStringList capture, renamed, empty1, empty2, empty3, empty4;
    QString user = kUser, pass = kPass, dirArqSV;
    bool chosen = false;
    apr::ModuleState modulo;
    vcs::SvnClient cliente(user, pass);
    workflow::WorkflowContext fluxo(modulo, account.remote, cliente, {empty1, empty2, empty3, empty4, renamed});
    vcs::MainRunner runner(account.remote, [] {}, capture, paths);
    vcs::Classifier classifier(account);
    runner.setClassifier(&classifier, {});
    runner.runner().setPollInterval(5);
    fluxo.setRunner(&runner);
    qor::RecordSet oper, versoes;
    workcopy::WorkCopyContext ctx{fluxo, dirArqSV, chosen, oper, versoes};
    ctx.paths = paths;

    auto check = [&](bool perDirectory) {
        for (int k = 0; k < 200; ++k)
            QDir().mkpath(QString("%1/wc/m%2/novo%3").arg(drive).arg(k % 30).arg(k));
        workcopy::RenomeiaDiretorios renomeia(ctx);
        renomeia.setPorDiretorio(perDirectory);
        QElapsedTimer timer;
        timer.start();
        renomeia.RenomeiaDirSemSVN_AntesGet("c:\\wc");
        const double seconds = timer.elapsed() / 1000.0;
        const qsizetype count = renamed.size();
        renomeia.RenomeiaDirSemSVN_DepoisGet();
        if (count != 200)
            std::fprintf(stderr, "renamed %d directories, expected 200\n", int(count));
        return seconds;
    };
    const double ours = check(false);
    const double each = check(true);
    fluxo.setRunner(nullptr);
    stopDav(base.path());
    std::printf("rename check 2000 dirs: ours %.2f s, per-directory %.2f s\n", ours, each);
    return 0;
}
