// The log viewer's reading of a long history: a file with 20,000 revisions in a
// repository loaded from a generated dump. Times `svn log --xml` against the
// reading and ordering of its output.
#include "../../tests/history/logdump.h"
#include "history/logentries.h"
#include <QCoreApplication>
#include <QDateTime>
#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimeZone>
#include <cstdio>

namespace {

constexpr int kRevisions = 20000;

QByteArray longHistory(int revisions)
{
    logdump::Dump dump;
    const QDateTime start(QDate(2019, 1, 2), QTime(8, 0), Qt::UTC);
    dump.revision(QStringLiteral("josé"), QStringLiteral("Criação"), logdump::Dump::svnDate(start))
        .addDir(QStringLiteral("trunk")).addFile(QStringLiteral("trunk/a.pas"), "r1\n");
    for (int r = 2; r <= revisions; ++r)
        dump.revision(QStringLiteral("autor%1").arg(r % 7), QStringLiteral("SOL:%1 ajuste número %1").arg(r),
                      logdump::Dump::svnDate(start.addSecs(qint64(r) * 61)))
            .changeFile(QStringLiteral("trunk/a.pas"), "r" + QByteArray::number(r) + "\n");
    return dump.data();
}

bool run(const QString &program, const QStringList &args, const QByteArray &input, QByteArray *output = nullptr)
{
    QProcess p;
    p.start(program, args);
    if (!p.waitForStarted()) return false;
    p.write(input);
    p.closeWriteChannel();
    QByteArray out;
    while (!p.waitForFinished(100)) out += p.readAllStandardOutput();
    out += p.readAllStandardOutput();
    if (output) *output = out;
    if (p.exitCode() != 0) fprintf(stderr, "%s failed: %s\n", qPrintable(program), p.readAllStandardError().constData());
    return p.exitCode() == 0;
}

QList<history::LogEntry> readerWay(const QString &text)
{
    QList<history::LogEntry> entries = history::ParseLog(text);
    history::VerificaData(entries);
    return history::OrdenaRegistros(std::move(entries));
}

double seconds(QElapsedTimer &clock) { return double(clock.nsecsElapsed()) / 1e9; }

}

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    const QString repo = dir.path() + QStringLiteral("/repo");
    if (!run(QStringLiteral("svnadmin"), {QStringLiteral("create"), repo}, {})) return 1;
    if (!run(QStringLiteral("svnadmin"), {QStringLiteral("load"), QStringLiteral("-q"), QStringLiteral("--no-flush-to-disk"),
                                            QStringLiteral("-M"), QStringLiteral("512"), repo},
             longHistory(kRevisions)))
        return 1;
    const QString url = QStringLiteral("file://") + repo + QStringLiteral("/trunk/a.pas");

    QByteArray xml;
    QElapsedTimer clock;
    clock.start();
    if (!run(QStringLiteral("svn"), {QStringLiteral("log"), QStringLiteral("--xml"), url}, {}, &xml)) return 1;
    const double svnLog = seconds(clock);
    const QString text = QString::fromUtf8(xml);

    clock.restart();
    const QList<history::LogEntry> entries = readerWay(text);
    const double reading = seconds(clock);
    if (entries.size() != kRevisions) {
        fprintf(stderr, "expected %d entries, read %lld\n", kRevisions, static_cast<long long>(entries.size()));
        return 1;
    }

    for (int i = 0; i < kRevisions; ++i) {
        if (entries[i].revision != QString::number(kRevisions - i)) {
            fprintf(stderr, "entry %d is revision %s, not %d\n", i, qPrintable(entries[i].revision), kRevisions - i);
            return 1;
        }
    }

    printf("log %d entries: svn log %.3f s, parse and order %.3f s, ratio %.3f\n", kRevisions, svnLog, reading,
           reading / svnLog);
    return reading / svnLog <= 0.10 ? 0 : 3;
}
