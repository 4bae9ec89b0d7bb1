// What the world's objects need from the rest of the engine, handed in at construction so the
// world can run without a window (the engine test tier) as well as inside the game.
#pragma once

#include "core/ScriptSink.h"

#include <OgreVector.h>

#include <cstdint>
#include <string>

namespace Ogre {
class SceneManager;
}
class CollisionManager;

// The actors' 3-D sounds. Channel 0 is no sound.
class ActorVoices {
public:
  // Plays a file (resolved against the sound folder); returns its channel.
  virtual uint32_t play3D(const std::string& file, int volume, bool loop) = 0;
  virtual void stop(uint32_t channel) = 0;
  virtual void place(uint32_t channel, const Ogre::Vector3& position) = 0;

protected:
  ~ActorVoices() = default;
};

struct WorldContext {
  Ogre::SceneManager& scene;
  CollisionManager& collision;
  ScriptSink& scripts;     // collision callbacks, Script messages, HitGround
  ActorVoices* voices;     // null without a sound system: channels then stay 0
};
