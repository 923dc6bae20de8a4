#pragma once
#include <QStringList>
#include <vector>

namespace apr {

class Database;

// The schema as an ordered list of steps; step i brings the database from
// version i to i + 1. Steps are never edited once released, only appended.
const std::vector<QStringList> &migrationSteps();

// Version recorded in schema_version (0 for a new database).
int schemaVersion(Database &db);

// Applies the missing steps, each in its own transaction, up to `target`
// (all of them by default). Refuses a database newer than this server.
void migrate(Database &db, int target = -1);

}
