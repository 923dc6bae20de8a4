#include "args.h"
#include "database.h"
#include "handlers.h"
#include "packet.h"
#include "rpcerror.h"
#include <QJsonObject>

namespace apr {

namespace {

// Longest period one call reads: a year, leap day included.
constexpr qint64 kMaxPeriodDays = 366;

}

// The caller's own booked intervals of the branch that overlap the period's
// days (end day included), clipped to the period; a running interval keeps
// its empty end. The second element is the server's clock, which the stored
// stamps are in, so the client can make a running interval grow.
Reply getApropriacaoPeriodo(CallContext &ctx, const Args &args)
{
    const QString now = formatStamp(QDateTime::currentDateTime());
    const std::optional<QDateTime> from = args.date(2), to = args.date(3);
    if (!from || !to)
        throw appError("Informe as datas inicial e final do período.", "GetApropriacaoPeriodo: missing date");
    if (to->date() < from->date())
        throw appError("A data final deve ser igual ou posterior à data inicial.",
                       "GetApropriacaoPeriodo: end before start");
    if (from->date().daysTo(to->date()) >= kMaxPeriodDays)
        throw appError(QString("O período não pode passar de %1 dias.").arg(kMaxPeriodDays),
                       "GetApropriacaoPeriodo: period too long");
    const QString start = formatStamp(QDateTime(from->date(), QTime(0, 0)));
    const QString end = formatStamp(QDateTime(to->date().addDays(1), QTime(0, 0)));

    Packet packet({str("CDFILIAL", 4), str("NRTAREFA", 10), str("NRPLATIVTARE", 5), str("NRSOLISERV", 10),
                   str("NMPROCESSO", 100), str("DSREFETAREFA", 250), str("DSREFESOLI", 60), dt("DTINICIO"),
                   dt("DTFIM")});
    // Only the session's operator: the argument was checked against it, and
    // the query does not rely on that.
    QSqlQuery q = ctx.db.run(
        "SELECT a.CDFILIAL, a.NRTAREFA, a.NRPLATIVTARE, t.NRSOLISERV, pr.NMPROCESSO, t.DSREFETAREFA,"
        " s.DSREFESOLI, a.DTINICIO, a.DTFIM"
        " FROM apropriacao a"
        " LEFT JOIN planativtare p ON p.CDFILIAL = a.CDFILIAL AND p.NRTAREFA = a.NRTAREFA"
        "  AND p.NRPLATIVTARE = a.NRPLATIVTARE"
        " LEFT JOIN tarefa t ON t.CDFILIAL = a.CDFILIAL AND t.NRTAREFA = a.NRTAREFA"
        " LEFT JOIN solicitacao s ON s.NRSOLISERV = t.NRSOLISERV"
        " LEFT JOIN processo pr ON pr.CDPROCESSO = p.CDPROCESSO"
        " WHERE a.CDOPERADOR = ? AND a.CDFILIAL = ? AND a.DTINICIO < ? AND (a.DTFIM IS NULL OR a.DTFIM > ?)"
        " ORDER BY a.DTINICIO",
        {ctx.caller(), args.text(0).trimmed(), end, start});
    while (q.next()) {
        QVariantList row;
        for (int i = 0; i < 7; ++i)
            row << q.value(i);
        // Stamps are "YYYY-MM-DDTHH:MM:SS" text: their order is the text's.
        const QString begun = q.value(7).toString();
        row << std::max(begun, start);
        row << (q.value(8).isNull() ? QVariant() : QVariant(std::min(q.value(8).toString(), end)));
        packet.addRow(row);
    }
    return QJsonArray{packet.toJson(), QJsonObject{{"date", now}}};
}

}
