#pragma once
#include <QSettings>
#include <QString>
#include <memory>

namespace apr {

// The suite's registry values, kept as INI files under $APR_HOME/settings
// (APR_HOME defaults to $HOME/.apr): one file for the user's keys, one for the
// machine's. Key paths keep the registry's names with "/" for "\".
class Registro {
public:
    static QString baseDir();
    static std::unique_ptr<QSettings> usuario();
    static std::unique_ptr<QSettings> maquina();

    // "DirArqSoli" under the user's suite key; empty when missing.
    static QString RetornaDirArqSoli();
    // "WorkDir" under the host's web-client key, with a trailing backslash; empty when missing.
    static QString GetRegWorkDir(const QString &siteWebCliKey);
    // The local base directory of product updates. A first run writes the
    // default "C:\svnupdate\" and returns it without the final backslash.
    static QString LeDirArqSV();
    // The backup root of checked-out files ("RaizBackupWorkdir" under the suite's
    // machine key); "H:\Workdir\" when not set.
    static QString RaizBackupWorkdir();

    static QString chave(const QString &registryPath, const QString &valueName);
};

}
