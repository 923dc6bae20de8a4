#include "database.h"
#include "handlers.h"
#include "packet.h"
#include "rpcerror.h"

namespace apr {

namespace {

// The product-code range of each platform the module offers (by GetProdAtual's number).
struct CodeRange { const char *from; const char *to; };
constexpr CodeRange platformRanges[] = {{"P4", "P9zz"}, {"P150", "P15z"}, {"T", "Tzzz"}, {"S", "Szzz"}};

// "c:\sistemas\prod\P401" -> "\sistemas": the top directory of a working copy, without its drive.
QString topDirectory(QString directory)
{
    directory.replace(u'/', u'\\');
    if (directory.size() >= 2 && directory.at(1) == u':') directory = directory.mid(2);
    while (directory.startsWith(u'\\')) directory = directory.mid(1);
    const QString first = directory.section(u'\\', 0, 0);
    return first.isEmpty() ? QString() : u'\\' + first;
}

}

// The base directory of the platform's current product: the product of its
// range under version control updated last (the highest code among equals);
// an empty packet when the platform has none.
Reply getProdAtual(CallContext &ctx, const Args &args)
{
    const qint64 platform = args.integer(0);
    Packet packet({str("DSDIRBASEVER", 250)});
    if (platform < 0 || platform >= qint64(std::size(platformRanges))) return packet.toJson();
    const CodeRange &range = platformRanges[platform];
    QSqlQuery q = ctx.db.run("SELECT d.DSDIRBASEVER FROM produto p JOIN produto_dir d ON d.CDPRODUTO = p.CDPRODUTO"
                             " WHERE p.IDPRODCONTRSUBV = 'S' AND p.CDPRODUTO >= ? AND p.CDPRODUTO <= ?"
                             " ORDER BY p.DTATUPRODSUBVER DESC, p.CDPRODUTO DESC, d.NRSEQDIR LIMIT 1",
                             {QString::fromLatin1(range.from), QString::fromLatin1(range.to)});
    if (q.next()) packet.addRow(QVariantList{topDirectory(q.value(0).toString())});
    return packet.toJson();
}

}
