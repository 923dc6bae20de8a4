// The main window's part in the working-copy services: it hands them its
// runner, account and state; the services live in src/workcopy.
#include "module/frmzel.h"
#include "module/registro.h"
#include "workcopy/backupworkdir.h"
#include "workcopy/infocopia.h"
#include "workflow/workflowcontext.h"

namespace apr {

void TfrmZEL::Grava_Backup_Workdir(const QString &file, const QString &user, const QString &request,
                                   const QString &task, const QString &activity)
{
    workcopy::BackupWorkdir({}, Registro::RaizBackupWorkdir())
        .Grava_Backup_Workdir(file, user, request, task, activity);
}

void TfrmZEL::Deleta_Backup_WorkDir(const QString &user, const QString &request, const QString &task,
                                    const QString &activity)
{
    workcopy::BackupWorkdir({}, Registro::RaizBackupWorkdir()).Deleta_Backup_WorkDir(user, request, task, activity);
}

QString TfrmZEL::CopiaURL(const QString &path)
{
    if (!m_executor)
        criaExecutor();
    return workcopy::InfoCopia(*m_fluxo).CopiaURL(path);
}

QString TfrmZEL::CopiaRelease(const QString &path)
{
    if (!m_executor)
        criaExecutor();
    return workcopy::InfoCopia(*m_fluxo).CopiaRelease(path);
}

}
