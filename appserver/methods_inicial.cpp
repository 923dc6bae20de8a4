#include "database.h"
#include "plan/processos.h"
#include "plan/situacao.h"
#include "handlers.h"
#include "packet.h"
#include "plan_fields.h"
#include "rpcerror.h"
#include <QHash>

namespace apr {

namespace {

bool operatorExists(Database &db, const QString &code)
{
    QSqlQuery q = db.run("SELECT 1 FROM operador WHERE CDOPERADOR = ?", {code});
    return q.next();
}

QJsonValue branchParameters(Database &db, const QString &branch)
{
    Packet packet({str("CDFILIAL", 4), str("CDEMPRESA", 4), str("NMFILIAL", 50), num("QTLIMSEMAPROP"),
                   str("CDPROCMONITORA", 10), str("CDPROCATEINT", 10), str("CDPROCATEDES", 10)});
    QSqlQuery q = db.run("SELECT CDFILIAL, CDEMPRESA, NMFILIAL, QTLIMSEMAPROP, CDPROCMONITORA,"
                         " CDPROCATEINT, CDPROCATEDES FROM filial WHERE CDFILIAL = ?", {branch});
    packet.addRows(q);
    if (packet.rowCount() == 0)
        return QJsonValue::Null;
    return packet.toJson();
}

// Actions under the operator's responsibility that are not concluded yet.
QJsonValue pendingActions(Database &db, const QString &operatorCode)
{
    Packet packet({str("NRACAO", 10), str("DSACAO", 100), str("STATUSACAO", 20), dt("DTPREVENCEAC"),
                   str("CDOPERRESP", 12)});
    QSqlQuery q = db.run("SELECT NRACAO, DSACAO, STATUSACAO, DTPREVENCEAC, CDOPERRESP FROM acao"
                         " WHERE CDOPERRESP = ? AND DTCONCLUSAO IS NULL ORDER BY DTPREVENCEAC, NRACAO",
                         {operatorCode});
    packet.addRows(q);
    return packet.toJson();
}

// Products under version control in the platform's code range, with their
// directories joined by ";" in the order they pair.
QJsonValue versionParameters(Database &db, const QString &from, const QString &to)
{
    Packet packet({str("CDPRODUTO", 10), str("CDARVPROD", 20), str("NMPRODUTO", 50), str("DSDIRVSS", 250),
                   str("DSDIRBASEVER", 250)});
    QSqlQuery q = db.run("SELECT p.CDPRODUTO, p.CDARVPROD, p.NMPRODUTO, d.DSDIRBASEVER, d.DSDIRVSS"
                         " FROM produto p LEFT JOIN produto_dir d ON d.CDPRODUTO = p.CDPRODUTO"
                         " WHERE p.IDPRODCONTRSUBV = 'S' ORDER BY p.CDPRODUTO, d.NRSEQDIR");
    QStringList order;
    QHash<QString, QVariantList> rows;
    while (q.next()) {
        const QString code = q.value(0).toString();
        if ((!from.isEmpty() && code < from) || (!to.isEmpty() && code > to))
            continue;
        if (!rows.contains(code)) {
            order << code;
            rows.insert(code, {code, q.value(1), q.value(2), QString(), QString()});
        }
        if (q.value(3).isNull())
            continue;
        QVariantList &row = rows[code];
        auto append = [](QVariant &list, const QString &item) {
            list = list.toString().isEmpty() ? item : list.toString() + ';' + item;
        };
        append(row[4], q.value(3).toString());
        append(row[3], q.value(4).toString());
    }
    for (const QString &code : order)
        packet.addRow(rows.value(code));
    return packet.toJson();
}

QJsonValue developmentOperator(Database &db, const QString &login)
{
    Packet packet({str("CDOPERADOR", 12), str("NMOPERADOR", 40), str("NMLOGIN", 30), str("CDGRUPOPER", 2)});
    QSqlQuery q = db.run("SELECT d.CDOPERADOR, o.NMOPERADOR, d.NMLOGIN,"
                         " COALESCE(d.CDGRUPOPER, o.CDGRUPOPER) AS CDGRUPOPER"
                         " FROM operdesenv d LEFT JOIN operador o ON o.CDOPERADOR = d.CDOPERADOR"
                         " WHERE LOWER(d.NMLOGIN) = LOWER(?)", {login});
    packet.addRows(q);
    if (packet.rowCount() == 0)
        return QJsonValue::Null;
    return packet.toJson();
}

// Project-monitoring activities of the operator planned to start today.
QJsonValue monitoringToday(Database &db, const QString &branch, const QString &operatorCode)
{
    QString process = plan::processos::CodigoMonitoramentoProjeto();
    QSqlQuery param = db.run("SELECT CDPROCMONITORA FROM filial WHERE CDFILIAL = ?", {branch});
    if (param.next() && !param.value(0).toString().isEmpty())
        process = param.value(0).toString();
    const QDate today = QDate::currentDate();
    Packet packet({str("CDFILIAL", 4), str("NRTAREFA", 10), str("NRPLATIVTARE", 5), str("CDPROCESSO", 10),
                   str("NMPROCESSO", 100), str("IDSITATIVTAR", 1), dt("DTINPATIVTAR"), dt("DTFIPATIVTAR")});
    static const QString sql = "SELECT p.CDFILIAL, p.NRTAREFA, p.NRPLATIVTARE, p.CDPROCESSO, pr.NMPROCESSO,"
                               " p.IDSITATIVTAR, p.DTINPATIVTAR, p.DTFIPATIVTAR FROM planativtare p"
                               " LEFT JOIN processo pr ON pr.CDPROCESSO = p.CDPROCESSO"
                               " WHERE p.CDFILIAL = ? AND p.CDOPERRESP = ? AND p.CDPROCESSO = ? AND "
                               + plan::SqlNaoEncerrada("p.IDSITATIVTAR")
                               + " AND p.DTINPATIVTAR >= ? AND p.DTINPATIVTAR < ?"
                                 " ORDER BY p.NRTAREFA, p.NRPLATIVTARE";
    QSqlQuery q = db.run(sql,
                         {branch, operatorCode, process, formatStamp(QDateTime(today, QTime(0, 0))),
                          formatStamp(QDateTime(today.addDays(1), QTime(0, 0)))});
    packet.addRows(q);
    return packet.toJson();
}

}

// Three arguments: a check that the operator may work in the branch (null).
// Six: the five start-up packets; an element is null when it does not apply.
Reply getInicial(CallContext &ctx, const Args &args)
{
    const QString operatorCode = args.text(0);
    const QString branch = args.text(1);
    const bool knownOperator = operatorExists(ctx.db, operatorCode);
    if (args.count() == 3) {
        if (!knownOperator)
            throw appError("Operador não cadastrado.", QString("Get_Inicial: no operator %1").arg(operatorCode));
        return {};
    }
    QJsonArray packets;
    packets.append(branchParameters(ctx.db, branch));
    packets.append(knownOperator ? pendingActions(ctx.db, operatorCode) : QJsonValue());
    packets.append(versionParameters(ctx.db, args.text(4).trimmed(), args.text(5).trimmed()));
    QString login = args.text(3).trimmed();
    if (login.startsWith("svn_", Qt::CaseInsensitive))
        login = login.mid(4);
    packets.append(developmentOperator(ctx.db, login));
    packets.append(knownOperator ? monitoringToday(ctx.db, branch, operatorCode) : QJsonValue());
    return QJsonValue(packets);
}

}
