#include "appropriation.h"
#include "database.h"
#include "plan/situacao.h"
#include "handlers.h"
#include "args.h"
#include "packet.h"
#include "rpcerror.h"

namespace apr {

// The operator's attendance in progress (at most one open row). Asked on
// every focus change of every operator, so written straight to text.
Reply getAtivAndamento(CallContext &ctx, const Args &args)
{
    static const std::vector<Field> fields{str("CDFILIAL", 4), str("NRTAREFA", 10), str("NRPLATIVTARE", 5),
                                           str("CDPROCESSO", 10), str("IDATENDIMENTO", 1)};
    static const QByteArray fieldsText = PacketWriter::fieldsJson(fields);
    QSqlQuery q = ctx.db.run("SELECT CDFILIAL, NRTAREFA, NRPLATIVTARE, CDPROCESSO, IDATENDIMENTO"
                             " FROM atendimento WHERE CDFILIAL = ? AND CDOPERADOR = ? AND DTFIMATEND IS NULL"
                             " ORDER BY DTINIATEND DESC",
                             {args.text(0), args.text(1)});
    PacketWriter packet(fields, fieldsText);
    if (q.next()) {
        QVariant row[5];
        for (int i = 0; i < 5; ++i)
            row[i] = q.value(i);
        packet.addRow(row);
    }
    return Reply::json(packet.finish());
}

// Work items of the activities the operator is responsible for and still works on.
Reply getItemTarefaOperador(CallContext &ctx, const Args &args)
{
    Packet packet({str("CDITEMTRAB", 10), str("NMITEMTRAB", 100), num("NRCPLXITTARE"), str("NRTAREFA", 10),
                   str("NRPLATIVTARE", 5), str("CDREDUITTRAB", 20), str("DSDIRARQFONT", 250),
                   str("IDSITCHECKOUT", 1), str("DSDIRRAIZARQ", 80), str("CDTIPOITTRAB", 2),
                   str("CDFILIAL", 4)});
    static const QString sql =
        "SELECT i.CDITEMTRAB, it.NMITEMTRAB, i.NRCPLXITTARE, i.NRTAREFA, i.NRPLATIVTARE, it.CDREDUITTRAB,"
        " i.DSDIRARQFONT, i.IDSITCHECKOUT, it.DSDIRRAIZARQ, it.CDTIPOITTRAB, i.CDFILIAL"
        " FROM itemtarefa i"
        " JOIN planativtare p ON p.CDFILIAL = i.CDFILIAL AND p.NRTAREFA = i.NRTAREFA"
        "  AND p.NRPLATIVTARE = i.NRPLATIVTARE"
        " LEFT JOIN itemtrab it ON it.CDITEMTRAB = i.CDITEMTRAB"
        " WHERE i.CDFILIAL = ? AND p.CDOPERRESP = ? AND " + plan::SqlNaoEncerrada("p.IDSITATIVTAR")
        + " ORDER BY i.NRTAREFA, i.NRPLATIVTARE, i.CDITEMTRAB";
    QSqlQuery q = ctx.db.run(sql, {args.text(0), args.text(1)});
    packet.addRows(q);
    return packet.toJson();
}

namespace {

// Only one activity of an operator runs: starting one pauses the others and
// moves his open stretch of time to it.
void startActivity(Database &db, const QString &op, const QVariantList &key, const QString &now)
{
    static const QString pausaAsOutras = "UPDATE planativtare SET IDSITATIVTAR = " + plan::Sql(plan::Situacao::Paralisada)
        + " WHERE CDOPERRESP = ? AND IDSITATIVTAR = " + plan::Sql(plan::Situacao::EmAndamento)
        + " AND NOT (CDFILIAL = ? AND NRTAREFA = ? AND NRPLATIVTARE = ?)";
    static const QString inicia = "UPDATE planativtare SET IDSITATIVTAR = " + plan::Sql(plan::Situacao::EmAndamento)
        + ", IDATIVPEND = NULL, DTATIVPEND = NULL WHERE CDFILIAL = ? AND NRTAREFA = ? AND NRPLATIVTARE = ?";
    db.run(pausaAsOutras, QVariantList{op} + key);
    db.run(inicia, key);
    openStretch(db, op, key, now);
}

void pauseActivity(Database &db, const QVariantList &key, const QString &now)
{
    static const QString pausa = "UPDATE planativtare SET IDSITATIVTAR = " + plan::Sql(plan::Situacao::Paralisada)
        + " WHERE CDFILIAL = ? AND NRTAREFA = ? AND NRPLATIVTARE = ?";
    db.run(pausa, key);
    closeStretchOf(db, key, now);
}

// An attendance is started and ended by its own calls (SetTarefa,
// SetDesaproAtiv), which also book its time; while it is open no plan
// activity starts: the module ends it first, with its justification.
void refuseDuringAttendance(Database &db, const QString &op, const QVariantList &key, bool starting)
{
    QSqlQuery q = db.run("SELECT CDFILIAL, NRTAREFA, NRPLATIVTARE FROM atendimento"
                         " WHERE CDOPERADOR = ? AND DTFIMATEND IS NULL",
                         {op});
    if (!q.next())
        return;
    const bool itself = QVariantList{q.value(0), q.value(1), q.value(2)} == key;
    if (!itself && !starting)
        return;
    throw appError(itself ? "O atendimento em andamento é encerrado pelo próprio atendimento."
                          : "Há um atendimento em andamento: encerre-o antes de iniciar outra atividade.",
                   QString("SetPlanAtivTare: %1 has an open attendance (task %2)").arg(op, q.value(1).toString()));
}

}

// Switches the activity between running and paused and books the time of
// its responsible operator. A concluded or cancelled activity stays as it is.
Reply setPlanAtivTare(CallContext &ctx, const Args &args)
{
    const QVariantList key{args.text(0).trimmed(), args.text(1).trimmed(), args.text(2).trimmed()};
    QSqlQuery q = ctx.db.run("SELECT IDSITATIVTAR, CDOPERRESP FROM planativtare"
                             " WHERE CDFILIAL = ? AND NRTAREFA = ? AND NRPLATIVTARE = ?",
                             key);
    if (!q.next())
        throw appError("Atividade não encontrada no plano.",
                       QString("SetPlanAtivTare: no activity %1/%2/%3").arg(args.text(0), args.text(1), args.text(2)));
    const QString status = q.value(0).toString().trimmed();
    const QString op = q.value(1).toString();
    q.finish();
    if (plan::Encerrada(status))
        return {};
    lockOperatorTime(ctx.db, op);
    const QString now = serverNow();
    // Read again under the operator's turn: a call of his that ran meanwhile
    // may have switched this very activity.
    QSqlQuery again = ctx.db.run("SELECT IDSITATIVTAR FROM planativtare WHERE CDFILIAL = ? AND NRTAREFA = ?"
                                 " AND NRPLATIVTARE = ?",
                                 key);
    const QString current = again.next() ? again.value(0).toString().trimmed() : status;
    again.finish();
    refuseDuringAttendance(ctx.db, op, key, !plan::E(current, plan::Situacao::EmAndamento));
    if (plan::E(current, plan::Situacao::EmAndamento))
        pauseActivity(ctx.db, key, now);
    else if (plan::Planejada(current) || plan::E(current, plan::Situacao::Paralisada))
        startActivity(ctx.db, op, key, now);
    return {};
}

}
