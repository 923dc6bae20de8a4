#pragma once
// What the benchmarks that drive svn share: one account on the throw-away
// DAV server, a child process run to its end, and svn under that account.
#include "server/remote.h"
#include "vcs/classifier.h"
#include <QFile>
#include <QProcess>
#include <cstdio>
#include <unistd.h>
#include <QStringList>

namespace benchsvn {

inline const QString kUser = "svn_bench", kPass = "Pb-bench-55";

template <class Remote>
struct Account : vcs::ClassifierContext {
    QString svnUser() const override { return kUser; }
    QString svnPassword() const override { return kPass; }
    server::RemoteServer &server() override { return remote; }
    void enableConfirm() override {}
    Remote remote;
};

// Its standard output and error together.
inline QString run(const QString &program, const QStringList &args, const QByteArray &input = {})
{
    QProcess p;
    p.setProcessChannelMode(QProcess::MergedChannels);
    p.start(program, args);
    p.write(input);
    p.closeWriteChannel();
    p.waitForFinished(-1);
    return QString::fromUtf8(p.readAll());
}

// Starts the throw-away DAV server (DAVSERVER) under dir, which Apache must
// be able to read, with the account; its repository URL, or empty after
// saying why.
inline QString startDav(const QString &dir)
{
    QFile::setPermissions(dir, QFile::permissions(dir) | QFile::ReadOther | QFile::ExeOther);
    const QString port = QString::number(30000 + getpid() % 9000);
    const QString url = run(DAVSERVER, {"start", dir + "/dav", port, "-"}, (kUser + ":" + kPass + "\n").toUtf8())
                            .trimmed().split('\n').last();
    if (url.startsWith("http"))
        return url;
    std::fprintf(stderr, "no repository: %s\n", qPrintable(url));
    return {};
}

inline void stopDav(const QString &dir)
{
    run(DAVSERVER, {"stop", dir + "/dav"});
}

inline QString svn(QStringList args)
{
    args << "--non-interactive" << "--no-auth-cache" << "--username" << kUser << "--password-from-stdin";
    return run("svn", args, (kPass + "\n").toUtf8());
}

}
