#include "module/registro.h"
#include <QDir>

namespace apr {

namespace {
const char *const kChaveUsuario = "SOFTWARE\\CALBREX\\Sistemas Integrados Calbrex";
const char *const kChaveWebCli = "SOFTWARE\\VORTALY\\Sistemas Integrados Vortaly\\WebCli";
}

QString Registro::baseDir()
{
    QString home = qEnvironmentVariable("APR_HOME");
    if (home.isEmpty())
        home = QDir::homePath() + QStringLiteral("/.apr");
    return home + QStringLiteral("/settings");
}

std::unique_ptr<QSettings> Registro::usuario()
{
    return std::make_unique<QSettings>(baseDir() + QStringLiteral("/user/registry.ini"), QSettings::IniFormat);
}

std::unique_ptr<QSettings> Registro::maquina()
{
    return std::make_unique<QSettings>(baseDir() + QStringLiteral("/machine/registry.ini"), QSettings::IniFormat);
}

QString Registro::chave(const QString &registryPath, const QString &valueName)
{
    QString path = registryPath;
    path.replace(QLatin1Char('\\'), QLatin1Char('/'));
    while (path.endsWith(QLatin1Char('/')))
        path.chop(1);
    return path + QLatin1Char('/') + valueName;
}

QString Registro::RetornaDirArqSoli()
{
    return usuario()->value(chave(QString::fromUtf8(kChaveUsuario), QStringLiteral("DirArqSoli"))).toString();
}

QString Registro::GetRegWorkDir(const QString &siteWebCliKey)
{
    const QString workDir = maquina()->value(chave(siteWebCliKey, QStringLiteral("WorkDir"))).toString();
    if (workDir.isEmpty())
        return {};
    return workDir.endsWith(QLatin1Char('\\')) ? workDir : workDir + QLatin1Char('\\');
}

QString Registro::LeDirArqSV()
{
    auto settings = maquina();
    const QString key = chave(QString::fromUtf8(kChaveWebCli), QStringLiteral("DirArqSV"));
    if (settings->contains(key))
        return settings->value(key).toString();
    settings->setValue(key, QStringLiteral("C:\\svnupdate\\"));
    settings->sync();
    return QStringLiteral("C:\\svnupdate");
}

QString Registro::RaizBackupWorkdir()
{
    const QString key = chave(QString::fromUtf8(kChaveWebCli), QStringLiteral("RaizBackupWorkdir"));
    const QString raiz = maquina()->value(key).toString();
    return raiz.isEmpty() ? QStringLiteral("H:\\Workdir\\") : raiz;
}

}
