// The clock of the install report's stage stamps: whole seconds of the
// monotonic 64-bit tick count, never 0 (0 marks a stage not yet stamped).
// Tests may put a clock of their own in its place.
#pragma once

#include <cstdint>

std::uint64_t StatsClockSeconds();

// Null restores the tick count.
using StatsClockFunction = std::uint64_t (*)();
void SetStatsClockForTests(StatsClockFunction clock);
