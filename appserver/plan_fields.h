#pragma once
#include "packet.h"

namespace apr {

// Every field of the activity plan packet, in the order the client declares them.
std::vector<Field> planFields();

// Concluded and cancelled activities stay in the plan for this many days after
// their conclusion date (or indefinitely while they have none).
constexpr int concludedDaysKept = 30;

}
