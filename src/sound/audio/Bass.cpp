// The audio library over OpenAL Soft and libsndfile. Every call comes from the main thread; the
// only other threads are the streams' decoders, which touch nothing but their own stream.
#include "sound/audio/Bass.h"

#include <AL/al.h>
#include <AL/alc.h>
#include <sndfile.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <condition_variable>
#include <cstdio>
#include <map>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace {

thread_local int lastError = BASS_OK;

template <class T>
T fail(int code, T result) {
  lastError = code;
  return result;
}

BOOL succeed() {
  lastError = BASS_OK;
  return 1;
}

// A damaged header must not ask for gigabytes: about ten minutes of 48 kHz stereo at most.
const sf_count_t maxSampleValues = 64 * 1024 * 1024;
const int streamBuffers = 4;
const sf_count_t streamChunkFrames = 8192;
// World units within which a 3-D sound plays at full volume, and beyond which it fades no more.
const float referenceDistance = 10.0f;
const float maxDistance = 1000.0f;

int16_t toPcm(float v) {
  if (!std::isfinite(v))
    return 0;
  return static_cast<int16_t>(std::lrint(std::clamp(v, -1.0f, 1.0f) * 32767.0f));
}

// Interleaved float frames to mono or stereo 16-bit: mono averages every channel; more than two
// channels fold into stereo, even ones left and odd ones right.
void appendMixed(const float* in, sf_count_t frames, int channels, int outChannels, std::vector<int16_t>& out) {
  for (sf_count_t f = 0; f < frames; ++f) {
    const float* frame = in + f * channels;
    if (outChannels == channels) {
      for (int c = 0; c < channels; ++c)
        out.push_back(toPcm(frame[c]));
    } else if (outChannels == 1) {
      float sum = 0.0f;
      for (int c = 0; c < channels; ++c)
        sum += frame[c];
      out.push_back(toPcm(sum / static_cast<float>(channels)));
    } else {
      float left = 0.0f, right = 0.0f;
      for (int c = 0; c < channels; ++c)
        (c % 2 == 0 ? left : right) += frame[c];
      out.push_back(toPcm(left / static_cast<float>((channels + 1) / 2)));
      out.push_back(toPcm(right / static_cast<float>(channels / 2)));
    }
  }
}

ALenum formatOf(int channels) {
  return channels == 1 ? AL_FORMAT_MONO16 : AL_FORMAT_STEREO16;
}

// Left-handed to OpenAL's right-handed axes.
void toAl(const BASS_3DVECTOR& v, ALfloat out[3]) {
  out[0] = v.x;
  out[1] = v.y;
  out[2] = -v.z;
}

bool finite(const BASS_3DVECTOR& v) {
  return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z);
}

class SoundFile {
public:
  SoundFile() = default;
  SoundFile(const SoundFile&) = delete;
  SoundFile& operator=(const SoundFile&) = delete;
  ~SoundFile() {
    if (file)
      sf_close(file);
  }

  // BASS_OK, or the code for a file that is missing or is no audio this can play.
  int open(const char* path) {
    file = sf_open(path, SFM_READ, &info);
    if (!file) {
      std::FILE* plain = std::fopen(path, "rb");
      if (!plain)
        return BASS_ERROR_FILEOPEN;
      std::fclose(plain);
      return BASS_ERROR_FILEFORM;
    }
    if (info.channels < 1 || info.channels > 64 || info.samplerate < 1 || info.samplerate > 768000)
      return BASS_ERROR_FILEFORM;
    // A cut-off Ogg file has no length (libsndfile says SF_COUNT_MAX) and decodes to nothing.
    if (info.frames < 1 || info.frames == SF_COUNT_MAX)
      return BASS_ERROR_FILEFORM;
    return BASS_OK;
  }

  int outChannels(bool mono) const { return mono || info.channels == 1 ? 1 : 2; }

  // Appends up to frames frames; returns how many were read, 0 at the end (or a read error).
  sf_count_t read(sf_count_t frames, int outChannels, std::vector<int16_t>& out) {
    scratch.resize(static_cast<size_t>(frames * info.channels));
    sf_count_t got = sf_readf_float(file, scratch.data(), frames);
    if (got <= 0)
      return 0;
    appendMixed(scratch.data(), got, info.channels, outChannels, out);
    return got;
  }

  void rewind() { sf_seek(file, 0, SEEK_SET); }

  SF_INFO info{};

private:
  SNDFILE* file = nullptr;
  std::vector<float> scratch;
};

