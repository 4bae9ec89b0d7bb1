// The world clock and owner of everything a level's scripts create at run time.
#pragma once

#include "world/WorldContext.h"

#include <cstdint>

class Simulation {
public:
  explicit Simulation(WorldContext context);
  ~Simulation();
  Simulation(const Simulation&) = delete;
  Simulation& operator=(const Simulation&) = delete;

  // One step; the caller has already advanced time.
  void step();
  void runCollisionCallbacks();
  void updateHeroProbe();
  // Empties the world and restarts the clock at 0.
  void clear();

  uint32_t time = 0;  // simulation time in ms: when the next step is due

private:
  WorldContext context;
};
