#include "args.h"
#include "database.h"
#include "handlers.h"
#include "packet.h"
#include "rpcerror.h"
#include "sessions.h"
#include <QJsonObject>

namespace apr {

namespace {

QVariantList activityKey(const Args &args, int first)
{
    return {args.text(first).trimmed(), args.text(first + 1).trimmed(), args.text(first + 2).trimmed()};
}

QString keyText(const QVariantList &key)
{
    return QString("%1/%2/%3").arg(key[0].toString(), key[1].toString(), key[2].toString());
}

bool activityExists(Database &db, const QVariantList &key)
{
    QSqlQuery q = db.run("SELECT 1 FROM planativtare WHERE CDFILIAL = ? AND NRTAREFA = ? AND NRPLATIVTARE = ?", key);
    return q.next();
}

void requireActivity(Database &db, const QVariantList &key, const char *method)
{
    if (!activityExists(db, key))
        throw appError("Atividade não encontrada no plano.",
                       QString("%1: no activity %2").arg(QLatin1String(method), keyText(key)));
}

// The answer is the operator's writing: it is kept exactly as sent. A NUL
// cannot be stored in a text column of either database, so it is refused
// rather than cut short.
void storeAnswer(Database &db, const QVariantList &key, const QString &text, const QString &op)
{
    if (text.contains(QChar(0)))
        throw appError("A resposta contém um caractere inválido (código 0) e não foi gravada.",
                       "SetResposta: NUL in the answer of " + keyText(key));
    db.run("INSERT INTO resposta (CDFILIAL, NRTAREFA, NRPLATIVTARE, NRSEQRESP, TXRESPOSTA, DTRESPOSTA, CDOPERADOR)"
           " VALUES (?, ?, ?, 1, ?, ?, ?) ON CONFLICT (CDFILIAL, NRTAREFA, NRPLATIVTARE, NRSEQRESP)"
           " DO UPDATE SET TXRESPOSTA = excluded.TXRESPOSTA, DTRESPOSTA = excluded.DTRESPOSTA,"
           " CDOPERADOR = excluded.CDOPERADOR",
           key + QVariantList{text, formatStamp(QDateTime::currentDateTime()), op});
}

void deleteAnswer(Database &db, const QVariantList &key)
{
    db.run("DELETE FROM resposta WHERE CDFILIAL = ? AND NRTAREFA = ? AND NRPLATIVTARE = ?", key);
}

QString responsibleOf(Database &db, const QVariantList &key)
{
    QSqlQuery q = db.run("SELECT CDOPERRESP FROM planativtare WHERE CDFILIAL = ? AND NRTAREFA = ? AND NRPLATIVTARE = ?",
                         key);
    return q.next() ? q.value(0).toString() : QString();
}

}

// The answer of an activity: zero or one row.
Reply getResposta(CallContext &ctx, const Args &args)
{
    Packet packet({str("CDFILIAL", 4), str("NRTAREFA", 10), str("NRPLATIVTARE", 5), memo("TXREATIVTARE")});
    QSqlQuery q = ctx.db.run("SELECT CDFILIAL, NRTAREFA, NRPLATIVTARE, TXRESPOSTA AS TXREATIVTARE FROM resposta"
                             " WHERE CDFILIAL = ? AND NRTAREFA = ? AND NRPLATIVTARE = ? AND NRSEQRESP = 1",
                             activityKey(args, 0));
    packet.addRows(q);
    return packet.toJson();
}

Reply setResposta(CallContext &ctx, const Args &args)
{
    const QVariantList key = activityKey(args, 0);
    requireActivity(ctx.db, key, "SetResposta");
    storeAnswer(ctx.db, key, args.text(3), ctx.caller());
    return {};
}

// The change log of the answers record set: inserts and updates keep the
// new text, deletes drop the answer. Every row must be of the caller's plan.
Reply setRespPlanAtiv(CallContext &ctx, const Args &args)
{
    const QJsonObject log = args.raw(0).toObject();
    const QJsonArray names = log.value("fields").toArray();
    auto position = [&](const char *name) {
        for (qsizetype i = 0; i < names.size(); ++i)
            if (names.at(i).toString().compare(QLatin1String(name), Qt::CaseInsensitive) == 0)
                return int(i);
        return -1;
    };
    const int branch = position("CDFILIAL"), task = position("NRTAREFA"), activity = position("NRPLATIVTARE"),
              text = position("TXREATIVTARE");
    if (branch < 0 || task < 0 || activity < 0 || text < 0 || !log.value("changes").isArray())
        throw appError("Alterações de respostas em formato inválido.",
                       "SetResp_PlanAtiv: the change log lacks CDFILIAL, NRTAREFA, NRPLATIVTARE or TXREATIVTARE");
    for (const QJsonValue &entry : log.value("changes").toArray()) {
        const QJsonObject change = entry.toObject();
        const QString op = change.value("op").toString();
        const QJsonArray row = change.value(op == "delete" ? "old" : "new").toArray();
        const QVariantList key{row.at(branch).toString().trimmed(), row.at(task).toString().trimmed(),
                               row.at(activity).toString().trimmed()};
        requireActivity(ctx.db, key, "SetResp_PlanAtiv");
        if (responsibleOf(ctx.db, key) != ctx.caller())
            throw RpcError(Forbidden, "Operação não permitida ao operador da sessão.",
                           "SetResp_PlanAtiv: the activity is in another operator's plan");
        if (op == "delete")
            deleteAnswer(ctx.db, key);
        else if (op == "insert" || op == "update")
            storeAnswer(ctx.db, key, row.at(text).toString(), ctx.caller());
        else
            throw appError("Alterações de respostas em formato inválido.", "SetResp_PlanAtiv: operation " + op);
    }
    return {};
}

// The qualifications of a process: all of them with "T", else the one coded.
Reply getPesqQualifica(CallContext &ctx, const Args &args)
{
    Packet packet({str("CDPROCESSO", 10), str("CDQUALIFPROC", 2), str("NMQUALIFPROC", 100)});
    QSqlQuery q = ctx.db.run("SELECT CDPROCESSO, CDQUALIFPROC, NMQUALIFPROC FROM qualificacao"
                             " WHERE CDPROCESSO = ? AND (? = 'T' OR CDQUALIFPROC = ?) ORDER BY CDQUALIFPROC",
                             {args.text(0).trimmed(), args.text(2).trimmed(), args.text(1).trimmed()});
    packet.addRows(q);
    return packet.toJson();
}

Reply setUpdateQualif(CallContext &ctx, const Args &args)
{
    const QString qualification = args.text(0).trimmed();
    const QVariantList key = activityKey(args, 1);
    const QString process = args.text(4).trimmed();
    requireActivity(ctx.db, key, "SetUpdateQualif");
    QSqlQuery known = ctx.db.run("SELECT 1 FROM qualificacao WHERE CDPROCESSO = ? AND CDQUALIFPROC = ?",
                                 {process, qualification});
    if (!known.next())
        throw appError("Qualificação não cadastrada para o processo.",
                       QString("SetUpdateQualif: no qualification '%1' of process %2").arg(qualification, process));
    known.finish();
    ctx.db.run("UPDATE planativtare SET CDQUALIFPROC = ? WHERE CDFILIAL = ? AND NRTAREFA = ? AND NRPLATIVTARE = ?",
               QVariantList{qualification} + key);
    return {};
}

// Work items: the one coded, or all of them for an empty code.
Reply getItemTrab(CallContext &ctx, const Args &args)
{
    Packet packet({str("CDITEMTRAB", 10), str("CDREDUITTRAB", 20), str("NMITEMTRAB", 100), str("CDARVITTRAB", 20),
                   str("CDTIPOITTRAB", 2), str("DSDIRRAIZARQ", 80)});
    const QString code = args.text(0).trimmed();
    QSqlQuery q = ctx.db.run("SELECT CDITEMTRAB, CDREDUITTRAB, NMITEMTRAB, CDARVITTRAB, CDTIPOITTRAB, DSDIRRAIZARQ"
                             " FROM itemtrab WHERE ? = '' OR CDITEMTRAB = ? ORDER BY CDITEMTRAB",
                             {code, code});
    packet.addRows(q);
    return packet.toJson();
}

// Adds a work item to an activity; one already there stays as it is.
Reply incluiItemTrab(CallContext &ctx, const Args &args)
{
    const QString item = args.text(0).trimmed();
    const QVariantList key = activityKey(args, 1);
    requireActivity(ctx.db, key, "Inclui_ItemTrab");
    QSqlQuery known = ctx.db.run("SELECT 1 FROM itemtrab WHERE CDITEMTRAB = ?", {item});
    if (!known.next())
        throw appError("Item de trabalho não cadastrado.", "Inclui_ItemTrab: no work item '" + item + "'");
    known.finish();
    ctx.db.run("INSERT INTO itemtarefa (CDFILIAL, NRTAREFA, NRPLATIVTARE, CDITEMTRAB, IDSITCHECKOUT)"
               " VALUES (?, ?, ?, ?, 'N') ON CONFLICT DO NOTHING",
               key + QVariantList{item});
    return {};
}

// What the activity description shows: the request and task texts of the
// activity, then its work items.
Reply getDescricaoAtiv(CallContext &ctx, const Args &args)
{
    const QVariantList key = activityKey(args, 0);
    Packet activity({str("NRSOLISERV", 10), str("DSREFESOLI", 60), str("DSSOLISERV", 250), str("NMASSUNTO", 50),
                     str("NMOPERSOLI", 50), str("NMFANTCLIE", 50), str("DSREFETAREFA", 250), str("NMPROCESSO", 50),
                     str("CDPRODGRUP", 10)});
    QSqlQuery a = ctx.db.run(
        "SELECT t.NRSOLISERV, s.DSREFESOLI, s.DSSOLISERV, s.NMASSUNTO, s.NMOPERSOLI, c.NMFANTCLIE,"
        " t.DSREFETAREFA, pr.NMPROCESSO, s.CDPRODGRUP"
        " FROM planativtare p JOIN tarefa t ON t.CDFILIAL = p.CDFILIAL AND t.NRTAREFA = p.NRTAREFA"
        " LEFT JOIN solicitacao s ON s.NRSOLISERV = t.NRSOLISERV"
        " LEFT JOIN cliente c ON c.CDCLIENTE = s.CDCLIENTE"
        " LEFT JOIN processo pr ON pr.CDPROCESSO = p.CDPROCESSO"
        " WHERE p.CDFILIAL = ? AND p.NRTAREFA = ? AND p.NRPLATIVTARE = ?",
        key);
    activity.addRows(a);
    if (activity.rowCount() == 0)
        throw appError("Atividade não encontrada no plano.", "GetDescricaoAtiv: no activity " + keyText(key));
    Packet items({str("CDITEMTRAB", 10), str("CDREDUITTRAB", 20), str("NMITEMTRAB", 100), num("NRCPLXITTARE"),
                  str("DSDIRARQFONT", 250)});
    QSqlQuery i = ctx.db.run("SELECT i.CDITEMTRAB, it.CDREDUITTRAB, it.NMITEMTRAB, i.NRCPLXITTARE, i.DSDIRARQFONT"
                             " FROM itemtarefa i LEFT JOIN itemtrab it ON it.CDITEMTRAB = i.CDITEMTRAB"
                             " WHERE i.CDFILIAL = ? AND i.NRTAREFA = ? AND i.NRPLATIVTARE = ? ORDER BY i.CDITEMTRAB",
                             key);
    items.addRows(i);
    return QJsonArray{activity.toJson(), items.toJson()};
}

}
