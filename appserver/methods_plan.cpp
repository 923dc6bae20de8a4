#include "database.h"
#include "plan/situacao.h"
#include "handlers.h"
#include "plan_fields.h"
#include "rpcerror.h"
#include <QHash>
#include <QSqlRecord>
#include <optional>

namespace apr {

std::vector<Field> planFields()
{
    return {
        str("NRPRIOATIVTR", 3), str("NRTAREFA", 10), str("NRPLATIVTARE", 5), str("NMPROCESSO", 100),
        str("CDFILIAL", 4), str("IDSITATIVTAR", 1), dt("DTCONATIVTAR"), num("NRCPLXITATIV"),
        str("NRREPETATIV", 10), str("CDPROJETO", 10), str("NMPROJETO", 100), str("CDITEMTRAB", 10),
        str("NMITEMTRAB", 100), str("CDPRODGRUP", 10), str("IDORIGTARE", 1), str("CDARVITTRAB", 20),
        str("DSREFETAREFA", 100), str("NRPRIOTAREFA", 3), str("NRSOLISERV", 10), str("CDOPERINCL", 12),
        str("NMOPERINCL", 50), str("CDOPERRESP", 12), dt("DTINCATIVTAR"), str("NMOPERRESP", 50),
        str("NMOPERSOLI", 50), str("NMASSUNTO", 50), str("DSREFESOLI", 60), dt("DTPREVENCSOL"),
        dt("DTCOMPROMISS"), str("NMFANTCLIE", 50), dt("DTHRREUNIAO"), str("CDPROCESSO", 10),
        str("CDQUALIFPROC", 2), str("DSDIRBASEVER", 30), str("DSDIRVSS", 250), num("VRFATOCPLX"),
        str("DSTEMPLAITAR", 5), dt("DTINPATIVTAR"), dt("DTFIPATIVTAR"), dt("DTFIRATIVTAR"),
        str("DSPROJETO", 50), str("DSSOLISERV", 50), str("CDREDUITTRAB", 10), num("QTDEATIV"),
        str("IDGERATVCONS", 1), num("QTLIMSEMAPROP"), str("IDSTATUSATESTE", 1), str("IDAUTOTESTE", 1),
        str("DSSTFASETRAM", 50), str("CDARVPRODGRUP", 20),
    };
}

namespace {

const char *planSelect =
    "SELECT p.NRPRIOATIVTR, p.NRTAREFA, p.NRPLATIVTARE, pr.NMPROCESSO, p.CDFILIAL, p.IDSITATIVTAR,"
    " p.DTCONATIVTAR, p.NRCPLXITATIV, p.NRREPETATIV, s.CDPROJETO, pj.NMPROJETO, p.CDITEMTRAB,"
    " it.NMITEMTRAB, s.CDPRODGRUP, t.IDORIGTARE, it.CDARVITTRAB, t.DSREFETAREFA, t.NRPRIOTAREFA,"
    " t.NRSOLISERV, p.CDOPERINCL, oi.NMOPERADOR AS NMOPERINCL, p.CDOPERRESP, p.DTINCATIVTAR,"
    " orr.NMOPERADOR AS NMOPERRESP, s.NMOPERSOLI, s.NMASSUNTO, s.DSREFESOLI, s.DTPREVENCSOL,"
    " s.DTCOMPROMISS, c.NMFANTCLIE, p.DTHRREUNIAO, p.CDPROCESSO,"
    " COALESCE(p.CDQUALIFPROC, pr.CDQUALIFPROC) AS CDQUALIFPROC, p.VRFATOCPLX, p.DSTEMPLAITAR,"
    " p.DTINPATIVTAR, p.DTFIPATIVTAR, p.DTFIRATIVTAR, pj.DSPROJETO, s.DSSOLISERV, it.CDREDUITTRAB,"
    " p.QTDEATIV, p.IDGERATVCONS, f.QTLIMSEMAPROP, p.IDSTATUSATESTE, p.IDAUTOTESTE, s.DSSTFASETRAM,"
    " prod.CDARVPROD AS CDARVPRODGRUP"
    " FROM planativtare p"
    " JOIN tarefa t ON t.CDFILIAL = p.CDFILIAL AND t.NRTAREFA = p.NRTAREFA"
    " LEFT JOIN solicitacao s ON s.NRSOLISERV = t.NRSOLISERV"
    " LEFT JOIN projeto pj ON pj.CDPROJETO = s.CDPROJETO"
    " LEFT JOIN cliente c ON c.CDCLIENTE = s.CDCLIENTE"
    " LEFT JOIN processo pr ON pr.CDPROCESSO = p.CDPROCESSO"
    " LEFT JOIN itemtrab it ON it.CDITEMTRAB = p.CDITEMTRAB"
    " LEFT JOIN operador oi ON oi.CDOPERADOR = p.CDOPERINCL"
    " LEFT JOIN operador orr ON orr.CDOPERADOR = p.CDOPERRESP"
    " LEFT JOIN filial f ON f.CDFILIAL = p.CDFILIAL"
    " LEFT JOIN produto prod ON prod.CDPRODUTO = s.CDPRODGRUP";

struct PlanFilter {
    QString branch, operatorCode;
    std::optional<QDateTime> plannedFrom;
    QString project, request, workItem, process, client, productFrom, productTo;
};

bool containsText(const QVariant &value, const QString &part)
{
    return value.toString().contains(part, Qt::CaseInsensitive);
}

// Column positions of the plan fields in the query, looked up once per call.
struct PlanColumns {
    explicit PlanColumns(const std::vector<Field> &fields)
    {
        for (const Field &field : fields)
            names.push_back(field.name);
        process = index("CDPROCESSO");
        processName = index("NMPROCESSO");
        client = index("NMFANTCLIE");
        group = index("CDPRODGRUP");
        base = index("DSDIRBASEVER");
        vss = index("DSDIRVSS");
    }
    int index(const char *name) const { return int(names.indexOf(QLatin1String(name))); }
    QStringList names;
    int process, processName, client, group, base, vss;
};

// Free-text filters stay here rather than in SQL: case folding of accented
// names must not depend on the database.
bool keep(const std::vector<QVariant> &row, const PlanColumns &c, const PlanFilter &f)
{
    if (!f.process.isEmpty() && row[c.process].toString() != f.process && !containsText(row[c.processName], f.process))
        return false;
    return f.client.isEmpty() || containsText(row[c.client], f.client);
}

using ProductDirs = QHash<QString, QPair<QString, QString>>;

// DSDIRBASEVER and DSDIRVSS are the product's directories joined by ";".
ProductDirs productDirs(Database &db)
{
    QHash<QString, QPair<QStringList, QStringList>> lists;
    QSqlQuery q = db.run("SELECT CDPRODUTO, DSDIRBASEVER, DSDIRVSS FROM produto_dir ORDER BY CDPRODUTO, NRSEQDIR");
    while (q.next()) {
        auto &entry = lists[q.value(0).toString()];
        entry.first << q.value(1).toString();
        entry.second << q.value(2).toString();
    }
    ProductDirs dirs;
    for (auto it = lists.cbegin(); it != lists.cend(); ++it)
        dirs.insert(it.key(), {it->first.join(';'), it->second.join(';')});
    return dirs;
}

// Product codes compare by character code whatever the database's collation.
QString productCompare(const Database &db, const char *op)
{
    return QString(" AND s.CDPRODGRUP %1 ? COLLATE %2").arg(op, db.isPostgres() ? "\"C\"" : "BINARY");
}

}

namespace {

struct PlanQuery {
    QString sql;
    QVariantList binds;
};

PlanQuery planQuery(const Database &db, const PlanFilter &f)
{
    // Concluded and cancelled activities stay in the plan for some days.
    static const QString base = QString(planSelect) + " WHERE p.CDFILIAL = ? AND p.CDOPERRESP = ?"
        " AND (" + plan::SqlNaoEncerrada("p.IDSITATIVTAR") + " OR p.DTCONATIVTAR IS NULL OR p.DTCONATIVTAR >= ?)";
    PlanQuery q{base,
                {f.branch, f.operatorCode,
                 formatStamp(QDateTime(QDate::currentDate().addDays(-concludedDaysKept), QTime(0, 0)))}};
    if (f.plannedFrom) {
        q.sql += " AND p.DTINPATIVTAR >= ?";
        q.binds << formatStamp(QDateTime(f.plannedFrom->date(), QTime(0, 0)));
    }
    if (!f.project.isEmpty()) {
        q.sql += " AND s.CDPROJETO = ?";
        q.binds << f.project;
    }
    if (!f.request.isEmpty()) {
        q.sql += " AND t.NRSOLISERV = ?";
        q.binds << f.request;
    }
    if (!f.workItem.isEmpty()) {
        q.sql += " AND (it.CDREDUITTRAB = ? OR p.CDITEMTRAB = ?)";
        q.binds << f.workItem << f.workItem;
    }
    if (!f.productFrom.isEmpty()) {
        q.sql += productCompare(db, ">=");
        q.binds << f.productFrom;
    }
    if (!f.productTo.isEmpty()) {
        q.sql += productCompare(db, "<=");
        q.binds << f.productTo;
    }
    q.sql += " ORDER BY p.NRPRIOATIVTR, p.NRTAREFA, p.NRPLATIVTARE";
    return q;
}

const std::vector<Field> &planFieldList()
{
    static const std::vector<Field> fields = planFields();
    return fields;
}

const PlanColumns &planColumns()
{
    static const PlanColumns columns(planFieldList());
    return columns;
}

bool filtersText(const PlanFilter &f)
{
    return !f.process.isEmpty() || !f.client.isEmpty();
}

QByteArray planThroughDriver(Database &db, const PlanFilter &f)
{
    const std::vector<Field> &fields = planFieldList();
    const PlanColumns &columns = planColumns();
    const PlanQuery query = planQuery(db, f);
    const ProductDirs dirs = productDirs(db);
    QSqlQuery q = db.run(query.sql, query.binds);
    static const QByteArray fieldsText = PacketWriter::fieldsJson(fields);
    const QSqlRecord record = q.record();
    std::vector<int> source;
    for (const Field &field : fields)
        source.push_back(record.indexOf(field.name));
    PacketWriter plan(fields, fieldsText);
    std::vector<QVariant> row(fields.size());
    const bool filtered = filtersText(f);
    while (q.next()) {
        for (size_t i = 0; i < fields.size(); ++i)
            row[i] = source[i] < 0 ? QVariant() : q.value(source[i]);
        if (filtered && !keep(row, columns, f))
            continue;
        const auto it = dirs.constFind(row[size_t(columns.group)].toString());
        if (it != dirs.constEnd()) {
            row[size_t(columns.base)] = it->first;
            row[size_t(columns.vss)] = it->second;
        }
        plan.addRow(row.data());
    }
    return plan.finish();
}

QVariant textOf(const Cell &cell)
{
    switch (cell.kind) {
    case Cell::Null: return {};
    case Cell::Text: return QString::fromUtf8(cell.text);
    case Cell::Real: return cell.real;
    case Cell::Integer: return cell.integer;
    }
    return {};
}

// A product's directories as the plan shows them, looked up on SQLite the
// first time a row of the product comes (a plan names a few products).
class SqliteProductDirs {
public:
    explicit SqliteProductDirs(Database &db) : m_db(db) {}

