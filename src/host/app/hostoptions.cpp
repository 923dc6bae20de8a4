#include "host/app/hostoptions.h"
#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QSettings>

namespace host {

QString HostSettingsFile()
{
    QString home = qEnvironmentVariable("APR_HOME");
    if (home.isEmpty())
        home = QDir::homePath() + QStringLiteral("/.apr");
    return home + QStringLiteral("/settings/user/host.ini");
}

namespace {

void readSettings(qor::Session &session)
{
    QSettings settings(HostSettingsFile(), QSettings::IniFormat);
    settings.beginGroup(QStringLiteral("Sessao"));
    session.operador = settings.value(QStringLiteral("Operador"), session.operador).toString();
    session.filial = settings.value(QStringLiteral("Filial"), session.filial).toString();
    session.empresa = settings.value(QStringLiteral("Empresa"), session.empresa).toString();
    session.webUrl = settings.value(QStringLiteral("WebURL"), session.webUrl).toString();
    session.webPort = settings.value(QStringLiteral("WebPort"), session.webPort).toInt();
    session.keepConnected = settings.value(QStringLiteral("KeepConnected"), session.keepConnected).toBool();
    session.caFile = settings.value(QStringLiteral("CAFile"), session.caFile).toString();
}

bool parseServer(const QString &text, qor::Session &session)
{
    const int colon = text.lastIndexOf(QLatin1Char(':'));
    if (colon <= 0)
        return false;
    bool ok = false;
    const int port = text.mid(colon + 1).toInt(&ok);
    if (!ok || port <= 0 || port > 65535)
        return false;
    session.webUrl = text.left(colon);
    session.webPort = port;
    return true;
}

}

void SaveSession(const qor::Session &session)
{
    QSettings settings(HostSettingsFile(), QSettings::IniFormat);
    settings.beginGroup(QStringLiteral("Sessao"));
    settings.setValue(QStringLiteral("Operador"), session.operador);
    settings.setValue(QStringLiteral("Filial"), session.filial);
    settings.setValue(QStringLiteral("Empresa"), session.empresa);
    settings.setValue(QStringLiteral("WebURL"), session.webUrl);
    settings.setValue(QStringLiteral("WebPort"), session.webPort);
    settings.setValue(QStringLiteral("KeepConnected"), session.keepConnected);
    if (!session.caFile.isEmpty())
        settings.setValue(QStringLiteral("CAFile"), session.caFile);
}

HostOptions ParseHostOptions(const QStringList &arguments)
{
    HostOptions options;
    readSettings(options.session);

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Host application of the business suite"));
    parser.addHelpOption();
    const QCommandLineOption operador(QStringLiteral("operator"), "operator code", "CODE");
    const QCommandLineOption filial(QStringLiteral("branch"), "branch code", "CODE");
    const QCommandLineOption empresa(QStringLiteral("company"), "company code", "CODE");
    const QCommandLineOption servidor(QStringLiteral("server"), "application server", "HOST:PORT");
    const QCommandLineOption manter(QStringLiteral("keep-connected"), "hold the server connection for a window's life");
    const QCommandLineOption modulo(QStringLiteral("module"), "open a module by screen code at start", "CODE");
    const QCommandLineOption dir(QStringLiteral("module-dir"), "directory of the module libraries", "DIR");
    const QCommandLineOption plataforma(QStringLiteral("dev-platform"), "pre-select and confirm platform N (0-3); --platform N works too", "N");
    const QCommandLineOption foto(QStringLiteral("screenshot"), "save a picture of the window once the module is shown", "FILE");
    const QCommandLineOption ficar(QStringLiteral("stay"), "keep running after --screenshot");
    const QCommandLineOption anexo(QStringLiteral("anexo-script"),
                                   "open the patch-script window of APR00100 for an activity",
                                   "BRANCH,REQUEST,PRODUCT,PROCESS");
    const QCommandLineOption senha(QStringLiteral("password-stdin"), "read the password from the first line of standard input");
    const QCommandLineOption autoridades(QStringLiteral("ca-file"), "speak TLS, checking the server against these authorities (host setting Sessao/CAFile)", "FILE");
    parser.addOptions({operador, filial, empresa, servidor, manter, modulo, dir, plataforma, foto, ficar, anexo, senha,
                       autoridades});
    if (!parser.parse(arguments)) {
        options.error = parser.errorText();
        return options;
    }
    if (parser.isSet(QStringLiteral("help"))) {
        options.error = parser.helpText();
        return options;
    }
    if (parser.isSet(operador))
        options.session.operador = parser.value(operador);
    if (parser.isSet(filial))
        options.session.filial = parser.value(filial);
    if (parser.isSet(empresa))
        options.session.empresa = parser.value(empresa);
    if (parser.isSet(servidor) && !parseServer(parser.value(servidor), options.session)) {
        options.error = QStringLiteral("--server expects HOST:PORT, got \"%1\"").arg(parser.value(servidor));
        return options;
    }
    if (parser.isSet(manter))
        options.session.keepConnected = true;
    options.openAtStart = parser.values(modulo);
    options.moduleDir = parser.isSet(dir) ? parser.value(dir) : qEnvironmentVariable("APR_MODULE_DIR");
    if (options.moduleDir.isEmpty())
        options.moduleDir = QCoreApplication::applicationDirPath() + QStringLiteral("/../lib");
    if (parser.isSet(plataforma)) {
        bool ok = false;
        options.platform = parser.value(plataforma).toInt(&ok);
        if (!ok || options.platform < 0 || options.platform > 3) {
            options.error = QStringLiteral("--platform expects 0, 1, 2 or 3");
            return options;
        }
    }
    options.screenshot = parser.value(foto);
    options.stay = parser.isSet(ficar);
    if (parser.isSet(anexo)) {
        options.anexoScript = parser.value(anexo).split(u',');
        if (options.anexoScript.size() != 4) {
            options.error = QStringLiteral("--anexo-script expects BRANCH,REQUEST,PRODUCT,PROCESS");
            return options;
        }
    }
    options.passwordFromStdin = parser.isSet(senha);
    if (parser.isSet(autoridades))
        options.session.caFile = parser.value(autoridades);
    const qor::Session &s = options.session;
    options.sessionComplete = !s.operador.isEmpty() && !s.filial.isEmpty() && !s.empresa.isEmpty() &&
                              !s.webUrl.isEmpty() && s.webPort > 0;
    return options;
}

}