struct Sample {
  ALuint buffer = 0;
  DWORD flags = 0;
  DWORD max = 0;
  int rate = 0;
  std::vector<HCHANNEL> channels;  // live playbacks
};

struct Channel {
  ALuint source = 0;
  HSAMPLE sample = 0;
  DWORD flags = 0;
  int rate = 0;
  int volume = 0;
  int pan = 0;
  bool started = false;
};

// A stream's source plays queued buffers that its thread keeps full, chunk by chunk.
class Stream {
public:
  Stream(std::unique_ptr<SoundFile> soundFile, DWORD streamHandle, ALuint alSource)
      : handle(streamHandle), source(alSource), file(std::move(soundFile)), outChannels(file->outChannels(false)) {
    alGenBuffers(streamBuffers, buffers);
    idle.assign(buffers, buffers + streamBuffers);
    worker = std::thread([this] { run(); });
  }
  Stream(const Stream&) = delete;
  Stream& operator=(const Stream&) = delete;

  ~Stream() {
    {
      std::lock_guard<std::mutex> lock(mutex);
      quit = true;
    }
    wake.notify_all();
    worker.join();
    alSourceStop(source);
    alSourcei(source, AL_BUFFER, 0);
    alDeleteSources(1, &source);
    alDeleteBuffers(streamBuffers, buffers);
  }

  void play() {
    std::lock_guard<std::mutex> lock(mutex);
    if (atEnd) {  // an ended stream plays again from the start
      file->rewind();
      atEnd = false;
    }
    playing = true;
    wake.notify_all();
  }

  void stop() {
    std::lock_guard<std::mutex> lock(mutex);
    playing = false;
    alSourceStop(source);
    reclaimBuffers();
  }

  bool active() {
    std::lock_guard<std::mutex> lock(mutex);
    return playing;
  }

  void addEndSync(HSYNC sync, SYNCPROC* proc, void* user) {
    std::lock_guard<std::mutex> lock(mutex);
    endSyncs.push_back({sync, proc, user});
  }

  const DWORD handle;
  const ALuint source;
  int volume = 0;
  int pan = 0;

private:
  struct Sync {
    HSYNC handle;
    SYNCPROC* proc;
    void* user;
  };

  void reclaimBuffers() {
    ALint processed = 0;
    alGetSourcei(source, AL_BUFFERS_PROCESSED, &processed);
    for (; processed > 0; --processed) {
      ALuint buffer = 0;
      alSourceUnqueueBuffers(source, 1, &buffer);
      idle.push_back(buffer);
    }
  }

  void refill() {
    reclaimBuffers();
    while (!idle.empty() && !atEnd) {
      pcm.clear();
      if (file->read(streamChunkFrames, outChannels, pcm) == 0) {
        atEnd = true;
        break;
      }
      ALuint buffer = idle.back();
      idle.pop_back();
      alBufferData(buffer, formatOf(outChannels), pcm.data(), static_cast<ALsizei>(pcm.size() * sizeof(int16_t)),
                   file->info.samplerate);
      alSourceQueueBuffers(source, 1, &buffer);
    }
  }

  void run() {
    std::unique_lock<std::mutex> lock(mutex);
    while (!quit) {
      if (playing) {
        refill();
        ALint queued = 0, state = 0;
        alGetSourcei(source, AL_BUFFERS_QUEUED, &queued);
        alGetSourcei(source, AL_SOURCE_STATE, &state);
        if (queued > 0 && state != AL_PLAYING)
          alSourcePlay(source);  // the first start, or a restart after running dry
        if (atEnd && queued == 0) {
          playing = false;
          std::vector<Sync> syncs = endSyncs;
          lock.unlock();
          for (const Sync& sync : syncs)
            sync.proc(sync.handle, handle, 0, sync.user);
          lock.lock();
          continue;
        }
      }
      // A stopped or ended stream sleeps until play() or the destructor wakes it.
      if (playing)
        wake.wait_for(lock, std::chrono::milliseconds(10));
      else
        wake.wait(lock);
    }
  }

  std::unique_ptr<SoundFile> file;
  const int outChannels;
  ALuint buffers[streamBuffers] = {};
  std::vector<ALuint> idle;
  std::vector<int16_t> pcm;
  std::mutex mutex;
  std::condition_variable wake;
  bool playing = false;
  bool atEnd = false;
  bool quit = false;
  std::vector<Sync> endSyncs;
  std::thread worker;
};

