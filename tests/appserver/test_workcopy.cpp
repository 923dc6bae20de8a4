// The product methods of the working-copy maintenance.
#include "harness.h"

using namespace apptest;

namespace {
class ProductMethods : public SeededServer {};
}

TEST_F(ProductMethods, ProdSvnKeepsTheRangeAndPairsTheDirectoriesInOrder)
{
    const QJsonValue p = client->result("GetProdSVN", {"P4", "P9zz"});
    EXPECT_EQ(column(p, "CDPRODUTO"), (QStringList{"P401", "P502", "P610"}));
    EXPECT_EQ(cell(p, 0, "DSDIRBASEVER").toString(), "c:\\sistemas\\prod\\P401;c:\\sistemas\\prod\\P401\\relatorios");
    EXPECT_EQ(cell(p, 0, "DSDIRVSS").toString(), "/P401/trunk;/P401/trunk/relatorios");
    EXPECT_FALSE(cell(p, 0, "DTATUPRODSUBVER").toString().isEmpty());
    // An empty range is every product under version control, never the others.
    const QStringList all = column(client->result("GetProdSVN", {"", ""}), "CDPRODUTO");
    EXPECT_TRUE(all.contains("T001"));
    EXPECT_FALSE(all.contains("P300"));
}

TEST_F(ProductMethods, ProdMercadoAndParamProdSvnFindOneProduct)
{
    const QJsonValue mercado = client->result("GetProdMercado", {"T001"});
    EXPECT_EQ(column(mercado, "NMPRODUTO"), QStringList{"Lumetra Estoque"});
    EXPECT_EQ(cell(mercado, 0, "DSDIRVSS").toString(), "/T001/trunk");
    EXPECT_EQ(column(client->result("GetProdMercado", {"NONE"}), "CDPRODUTO"), QStringList{});

    const QJsonValue param = client->result("GetParamProdSVN", {"02.01.50"});
    EXPECT_EQ(column(param, "CDPRODUTO"), QStringList{"P150"});
    EXPECT_EQ(cell(param, 0, "DSDIRBASEVER").toString(),
              "c:\\sistemas\\prod\\P150;c:\\sistemas\\prod\\P150\\relatorios");
    // A product outside version control has no parameters.
    EXPECT_EQ(column(client->result("GetParamProdSVN", {"00.03.00"}), "CDPRODUTO"), QStringList{});
}

TEST_F(ProductMethods, ProdAtualGivesTheTopDirectoryOfThePlatformsCurrentProduct)
{
    const QJsonValue delphi = client->result("GetProdAtual", {0});
    EXPECT_EQ(column(delphi, "DSDIRBASEVER"), QStringList{"\\sistemas"});
    EXPECT_EQ(column(client->result("GetProdAtual", {2}), "DSDIRBASEVER"), QStringList{"\\sistemas"});
    // A platform the module does not offer has no product.
    EXPECT_EQ(column(client->result("GetProdAtual", {9}), "DSDIRBASEVER"), QStringList{});
}
