#include "module/plataforma.h"

namespace apr {

const std::array<Plataforma, 4> &TabelaPlataformas()
{
    static const std::array<Plataforma, 4> table{{
        {"rbtProdDelphi", "Produto Vortaly Delphi", "P4", "P9", vcs::PlataformaProduto::Delphi},
        {"rbtProdAsp", "Produto Vortaly Asp", "P150", "P15", vcs::PlataformaProduto::Asp},
        {"rbtProdLumetra", "Produto Vortaly Lumetra", "T", "T", vcs::PlataformaProduto::ProdutoLumetra},
        {"rbtFrameLumetra", "Framework Lumetra", "S", "S", vcs::PlataformaProduto::FrameworkLumetra},
    }};
    return table;
}

// The last code: the fixed prefix followed by "z" repeated (4 - length of the
// first code) times; the ASP range, whose first code has four characters
// already, ends with one "z" after "P15".
QString Plataforma::final() const
{
    const int zs = valor == vcs::PlataformaProduto::Asp ? 1 : 4 - int(qstrlen(prodTrabIni));
    return QString::fromUtf8(prefixoFinal) + QString(qMax(0, zs), QLatin1Char('z'));
}

const Plataforma *PlataformaPorCaption(const QString &caption)
{
    for (const Plataforma &p : TabelaPlataformas())
        if (p.titulo() == caption)
            return &p;
    return nullptr;
}

}