struct Device {
  ALCdevice* device = nullptr;
  ALCcontext* context = nullptr;
  DWORD maxVolume = 100;
  float rolloff = 1.0f;
  // Handles count up over the whole run and are never reused, so a stale one matches nothing.
  DWORD lastHandle = 0;
  std::map<HSAMPLE, Sample> samples;
  std::map<HCHANNEL, Channel> channels;
  std::map<HSTREAM, std::unique_ptr<Stream>> streams;

  DWORD newHandle() {
    if (++lastHandle == 0)
      ++lastHandle;
    return lastHandle;
  }

  float gain(int volume) const {
    return static_cast<float>(std::clamp<int64_t>(volume, 0, maxVolume)) / static_cast<float>(maxVolume);
  }

  void release(HCHANNEL handle) {
    auto found = channels.find(handle);
    if (found == channels.end())
      return;
    alSourceStop(found->second.source);
    alDeleteSources(1, &found->second.source);
    auto sample = samples.find(found->second.sample);
    if (sample != samples.end()) {
      auto& live = sample->second.channels;
      live.erase(std::remove(live.begin(), live.end(), handle), live.end());
    }
    channels.erase(found);
  }

  // One-shot playbacks that have finished give their voice back: a few at each new playback, round
  // the channels, so a play costs the same however many voices sound; all of one sample's when it
  // has none left, and all of them when the device has no source left.
  bool finished(const Channel& channel) const {
    if (!channel.started || (channel.flags & BASS_SAMPLE_LOOP))
      return false;
    ALint state = 0;
    alGetSourcei(channel.source, AL_SOURCE_STATE, &state);
    return state == AL_STOPPED;
  }

  void reclaimSome() {
    for (int i = 0; i < sweepPerPlay && !channels.empty(); ++i) {
      auto next = channels.lower_bound(sweepFrom);
      if (next == channels.end())
        next = channels.begin();
      sweepFrom = next->first + 1;
      if (finished(next->second))
        release(next->first);
    }
  }

  void reclaim(std::vector<HCHANNEL> candidates) {
    for (HCHANNEL handle : candidates)
      if (finished(channels.at(handle)))
        release(handle);
  }

  void reclaimAll() {
    std::vector<HCHANNEL> all;
    for (const auto& entry : channels)
      all.push_back(entry.first);
    reclaim(std::move(all));
  }

  static constexpr int sweepPerPlay = 2;  // more than the one a play adds, so ended ones never pile up
  HCHANNEL sweepFrom = 0;
};

Device& audio() {
  static Device device;
  return device;
}

bool initialised() {
  return audio().context != nullptr;
}

}  // namespace

BOOL BASS_Init(int device, DWORD freq, DWORD, void*, void*) {
  Device& d = audio();
  if (initialised())
    return fail(BASS_ERROR_ALREADY, 0);
  if (device != 1 && device != -1)
    return fail(BASS_ERROR_DEVICE, 0);
  d.device = alcOpenDevice(nullptr);
  if (!d.device)
    return fail(BASS_ERROR_DEVICE, 0);
  const ALCint attributes[] = {ALC_FREQUENCY, static_cast<ALCint>(freq), 0};
  d.context = alcCreateContext(d.device, attributes);
  if (!d.context || !alcMakeContextCurrent(d.context)) {
    if (d.context)
      alcDestroyContext(d.context);
    alcCloseDevice(d.device);
    d.context = nullptr;
    d.device = nullptr;
    return fail(BASS_ERROR_DRIVER, 0);
  }
  alDistanceModel(AL_INVERSE_DISTANCE_CLAMPED);
  d.maxVolume = 100;
  d.rolloff = 1.0f;
  return succeed();
}

BOOL BASS_Free() {
  Device& d = audio();
  if (!initialised())
    return fail(BASS_ERROR_INIT, 0);
  d.streams.clear();
  while (!d.channels.empty())
    d.release(d.channels.begin()->first);
  for (auto& entry : d.samples)
    alDeleteBuffers(1, &entry.second.buffer);
  d.samples.clear();
  alcMakeContextCurrent(nullptr);
  alcDestroyContext(d.context);
  alcCloseDevice(d.device);
  d.context = nullptr;
  d.device = nullptr;
  return succeed();
}

BOOL BASS_SetConfig(DWORD option, DWORD value) {
  if (option != BASS_CONFIG_MAXVOL || value == 0)
    return fail(BASS_ERROR_ILLPARAM, 0);
  audio().maxVolume = value;
  return succeed();
}

