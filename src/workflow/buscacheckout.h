#pragma once
// The search behind the check-out selection: the work item's directories, the
// expansion of their wildcards, and the candidate files (the platform's
// extensions, under version control, the work item's own file for type "14").
#include "host/messages.h"
#include "host/recordset.h"
#include "vcs/svnclient.h"
#include "workflow/selcheckout.h"
#include <QHash>
#include <QString>
#include <QStringList>
#include <optional>

namespace vcs { class LogicalFs; }

namespace workflow {

// The entries (directories and single files or masks) a directory
// specification stands for: "\...\" any depth, "\*\" one level, "\*frag*\"
// the directories whose name holds the fragment; ".svn" is never followed.
QStringList ExpandeDiretorios(const vcs::LogicalFs &fs, const QString &path);

class BuscaCheckout {
public:
    BuscaCheckout(WorkflowContext &ctx, PlataformaProduto plataforma, const SelecaoCheckout &valores);

    static const qor::TMessages &Textos();
    static const QString &Extensoes(PlataformaProduto plataforma);
    // The base directory with its trailing "\" and, when it names no drive, "C:".
    static QString AjustaBase(const QString &diretorio);
    // The candidate filter: the typed text is a prefix of the path, without
    // regard to case; "%" stands for any run of characters.
    static bool FiltroAceita(const QString &filtro, const QString &arquivo);

    // The captions of the directory menu; adjusts the base directory it is given.
    // "Dir_CopTrab_SV" / "Dir_ItTrab_SV" end the handler.
    QStringList DiretoriosDoMenu(QString &diretorioBase);

    // The entries (directories and single files or masks) a chosen directory stands for.
    QStringList AjustaDiretorios(const QString &path) const;
    // Every candidate of a chosen directory, lower case, in ascending order;
    // "DIR_NOT_EXI" when the directory stands for nothing.
    QStringList Procura(const QString &diretorio);
    void ProcuraArquivos(const QString &entry, QStringList &candidatos);
    // The paths the status listing of dir excludes. Within one search each
    // directory is listed once.
    QStringList Filtra_Arq_Controlados(QString dir);
    bool Verifica_Arquivo_cds(const QString &nome);

    const QStringList &cdsAux() const { return m_aux; }
    QStringList stlArqBarrado;
    qor::RecordSet cdsDirItemTrab{QStringLiteral("cdsDirItemTrab")};
    qor::RecordSet cdsItemTarefa{QStringLiteral("cdsItemTarefa")};

private:
    void testaArquivos(const QString &dir, const QStringList &names, QStringList &candidatos);
    bool barrado(const QString &path) const;
    vcs::SvnStatus statusDe(const QString &dir);

    WorkflowContext &m_ctx;
    const QString &m_extensao;
    SelecaoCheckout m_valores;
    QStringList m_aux;
    QHash<QString, QStringList> m_statusPorDiretorio;   // of the search in progress
    std::optional<QString> m_reduzido;                   // CDREDUITTRAB, asked once per search
};

}
