#include "database.h"
#include "handlers.h"
#include "packet.h"
#include "rpcerror.h"
#include <QHash>

namespace apr {

namespace {

// The products picked by `where`, one row each with its working-copy
// directories and repository locations joined by ";" in the order they pair.
QJsonValue productsWithDirectories(Database &db, std::vector<Field> fields, const QString &where,
                                   const QVariantList &binds)
{
    Packet packet(std::move(fields));
    QSqlQuery q = db.run("SELECT p.CDPRODUTO, p.NMPRODUTO, p.DTATUPRODSUBVER, d.DSDIRBASEVER, d.DSDIRVSS"
                         " FROM produto p LEFT JOIN produto_dir d ON d.CDPRODUTO = p.CDPRODUTO"
                         " WHERE p.IDPRODCONTRSUBV = 'S' AND " + where +
                         " ORDER BY p.CDPRODUTO, d.NRSEQDIR", binds);
    QStringList order;
    QHash<QString, QVariantMap> rows;
    while (q.next()) {
        const QString code = q.value(0).toString();
        if (!rows.contains(code)) {
            order << code;
            rows.insert(code, {{"CDPRODUTO", code}, {"NMPRODUTO", q.value(1)}, {"DTATUPRODSUBVER", q.value(2)},
                               {"DSDIRBASEVER", QString()}, {"DSDIRVSS", QString()}});
        }
        if (q.value(3).isNull())
            continue;
        QVariantMap &row = rows[code];
        auto append = [](QVariant &list, const QString &item) {
            list = list.toString().isEmpty() ? item : list.toString() + ';' + item;
        };
        append(row["DSDIRBASEVER"], q.value(3).toString());
        append(row["DSDIRVSS"], q.value(4).toString());
    }
    for (const QString &code : order) {
        QVariantList values;
        for (const Field &f : packet.fields())
            values << rows.value(code).value(f.name);
        packet.addRow(values);
    }
    return packet.toJson();
}

}

// The products under version control in the platform's code range.
Reply getProdSVN(CallContext &ctx, const Args &args)
{
    const QString from = args.text(0).trimmed();
    const QString to = args.text(1).trimmed();
    return productsWithDirectories(ctx.db,
                                   {str("CDPRODUTO", 10), str("DSDIRBASEVER", 250), str("DSDIRVSS", 250),
                                    str("NMPRODUTO", 50), dt("DTATUPRODSUBVER")},
                                   "(? = '' OR p.CDPRODUTO >= ?) AND (? = '' OR p.CDPRODUTO <= ?)",
                                   {from, from, to, to});
}

// The product of a product group.
Reply getProdMercado(CallContext &ctx, const Args &args)
{
    return productsWithDirectories(ctx.db,
                                   {str("CDPRODUTO", 10), str("NMPRODUTO", 50), str("DSDIRBASEVER", 250),
                                    str("DSDIRVSS", 250), dt("DTATUPRODSUBVER")},
                                   "p.CDPRODGRUP = ?", {args.text(0).trimmed()});
}

// The version-control parameters of the product with a tree code.
Reply getParamProdSVN(CallContext &ctx, const Args &args)
{
    return productsWithDirectories(ctx.db,
                                   {str("CDPRODUTO", 10), str("DSDIRVSS", 250), str("DSDIRBASEVER", 250),
                                    dt("DTATUPRODSUBVER")},
                                   "p.CDARVPROD = ?", {args.text(0).trimmed()});
}

// A check-in changed the product's repository: its state date moves on, so
// that every working copy updated before now is updated again. The date only
// ever goes forward, one second at least, since the update compares with
// "later than" and two check-ins within one second would otherwise look like one.
Reply setDataAtuProd(CallContext &ctx, const Args &args)
{
    const QString product = args.text(0).trimmed();
    QSqlQuery q = ctx.db.run("SELECT CDPRODUTO, DTATUPRODSUBVER FROM produto WHERE CDPRODUTO = ? OR CDPRODGRUP = ?"
                             " ORDER BY CDPRODUTO",
                             {product, product});
    QList<std::pair<QString, QDateTime>> found;
    while (q.next())
        found.append({q.value(0).toString(), parseStamp(q.value(1).toString()).value_or(QDateTime())});
    q.finish();
    if (found.isEmpty())
        throw appError("Produto não encontrado.", QString("SetDataAtuProd: no product \"%1\"").arg(product));
    // Stored to the second: compared as stored.
    QDateTime now = QDateTime::currentDateTime();
    now = now.addMSecs(-now.time().msec());
    for (const auto &[code, previous] : found) {
        const QDateTime stamp = previous.isValid() && previous >= now ? previous.addSecs(1) : now;
        ctx.db.run("UPDATE produto SET DTATUPRODSUBVER = ? WHERE CDPRODUTO = ?", {formatStamp(stamp), code});
    }
    return {};
}

}