BOOL BASS_Set3DFactors(float distance, float rolloff, float doppler) {
  if (!initialised())
    return fail(BASS_ERROR_INIT, 0);
  // Values below zero leave a factor as it is.
  if (distance > 0.0f && std::isfinite(distance))
    alSpeedOfSound(343.3f / distance);
  if (rolloff >= 0.0f && std::isfinite(rolloff))
    audio().rolloff = rolloff;
  if (doppler >= 0.0f && std::isfinite(doppler))
    alDopplerFactor(doppler);
  return succeed();
}

BOOL BASS_Set3DPosition(const BASS_3DVECTOR* position, const BASS_3DVECTOR* velocity, const BASS_3DVECTOR* front,
                        const BASS_3DVECTOR* top) {
  if (!initialised())
    return fail(BASS_ERROR_INIT, 0);
  ALfloat v[6];
  if (position && finite(*position)) {
    toAl(*position, v);
    alListenerfv(AL_POSITION, v);
  }
  if (velocity && finite(*velocity)) {
    toAl(*velocity, v);
    alListenerfv(AL_VELOCITY, v);
  }
  if (front && top && finite(*front) && finite(*top)) {
    toAl(*front, v);
    toAl(*top, v + 3);
    alListenerfv(AL_ORIENTATION, v);
  }
  return succeed();
}

void BASS_Apply3D() {
  // OpenAL applies every change at once; nothing is held back.
}

int BASS_ErrorGetCode() {
  return lastError;
}

HSAMPLE BASS_SampleLoad(BOOL memory, const void* file, DWORD, DWORD, DWORD max, DWORD flags) {
  Device& d = audio();
  if (!initialised())
    return fail(BASS_ERROR_INIT, 0u);
  if (memory || !file || max == 0)
    return fail(BASS_ERROR_ILLPARAM, 0u);
  SoundFile sound;
  if (int error = sound.open(static_cast<const char*>(file)))
    return fail(error, 0u);
  // OpenAL places only mono sources in space.
  const int outChannels = sound.outChannels((flags & (BASS_SAMPLE_MONO | BASS_SAMPLE_3D)) != 0);
  if (sound.info.frames > maxSampleValues / outChannels)
    return fail(BASS_ERROR_MEM, 0u);
  std::vector<int16_t> pcm;
  while (sound.read(streamChunkFrames, outChannels, pcm) > 0 && static_cast<sf_count_t>(pcm.size()) < maxSampleValues) {
  }
  if (pcm.empty())
    return fail(BASS_ERROR_FILEFORM, 0u);
  Sample sample;
  sample.flags = flags;
  sample.max = max;
  sample.rate = sound.info.samplerate;
  alGetError();
  alGenBuffers(1, &sample.buffer);
  alBufferData(sample.buffer, formatOf(outChannels), pcm.data(), static_cast<ALsizei>(pcm.size() * sizeof(int16_t)),
               sample.rate);
  if (alGetError() != AL_NO_ERROR) {
    alDeleteBuffers(1, &sample.buffer);
    return fail(BASS_ERROR_MEM, 0u);
  }
  HSAMPLE handle = d.newHandle();
  d.samples.emplace(handle, std::move(sample));
  lastError = BASS_OK;
  return handle;
}

HCHANNEL BASS_SampleGetChannel(HSAMPLE handle, BOOL) {
  Device& d = audio();
  if (!initialised())
    return fail(BASS_ERROR_INIT, 0u);
  auto found = d.samples.find(handle);
  if (found == d.samples.end())
    return fail(BASS_ERROR_HANDLE, 0u);
  d.reclaimSome();
  Sample& sample = found->second;
  if (sample.channels.size() >= sample.max)
    d.reclaim(sample.channels);
  if (sample.channels.size() >= sample.max)
    return fail(BASS_ERROR_NOCHAN, 0u);
  Channel channel;
  alGetError();
  alGenSources(1, &channel.source);
  if (alGetError() != AL_NO_ERROR) {
    d.reclaimAll();
    alGenSources(1, &channel.source);
    if (alGetError() != AL_NO_ERROR)
      return fail(BASS_ERROR_NOCHAN, 0u);
  }
  channel.sample = handle;
  channel.flags = sample.flags;
  channel.rate = sample.rate;
  channel.volume = static_cast<int>(d.maxVolume);
  alSourcei(channel.source, AL_BUFFER, static_cast<ALint>(sample.buffer));
  alSourcei(channel.source, AL_LOOPING, (sample.flags & BASS_SAMPLE_LOOP) ? AL_TRUE : AL_FALSE);
  if (sample.flags & BASS_SAMPLE_3D) {
    alSourcei(channel.source, AL_SOURCE_RELATIVE, AL_FALSE);
    alSourcef(channel.source, AL_REFERENCE_DISTANCE, referenceDistance);
    alSourcef(channel.source, AL_MAX_DISTANCE, maxDistance);
    alSourcef(channel.source, AL_ROLLOFF_FACTOR, d.rolloff);
  } else {
    alSourcei(channel.source, AL_SOURCE_RELATIVE, AL_TRUE);
    alSource3f(channel.source, AL_POSITION, 0.0f, 0.0f, 0.0f);
  }
  HCHANNEL channelHandle = d.newHandle();
  d.channels.emplace(channelHandle, channel);
  sample.channels.push_back(channelHandle);
  lastError = BASS_OK;
  return channelHandle;
}

