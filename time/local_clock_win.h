#pragma once

#include "time/clock.h"

namespace horvane {

// The computer's local wall clock through GetLocalTime and SetLocalTime. Setting needs the
// right to change the system time; without it Set() returns false and nothing changes.
Clock& SystemLocalClock();

}  // namespace horvane
