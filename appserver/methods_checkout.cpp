#include "database.h"
#include "handlers.h"
#include "packet.h"
#include "rpcerror.h"

namespace apr {

namespace {

QVariantList activityKey(const Args &args)
{
    return {args.text(0), args.text(1), args.text(2)};
}

const char *byActivity = " WHERE CDFILIAL = ? AND NRTAREFA = ? AND NRPLATIVTARE = ?";

}

// The files the activity holds checked out.
Reply getArqCheckout(CallContext &ctx, const Args &args)
{
    Packet packet({str("NMARQUIVO", 250), str("IDADICIONADODEPOIS", 1)});
    QSqlQuery q = ctx.db.run(QString("SELECT ARQUIVO AS NMARQUIVO, IDADICIONADODEPOIS FROM arqcheckout")
                                 + byActivity + " ORDER BY CODIGO",
                             activityKey(args));
    packet.addRows(q);
    return packet.toJson();
}

// The same files with their codes and releases.
Reply getArqCheck(CallContext &ctx, const Args &args)
{
    Packet packet({str("CDFILIAL", 4), str("NRTAREFA", 10), str("NRPLATIVTARE", 5), str("CODIGO", 5),
                   str("ARQUIVO", 250), str("CDRELEASEARQANT", 10), str("CDRELEASEARQATU", 10)});
    QSqlQuery q = ctx.db.run(QString("SELECT CDFILIAL, NRTAREFA, NRPLATIVTARE, CODIGO, ARQUIVO,"
                                     " CDRELEASEARQANT, CDRELEASEARQATU FROM arqcheckout")
                                 + byActivity + " ORDER BY CODIGO",
                             activityKey(args));
    packet.addRows(q);
    return packet.toJson();
}

// Records a file under a code; the same code again replaces the path and
// keeps the releases already recorded for it.
Reply setArqCheckout(CallContext &ctx, const Args &args)
{
    bool numeric = false;
    const int code = args.text(3).trimmed().toInt(&numeric);
    if (!numeric || code < 0)
        throw appError("Código de arquivo inválido.",
                       QString("SetArqCheckout: file code \"%1\" is not a decimal number").arg(args.text(3)));
    const QString path = args.text(4).trimmed();
    if (path.isEmpty())
        throw appError("Arquivo não informado.", "SetArqCheckout: empty file path");
    QVariantList binds = activityKey(args);
    binds << code << path;
    ctx.db.run("INSERT INTO arqcheckout (CDFILIAL, NRTAREFA, NRPLATIVTARE, CODIGO, ARQUIVO)"
               " VALUES (?, ?, ?, ?, ?)"
               " ON CONFLICT (CDFILIAL, NRTAREFA, NRPLATIVTARE, CODIGO) DO UPDATE SET ARQUIVO = excluded.ARQUIVO",
               binds);
    return {};
}

// The files an earlier check-out of the activity left recorded.
Reply getVdArqCheckout(CallContext &ctx, const Args &args)
{
    Packet packet({str("CODIGO", 5), str("ARQUIVO", 250)});
    QSqlQuery q = ctx.db.run(QString("SELECT CODIGO, ARQUIVO FROM arqcheckout") + byActivity + " ORDER BY CODIGO",
                             activityKey(args));
    packet.addRows(q);
    return packet.toJson();
}

Reply clearArqCheckout(CallContext &ctx, const Args &args)
{
    ctx.db.run(QString("DELETE FROM arqcheckout") + byActivity, activityKey(args));
    return {};
}

}
