#pragma once
#include <QString>

namespace apr {

class Database;

// Fills a demonstration plan for operator "000000000001" of branch "0001",
// dated from today. Rows that already exist are left alone, so seeding twice
// adds nothing. `osLogin` also maps to the operator as a developer login.
// The demo operator gets the password demoPassword unless he has one.
void seedDemo(Database &db, const QString &osLogin);

inline constexpr const char *demoPassword = "demo-entrada";

}
