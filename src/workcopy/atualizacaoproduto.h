#pragma once
#include "host/recordset.h"
#include "workcopy/arquivocontrole.h"
#include "workcopy/workcopycontext.h"
#include <QStringList>

namespace workcopy {

// The update of a product's working copies and its record in the control
// file: the start-up update after a platform choice, the update before a
// check-out, and "Update Version"'s list of products.
class AtualizacaoProduto {
public:
    explicit AtualizacaoProduto(WorkCopyContext &ctx);

    // "Update Version": Get_Inicial's version parameters into cdsParamVersao; false when empty.
    bool CarregaVersoes();
    // Once per platform choice: the developer's product when it was never updated
    // here, or when the server has a newer state and the 12:30 rules say so.
    void Atualiza_Arq_Login();
    // Before a check-out: the product of the group when the server has a newer state.
    void Atualiza_Arq_Prod_Merc(const QString &grupo);
    // Every working-copy directory of a product, after checking them all.
    void Efetua_Update(const QString &diretorios, const QString &repositorios);
    // Pairs the ";"-separated lists into cdsDiretoriosGet; a bad pairing ends the operation.
    void Preenche_Diretorios_Atualiza(const QString &diretorios, const QString &repositorios);

    // The 12:30 rules on the last update's text (DD/MM/YYYY HH:NN:SS).
    struct Vencimento {
        bool outroDia = false;
        bool depoisDas1230 = false;
        bool devido() const { return outroDia || depoisDas1230; }
    };
    static Vencimento Vence(const QString &ultimoUpdate, const QDateTime &agora);

    // The control file's path, completed and kept in stDirArqSV.
    QString CaminhoControle();

    qor::RecordSet cdsDiretoriosGet{QStringLiteral("cdsDiretoriosGet")};
    qor::RecordSet cdsProdDesen{QStringLiteral("cdsProdDesen")};
    qor::RecordSet cdsProdMercado{QStringLiteral("cdsProdMercado")};
    ArquivoControle controle;

private:
    void primeiraAtualizacao(const qor::RecordSet &produto, bool comRegistros);
    void informa(const QString &text) const;
    QStringList pares(const QString &campo);

    WorkCopyContext &m_ctx;
};

}
