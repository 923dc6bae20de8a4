#include "appropriation.h"
#include "args.h"
#include "plan/situacao.h"
#include "database.h"
#include "handlers.h"
#include "packet.h"
#include "rpcerror.h"
#include <QJsonObject>

namespace apr {

namespace {

struct OpenAttendance {
    QString start, task, activity, kind;
};

std::optional<OpenAttendance> openAttendance(Database &db, const QString &branch, const QString &op)
{
    QSqlQuery q = db.run("SELECT DTINIATEND, NRTAREFA, NRPLATIVTARE, IDATENDIMENTO FROM atendimento"
                         " WHERE CDFILIAL = ? AND CDOPERADOR = ? AND DTFIMATEND IS NULL ORDER BY DTINIATEND DESC",
                         {branch, op});
    if (!q.next())
        return std::nullopt;
    return OpenAttendance{q.value(0).toString(), q.value(1).toString(), q.value(2).toString(),
                          q.value(3).toString()};
}

[[noreturn]] void noAttendance(const char *method, const QString &branch, const QString &op)
{
    throw appError("Não há atendimento em andamento.",
                   QString("%1: no open attendance of %2 in branch %3").arg(QLatin1String(method), op, branch));
}

// The branch's process for the kind of attendance ("1" internal, "2" external).
QString attendanceProcess(Database &db, const QString &branch, const QString &kind)
{
    QSqlQuery q = db.run("SELECT CDPROCATEINT, CDPROCATEDES FROM filial WHERE CDFILIAL = ?", {branch});
    const QString process = q.next() ? q.value(kind == "1" ? 0 : 1).toString().trimmed() : QString();
    if (process.isEmpty())
        throw appError("Processo de atendimento não cadastrado para a filial.",
                       QString("SetTarefa: branch %1 has no attendance process of kind %2").arg(branch, kind));
    return process;
}

// Each attendance is a task of its own, numbered after the branch's last one.
QString newTaskNumber(Database &db, const QString &branch)
{
    QSqlQuery q = db.run("SELECT MAX(NRTAREFA) FROM tarefa WHERE CDFILIAL = ?", {branch});
    const qlonglong last = q.next() ? q.value(0).toString().toLongLong() : 0;
    return QString::number(last + 1).rightJustified(10, '0');
}

// The operator's running plan activity is paused; his time is then booked
// against the attendance (openStretch closes the running stretch).
void pauseRunning(Database &db, const QString &op)
{
    static const QString pausa = "UPDATE planativtare SET IDSITATIVTAR = " + plan::Sql(plan::Situacao::Paralisada)
        + " WHERE CDOPERRESP = ? AND IDSITATIVTAR = " + plan::Sql(plan::Situacao::EmAndamento);
    db.run(pausa, {op});
}

bool exists(Database &db, const char *sql, const QVariantList &binds)
{
    QSqlQuery q = db.run(QLatin1String(sql), binds);
    return q.next();
}

}

// Starts an internal ("1") or external ("2") attendance of the operator.
Reply setTarefa(CallContext &ctx, const Args &args)
{
    const QString branch = args.text(0).trimmed(), op = args.text(1).trimmed(), kind = args.text(2).trimmed();
    if (kind != "1" && kind != "2")
        throw appError("Tipo de atendimento inválido.", "SetTarefa: kind '" + kind + "' is neither 1 nor 2");
    lockOperatorTime(ctx.db, op);
    if (openAttendance(ctx.db, branch, op))
        throw appError("Já existe um atendimento em andamento: finalize-o antes de iniciar outro.",
                       QString("SetTarefa: %1 has an open attendance").arg(op));
    const QString process = attendanceProcess(ctx.db, branch, kind);
    const QString now = serverNow();
    const QString task = newTaskNumber(ctx.db, branch);
    const QString activity = "00001";
    const QString attendance = kind == "1" ? "I" : "E";
    pauseRunning(ctx.db, op);
    ctx.db.run("INSERT INTO tarefa (CDFILIAL, NRTAREFA, DSREFETAREFA, IDORIGTARE) VALUES (?, ?, ?, 'A')",
               {branch, task, kind == "1" ? "Atendimento interno" : "Atendimento externo"});
    static const QString planeja = "INSERT INTO planativtare (CDFILIAL, NRTAREFA, NRPLATIVTARE, CDPROCESSO,"
        " IDSITATIVTAR, CDOPERRESP, CDOPERINCL, DTINCATIVTAR, DTINPATIVTAR) VALUES (?, ?, ?, ?, "
        + plan::Sql(plan::Situacao::EmAndamento) + ", ?, ?, ?, ?)";
    ctx.db.run(planeja, {branch, task, activity, process, op, op, now, now});
    openStretch(ctx.db, op, {branch, task, activity}, now, attendance);
    ctx.db.run("INSERT INTO atendimento (CDFILIAL, CDOPERADOR, DTINIATEND, NRTAREFA, NRPLATIVTARE, CDPROCESSO,"
               " IDATENDIMENTO) VALUES (?, ?, ?, ?, ?, ?, ?)",
               {branch, op, now, task, activity, process, attendance});
    return {};
}

// The client, interlocutor and observation of the attendance in progress.
Reply setAproAtiv(CallContext &ctx, const Args &args)
{
    const QString branch = args.text(0).trimmed(), op = args.text(1).trimmed();
    const QString interlocutor = args.text(2).trimmed(), client = args.text(3).trimmed();
    const auto open = openAttendance(ctx.db, branch, op);
    if (!open)
        noAttendance("SetAproAtiv", branch, op);
    if (interlocutor.isEmpty())
        throw appError("Interlocutor deve ser informado", "SetAproAtiv: no interlocutor");
    if (!exists(ctx.db, "SELECT 1 FROM operador WHERE CDOPERADOR = ? AND IDOPERATIVO = 'A'", {interlocutor}))
        throw appError("Interlocutor não cadastrado", "SetAproAtiv: no active operator '" + interlocutor + "'");
    if (client.isEmpty() && open->kind == "E")
        throw appError("Cliente deve ser informado", "SetAproAtiv: an external attendance needs a client");
    if (!client.isEmpty() && !exists(ctx.db, "SELECT 1 FROM cliente WHERE CDCLIENTE = ?", {client}))
        throw appError("Cliente não cadastrado", "SetAproAtiv: no client '" + client + "'");
    ctx.db.run("UPDATE atendimento SET CDOPERINTERL = ?, CDCLIENTE = ?, DSOBSERVACAO = ?"
               " WHERE CDFILIAL = ? AND CDOPERADOR = ? AND DTINIATEND = ?",
               {interlocutor, client.isEmpty() ? QVariant() : QVariant(client), args.text(4), branch, op, open->start});
    return {};
}

// Ends the attendance in progress: its stretch of time is closed and its
// activity concluded.
Reply setDesaproAtiv(CallContext &ctx, const Args &args)
{
    const QString branch = args.text(0).trimmed(), op = args.text(1).trimmed();
    lockOperatorTime(ctx.db, op);
    const auto open = openAttendance(ctx.db, branch, op);
    if (!open)
        noAttendance("SetDesaproAtiv", branch, op);
    const QString now = serverNow();
    ctx.db.run("UPDATE atendimento SET DTFIMATEND = ? WHERE CDFILIAL = ? AND CDOPERADOR = ? AND DTINIATEND = ?",
               {now, branch, op, open->start});
    closeStretchOf(ctx.db, {branch, open->task, open->activity}, now);
    static const QString conclui = "UPDATE planativtare SET IDSITATIVTAR = " + plan::Sql(plan::Situacao::Concluida)
        + ", DTFIRATIVTAR = ?, DTCONATIVTAR = ? WHERE CDFILIAL = ? AND NRTAREFA = ? AND NRPLATIVTARE = ?";
    ctx.db.run(conclui, {now, now, branch, open->task, open->activity});
    return {};
}

// The operator joins the team of an activity (the attendance he took part in).
Reply setEquipTrab(CallContext &ctx, const Args &args)
{
    const QString op = args.text(0).trimmed();
    const QVariantList key{args.text(1).trimmed(), args.text(2).trimmed(), args.text(3).trimmed()};
    if (!exists(ctx.db, "SELECT 1 FROM planativtare WHERE CDFILIAL = ? AND NRTAREFA = ? AND NRPLATIVTARE = ?", key))
        throw appError("Atividade não encontrada no plano.",
                       QString("SetEquipTrab: no activity %1/%2/%3")
                           .arg(key[0].toString(), key[1].toString(), key[2].toString()));
    ctx.db.run("INSERT INTO equipetrab (CDFILIAL, NRTAREFA, NRPLATIVTARE, CDOPERADOR, CDEMPRESA, DTINCLUSAO)"
               " VALUES (?, ?, ?, ?, ?, ?) ON CONFLICT DO NOTHING",
               key + QVariantList{op, args.text(4).trimmed(), formatStamp(QDateTime::currentDateTime())});
    return {};
}

Reply getProcAtend(CallContext &ctx, const Args &args)
{
    Packet packet({str("CDPROCATEINT", 10), str("CDPROCATEDES", 10)});
    QSqlQuery q = ctx.db.run("SELECT CDPROCATEINT, CDPROCATEDES FROM filial WHERE CDFILIAL = ?", {args.text(0).trimmed()});
    packet.addRows(q);
    return packet.toJson();
}

namespace {

// The look-ups the module offers, by name: fixed SQL with bound parameters,
// taken in order from the named values given.
struct NamedQuery {
    const char *name;
    std::vector<Field> fields;
    const char *sql;
    QStringList parameters;
};

const std::vector<NamedQuery> &namedQueries()
{
    static const std::vector<NamedQuery> queries = {
        {"cliente",
         {str("CDCLIENTE", 21), str("NRINSJURCLIE", 20), str("NMFANTCLIE", 50), str("IDTPIJURCLIE", 1)},
         "SELECT CDCLIENTE, NRINSJURCLIE, NMFANTCLIE, IDTPIJURCLIE FROM cliente"
         " WHERE ((NRINSJURCLIE = ?) OR ('T' = ?)) ORDER BY NMFANTCLIE",
         {"P_NRINSJURCLIE", "P_TNRINSJURCLIE"}},
        {"operador",
         {str("CDOPERADOR", 12), str("NMOPERADOR", 40)},
         "SELECT CDOPERADOR, NMOPERADOR FROM operador"
         " WHERE ((CDOPERADOR = ?) OR (? = 'T')) AND IDOPERATIVO = 'A' ORDER BY CDOPERADOR",
         {"P_CDOPERADOR", "P_TCDOPERADOR"}},
    };
    return queries;
}

}

// GetPesquisa: runs a named look-up with its parameters (an object of
// name -> text). Unknown names and missing parameters are refused.
Reply pesquisar(CallContext &ctx, const Args &args)
{
    const QString name = args.text(0).trimmed();
    const QJsonObject given = args.raw(1).toObject();
    for (const NamedQuery &query : namedQueries()) {
        if (name != QLatin1String(query.name))
            continue;
        QVariantList binds;
        for (const QString &parameter : query.parameters) {
            const QJsonValue value = given.value(parameter);
            if (!value.isString())
                throw appError("Parâmetro de pesquisa não informado: " + parameter,
                               QString("GetPesquisa: query %1 needs the text parameter %2").arg(name, parameter));
            binds << value.toString();
        }
        Packet packet(query.fields);
        QSqlQuery q = ctx.db.run(QLatin1String(query.sql), binds);
        packet.addRows(q);
        return packet.toJson();
    }
    throw appError("Pesquisa desconhecida: " + name, "GetPesquisa: no named query '" + name + "'");
}

}
