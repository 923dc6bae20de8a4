// What an activity needs before it may run (its project, its homologation
// patch, the agreement to the project), finishing and concluding it, and the
// colleagues whose working time has stopped for too long.
#include "appropriation.h"
#include "args.h"
#include "database.h"
#include "handlers.h"
#include "packet.h"
#include "plan/situacao.h"
#include "rpcerror.h"
#include <QDate>

namespace apr {

namespace {

struct Activity {
    QString status, responsible, request, item, process, qualification;
};

std::optional<Activity> findActivity(Database &db, const QVariantList &key)
{
    QSqlQuery q = db.run("SELECT p.IDSITATIVTAR, p.CDOPERRESP, t.NRSOLISERV, p.CDITEMTRAB, p.CDPROCESSO, p.CDQUALIFPROC"
                         " FROM planativtare p LEFT JOIN tarefa t ON t.CDFILIAL = p.CDFILIAL AND t.NRTAREFA = p.NRTAREFA"
                         " WHERE p.CDFILIAL = ? AND p.NRTAREFA = ? AND p.NRPLATIVTARE = ?",
                         key);
    if (!q.next())
        return std::nullopt;
    Activity activity{q.value(0).toString().trimmed(), q.value(1).toString(), q.value(2).toString(),
                      q.value(3).toString(), q.value(4).toString(), q.value(5).toString().trimmed()};
    q.finish();
    return activity;
}

Activity requireActivity(Database &db, const QVariantList &key, const char *method)
{
    const auto activity = findActivity(db, key);
    if (!activity)
        throw appError("Atividade não encontrada no plano.",
                       QString("%1: no activity %2/%3/%4")
                           .arg(QLatin1String(method), key[0].toString(), key[1].toString(), key[2].toString()));
    return *activity;
}

QVariantList activityKey(const Args &args, int first)
{
    return {args.text(first).trimmed(), args.text(first + 1).trimmed(), args.text(first + 2).trimmed()};
}

// The homologation patch group a request goes out in.
struct PatchGroup {
    QString code, end, safetyEnd;

