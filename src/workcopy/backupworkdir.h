#pragma once
#include "vcs/pathmap.h"
#include <QString>

namespace workcopy {

// The backup of checked-out files on the network drive, per operator and
// activity: root + user\request\task\activity\.
class BackupWorkdir {
public:
    static QString raizPadrao() { return QStringLiteral("H:\\Workdir\\"); }

    explicit BackupWorkdir(vcs::PathMap paths = {}, QString raiz = raizPadrao());

    // Copies file into the activity's backup directory, over an earlier (even
    // read-only) copy. The user's directory must exist; the others are created.
    void Grava_Backup_Workdir(const QString &file, const QString &user, const QString &request,
                              const QString &task, const QString &activity) const;
    // Removes the activity's backup; the task and request directories go when empty.
    // Reports nothing.
    void Deleta_Backup_WorkDir(const QString &user, const QString &request, const QString &task,
                               const QString &activity) const;

    QString diretorioAtividade(const QString &user, const QString &request, const QString &task,
                               const QString &activity) const;
    const QString &raiz() const { return m_raiz; }

private:
    vcs::PathMap m_paths;
    vcs::LogicalFs m_fs{m_paths};
    QString m_raiz;
};

}