    // Null when the product has no directories.
    const QPair<QByteArray, QByteArray> *find(QByteArrayView product)
    {
        auto it = m_known.find(product.toByteArray());
        if (it == m_known.end())
            it = m_known.insert(product.toByteArray(), lookUp(product));
        return it->has_value() ? &**it : nullptr;
    }

private:
    std::optional<QPair<QByteArray, QByteArray>> lookUp(QByteArrayView product)
    {
        SqliteRows q(m_db, "SELECT DSDIRBASEVER, DSDIRVSS FROM produto_dir WHERE CDPRODUTO = ? ORDER BY NRSEQDIR",
                     {QString::fromUtf8(product)});
        QByteArrayList bases, vss;
        while (q.next()) {
            bases << textOf(q.cell(0)).toString().toUtf8();
            vss << textOf(q.cell(1)).toString().toUtf8();
        }
        if (bases.isEmpty())
            return std::nullopt;
        return QPair<QByteArray, QByteArray>{bases.join(';'), vss.join(';')};
    }

    Database &m_db;
    QHash<QByteArray, std::optional<QPair<QByteArray, QByteArray>>> m_known;
};

// Where each plan field is among the query's columns: the select list is
// the same whatever the filters.
const std::vector<int> &planSources(const SqliteRows &q)
{
    static const std::vector<int> sources = [&q] {
        std::vector<int> found;
        for (const Field &field : planFieldList())
            found.push_back(q.columnIndex(field.name));
        return found;
    }();
    return sources;
}

// The same packet read on SQLite's own interface, texts passed on as UTF-8.
QByteArray planThroughSqlite(Database &db, const PlanFilter &f)
{
    static const QByteArray fieldsText = PacketWriter::fieldsJson(planFieldList());
    const std::vector<Field> &fields = planFieldList();
    const PlanColumns &columns = planColumns();
    const PlanQuery query = planQuery(db, f);
    SqliteProductDirs dirs(db);
    SqliteRows q(db, query.sql, query.binds);
    const std::vector<int> &source = planSources(q);
    PacketWriter plan(fields, fieldsText);
    std::vector<Cell> row(fields.size());
    std::vector<QVariant> texts(fields.size());
    const bool filtered = filtersText(f);
    while (q.next()) {
        for (size_t i = 0; i < fields.size(); ++i)
            row[i] = source[i] < 0 ? Cell() : q.cell(source[i]);
        if (filtered) {
            for (int column : {columns.process, columns.processName, columns.client})
                texts[size_t(column)] = textOf(row[size_t(column)]);
            if (!keep(texts, columns, f))
                continue;
        }
        const Cell &group = row[size_t(columns.group)];
        if (const auto *paths = group.kind == Cell::Text ? dirs.find(group.text) : nullptr) {
            row[size_t(columns.base)] = Cell{Cell::Text, paths->first};
            row[size_t(columns.vss)] = Cell{Cell::Text, paths->second};
        }
        plan.addRow(row.data());
    }
    return plan.finish();
}

PlanFilter planFilter(const Args &args)
{
    return {args.text(0), args.text(1), args.date(2), args.text(3).trimmed(),
            args.text(4).trimmed(), args.text(5).trimmed(), args.text(6).trimmed(),
            args.text(7).trimmed(), args.text(8).trimmed(), args.text(9).trimmed()};
}

}

QByteArray planPacket(Database &db, const QJsonArray &params, PlanReader reader)
{
    const PlanFilter f = planFilter(Args(params));
    if (reader == PlanReader::Direct && !db.isPostgres())
        return planThroughSqlite(db, f);
    return planThroughDriver(db, f);
}

Reply getPlanAtivTare(CallContext &ctx, const Args &args)
{
    const PlanFilter f = planFilter(args);
    return Reply::json(ctx.db.isPostgres() ? planThroughDriver(ctx.db, f) : planThroughSqlite(ctx.db, f));
}

Reply setFilaPlanAtiv(CallContext &ctx, const Args &args)
{
    const QString queue = args.text(3);
    if (queue.size() > 3)
        throw appError("A posição na fila deve ter no máximo 3 caracteres.",
                       QString("SetFila_PlanAtiv: NRPRIOATIVTR \"%1\" is longer than 3").arg(queue));
    QSqlQuery q = ctx.db.run("UPDATE planativtare SET NRPRIOATIVTR = ?"
                             " WHERE CDFILIAL = ? AND NRTAREFA = ? AND NRPLATIVTARE = ?",
                             {queue, args.text(0), args.text(1), args.text(2)});
    if (q.numRowsAffected() == 0)
        throw appError("Atividade não encontrada no plano.",
                       QString("SetFila_PlanAtiv: no activity %1/%2/%3")
                           .arg(args.text(0), args.text(1), args.text(2)));
    return {};
}

}
