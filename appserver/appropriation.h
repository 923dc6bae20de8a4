#pragma once
// The operators' working time (`apropriacao`): stretches with a start and an
// end in the server's local time, at most one open (DTFIM null) per operator.
// A unique index keeps that true in the database; the writers of one
// operator's time also take turns (see lockOperatorTime), so that two calls
// racing for him both succeed one after the other instead of one failing on
// the index.
#include <QString>
#include <QVariantList>

namespace apr {

class Database;

// The server's clock as stored: local time, "YYYY-MM-DDTHH:MM:SS".
QString serverNow();

// Holds the operator's time for the rest of the transaction. SQLite's
// writing transactions are one at a time already; PostgreSQL takes a
// transaction-scoped advisory lock keyed by the operator.
void lockOperatorTime(Database &db, const QString &op);

// Ends the operator's open stretch, whatever it is booked against.
void closeOpenStretch(Database &db, const QString &op, const QString &now);
// Ends the open stretch of one activity (branch, task, activity) of anyone.
void closeStretchOf(Database &db, const QVariantList &key, const QString &now);
// Opens a stretch of the operator on the activity; `attendance` is "I" or
// "E" for an attendance, empty for a plan activity. Closes his open one first.
void openStretch(Database &db, const QString &op, const QVariantList &key, const QString &now,
                 const QString &attendance = {});

}