HSTREAM BASS_StreamCreateFile(BOOL memory, const void* file, QWORD, QWORD, DWORD) {
  Device& d = audio();
  if (!initialised())
    return fail(BASS_ERROR_INIT, 0u);
  if (memory || !file)
    return fail(BASS_ERROR_ILLPARAM, 0u);
  auto sound = std::make_unique<SoundFile>();
  if (int error = sound->open(static_cast<const char*>(file)))
    return fail(error, 0u);
  ALuint source = 0;
  alGetError();
  alGenSources(1, &source);
  if (alGetError() != AL_NO_ERROR)
    return fail(BASS_ERROR_NOCHAN, 0u);
  alSourcei(source, AL_SOURCE_RELATIVE, AL_TRUE);
  alSource3f(source, AL_POSITION, 0.0f, 0.0f, 0.0f);
  HSTREAM handle = d.newHandle();
  auto stream = std::make_unique<Stream>(std::move(sound), handle, source);
  stream->volume = static_cast<int>(d.maxVolume);
  d.streams.emplace(handle, std::move(stream));
  lastError = BASS_OK;
  return handle;
}

BOOL BASS_StreamFree(HSTREAM handle) {
  if (!initialised())
    return fail(BASS_ERROR_INIT, 0);
  if (audio().streams.erase(handle) == 0)
    return fail(BASS_ERROR_HANDLE, 0);
  return succeed();
}

BOOL BASS_ChannelPlay(DWORD handle, BOOL) {
  Device& d = audio();
  if (!initialised())
    return fail(BASS_ERROR_INIT, 0);
  if (auto stream = d.streams.find(handle); stream != d.streams.end()) {
    stream->second->play();
    return succeed();
  }
  auto found = d.channels.find(handle);
  if (found == d.channels.end())
    return fail(BASS_ERROR_HANDLE, 0);
  alSourcePlay(found->second.source);
  found->second.started = true;
  return succeed();
}

BOOL BASS_ChannelStop(DWORD handle) {
  Device& d = audio();
  if (!initialised())
    return fail(BASS_ERROR_INIT, 0);
  if (auto stream = d.streams.find(handle); stream != d.streams.end()) {
    stream->second->stop();
    return succeed();
  }
  if (d.channels.count(handle) == 0)
    return fail(BASS_ERROR_HANDLE, 0);
  d.release(handle);  // a stopped playback gives its voice back at once
  return succeed();
}

DWORD BASS_ChannelIsActive(DWORD handle) {
  Device& d = audio();
  if (!initialised())
    return fail(BASS_ERROR_INIT, static_cast<DWORD>(BASS_ACTIVE_STOPPED));
  if (auto stream = d.streams.find(handle); stream != d.streams.end()) {
    lastError = BASS_OK;
    return stream->second->active() ? BASS_ACTIVE_PLAYING : BASS_ACTIVE_STOPPED;
  }
  auto found = d.channels.find(handle);
  if (found == d.channels.end())
    return fail(BASS_ERROR_HANDLE, static_cast<DWORD>(BASS_ACTIVE_STOPPED));
  ALint state = 0;
  alGetSourcei(found->second.source, AL_SOURCE_STATE, &state);
  lastError = BASS_OK;
  return state == AL_PLAYING ? BASS_ACTIVE_PLAYING : BASS_ACTIVE_STOPPED;
}

DWORD BASS_ChannelGetFlags(DWORD handle) {
  Device& d = audio();
  if (d.streams.count(handle)) {
    lastError = BASS_OK;
    return 0;
  }
  auto found = d.channels.find(handle);
  if (found == d.channels.end())
    return fail(BASS_ERROR_HANDLE, static_cast<DWORD>(-1));
  lastError = BASS_OK;
  return found->second.flags;
}

