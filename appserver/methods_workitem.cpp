#include "args.h"
#include "database.h"
#include "plan/situacao.h"
#include "handlers.h"
#include "packet.h"
#include "rpcerror.h"

namespace apr {

namespace {

// The module passes the product group where the tables want the product:
// a product code is taken as it is, a group code gives its first product.
QString productCode(Database &db, const QString &given)
{
    QSqlQuery q = db.run("SELECT CDPRODUTO FROM produto WHERE CDPRODUTO = ? OR CDPRODGRUP = ?"
                         " ORDER BY CASE WHEN CDPRODUTO = ? THEN 0 ELSE 1 END, CDPRODUTO",
                         {given, given, given});
    return q.next() ? q.value(0).toString() : QString();
}

const QString &notConcluded()
{
    static const QString sql = " " + plan::SqlNaoEncerrada("p.IDSITATIVTAR");
    return sql;
}

// Activities, not concluded, of requests other than `request` on the work
// item of the product group: whoever runs them holds the item's sources.
QSqlQuery otherRequestsOnItem(Database &db, const QString &request, const QString &group, const QString &item)
{
    return db.run(QString("SELECT t.NRSOLISERV, p.NRTAREFA, p.NRPLATIVTARE,"
                          " CASE p.IDSITATIVTAR WHEN " + plan::Sql(plan::Situacao::EmAndamento) + " THEN 'Em andamento'"
                          " WHEN " + plan::Sql(plan::Situacao::Paralisada) + " THEN 'Paralisada'"
                          "  ELSE CASE WHEN p.IDATIVPEND = 'S' THEN 'Pendente' ELSE 'Planejada' END"
                          " END AS STATUSATIV"
                          " FROM planativtare p"
                          " JOIN tarefa t ON t.CDFILIAL = p.CDFILIAL AND t.NRTAREFA = p.NRTAREFA"
                          " JOIN solicitacao s ON s.NRSOLISERV = t.NRSOLISERV"
                          " WHERE t.NRSOLISERV <> ? AND s.CDPRODGRUP = ? AND"
                          + notConcluded()
                          + " AND (p.CDITEMTRAB = ? OR EXISTS (SELECT 1 FROM itemtarefa i"
                            "  WHERE i.CDFILIAL = p.CDFILIAL AND i.NRTAREFA = p.NRTAREFA"
                            "  AND i.NRPLATIVTARE = p.NRPLATIVTARE AND i.CDITEMTRAB = ?))"
                            " ORDER BY t.NRSOLISERV, p.NRTAREFA, p.NRPLATIVTARE"),
                  {request, group, item, item});
}

[[noreturn]] void lockedBy(Database &db, const QString &holder, const QString &item, const QString &product)
{
    QSqlQuery q = db.run("SELECT NMOPERADOR FROM operador WHERE CDOPERADOR = ?", {holder});
    const QString name = q.next() ? q.value(0).toString() : QString();
    throw appError("Atividade não pode ser colocada em andamento. O item de trabalho está bloqueado para o usuário "
                       + holder + " - " + name,
                   QString("SetCheckout: work item %1 of product %2 is checked out by %3").arg(item, product, holder));
}

// Takes the work item for the operator unless someone else holds it. The
// holder check is in the statements themselves, so of two operators racing
// for one item only one changes a row; the other finds the winner.
void takeWorkItem(Database &db, const QString &op, const QString &item, const QString &product)
{
    for (int attempt = 0; attempt < 2; ++attempt) {
        QSqlQuery updated = db.run("UPDATE itemtrab_prod SET IDSITCHECKOUT = 'S', CDOPCHECKOUT = ?"
                                   " WHERE CDITEMTRAB = ? AND CDPRODUTO = ?"
                                   " AND (IDSITCHECKOUT IS NULL OR IDSITCHECKOUT <> 'S' OR CDOPCHECKOUT = ?)",
                                   {op, item, product, op});
        if (updated.numRowsAffected() > 0)
            return;
        QSqlQuery inserted = db.run("INSERT INTO itemtrab_prod (CDITEMTRAB, CDPRODUTO, IDSITCHECKOUT, CDOPCHECKOUT)"
                                    " VALUES (?, ?, 'S', ?) ON CONFLICT (CDITEMTRAB, CDPRODUTO) DO NOTHING",
                                    {item, product, op});
        if (inserted.numRowsAffected() > 0)
            return;
        QSqlQuery holder = db.run("SELECT IDSITCHECKOUT, CDOPCHECKOUT FROM itemtrab_prod"
                                  " WHERE CDITEMTRAB = ? AND CDPRODUTO = ?",
                                  {item, product});
        if (holder.next() && holder.value(0).toString() == "S" && holder.value(1).toString() != op)
            lockedBy(db, holder.value(1).toString(), item, product);
        // The row came or went between the statements: once more.
    }
    throw appError("Não foi possível registrar o check-out do item de trabalho.",
                   QString("SetCheckout: work item %1 of product %2 kept changing").arg(item, product));
}

}

// The work item of the task's activity (all of them when none is named).
Reply getItemTarefa(CallContext &ctx, const Args &args)
{
    Packet packet({str("CDITEMTRAB", 10), str("NMITEMTRAB", 100), str("CDREDUITTRAB", 20), str("CDTIPOITTRAB", 2)});
    QString sql = "SELECT i.CDITEMTRAB, it.NMITEMTRAB, it.CDREDUITTRAB, it.CDTIPOITTRAB FROM itemtarefa i"
                  " LEFT JOIN itemtrab it ON it.CDITEMTRAB = i.CDITEMTRAB"
                  " WHERE i.CDFILIAL = ? AND i.NRTAREFA = ? AND i.NRPLATIVTARE = ?";
    QVariantList binds{args.text(0).trimmed(), args.text(2).trimmed(), args.text(3).trimmed()};
    const QString item = args.text(5).trimmed();
    if (!item.isEmpty()) {
        sql += " AND i.CDITEMTRAB = ?";
        binds << item;
    }
    QSqlQuery q = ctx.db.run(sql + " ORDER BY i.CDITEMTRAB", binds);
    packet.addRows(q);
    return packet.toJson();
}

// The directories of the work item's sources in the product, relative to its working-copy base.
Reply getDirItemTrab(CallContext &ctx, const Args &args)
{
    Packet packet({str("DSDIRARQFONTIT", 250)});
    QSqlQuery q = ctx.db.run("SELECT DSDIRARQFONTIT FROM itemtrab_dir WHERE CDITEMTRAB = ? AND CDPRODUTO = ?"
                             " ORDER BY NRSEQDIR",
                             {args.text(0).trimmed(), productCode(ctx.db, args.text(1).trimmed())});
    packet.addRows(q);
    return packet.toJson();
}

Reply getVdsolitemtrab(CallContext &ctx, const Args &args)
{
    Packet packet({str("NRSOLISERV", 10), str("NRTAREFA", 10), str("NRPLATIVTARE", 5), str("STATUSATIV", 12)});
    QSqlQuery q = otherRequestsOnItem(ctx.db, args.text(0).trimmed(), args.text(1).trimmed(), args.text(2).trimmed());
    packet.addRows(q);
    return packet.toJson();
}

// The pending mark stays until the activity is put in progress.
Reply setStatusAtivPen(CallContext &ctx, const Args &args)
{
    QSqlQuery q = ctx.db.run("UPDATE planativtare SET IDATIVPEND = 'S', DTATIVPEND = ?"
                             " WHERE NRTAREFA = ? AND NRPLATIVTARE = ?",
                             {formatStamp(QDateTime::currentDateTime()), args.text(0).trimmed(),
                              args.text(1).trimmed()});
    if (q.numRowsAffected() == 0)
        throw appError("Atividade não encontrada no plano.",
                       QString("SetStatusAtivPen: no activity %1/%2").arg(args.text(0), args.text(1)));
    return {};
}

// "S" when the activity may leave the pending state: it is not marked
// pending, or the requests that held its work item have let it go. An
// activity that does not exist gives no row.
Reply getativpen(CallContext &ctx, const Args &args)
{
    Packet packet({str("IDALTSTATUSPEND", 1)});
    QSqlQuery q = ctx.db.run("SELECT p.IDATIVPEND, p.CDITEMTRAB, t.NRSOLISERV, s.CDPRODGRUP FROM planativtare p"
                             " LEFT JOIN tarefa t ON t.CDFILIAL = p.CDFILIAL AND t.NRTAREFA = p.NRTAREFA"
                             " LEFT JOIN solicitacao s ON s.NRSOLISERV = t.NRSOLISERV"
                             " WHERE p.NRTAREFA = ? AND p.NRPLATIVTARE = ? ORDER BY p.CDFILIAL",
                             {args.text(0).trimmed(), args.text(1).trimmed()});
    if (!q.next())
        return packet.toJson();
    bool free = q.value(0).toString() != "S";
    if (!free) {
        QSqlQuery others = otherRequestsOnItem(ctx.db, q.value(2).toString(), q.value(3).toString(),
                                               q.value(1).toString());
        free = !others.next();
    }
    packet.addRow(QVariantList{free ? "S" : "N"});
    return packet.toJson();
}

// The work item's relation to the product and who holds it checked out.
Reply getVdRelacItTrabProd(CallContext &ctx, const Args &args)
{
    Packet packet({str("CDPRODUTO", 10), str("CDITEMTRAB", 10), str("IDSITCHECKOUT", 1), str("CDOPCHECKOUT", 12)});
    QSqlQuery q = ctx.db.run("SELECT CDPRODUTO, CDITEMTRAB, IDSITCHECKOUT, CDOPCHECKOUT FROM itemtrab_prod"
                             " WHERE CDPRODUTO = ? AND CDITEMTRAB = ?",
                             {productCode(ctx.db, args.text(0).trimmed()), args.text(1).trimmed()});
    packet.addRows(q);
    return packet.toJson();
}

Reply getOperador(CallContext &ctx, const Args &args)
{
    Packet packet({str("CDOPERADOR", 12), str("NMOPERADOR", 40)});
    QSqlQuery q = ctx.db.run("SELECT CDOPERADOR, NMOPERADOR FROM operador WHERE CDOPERADOR = ?",
                             {args.text(0).trimmed()});
    packet.addRows(q);
    return packet.toJson();
}

// One row: the product's working-copy bases and repository directories, each joined by ";".
Reply getDirProd(CallContext &ctx, const Args &args)
{
    Packet packet({str("DSDIRBASEVER", 250), str("DSDIRVSS", 250)});
    QSqlQuery q = ctx.db.run("SELECT DSDIRBASEVER, DSDIRVSS FROM produto_dir WHERE CDPRODUTO = ? ORDER BY NRSEQDIR",
                             {productCode(ctx.db, args.text(0).trimmed())});
    QStringList bases, urls;
    while (q.next()) {
        bases << q.value(0).toString();
        urls << q.value(1).toString();
    }
    if (!bases.isEmpty())
        packet.addRow(QVariantList{bases.join(';'), urls.join(';')});
    return packet.toJson();
}

// The operator takes the work item of the product. "I" and "U" say what the
// module believed it would find; both are the same guarded upsert, so a
// relation that appeared or vanished meanwhile is neither lost nor doubled.
Reply setCheckout(CallContext &ctx, const Args &args)
{
    const QString op = args.text(0).trimmed();
    const QString item = args.text(1).trimmed();
    const QString state = args.text(2).trimmed();
    const QString mode = args.text(4).trimmed();
    if (state != "S")
        throw appError("Situação de check-out inválida.", QString("SetCheckout: state \"%1\" is not S").arg(state));
    if (mode != "I" && mode != "U")
        throw appError("Modo inválido.", QString("SetCheckout: mode \"%1\" is neither I nor U").arg(mode));
    QSqlQuery known = ctx.db.run("SELECT 1 FROM itemtrab WHERE CDITEMTRAB = ?", {item});
    if (!known.next())
        throw appError("Item de trabalho não encontrado.", QString("SetCheckout: no work item \"%1\"").arg(item));
    known.finish();
    const QString product = productCode(ctx.db, args.text(3).trimmed());
    if (product.isEmpty())
        throw appError("Produto não encontrado.", QString("SetCheckout: no product \"%1\"").arg(args.text(3)));
    takeWorkItem(ctx.db, op, item, product);
    return {};
}

}
