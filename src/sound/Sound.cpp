// CSound over the audio library's call set.
#include "sound/Sound.h"

#include "core/Log.h"
#include "sound/audio/Bass.h"

#include <algorithm>
#include <cstdint>

namespace {

const DWORD maxPlaybacksPerSample = 10;

// Volumes are scripts' numbers: products that overflow 32 bits saturate instead.
int scaled(int64_t a, int64_t b, int64_t divisor) {
  int64_t value = a * b / divisor;
  return static_cast<int>(std::clamp<int64_t>(value, INT32_MIN, INT32_MAX));
}

std::string errorCode() {
  return std::to_string(BASS_ErrorGetCode());
}

BASS_3DVECTOR vector(const SoundVector& v) {
  return {v.x, v.y, v.z};
}

}  // namespace

CSound::CSound(HandOver statementHandOver) : handOver(std::move(statementHandOver)) {
  if (!BASS_Init(1, 44100, BASS_DEVICE_3D, nullptr, nullptr)) {
    core::log("CSound: Error! Can't initialize output device");
    return;
  }
  BASS_Set3DFactors(1.0f, 1.0f, 1.0f);
  BASS_SetConfig(BASS_CONFIG_MAXVOL, 256);
  soundVolume = 256;
  musicVolume = 256;
}

CSound::~CSound() {
  stopAllSounds();
  unloadStream();
  BASS_Free();
}

uint32_t CSound::playStream(const std::string& path) {
  core::log("Unload current stream...");
  unloadStream();
  stream = BASS_StreamCreateFile(false, path.c_str(), 0, 0, 0);
  // The play error below only says the handle is bad; this line names the file and why.
  if (!stream)
    core::log("CSound: Error code: " + errorCode() + " (" + path + ")");
  if (!BASS_ChannelPlay(stream, false)) {
    core::log("BASS_ChannelPlay error: " + errorCode());
    BASS_StreamFree(stream);
    stream = 0;
    return 0;
  }
  BASS_ChannelSetAttributes(stream, 0, scaled(musicVolume, 100, 256), 0);
  BASS_ChannelSetSync(stream, BASS_SYNC_END, 0, &CSound::onStreamEnd, this);
  streamActive = 1;
  core::log("CSound: Playing " + path);
  return stream;
}

void CSound::onStreamEnd(uint32_t, uint32_t, uint32_t, void* user) {
  static_cast<CSound*>(user)->handOver("StreamEnd()");
}

void CSound::unloadStream() {
  if (streamActive != 1) {
    streamActive = 0;
    return;
  }
  if (!BASS_ChannelStop(stream)) {
    core::log("BASS_ChannelStop error: " + errorCode());
    streamActive = 0;
    return;
  }
  if (!BASS_StreamFree(stream))
    core::log("BASS_StreamFree error: " + errorCode());
  streamActive = 0;
}

uint32_t CSound::playSample(const std::string& path, int volume, bool loop, bool is3D) {
  const int v = scaled(soundVolume, volume, 256);
  auto cached = samples.find(path);
  if (cached == samples.end()) {
    DWORD flags = (loop ? DWORD{BASS_SAMPLE_LOOP} : 0u) | (is3D ? DWORD{BASS_SAMPLE_3D | BASS_SAMPLE_MONO} : 0u);
    HSAMPLE sample = BASS_SampleLoad(false, path.c_str(), 0, 0, maxPlaybacksPerSample, flags);
    if (!sample) {
      core::log("CSound: Error code: " + errorCode() + " (" + path + ")");
      return 0;
    }
    cached = samples.emplace(path, sample).first;
  }
  forgetEnded();
  HCHANNEL channel = BASS_SampleGetChannel(cached->second, false);
  if (!channel) {
    core::log("CSound: Error code: " + errorCode() + " (" + path + ")");  // no free voice
    return 0;
  }
  BASS_ChannelPlay(channel, false);
  BASS_ChannelSetAttributes(channel, 0, v, 0);
  channels.insert(channel);
  return channel;
}

void CSound::forgetEnded() {
  for (int i = 0; i < sweepPerPlay && !channels.empty(); ++i) {
    auto next = channels.lower_bound(sweepFrom);
    if (next == channels.end())
      next = channels.begin();
    sweepFrom = *next + 1;
    if (BASS_ChannelIsActive(*next) == BASS_ACTIVE_STOPPED)
      channels.erase(next);
  }
}

void CSound::stopSound(uint32_t channel) {
  auto found = channels.find(channel);
  if (found == channels.end())
    return;
  BASS_ChannelStop(channel);
  channels.erase(found);
}

void CSound::stopAllSounds() {
  for (uint32_t channel : channels)
    BASS_ChannelStop(channel);
  channels.clear();
}

void CSound::placeChannel(uint32_t channel, const SoundVector& position) {
  BASS_3DVECTOR at = vector(position);
  BASS_ChannelSet3DPosition(channel, &at, nullptr, nullptr);
}

void CSound::placeListener(const SoundVector& position, const SoundVector& front, const SoundVector& top) {
  BASS_3DVECTOR at = vector(position), ahead = vector(front), up = vector(top);
  BASS_Set3DPosition(&at, nullptr, &ahead, &up);
  BASS_Apply3D();
}
