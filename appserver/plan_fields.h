#pragma once
#include "packet.h"

namespace apr {

// Every field of the activity plan packet, in the order the client declares them.
std::vector<Field> planFields();

class Database;

// The plan packet's JSON for GetPlanAtivTare's arguments. On SQLite it is
// read on SQLite's own interface unless `Driver` asks for the Qt driver
// (the way PostgreSQL always goes); both give the same text.
enum class PlanReader { Direct, Driver };
QByteArray planPacket(Database &db, const QJsonArray &params, PlanReader reader);

// Concluded and cancelled activities stay in the plan for this many days after
// their conclusion date (or indefinitely while they have none).
constexpr int concludedDaysKept = 30;

}
