// apr-diff: the comparison tool the log viewer hands to `svn diff --diff-cmd`.
// It takes the arguments svn gives a diff command ([-u] [-L title]... FILE1
// FILE2, other options ignored) and shows the two versions side by side. It
// writes nothing to its output: svn's caller reads that channel.
#include "history/diff/diffwindow.h"
#include <QApplication>
#include <QFile>
#include <QMessageBox>
#include <QTimer>

namespace {

struct Arguments {
    QStringList titles;
    QStringList files;
    QString screenshot;       // --screenshot FILE (or APR_DIFF_SCREENSHOT): save a picture and quit
};

Arguments parse(const QStringList &args)
{
    Arguments a;
    for (qsizetype i = 1; i < args.size(); ++i) {
        const QString &arg = args[i];
        if (arg == QLatin1String("-L") && i + 1 < args.size()) a.titles << args[++i];
        else if (arg == QLatin1String("--screenshot") && i + 1 < args.size()) a.screenshot = args[++i];
        else if (arg.startsWith(u'-') && arg.size() > 1) continue;
        else a.files << arg;
    }
    return a;
}

bool read(const QString &path, QStringList &lines)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return false;
    lines = history::TextLines(file.readAll());
    return true;
}

int refuse(const QString &text)
{
    QMessageBox::warning(nullptr, history::DiffWindow::text("TITULO"), text);
    return 2;
}

}

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    Arguments a = parse(app.arguments());
    // Also when svn starts it: the picture of the window instead of the window.
    if (a.screenshot.isEmpty()) a.screenshot = qEnvironmentVariable("APR_DIFF_SCREENSHOT");
    if (a.files.size() != 2) return refuse(history::DiffWindow::text("USO"));
    QStringList left, right;
    for (int i = 0; i < 2; ++i)
        if (!read(a.files[i], i == 0 ? left : right))
            return refuse(history::DiffWindow::text("ERRO_LEITURA").arg(a.files[i]));
    history::DiffWindow window(a.titles.value(0, a.files[0]), left, a.titles.value(1, a.files[1]), right);
    window.show();
    if (!a.screenshot.isEmpty()) {
        QTimer::singleShot(0, &window, [&] {
            window.grab().save(a.screenshot);
            app.quit();
        });
    }
    app.exec();
    // svn reads an exit status of 2 or more as a failure of the tool.
    return 0;
}
