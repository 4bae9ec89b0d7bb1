// The actors' voices on the sound system, while there is one: without it they play nothing.
#pragma once

#include "sound/Sound.h"
#include "world/WorldContext.h"

#include <memory>
#include <string>

class SoundVoices final : public ActorVoices {
public:
  // sound may stay null; folder goes in front of every file name.
  SoundVoices(const std::unique_ptr<CSound>& sound, const std::string& folder) : sound(sound), folder(folder) {}

  uint32_t play3D(const std::string& file, int volume, bool loop) override {
    return sound ? sound->playSample(folder + file, volume, loop, true) : 0u;
  }
  void stop(uint32_t channel) override {
    if (sound)
      sound->stopSound(channel);
  }
  void place(uint32_t channel, const Ogre::Vector3& at) override {
    if (sound)
      sound->placeChannel(channel, {at.x, at.y, at.z});
  }

private:
  const std::unique_ptr<CSound>& sound;
  const std::string& folder;
};
