// Named collision spaces and triangle-mesh geoms over ODE (collision only, no physics).
#pragma once

class CollisionManager {
public:
  CollisionManager() = default;
  CollisionManager(const CollisionManager&) = delete;
  CollisionManager& operator=(const CollisionManager&) = delete;

  // Drops every geom, space and mesh record of the level.
  void clear() {}
};
