// Keeps the hero ("Quibbo") on the ground of the space "World": a vertical ray each step, a
// constant fall while the ground is more than half a unit below, a snap onto it otherwise, and
// HitGround(height) for the scripts after a fall of more than 0.4 units.
#pragma once

#include "world/WorldContext.h"

#include <OgreVector.h>

class HeroGroundProbe {
public:
  explicit HeroGroundProbe(const WorldContext& context) : context(context) {}

  void update();

private:
  const WorldContext& context;
  float fallDistance = 0.0f;  // height fallen since the hero last stood on the ground
};
