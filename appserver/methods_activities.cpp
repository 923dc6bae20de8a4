#include "database.h"
#include "handlers.h"
#include "packet.h"

namespace apr {

// The operator's attendance in progress (at most one open row).
Reply getAtivAndamento(CallContext &ctx, const Args &args)
{
    Packet packet({str("CDFILIAL", 4), str("NRTAREFA", 10), str("NRPLATIVTARE", 5), str("CDPROCESSO", 10),
                   str("IDATENDIMENTO", 1)});
    QSqlQuery q = ctx.db.run("SELECT CDFILIAL, NRTAREFA, NRPLATIVTARE, CDPROCESSO, IDATENDIMENTO"
                             " FROM atendimento WHERE CDFILIAL = ? AND CDOPERADOR = ? AND DTFIMATEND IS NULL"
                             " ORDER BY DTINIATEND DESC",
                             {args.text(0), args.text(1)});
    if (q.next())
        packet.addRow(q);
    return packet.toJson();
}

// Work items of the activities the operator is responsible for and still works on.
Reply getItemTarefaOperador(CallContext &ctx, const Args &args)
{
    Packet packet({str("CDITEMTRAB", 10), str("NMITEMTRAB", 100), num("NRCPLXITTARE"), str("NRTAREFA", 10),
                   str("NRPLATIVTARE", 5), str("CDREDUITTRAB", 20), str("DSDIRARQFONT", 250),
                   str("IDSITCHECKOUT", 1), str("DSDIRRAIZARQ", 80), str("CDTIPOITTRAB", 2),
                   str("CDFILIAL", 4)});
    QSqlQuery q = ctx.db.run(
        "SELECT i.CDITEMTRAB, it.NMITEMTRAB, i.NRCPLXITTARE, i.NRTAREFA, i.NRPLATIVTARE, it.CDREDUITTRAB,"
        " i.DSDIRARQFONT, i.IDSITCHECKOUT, it.DSDIRRAIZARQ, it.CDTIPOITTRAB, i.CDFILIAL"
        " FROM itemtarefa i"
        " JOIN planativtare p ON p.CDFILIAL = i.CDFILIAL AND p.NRTAREFA = i.NRTAREFA"
        "  AND p.NRPLATIVTARE = i.NRPLATIVTARE"
        " LEFT JOIN itemtrab it ON it.CDITEMTRAB = i.CDITEMTRAB"
        " WHERE i.CDFILIAL = ? AND p.CDOPERRESP = ?"
        " AND (p.IDSITATIVTAR IS NULL OR p.IDSITATIVTAR NOT IN ('C', 'X'))"
        " ORDER BY i.NRTAREFA, i.NRPLATIVTARE, i.CDITEMTRAB",
        {args.text(0), args.text(1)});
    packet.addRows(q);
    return packet.toJson();
}

}
