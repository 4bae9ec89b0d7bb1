// The game clock: milliseconds since its origin, as wrapping unsigned 32-bit. A level load
// restarts it; FastForward moves its origin back.
#pragma once

#include "platform/Platform.h"

#include <cstdint>

class GameClock {
public:
  uint32_t now() const { return platform::milliseconds() - origin; }
  void restart() { origin = platform::milliseconds(); }
  // Moves the clock ahead by ms (behind, for a negative count).
  void advance(int32_t ms) { origin -= static_cast<uint32_t>(ms); }

private:
  uint32_t origin = platform::milliseconds();
};
