// The sound system: one music stream at a time, reported to the scripts when it ends, and any
// number of effect channels from samples loaded once and cached by file name, plain or placed in
// 3-D. Every failure is one log line; without an output device every call fails quietly.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <set>
#include <string>

struct SoundVector {
  float x, y, z;
};

class CSound {
public:
  // Hands a statement to the main loop, which runs it in the "lua" VM at its next frame. Called
  // on the stream's decoding thread, so it must only store the statement.
  using HandOver = std::function<void(const std::string& statement)>;

  explicit CSound(HandOver handOver);
  ~CSound();
  CSound(const CSound&) = delete;
  CSound& operator=(const CSound&) = delete;

  // The stream handle, 0 on failure.
  uint32_t playStream(const std::string& path);
  void unloadStream();
  // The channel handle, 0 on failure. The first load of a path fixes its loop and 3-D flags.
  uint32_t playSample(const std::string& path, int volume, bool loop, bool is3D);
  // Only channels this object started; anything else is left alone.
  void stopSound(uint32_t channel);
  void stopAllSounds();

  // Positions in world units and axes; the camera's back (+z) is the listener's front.
  void placeChannel(uint32_t channel, const SoundVector& position);
  void placeListener(const SoundVector& position, const SoundVector& front, const SoundVector& top);

  // Channels playing or paused, and ended ones not yet forgotten: the next plays forget them.
  size_t voices() const { return channels.size(); }

  int soundVolume = 0;  // effects, 0 to 255 in normal use; only later sounds take a change
  int musicVolume = 0;

private:
  static void onStreamEnd(uint32_t sync, uint32_t channel, uint32_t data, void* user);
  // Forgets playbacks that ended by themselves, a few at each play and round the set, so a long
  // game does not collect them and a play costs the same however many voices sound.
  void forgetEnded();
  static constexpr int sweepPerPlay = 2;  // more than the one a play adds

  HandOver handOver;
  int streamActive = 0;
  uint32_t stream = 0;
  std::map<std::string, uint32_t> samples;
  std::set<uint32_t> channels;
  uint32_t sweepFrom = 0;
};