BOOL BASS_ChannelSetAttributes(DWORD handle, int freq, int volume, int pan) {
  Device& d = audio();
  if (!initialised())
    return fail(BASS_ERROR_INIT, 0);
  ALuint source = 0;
  int rate = 0;
  int* storedVolume = nullptr;
  int* storedPan = nullptr;
  bool spatial = false;
  if (auto stream = d.streams.find(handle); stream != d.streams.end()) {
    source = stream->second->source;
    storedVolume = &stream->second->volume;
    storedPan = &stream->second->pan;
  } else if (auto found = d.channels.find(handle); found != d.channels.end()) {
    source = found->second.source;
    rate = found->second.rate;
    storedVolume = &found->second.volume;
    storedPan = &found->second.pan;
    spatial = (found->second.flags & BASS_SAMPLE_3D) != 0;
  } else {
    return fail(BASS_ERROR_HANDLE, 0);
  }
  if (volume != -1) {
    *storedVolume = static_cast<int>(std::clamp<int64_t>(volume, 0, d.maxVolume));
    alSourcef(source, AL_GAIN, d.gain(*storedVolume));
  }
  if (freq == 0)
    alSourcef(source, AL_PITCH, 1.0f);  // the file's own rate
  else if (freq > 0 && rate > 0)
    alSourcef(source, AL_PITCH, std::clamp(static_cast<float>(freq) / static_cast<float>(rate), 0.1f, 10.0f));
  if (!spatial && pan != -101) {
    // A plain playback pans by standing on a circle in front of the listener.
    *storedPan = std::clamp(pan, -100, 100);
    float x = static_cast<float>(*storedPan) / 100.0f;
    alSource3f(source, AL_POSITION, x, 0.0f, -std::sqrt(1.0f - x * x));
  }
  return succeed();
}

BOOL BASS_ChannelGetAttributes(DWORD handle, DWORD* freq, DWORD* volume, int* pan) {
  Device& d = audio();
  const int* storedVolume = nullptr;
  const int* storedPan = nullptr;
  ALuint source = 0;
  int rate = 0;
  if (auto stream = d.streams.find(handle); stream != d.streams.end()) {
    storedVolume = &stream->second->volume;
    storedPan = &stream->second->pan;
  } else if (auto found = d.channels.find(handle); found != d.channels.end()) {
    storedVolume = &found->second.volume;
    storedPan = &found->second.pan;
    source = found->second.source;
    rate = found->second.rate;
  } else {
    return fail(BASS_ERROR_HANDLE, 0);
  }
  if (volume)
    *volume = static_cast<DWORD>(*storedVolume);
  if (pan)
    *pan = *storedPan;
  if (freq) {
    ALfloat pitch = 1.0f;
    if (source)
      alGetSourcef(source, AL_PITCH, &pitch);
    *freq = static_cast<DWORD>(std::lrint(pitch * static_cast<float>(rate)));
  }
  return succeed();
}

BOOL BASS_ChannelSet3DPosition(DWORD handle, const BASS_3DVECTOR* position, const BASS_3DVECTOR*,
                               const BASS_3DVECTOR* velocity) {
  Device& d = audio();
  if (!initialised())
    return fail(BASS_ERROR_INIT, 0);
  auto found = d.channels.find(handle);
  if (found == d.channels.end())
    return fail(BASS_ERROR_HANDLE, 0);
  if (!(found->second.flags & BASS_SAMPLE_3D))
    return fail(BASS_ERROR_NO3D, 0);
  ALfloat v[3];
  if (position && finite(*position)) {
    toAl(*position, v);
    alSourcefv(found->second.source, AL_POSITION, v);
  }
  if (velocity && finite(*velocity)) {
    toAl(*velocity, v);
    alSourcefv(found->second.source, AL_VELOCITY, v);
  }
  return succeed();
}

HSYNC BASS_ChannelSetSync(DWORD handle, DWORD type, QWORD, SYNCPROC* proc, void* user) {
  Device& d = audio();
  if (!initialised())
    return fail(BASS_ERROR_INIT, 0u);
  auto stream = d.streams.find(handle);
  if (stream == d.streams.end())
    return fail(BASS_ERROR_HANDLE, 0u);
  if (type != BASS_SYNC_END || !proc)
    return fail(BASS_ERROR_ILLTYPE, 0u);
  HSYNC sync = d.newHandle();
  stream->second->addEndSync(sync, proc, user);
  lastError = BASS_OK;
  return sync;
}
