// What the world's objects need from the rest of the engine, handed in at construction so the
// world can run without a window (the engine test tier) as well as inside GameApp.
#pragma once

#include <functional>
#include <string>

namespace Ogre {
class SceneManager;
}
class CollisionManager;

struct WorldContext {
  Ogre::SceneManager* scene = nullptr;
  CollisionManager* collision = nullptr;
  // Runs a statement in the "lua" VM (collision callbacks, Script messages, HitGround).
  std::function<void(const std::string&)> runStatement;
};
