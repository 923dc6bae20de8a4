// bench_runner [RUNS]: RUNS (default 100) "svn info" and "svn status" runs on a
// working copy of 1,000 files, through the main runner and started directly;
// then 10 MB of client output framed and classified. Ends with the line
// "runner overhead: R" (time through the runner / time started directly).
#include "vcs/classifier.h"
#include "vcs/progress.h"
#include "vcs/runners.h"
#include "server/remote.h"
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QListWidget>
#include <QProcess>
#include <QPushButton>
#include <QTemporaryDir>
#include <cstdio>

namespace {

class IdleServer : public server::RemoteServer {
public:
    void acquire() override {}
    void release() override {}
    qor::RemoteResult callRaw(const QString &, const QJsonArray &) override { return {}; }
};

class BenchContext : public vcs::ClassifierContext {
public:
    QString svnUser() const override { return "svn_bench"; }
    QString svnPassword() const override { return "bench-pw"; }
    server::RemoteServer &server() override { return remote; }
    void enableConfirm() override {}
    IdleServer remote;
};

bool runQuiet(const QString &program, const QStringList &args)
{
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(program, args);
    process.waitForFinished(-1);
    process.readAll();
    return process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
}

// A repository with 1,000 files and its working copy under drive c.
bool makeWorkingCopy(const QString &base)
{
    const QString repo = base + "/repo", tree = base + "/tree/fontes";
    QDir().mkpath(tree);
    for (int i = 0; i < 1000; ++i) {
        QFile file(QString("%1/Unit%2.pas").arg(tree).arg(i, 4, 10, QChar('0')));
        file.open(QIODevice::WriteOnly);
        file.write(QByteArray("unit Unit").append(QByteArray::number(i)).append(";\ninterface\nimplementation\nend.\n"));
    }
    return runQuiet("svnadmin", {"create", repo})
           && runQuiet("svn", {"import", "-q", "-m", "SOL:1 bench", base + "/tree", "file://" + repo + "/trunk"})
           && runQuiet("svn", {"checkout", "-q", "file://" + repo + "/trunk", base + "/drives/c/prod"});
}

// About 10 MB of the client's output as an update of a large tree prints it.
QString makeLargeOutput(const QString &base)
{
    const QString path = base + "/large.txt";
    QFile file(path);
    file.open(QIODevice::WriteOnly);
    QByteArray block;
    for (int i = 0; i < 1000; ++i) {
        block += "U    " + base.toUtf8() + "/drives/c/prod/fontes/Unit" + QByteArray::number(i) + ".pas\n";
        if (i % 100 == 0) block += "Atualizado para revisão " + QByteArray::number(i) + ".\n";
    }
    while (file.size() < 10 * 1024 * 1024) file.write(block);
    return path;
}

}

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int runs = argc > 1 ? std::max(1, atoi(argv[1])) : 100;

    QTemporaryDir dir;
    const QString base = dir.path();
    if (!makeWorkingCopy(base)) {
        std::fprintf(stderr, "bench_runner: could not build the working copy (svn, svnadmin on PATH?)\n");
        return 1;
    }
    vcs::PathMap paths;
    paths.setRoot(u'c', base + "/drives/c");
    IdleServer server;
    QPushButton confirm;
    QStringList captured;
    BenchContext context;
    vcs::Classifier classifier(context);
    vcs::MainRunner runner(server, [&confirm] { confirm.setEnabled(true); }, captured, paths);
    QListWidget list;
    const vcs::LineSink sink = vcs::ListSink(&list);
    runner.setClassifier(&classifier, sink);

    const QString wc = base + "/drives/c/prod";
    const QString credentials = " --no-auth-cache --username svn_bench --password bench-pw ";
    const QStringList subcommands = {"info", "status"};

    qint64 direct = 0, through = 0;
    QElapsedTimer timer;
    for (int i = 0; i < runs; ++i) {
        for (const QString &sub : subcommands) {
            timer.start();
            QProcess svn;
            svn.setProcessChannelMode(QProcess::MergedChannels);
            svn.start("svn", {sub, "--no-auth-cache", "--username", "svn_bench", "--password-from-stdin", wc});
            svn.write("bench-pw\n");
            svn.closeWriteChannel();
            svn.waitForFinished(-1);
            svn.readAll();
            direct += timer.nsecsElapsed();

            timer.start();
            runner.Execute("ATUALIZANDO", "svn " + sub + credentials + "c:\\prod", sink, true);
            through += timer.nsecsElapsed();
        }
        if (list.count() > 10000) list.clear();
    }
    const double perDirect = direct / 1e6 / (2.0 * runs), perRunner = through / 1e6 / (2.0 * runs);
    std::printf("svn info + svn status on 1,000 files, %d runs each\n", runs);
    std::printf("  started directly:   %8.2f ms per command\n", perDirect);
    std::printf("  through the runner: %8.2f ms per command\n", perRunner);

    list.clear();
    const QString large = makeLargeOutput(base);
    const double megabytes = QFileInfo(large).size() / (1024.0 * 1024.0);
    timer.start();
    runner.Execute("ATUALIZANDO", "cat " + large, sink, true);
    const double seconds = timer.nsecsElapsed() / 1e9;
    std::printf("framing and classifying %.1f MB of output (%d lines): %.2f s, %.1f MB/s\n",
                megabytes, list.count(), seconds, megabytes / seconds);
    std::printf("runner overhead: %.3f\n", double(through) / double(direct));
    return 0;
}
