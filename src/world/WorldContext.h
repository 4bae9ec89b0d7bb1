// What the world's objects need from the rest of the engine, handed in at construction so the
// world can run without a window (the engine test tier) as well as inside GameApp.
#pragma once

#include <OgreVector.h>

#include <cstdint>
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

  // 3-D sound of actors. Left empty while there is no sound system: channels then stay 0.
  // Plays a file (resolved against the sound folder) and returns its channel.
  std::function<uint32_t(const std::string& file, int volume, bool loop)> play3DSound;
  std::function<void(uint32_t channel)> stopSound;
  std::function<void(uint32_t channel, const Ogre::Vector3& position)> placeSound;
};
