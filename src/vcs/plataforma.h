#pragma once

namespace vcs {

// The development platform the operator chose at start. Its value is the
// platform number the server knows (GetProdAtual): 0 Delphi, 1 ASP, 2
// Lumetra products, 3 the Lumetra framework.
enum class PlataformaProduto { Delphi = 0, Asp = 1, ProdutoLumetra = 2, FrameworkLumetra = 3 };

constexpr int Numero(PlataformaProduto plataforma) { return int(plataforma); }

}
