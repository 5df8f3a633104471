#include "stats/StatsClock.h"

#include <atomic>

#include "platform/base/Clock.h"

namespace {
std::atomic<StatsClockFunction> g_clock{nullptr};
}  // namespace

std::uint64_t StatsClockSeconds() {
    const StatsClockFunction clock = g_clock.load();
    const std::uint64_t seconds = clock != nullptr ? clock() : GetTickCount64() / 1000;
    return seconds + 1;
}

void SetStatsClockForTests(StatsClockFunction clock) { g_clock = clock; }