    // The safety date, when there is one, alone says until when the patch
    // may still take work; otherwise its end date does.
    QString deadline() const { return safetyEnd.trimmed().isEmpty() ? end : safetyEnd; }
    bool overdue(const QDate &today) const
    {
        const auto when = parseStamp(deadline().trimmed());
        return when && today > when->date();
    }
};

std::optional<PatchGroup> patchGroupOf(Database &db, const QString &request)
{
    QSqlQuery q = db.run("SELECT g.CDGRUPOPROJ, g.DTFPATCHGRPROJ, g.DTSEGURGRPRJBL FROM grupoproj_soli s"
                         " JOIN grupoproj g ON g.CDGRUPOPROJ = s.CDGRUPOPROJ WHERE s.NRSOLISERV = ?",
                         {request});
    if (!q.next())
        return std::nullopt;
    return PatchGroup{q.value(0).toString(), q.value(1).toString(), q.value(2).toString()};
}

QJsonObject projectSituation(Database &db, const QString &request)
{
    Packet packet({str("IDSITPROJETO", 1)});
    QSqlQuery q = db.run("SELECT p.IDSITPROJETO FROM solicitacao s JOIN projeto p ON p.CDPROJETO = s.CDPROJETO"
                         " WHERE s.NRSOLISERV = ?",
                         {request});
    packet.addRows(q);
    return packet.toJson();
}

// Rows only when the activity's patch is overdue; DTFPATCHGRPROJ carries
// the deadline that passed.
QJsonObject overduePatch(Database &db, const QVariantList &key, const QString &request)
{
    Packet packet({str("NRTAREFA", 10), str("NRPLATIVTARE", 5), str("CDGRUPOPROJ", 10), dt("DTFPATCHGRPROJ")});
    const auto group = patchGroupOf(db, request);
    if (group && group->overdue(QDate::currentDate()))
        packet.addRow(QVariantList{key[1], key[2], group->code, group->deadline()});
    return packet.toJson();
}

// The responsible operator's agreement to the newest baseline of the
// request's project.
QJsonObject agreement(Database &db, const QString &branch, const QString &request, const QString &op)
{
    Packet packet({str("CDFILIAL", 4), str("CDPROJETO", 10), str("NRBASELINEPR", 3), str("CDOPERADOR", 12),
                   dt("DTEMAILPROJ"), str("IDACORDOPROJ", 1)});
    QSqlQuery q = db.run("SELECT a.CDFILIAL, a.CDPROJETO, a.NRBASELINEPR, a.CDOPERADOR, a.DTEMAILPROJ, a.IDACORDOPROJ"
                         " FROM solicitacao s JOIN acordoproj a ON a.CDPROJETO = s.CDPROJETO"
                         " WHERE s.NRSOLISERV = ? AND a.CDFILIAL = ? AND a.CDOPERADOR = ?"
                         " AND a.NRBASELINEPR = (SELECT MAX(b.NRBASELINEPR) FROM acordoproj b"
                         "  WHERE b.CDFILIAL = a.CDFILIAL AND b.CDPROJETO = a.CDPROJETO)",
                         {request, branch, op});
    packet.addRows(q);
    return packet.toJson();
}

QJsonObject workItems(Database &db, const QVariantList &key, const QString &item)
{
    Packet packet({str("CDITEMTRAB", 10), str("NMITEMTRAB", 100), num("NRCPLXITTARE"), str("NRTAREFA", 10),
                   str("NRPLATIVTARE", 5), str("CDREDUITTRAB", 20), str("DSDIRARQFONT", 250),
                   str("DSDIRRAIZARQ", 80), str("CDTIPOITTRAB", 2), str("CDFILIAL", 4)});
    QSqlQuery q = db.run("SELECT i.CDITEMTRAB, it.NMITEMTRAB, i.NRCPLXITTARE, i.NRTAREFA, i.NRPLATIVTARE,"
                         " it.CDREDUITTRAB, i.DSDIRARQFONT, it.DSDIRRAIZARQ, it.CDTIPOITTRAB, i.CDFILIAL"
                         " FROM itemtarefa i LEFT JOIN itemtrab it ON it.CDITEMTRAB = i.CDITEMTRAB"
                         " WHERE i.CDFILIAL = ? AND i.NRTAREFA = ? AND i.NRPLATIVTARE = ?"
                         " AND (? = '' OR i.CDITEMTRAB = ?) ORDER BY i.CDITEMTRAB",
                         key + QVariantList{item, item});
    packet.addRows(q);
    return packet.toJson();
}

}

// Arguments: operator, request, branch, task, activity, operator, process,
// product group, work item. Four packets, never null.
Reply getGeral(CallContext &ctx, const Args &args)
{
    const QVariantList key = activityKey(args, 2);
    const auto activity = findActivity(ctx.db, key);
    QString request = args.text(1).trimmed();
    if (request.isEmpty() && activity)
        request = activity->request;
    const QString responsible = activity ? activity->responsible : args.text(0).trimmed();
    return QJsonArray{projectSituation(ctx.db, request), overduePatch(ctx.db, key, request),
                      agreement(ctx.db, key[0].toString(), request, responsible),
                      workItems(ctx.db, key, args.text(8).trimmed())};
}

// The patch dates of the homologation group of the activity's request; no
// row when the request is in none.
Reply getVerificaPatchTeste(CallContext &ctx, const Args &args)
{
    Packet packet({dt("DTFPATCHGRPROJ"), dt("DTSEGURGRPRJBL")});
    const auto activity = findActivity(ctx.db, activityKey(args, 0));
    if (activity) {
        if (const auto group = patchGroupOf(ctx.db, activity->request))
            packet.addRow(QVariantList{group->end, group->safetyEnd});
    }
    return packet.toJson();
}

// "1" records now as the activity's realised end, "0" takes it away (the
// finished activity is taken up again). A concluded or cancelled activity
// keeps its end.
Reply setFinalizaTarefa(CallContext &ctx, const Args &args)
{
    const QVariantList key = activityKey(args, 0);
    const QString mode = args.text(3).trimmed();
    if (mode != "1" && mode != "0")
        throw appError("Indicador de finalização inválido.",
                       QString("SetFinalizaTarefa: indicator \"%1\" is neither 1 nor 0").arg(mode));
    const Activity activity = requireActivity(ctx.db, key, "SetFinalizaTarefa");
    if (plan::Encerrada(activity.status))
        throw appError("Atividade já encerrada.",
                       QString("SetFinalizaTarefa: activity %1/%2/%3 is %4")
                           .arg(key[0].toString(), key[1].toString(), key[2].toString(), activity.status));
    ctx.db.run("UPDATE planativtare SET DTFIRATIVTAR = ? WHERE CDFILIAL = ? AND NRTAREFA = ? AND NRPLATIVTARE = ?",
               QVariantList{mode == "1" ? QVariant(serverNow()) : QVariant()} + key);
    return {};
}

namespace {

void checkQualification(Database &db, const Activity &activity, const QString &qualification)
{
    if (qualification.isEmpty() || qualification == activity.qualification)
        return;
    QSqlQuery known = db.run("SELECT 1 FROM qualificacao WHERE CDPROCESSO = ? AND CDQUALIFPROC = ?",
                             {activity.process, qualification});
    if (!known.next())
        throw appError("Qualificação não cadastrada para o processo.",
                       QString("SetConcAtivGeral: no qualification '%1' of process %2")
                           .arg(qualification, activity.process));
}

// The work item goes back: its files are no longer under check-out and
// whoever asks next may take it. Only the concluding operator's hold is let go.
void giveWorkItemBack(Database &db, const QVariantList &key, const QString &item, const QString &group,
                      const QString &op)
{
    db.run("DELETE FROM arqcheckout WHERE CDFILIAL = ? AND NRTAREFA = ? AND NRPLATIVTARE = ?", key);
    db.run("UPDATE itemtarefa SET IDSITCHECKOUT = 'N' WHERE CDFILIAL = ? AND NRTAREFA = ? AND NRPLATIVTARE = ?", key);
    if (item.isEmpty())
        return;
    db.run("UPDATE itemtrab_prod SET IDSITCHECKOUT = 'N', CDOPCHECKOUT = NULL WHERE CDITEMTRAB = ?"
           " AND CDPRODUTO IN (SELECT CDPRODUTO FROM produto WHERE CDPRODGRUP = ? OR CDPRODUTO = ?)"
           " AND (CDOPCHECKOUT = ? OR CDOPCHECKOUT IS NULL)",
           {item, group, group, op});
}

}

// Arguments: branch, task, activity, work item, qualification, operator,
// company, project, product group. Concludes the activity ("C"), ends its
// open stretch of time and gives its work item back. Concluding it again
// changes nothing (a call repeated after a lost reply); a cancelled one is refused.
Reply setConcAtivGeral(CallContext &ctx, const Args &args)
{
    const QVariantList key = activityKey(args, 0);
    lockOperatorTime(ctx.db, requireActivity(ctx.db, key, "SetConcAtivGeral").responsible);
    // Read under the operator's turn: a conclusion racing this one has ended.
    const Activity activity = requireActivity(ctx.db, key, "SetConcAtivGeral");
    if (plan::E(activity.status, plan::Situacao::Concluida))
        return {};
    if (plan::E(activity.status, plan::Situacao::Cancelada))
        throw appError("Atividade cancelada não pode ser concluída.",
                       QString("SetConcAtivGeral: activity %1/%2/%3 is cancelled")
                           .arg(key[0].toString(), key[1].toString(), key[2].toString()));
    const QString qualification = args.text(4).trimmed();
    checkQualification(ctx.db, activity, qualification);
    const QString now = serverNow();
    static const QString conclui = "UPDATE planativtare SET IDSITATIVTAR = " + plan::Sql(plan::Situacao::Concluida)
        + ", DTCONATIVTAR = ?, DTFIRATIVTAR = COALESCE(DTFIRATIVTAR, ?),"
          " CDQUALIFPROC = COALESCE(?, CDQUALIFPROC) WHERE CDFILIAL = ? AND NRTAREFA = ? AND NRPLATIVTARE = ?";
    ctx.db.run(conclui, QVariantList{now, now, qualification.isEmpty() ? QVariant() : QVariant(qualification)} + key);
    closeStretchOf(ctx.db, key, now);
    QString item = args.text(3).trimmed();
    if (item.isEmpty())
        item = activity.item;
    QString group = args.text(8).trimmed();
    if (group.isEmpty()) {
        QSqlQuery q = ctx.db.run("SELECT CDPRODGRUP FROM solicitacao WHERE NRSOLISERV = ?", {activity.request});
        group = q.next() ? q.value(0).toString() : QString();
    }
    giveWorkItemBack(ctx.db, key, item, group, activity.responsible);
    return {};
}

// The branch's active operators, the caller apart, whose working time was
// booked today but has stopped for longer than the branch's limit
// (QTLIMSEMAPROP, minutes). Nobody without a limit.
Reply getOperSemApro(CallContext &ctx, const Args &args)
{
    Packet packet({str("CDOPERADOR", 12), str("NMOPERADOR", 40)});
    const QString branch = args.text(0).trimmed();
    QSqlQuery limit = ctx.db.run("SELECT QTLIMSEMAPROP FROM filial WHERE CDFILIAL = ?", {branch});
    const double minutes = limit.next() ? limit.value(0).toDouble() : 0;
    limit.finish();
    if (minutes <= 0)
        return packet.toJson();
    const QDateTime now = QDateTime::currentDateTime();
    const QString since = formatStamp(now.addSecs(-qint64(minutes * 60)));
    const QString today = formatStamp(QDateTime(now.date(), QTime(0, 0)));
    QSqlQuery q = ctx.db.run("SELECT o.CDOPERADOR, o.NMOPERADOR FROM operador o"
                             " WHERE o.CDFILIAL = ? AND o.IDOPERATIVO = 'A' AND o.CDOPERADOR <> ?"
                             " AND EXISTS (SELECT 1 FROM apropriacao a WHERE a.CDOPERADOR = o.CDOPERADOR"
                             "  AND a.DTFIM >= ?)"
                             " AND NOT EXISTS (SELECT 1 FROM apropriacao a WHERE a.CDOPERADOR = o.CDOPERADOR"
                             "  AND (a.DTFIM IS NULL OR a.DTFIM > ?))"
                             " ORDER BY o.NMOPERADOR",
                             {branch, args.text(1).trimmed(), today, since});
    packet.addRows(q);
    return packet.toJson();
}

}
