#pragma once
#include "vcs/svnclient.h"
#include "workcopy/workcopycontext.h"
#include <QSet>
#include <QStringList>

namespace workcopy {

// Directories of a working copy that are not under version control block an
// update of the Lumetra products: they are renamed aside before it
// (name + "_APR_NO_SVN_" + time stamp) and given their names back after it.
class RenomeiaDiretorios {
public:
    explicit RenomeiaDiretorios(WorkCopyContext &ctx) : m_ctx(ctx) {}

    static QString marca() { return QStringLiteral("_APR_NO_SVN_"); }

    // Fills stlDirRenomeados with the new names.
    void RenomeiaDirSemSVN_AntesGet(const QString &dir);
    // Restores the names in stlDirRenomeados; failures are listed and logged in "WorkDir".
    void RenomeiaDirSemSVN_DepoisGet();

    // Every visible subdirectory below dir, breadth first, as GetSubDirs lists them.
    QStringList GetSubDirs(const QString &dir) const;
    bool RenameDir(const QString &from, const QString &to, QString *erro = nullptr) const;

    // Major and minor of "svn --version --quiet" (e.g. "1.14.2"); false when unreadable.
    static bool LeVersao(const QString &texto, int &major, int &minor);
    // The unversioned directories that `svn status --xml` lists (logical, lower case);
    // false when the answer is no complete status document.
    static bool NaoVersionados(const vcs::SvnXmlStatus &status, QSet<QString> &naoVersionados);

    // The way of asking each directory on its own (for comparison).
    void setPorDiretorio(bool porDiretorio) { m_porDiretorio = porDiretorio; }
    const QString &stDataRenomeio() const { return m_stDataRenomeio; }
    int perguntasInfo() const { return m_perguntasInfo; }

private:
    enum class Teste { PastaSvn, Info };
    enum class Resposta { Versionado, NaoVersionado, Desiste };
    Teste teste();
    Resposta perguntaInfo(const QString &dir);
    bool listaEmBloco(const QString &dir, QSet<QString> &naoVersionados);
    vcs::SvnRun pergunta();
    void busy(const QString &key, const QString &path) const;

    WorkCopyContext &m_ctx;
    QString m_stDataRenomeio;
    bool m_porDiretorio = false;
    int m_perguntasInfo = 0;
};

}
