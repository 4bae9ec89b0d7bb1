// The game clock: milliseconds since its origin, as wrapping unsigned 32-bit. A level load
// restarts it; FastForward moves it ahead of the simulation (or back toward it).
#pragma once

#include "platform/Platform.h"

#include <cstdint>

class GameClock {
public:
  uint32_t now() const { return platform::milliseconds() - origin; }
  void restart() { origin = platform::milliseconds(); }
  // Moves the clock by ms, keeping its lead over the simulation's time within an hour either
  // way: further, the main loop's signed step test would wrap, and such a catch-up never ends.
  void fastForward(int32_t ms, uint32_t simulationTime);

private:
  uint32_t origin = platform::milliseconds();
};
