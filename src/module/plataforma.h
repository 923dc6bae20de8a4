#pragma once
#include "vcs/plataforma.h"
#include <QString>
#include <array>

namespace apr {

// One development platform of the choice page: its radio button, caption and
// the range of product codes the server returns for it.
struct Plataforma {
    const char *radioButton;
    const char *caption;
    const char *prodTrabIni;
    const char *prefixoFinal;   // the fixed part of the last code
    vcs::PlataformaProduto valor;

    QString titulo() const { return QString::fromUtf8(caption); }
    QString inicial() const { return QString::fromUtf8(prodTrabIni); }
    QString final() const;
};

// First match wins; the last row is the choice when none of the others is selected.
const std::array<Plataforma, 4> &TabelaPlataformas();
const Plataforma *PlataformaPorCaption(const QString &caption);

}
