#include "workcopy/backupworkdir.h"
#include "vcs/drive.h"
#include "host/services.h"
#include "workcopy/textos.h"
#include <QFile>
#include <QFileInfo>

namespace workcopy {

namespace {

QString comBarra(QString path)
{
    if (!path.endsWith(u'\\'))
        path += u'\\';
    return path;
}

}

BackupWorkdir::BackupWorkdir(vcs::PathMap paths, QString raiz) : m_paths(std::move(paths)), m_raiz(comBarra(raiz))
{
}

QString BackupWorkdir::diretorioAtividade(const QString &user, const QString &request, const QString &task,
                                          const QString &activity) const
{
    return m_raiz + user + u'\\' + request + u'\\' + task + u'\\' + activity + u'\\';
}

void BackupWorkdir::Grava_Backup_Workdir(const QString &file, const QString &user, const QString &request,
                                         const QString &task, const QString &activity) const
{
    QString dir = m_raiz + user;
    if (!m_fs.isDirectory(dir))
        qor::MensErro(MsgF(QStringLiteral("DIR_BACKUP_NAO_EXISTE"), {dir}));
    for (const QString &parte : {request, task, activity}) {
        dir += u'\\' + parte;
        if (!m_fs.isDirectory(dir) && !m_fs.makeDirectory(dir, false))
            qor::MensErro(MsgF(QStringLiteral("NOT_CREATE_DIR"), {dir + (parte == activity ? QStringLiteral("\\") : QString())}));
    }
    dir += u'\\';
    const QString nome = vcs::NomeDoArquivo(file);
    const QString copia = dir + nome;
    if (m_fs.exists(copia))
        m_fs.setReadOnly(copia, false);
    const QString origem = m_paths.toHost(file);
    if (!QFileInfo(origem).isFile())
        return;
    const QString destino = m_paths.toHost(copia);
    QFile::remove(destino);
    QFile fonte(origem);
    if (!fonte.copy(destino))
        qor::MensErro(MsgF(QStringLiteral("NOT_COPY_FILE"), {nome, file, dir}) + QStringLiteral("\n\nMensagem de erro: ") +
                      fonte.errorString());
}

void BackupWorkdir::Deleta_Backup_WorkDir(const QString &user, const QString &request, const QString &task,
                                          const QString &activity) const
{
    const QString atividade = diretorioAtividade(user, request, task, activity);
    if (m_fs.isDirectory(atividade)) {
        for (const vcs::LogicalFs::Entry &entry : m_fs.list(atividade, {}, vcs::LogicalFs::All)) {
            if (entry.directory)
                continue;
            m_fs.setReadOnly(entry.path, false);
            m_fs.remove(entry.path);
        }
        m_fs.removeDirectory(atividade);
    }
    // Only empty directories go: another activity's backup keeps its task.
    for (const QString &dir : {m_raiz + user + u'\\' + request + u'\\' + task, m_raiz + user + u'\\' + request})
        if (m_fs.isDirectory(dir))
            m_fs.removeDirectory(dir);
}

}
