#include "database.h"
#include "handlers.h"
#include "packet.h"
#include "rpcerror.h"

namespace apr {

namespace {
constexpr int optionSize = 350;
}

Reply getProgOperOpc(CallContext &ctx, const Args &args)
{
    Packet packet({str("TXPROPRIED", optionSize)});
    QSqlQuery q = ctx.db.run("SELECT TXPROPRIED FROM progoperopc WHERE CDPROGRAMA = ? AND CDOPERADOR = ?",
                             {args.text(0), args.text(1)});
    packet.addRows(q);
    return packet.toJson();
}

// "1" inserts and "2" updates; either one stores the text whether or not a
// row exists, so a client whose view is out of date never loses the layout.
Reply setProgOperOpc(CallContext &ctx, const Args &args)
{
    const QString mode = args.text(3).trimmed();
    if (mode != "1" && mode != "2")
        throw appError("Modo de gravação inválido.",
                       QString("SetProgOperOpc: mode \"%1\" is neither \"1\" (insert) nor \"2\" (update)").arg(mode));
    const QString text = args.text(2);
    if (text.size() > optionSize)
        throw appError(QString("O texto da opção excede %1 caracteres.").arg(optionSize),
                       QString("SetProgOperOpc: TXPROPRIED has %1 characters").arg(text.size()));
    if (args.text(0).isEmpty() || args.text(1).isEmpty())
        throw appError("Programa e operador devem ser informados.", "SetProgOperOpc: empty program or operator");
    ctx.db.run("INSERT INTO progoperopc (CDPROGRAMA, CDOPERADOR, TXPROPRIED) VALUES (?, ?, ?)"
               " ON CONFLICT (CDPROGRAMA, CDOPERADOR) DO UPDATE SET TXPROPRIED = excluded.TXPROPRIED",
               {args.text(0), args.text(1), text});
    return {};
}

}
