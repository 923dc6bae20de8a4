// apr-host: the suite's host application.
#include "host/app/hostoptions.h"
#include "host/app/hostwindow.h"
#include "host/app/serversignin.h"
#include "host/app/signindialog.h"
#include "host/dialogs.h"
#include "host/portuguese.h"
#include "host/services.h"
#include <QAbstractButton>
#include <QApplication>
#include <QDateTime>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QTimer>
#include <QFile>
#include <cstdio>

namespace {

// With --screenshot nobody sits at the screen: dialogs are answered with their
// first button and what they said goes to the standard error.
class UnattendedDialogs : public qor::ScriptedDialogs {
public:
    int show(const qor::DialogRequest &request) override
    {
        std::fprintf(stderr, "apr-host: [dialog] %s%s%s\n", qUtf8Printable(request.text),
                     request.detail.isEmpty() ? "" : " | ", qUtf8Printable(request.detail));
        return qor::ScriptedDialogs::show(request);
    }
    int execModal(QDialog &dialog) override
    {
        std::fprintf(stderr, "apr-host: [window] %s\n", qUtf8Printable(dialog.windowTitle()));
        return qor::ScriptedDialogs::execModal(dialog);
    }
};

const char *const kPlatformButtons[] = {"rbtProdDelphi", "rbtProdAsp", "rbtProdLumetra", "rbtFrameLumetra"};

QWidget *activeModuleWindow(host::HostWindow &window)
{
    QMdiSubWindow *frame = window.mdiArea()->activeSubWindow();
    if (!frame && !window.mdiArea()->subWindowList().isEmpty())
        frame = window.mdiArea()->subWindowList().constFirst();
    return frame ? frame->widget() : nullptr;
}

void confirmPlatform(host::HostWindow &window, int platform)
{
    QWidget *module = activeModuleWindow(window);
    if (!module)
        return;
    auto *radio = module->findChild<QAbstractButton *>(QLatin1String(kPlatformButtons[platform]));
    auto *ok = module->findChild<QAbstractButton *>(QStringLiteral("btnOk"));
    if (radio && ok) {
        radio->setChecked(true);
        ok->click();
    }
}

bool saveScreenshot(host::HostWindow &window, const QString &file)
{
    for (int i = 0; i < 10; ++i)
        QCoreApplication::processEvents();
    const bool saved = window.grab().save(file);
    std::fprintf(stderr, saved ? "apr-host: saved %s\n" : "apr-host: could not save %s\n", qUtf8Printable(file));
    return saved;
}

// Qt takes "--platform" for its own platform plugin; the host's "--platform N"
// (a digit) is renamed before Qt sees it.
std::vector<char *> renamePlatformOption(int argc, char **argv)
{
    static char renamed[] = "--dev-platform";
    std::vector<char *> args(argv, argv + argc);
    for (size_t i = 1; i < args.size(); ++i) {
        const QByteArray arg(args[i]);
        const bool digitFollows = i + 1 < args.size() && args[i + 1][0] >= '0' && args[i + 1][0] <= '9';
        if (arg == "--platform" && digitFollows)
            args[i] = renamed;
    }
    args.push_back(nullptr);
    return args;
}

QString passwordFromStdin()
{
    QFile input;
    if (!input.open(stdin, QIODevice::ReadOnly))
        return {};
    QByteArray line = input.readLine();
    while (line.endsWith('\n') || line.endsWith('\r'))
        line.chop(1);
    return QString::fromUtf8(line);
}

// Asks for what is missing and signs in; a refused password is asked again
// with the server's message. Without anyone at the screen (or with the
// password from standard input) a refusal ends the host. False: give up.
bool signIn(host::HostOptions &options, bool unattended)
{
    QString password = options.passwordFromStdin ? passwordFromStdin() : QString();
    const bool asking = !options.passwordFromStdin && !unattended;
    if (!asking && (!options.sessionComplete || password.isEmpty())) {
        std::fprintf(stderr, "apr-host: operator, branch, company, server and a password are needed (--operator "
                             "--branch --company --server HOST:PORT --password-stdin)\n");
        return false;
    }
    host::SignInDialog dialog(options.session);
    for (;;) {
        if (asking) {
            if (dialog.exec() != QDialog::Accepted)
                return false;
            options.session = dialog.session();
            password = dialog.password();
            host::SaveSession(options.session);
        }
        const host::SignInOutcome outcome = host::SignInToServer(options.session, password);
        if (outcome.ok()) {
            options.session.token = outcome.token;
            return true;
        }
        if (!asking) {
            std::fprintf(stderr, "apr-host: %s\n", qUtf8Printable(outcome.error));
            return false;
        }
        dialog.showRefusal(outcome.error);
    }
}

}

int main(int argc, char **argv)
{
    std::vector<char *> args = renamePlatformOption(argc, argv);
    int count = int(args.size()) - 1;
    QApplication app(count, args.data());
    QApplication::setApplicationName(QStringLiteral("apr-host"));
    qor::UsePortuguese();
    host::HostOptions options = host::ParseHostOptions(QApplication::arguments());
    if (!options.error.isEmpty()) {
        std::fprintf(stderr, "%s\n", qUtf8Printable(options.error));
        return options.error.startsWith(QLatin1String("Usage")) ? 0 : 2;
    }
    const bool unattended = !options.screenshot.isEmpty() && !options.stay;
    if (unattended)
        qor::SetDialogSeam(std::make_unique<UnattendedDialogs>());
    else
        qor::SetDialogSeam(qor::CreateInteractiveSeam());

    if (!signIn(options, unattended))
        return unattended || options.passwordFromStdin ? 2 : 1;
    qor::SetSession(options.session);

    host::HostWindow window(options);
    qor::SetHostMainWindow(&window);
    qor::SetChildWindowOpener([&window](QWidget *child) { window.openChild(child); });
    qor::SetModuleLoader([&window](const QString &code, const QString &parameter) {
        return window.openModule(code, parameter);
    });
    // The module asks for its unloading from inside its own code: unload after it returned.
    qor::SetModuleUnloader([&window](const QString &code) {
        QTimer::singleShot(0, &window, [&window, code] { window.unloadModule(code); });
    });
    window.show();

    int status = 0;
    QTimer::singleShot(0, &window, [&] {
        for (const QString &code : options.openAtStart)
            window.openModule(code);
        if (options.platform >= 0)
            confirmPlatform(window, options.platform);
        if (!options.anexoScript.isEmpty())
            window.callModule(QStringLiteral("APR00100"), "CriaAnexoScript", options.anexoScript);
        if (!options.screenshot.isEmpty()) {
            if (!saveScreenshot(window, options.screenshot))
                status = 1;
            if (!options.stay)
                QApplication::exit(status);
        }
    });
    const int result = QApplication::exec();
    qor::SetChildWindowOpener({});
    qor::SetHostMainWindow(nullptr);
    return status ? status : result;
}
