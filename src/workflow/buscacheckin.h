#pragma once
// What the check-in selection works out apart from its window: the work
// item's candidate files and their status, the files a form-framework product
// adds on its own, the directories the check-in adds or reverts, the check of
// the check-out locks, and the recording of the chosen files on the server.
#include "host/messages.h"
#include "host/recordset.h"
#include "vcs/runners.h"
#include "vcs/svnclient.h"
#include "workflow/selcheckin.h"
#include <QStringList>
#include <memory>

namespace workflow {

// The directories a check-in adds to the repository and those whose
// scheduled addition or removal it reverts first; parents come first.
struct DiretoriosCheckin {
    QStringList adiciona;
    QStringList reverte;
};

class BuscaCheckin {
public:
    BuscaCheckin(WorkflowContext &ctx, PlataformaProduto plataforma, const SelecaoCheckin &valores);
    ~BuscaCheckin();

    static const qor::TMessages &Textos();
    static QString Msg(const char *key);
    // "\" at its end and "c:" in front unless it starts with "c:"; empty stays empty.
    static QString AjustaBase(const QString &diretorio);
    // A directory of the work item under the base: without its leading "\",
    // with a "\" after a last name that holds no dot.
    static QString DiretorioDoItem(const QString &base, QString dsDir);
    // Whether the platform's patterns take a file: its name from the first dot
    // on, or else its last four characters.
    static bool Retem(const QString &nome, const QString &extensao);

    const QString &base() const { return m_base; }
    const QString &extensao() const { return m_extensao; }
    // On the form-framework products the changed and new files join the
    // selection on their own, unless the machine holds "APRBloqAdicionaArq".
    bool adicionaSozinho() const;

    // GetDirItemTrab and the base; "Dir_CopTrab_SV" and "Dir_ItTrab_SV" end it.
    void Prepara();
    // The status lines shown at the start: of the work item's directories or,
    // for the work-item types "01" and "14", of the activity's files.
    QStringList StatusInicial();
    // The directory menu: the work item's directories or, for "MODELAGEM", the two script directories.
    QStringList DiretoriosDoMenu();
    QStringList AjustaDiretorios(const QString &path) const;
    void ProcuraArquivos(const QString &entry, QStringList &achados) const;
    // The files a chosen directory offers, lower case and sorted; "DIR_NOT_EXI" when it stands for nothing.
    QStringList Procura(const QString &diretorio) const;
    // NMARQUIVO of the files the activity holds checked out (GetArqCheckout).
    QStringList ArquivosCheckout();
    // The new ("?") and modified ("M") files of the status lines that are not
    // among the chosen ones, lower case; directories are no files.
    QStringList NovosOuModificados(const QStringList &linhasStatus, const QStringList &escolhidos) const;

    DiretoriosCheckin AdicionaDirCheckin(const QStringList &arquivos);
    // "ERRO_LOCK_WORKCOPY" when a file's lock in the repository is not the
    // one its working copy holds; files under new directories have none.
    void Valida_Bloqueio_Copia_Trab(const QStringList &arquivos, const QStringList &dirAdiciona);
    // Each file recorded for the activity with its release before the work,
    // then the releases still missing for the activity's other files.
    void Registra(const QStringList &arquivos, const QStringList &dirAdiciona);

    // The dialog's own runner: the listings and the questions of the directories.
    vcs::ConsoleRunner &runner();

    qor::RecordSet cdsDirItemTrab{QStringLiteral("cdsDirItemTrab")};

private:
    vcs::SvnRun proprio(const vcs::LineSink &sink);
    vcs::SvnRun principal(const QString &caption);
    QStringList statusDe(const QString &alvo);
    QStringList statusDosDiretorios(const QStringList &arquivos);

    WorkflowContext &m_ctx;
    PlataformaProduto m_plataforma;
    const QString &m_extensao;
    SelecaoCheckin m_valores;
    QString m_base;
    std::unique_ptr<vcs::CheckinRunner> m_runner;
    QStringList m_lsbVerificaStatus;
    QStringList m_lsbOculta;           // lsbRenameFile, lsbGetURL, lsbGetDonoTrava
};

}
