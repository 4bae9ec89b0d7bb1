// FastForward's bounds on the game clock.
#include "app/GameClock.h"

#include "core/Log.h"

#include <algorithm>

namespace {
const int64_t maxClockLeadMs = 3600 * 1000;
}  // namespace

void GameClock::fastForward(int32_t ms, uint32_t simulationTime) {
  const int64_t lead = static_cast<int32_t>(now() - simulationTime);
  int64_t target = lead + ms;
  if (target > maxClockLeadMs || target < -maxClockLeadMs) {
    core::log("FastForward: the clock may lead or trail the simulation by " + std::to_string(maxClockLeadMs) +
              " ms at most");
    target = std::clamp(target, -maxClockLeadMs, maxClockLeadMs);
  }
  origin -= static_cast<uint32_t>(target - lead);
}
