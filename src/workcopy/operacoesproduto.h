#pragma once
#include "host/recordset.h"
#include "workcopy/atualizacaoproduto.h"
#include "vcs/svnclient.h"
#include "workcopy/workcopycontext.h"

namespace workcopy {

// A product picked in "Update Version": every working copy of it repaired
// (cleanup, conflicts kept as the local files, update) or checked out afresh;
// a copy of another repository location is first moved aside.
class OperacoesProduto {
public:
    explicit OperacoesProduto(WorkCopyContext &ctx);

    // The menu item's caption; asks for confirmation first.
    void ClicaPopMenu(const QString &caption);
    // Files whose letter case changed on disk get the repository's name back.
    void Renomeia_Arq(const QString &path);

    // The name a foreign or broken copy is moved aside to.
    static QString NomeAfastado(const QString &dir, const QDateTime &agora, const QString &url);

    qor::RecordSet cdsParamProdSVN{QStringLiteral("cdsParamProdSVN")};

private:
    struct Par { QString copia, repositorio; };
    void repara(const QString &nome);
    vcs::SvnRun em(const QString &captionKey, const QString &alvo);
    QString url(const QString &repositorio, const QString &raiz) const;

    WorkCopyContext &m_ctx;
    AtualizacaoProduto m_atualizacao;
};

}
