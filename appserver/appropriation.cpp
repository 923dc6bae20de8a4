#include "appropriation.h"
#include "args.h"
#include "database.h"
#include <algorithm>

namespace apr {

QString serverNow()
{
    return formatStamp(QDateTime::currentDateTime());
}

void lockOperatorTime(Database &db, const QString &op)
{
    // 0x41505254 ("APRT") keeps these locks apart from any other use of advisory locks.
    if (db.isPostgres())
        db.run("SELECT pg_advisory_xact_lock(1095782996, hashtext(?))", {op});
}

// Servers sharing a database may disagree on the clock by a moment: a
// stretch never ends before it began.
static const char *endNoEarlierThanStart = "DTFIM = CASE WHEN DTINICIO > ? THEN DTINICIO ELSE ? END";

void closeOpenStretch(Database &db, const QString &op, const QString &now)
{
    db.run(QString("UPDATE apropriacao SET %1 WHERE CDOPERADOR = ? AND DTFIM IS NULL").arg(endNoEarlierThanStart),
           {now, now, op});
}

void closeStretchOf(Database &db, const QVariantList &key, const QString &now)
{
    db.run(QString("UPDATE apropriacao SET %1 WHERE CDFILIAL = ? AND NRTAREFA = ? AND NRPLATIVTARE = ?"
                   " AND DTFIM IS NULL")
               .arg(endNoEarlierThanStart),
           QVariantList{now, now} + key);
}

void openStretch(Database &db, const QString &op, const QVariantList &key, const QString &now,
                 const QString &attendance)
{
    // After a server whose clock runs ahead, the new stretch begins where
    // the operator's last one began or ended, so stretches never overlap.
    QString start = now;
    QSqlQuery last = db.run("SELECT MAX(DTINICIO), MAX(DTFIM) FROM apropriacao WHERE CDOPERADOR = ?", {op});
    if (last.next())
        for (int i = 0; i < 2; ++i)
            start = std::max(start, last.value(i).toString());
    last.finish();
    closeOpenStretch(db, op, start);
    // A start in the same second as the last one replaces that empty stretch.
    db.run("INSERT INTO apropriacao (CDOPERADOR, CDFILIAL, NRTAREFA, NRPLATIVTARE, DTINICIO, IDATENDIMENTO)"
           " VALUES (?, ?, ?, ?, ?, ?) ON CONFLICT (CDOPERADOR, DTINICIO) DO UPDATE SET CDFILIAL = excluded.CDFILIAL,"
           " NRTAREFA = excluded.NRTAREFA, NRPLATIVTARE = excluded.NRPLATIVTARE, DTFIM = NULL,"
           " IDATENDIMENTO = excluded.IDATENDIMENTO",
           QVariantList{op} + key + QVariantList{start, attendance.isEmpty() ? QVariant() : QVariant(attendance)});
}

}
