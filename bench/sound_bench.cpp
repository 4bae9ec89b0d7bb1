// The sound layer against the bare work under it, side by side in one run, on OpenAL Soft's wave
// writer (written to a temporary file, so no sound card is needed):
// - a cached sample's play (and its stop) through CSound against the OpenAL calls the audio layer
//   makes for it;
// - a step of 100 placed voices following moving positions against the bare position calls;
// - the stream's decoding as a multiple of real time: the decode loop the stream thread runs,
//   reached through BASS_SampleLoad, which runs it with the same chunk size; the stream thread
//   itself, by its own CPU time over a whole play to the end; both against a bare sf_readf_short.
// A summary of the ratios follows the table.
#include "core/Log.h"
#include "sound/Sound.h"
#include "sound/audio/Bass.h"

#include <AL/al.h>
#include <AL/alc.h>
#include <benchmark/benchmark.h>
#include <sndfile.h>

#include <stdlib.h>
#include <time.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <condition_variable>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <vector>

namespace {

namespace fs = std::filesystem;

// The audio layer's stream chunk, so the bare decode reads as the stream thread does.
const sf_count_t chunkFrames = 8192;
const double musicSeconds = 30.0;
const int musicRate = 44100;
const int placedVoices = 100;
const int samplesForPlacedVoices = placedVoices / 10;  // ten playbacks of a sample at most
const int backgroundFiles = 5;

fs::path workDir;  // removed at exit; empty when no benchmark ran

// Two detuned tones and a little noise, so the encoder has more than one line to code.
bool writeTone(const fs::path& path, double seconds, int format, int rate, int channels) {
  SF_INFO info{};
  info.samplerate = rate;
  info.channels = channels;
  info.format = format;
  SNDFILE* file = sf_open(path.c_str(), SFM_WRITE, &info);
  if (!file)
    return false;
  const sf_count_t frames = static_cast<sf_count_t>(seconds * rate);
  std::vector<float> block(static_cast<size_t>(chunkFrames * channels));
  uint32_t noise = 12345;
  for (sf_count_t at = 0; at < frames; at += chunkFrames) {
    const sf_count_t count = std::min(chunkFrames, frames - at);
    for (sf_count_t f = 0; f < count; ++f) {
      const double t = static_cast<double>(at + f) / rate;
      for (int c = 0; c < channels; ++c) {
        noise = noise * 1664525u + 1013904223u;
        const double hiss = (static_cast<double>(noise >> 8) / (1 << 24) - 0.5) * 0.02;
        block[static_cast<size_t>(f * channels + c)] = static_cast<float>(
            0.3 * std::sin(2 * M_PI * 220 * t) + 0.2 * std::sin(2 * M_PI * (331 + 2 * c) * t) + hiss);
      }
    }
    sf_writef_float(file, block.data(), count);
  }
  sf_close(file);
  return true;
}

// The files every benchmark plays, and the one CSound over the wave writer.
struct Rig {
  Rig() {
    std::string pattern = (fs::temp_directory_path() / "tq_sound_bench_XXXXXX").string();
    if (!mkdtemp(pattern.data()))
      return;
    workDir = pattern;
    // OpenAL Soft reads its configuration once, at the first device it opens.
    std::ofstream(workDir / "al.conf") << "[general]\ndrivers=wave\n[wave]\nfile=" << (workDir / "out.wav").string()
                                       << "\n";
    setenv("ALSOFT_CONF", (workDir / "al.conf").c_str(), 1);
    const int wav = SF_FORMAT_WAV | SF_FORMAT_PCM_16;
    click = (workDir / "click.wav").string();
    click3d = (workDir / "click3d.wav").string();
    music = (workDir / "music.ogg").string();
    bool written = writeTone(click, 0.5, wav, 22050, 1) && writeTone(click3d, 0.5, wav, 22050, 1) &&
                   writeTone(music, musicSeconds, SF_FORMAT_OGG | SF_FORMAT_VORBIS, musicRate, 2);
    for (int i = 0; i < backgroundFiles; ++i) {
      background.push_back((workDir / ("hum" + std::to_string(i) + ".wav")).string());
      written = written && writeTone(background.back(), 2.0, wav, 22050, 1);
    }
    for (int i = 0; i < samplesForPlacedVoices; ++i) {
      voices.push_back((workDir / ("voice" + std::to_string(i) + ".wav")).string());
      written = written && writeTone(voices.back(), 2.0, wav, 22050, 1);
    }
    if (!written) {
      problem = "could not write the test sounds";
      return;
    }
    core::setLogSink([this](const std::string& line) { lastLine = line; });
    sound = std::make_unique<CSound>([this](const std::string& statement) {
      std::lock_guard<std::mutex> lock(mutex);
      handedOver.push_back(statement);
      handOverArrived.notify_all();
    });
    // The device names itself only "OpenAL Soft"; the writer's file shows which backend opened.
    if (!alcGetCurrentContext() || !fs::exists(workDir / "out.wav"))
      problem = "no wave writer device" + (lastLine.empty() ? std::string() : ": " + lastLine);
    musicBytes = fs::file_size(music);
  }

  std::string click, click3d, music;
  std::vector<std::string> background, voices;
  uintmax_t musicBytes = 0;
  std::string problem;
  std::string lastLine;
  std::unique_ptr<CSound> sound;
  std::mutex mutex;
  std::condition_variable handOverArrived;
  std::vector<std::string> handedOver;
};

Rig& rig() {
  static Rig instance;
  return instance;
}

bool ready(benchmark::State& state) {
  if (!rig().problem.empty()) {
    state.SkipWithError(rig().problem.c_str());
    return false;
  }
  return true;
}

// The buffer BASS_SampleLoad makes of a mono 16-bit file: the same frames, the same format.
ALuint loadBuffer(const std::string& path) {
  SF_INFO info{};
  SNDFILE* file = sf_open(path.c_str(), SFM_READ, &info);
  if (!file)
    return 0;
  std::vector<int16_t> pcm(static_cast<size_t>(info.frames * info.channels));
  sf_readf_short(file, pcm.data(), info.frames);
  sf_close(file);
  ALuint buffer = 0;
  alGenBuffers(1, &buffer);
  alBufferData(buffer, AL_FORMAT_MONO16, pcm.data(), static_cast<ALsizei>(pcm.size() * sizeof(int16_t)),
               info.samplerate);
  return buffer;
}

// What BASS_SampleGetChannel sets on a fresh source.
void setUpSource(ALuint source, ALuint buffer, bool loop, bool is3D) {
  alSourcei(source, AL_BUFFER, static_cast<ALint>(buffer));
  alSourcei(source, AL_LOOPING, loop ? AL_TRUE : AL_FALSE);
  if (is3D) {
    alSourcei(source, AL_SOURCE_RELATIVE, AL_FALSE);
    alSourcef(source, AL_REFERENCE_DISTANCE, 10.0f);
    alSourcef(source, AL_MAX_DISTANCE, 1000.0f);
    alSourcef(source, AL_ROLLOFF_FACTOR, 1.0f);
  } else {
    alSourcei(source, AL_SOURCE_RELATIVE, AL_TRUE);
    alSource3f(source, AL_POSITION, 0.0f, 0.0f, 0.0f);
  }
}

const int clickVolume = 200;

// Looping plain voices already sounding while the clicks play, ten per background file.
std::vector<uint32_t> startBackground(int count) {
  std::vector<uint32_t> channels;
  for (int i = 0; i < count; ++i)
    channels.push_back(rig().sound->playSample(rig().background[static_cast<size_t>(i / 10)], 100, true, false));
  return channels;
}

void PlayCachedSample(benchmark::State& state) {
  if (!ready(state))
    return;
  CSound& sound = *rig().sound;
  const bool is3D = state.range(0) != 0;
  const std::string& path = is3D ? rig().click3d : rig().click;
  sound.stopSound(sound.playSample(path, clickVolume, false, is3D));  // the first play loads and caches it
  std::vector<uint32_t> others = startBackground(static_cast<int>(state.range(1)));
  if (std::count(others.begin(), others.end(), 0u) > 0) {
    state.SkipWithError(("background playSample failed: " + rig().lastLine).c_str());
    sound.stopAllSounds();
    return;
  }
  for (auto _ : state) {
    uint32_t channel = sound.playSample(path, clickVolume, false, is3D);
    if (channel == 0) {
      state.SkipWithError(("playSample failed: " + rig().lastLine).c_str());
      break;
    }
    sound.stopSound(channel);
  }
  sound.stopAllSounds();
}

// The OpenAL calls of one cached play and its stop, in the audio layer's order: the two error
// resets around alGenSources, the source set-up, two state queries (CSound's sweep of ended
// playbacks looks at two voices a play; the layer's own sweep skips looping voices), the play, the
// attributes (gain, pitch 1 for the file's rate, and a plain voice's pan position), then stop and
// delete. The other voices only play: a play's calls do not grow with them.
void BareAlPlayback(benchmark::State& state) {
  if (!ready(state))
    return;
  const bool is3D = state.range(0) != 0;
  ALuint buffer = loadBuffer(is3D ? rig().click3d : rig().click);
  std::vector<ALuint> others(static_cast<size_t>(state.range(1)));
  std::vector<ALuint> otherBuffers;
  for (size_t i = 0; i < others.size(); ++i) {
    if (i % 10 == 0)
      otherBuffers.push_back(loadBuffer(rig().background[i / 10]));
    alGenSources(1, &others[i]);
    setUpSource(others[i], otherBuffers.back(), true, false);
    alSourcePlay(others[i]);
  }
  const float gain = static_cast<float>(clickVolume) / 256.0f;
  for (auto _ : state) {
    ALuint source = 0;
    alGetError();
    alGenSources(1, &source);
    if (alGetError() != AL_NO_ERROR) {
      state.SkipWithError("alGenSources failed");
      break;
    }
    setUpSource(source, buffer, false, is3D);
    for (size_t i = 0; i < std::min<size_t>(2, others.size()); ++i) {
      ALint playing = 0;
      alGetSourcei(others[i], AL_SOURCE_STATE, &playing);
      benchmark::DoNotOptimize(playing);
    }
    alSourcePlay(source);
    alSourcef(source, AL_GAIN, gain);
    alSourcef(source, AL_PITCH, 1.0f);
    if (!is3D)
      alSource3f(source, AL_POSITION, 0.0f, 0.0f, -1.0f);
    alSourceStop(source);
    alDeleteSources(1, &source);
  }
  for (ALuint& other : others) {
    alSourceStop(other);
    alDeleteSources(1, &other);
  }
  alDeleteBuffers(static_cast<ALsizei>(otherBuffers.size()), otherBuffers.data());
  alDeleteBuffers(1, &buffer);
}

// Voice i circles the origin at its own radius and speed; the listener walks along x.
SoundVector voiceAt(int i, double t) {
  const double radius = 5.0 + i, angle = 0.5 * t * (1.0 + i % 7) + i;
  return {static_cast<float>(radius * std::cos(angle)), 1.0f + static_cast<float>(i % 3),
          static_cast<float>(radius * std::sin(angle))};
}

SoundVector listenerAt(double t) {
  return {static_cast<float>(std::fmod(t, 100.0)), 1.7f, 0.0f};
}

const double stepSeconds = 0.02;
const SoundVector listenerFront{0, 0, 1}, listenerTop{0, 1, 0};

void PlaceChannels(benchmark::State& state) {
  if (!ready(state))
    return;
  CSound& sound = *rig().sound;
  std::vector<uint32_t> channels;
  for (int i = 0; i < placedVoices; ++i)
    channels.push_back(sound.playSample(rig().voices[static_cast<size_t>(i / 10)], 100, true, true));
  for (uint32_t channel : channels) {
    if (channel == 0 || BASS_ChannelIsActive(channel) != BASS_ACTIVE_PLAYING) {
      state.SkipWithError(("playSample failed: " + rig().lastLine).c_str());
      sound.stopAllSounds();
      return;
    }
  }
  double t = 0;
  for (auto _ : state) {
    t += stepSeconds;
    sound.placeListener(listenerAt(t), listenerFront, listenerTop);
    for (int i = 0; i < placedVoices; ++i)
      sound.placeChannel(channels[static_cast<size_t>(i)], voiceAt(i, t));
  }
  state.counters["voices"] = placedVoices;
  sound.stopAllSounds();
}

// The same step on bare sources: the listener's position and orientation, then each source's
// position (z flipped to OpenAL's axes, as the layer does).
void BareAlPositions(benchmark::State& state) {
  if (!ready(state))
    return;
  std::vector<ALuint> buffers, sources(placedVoices);
  for (int i = 0; i < placedVoices; ++i) {
    if (i % 10 == 0)
      buffers.push_back(loadBuffer(rig().voices[static_cast<size_t>(i / 10)]));
    alGenSources(1, &sources[static_cast<size_t>(i)]);
    setUpSource(sources[static_cast<size_t>(i)], buffers.back(), true, true);
    alSourcePlay(sources[static_cast<size_t>(i)]);
  }
  const ALfloat orientation[6] = {listenerFront.x, listenerFront.y, -listenerFront.z,
                                  listenerTop.x,   listenerTop.y,   -listenerTop.z};
  double t = 0;
  for (auto _ : state) {
    t += stepSeconds;
    SoundVector l = listenerAt(t);
    const ALfloat at[3] = {l.x, l.y, -l.z};
    alListenerfv(AL_POSITION, at);
    alListenerfv(AL_ORIENTATION, orientation);
    for (int i = 0; i < placedVoices; ++i) {
      SoundVector p = voiceAt(i, t);
      alSource3f(sources[static_cast<size_t>(i)], AL_POSITION, p.x, p.y, -p.z);
    }
  }
  state.counters["voices"] = placedVoices;
  for (ALuint& source : sources) {
    alSourceStop(source);
    alDeleteSources(1, &source);
  }
  alDeleteBuffers(static_cast<ALsizei>(buffers.size()), buffers.data());
}

double threadCpuSeconds() {
  timespec now{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
  return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

// Decode rates are by the decoding thread's CPU time, so the other work on this machine does not
// count against them; the table's time column is wall-clock time.
void setDecodeCounters(benchmark::State& state, double cpuSeconds) {
  const double audio = musicSeconds * static_cast<double>(state.iterations());
  state.counters["x_realtime"] = audio / cpuSeconds;
  state.counters["kbps"] = static_cast<double>(rig().musicBytes) * 8 / 1000 / musicSeconds;
}

void DecodeRawShort(benchmark::State& state) {
  if (!ready(state))
    return;
  std::vector<int16_t> pcm(static_cast<size_t>(chunkFrames * 2));
  double cpu = 0;
  for (auto _ : state) {
    const double start = threadCpuSeconds();
    SF_INFO info{};
    SNDFILE* file = sf_open(rig().music.c_str(), SFM_READ, &info);
    if (!file) {
      state.SkipWithError(sf_strerror(nullptr));
      break;
    }
    sf_count_t frames = 0;
    while (sf_count_t got = sf_readf_short(file, pcm.data(), chunkFrames))
      frames += got;
    sf_close(file);
    cpu += threadCpuSeconds() - start;
    benchmark::DoNotOptimize(frames);
  }
  setDecodeCounters(state, cpu);
}

// BASS_SampleLoad decodes with the stream's own loop: float chunks of the stream's size, mixed to
// 16-bit. It keeps one growing buffer and makes one AL buffer at the end where the stream makes one
// per chunk. The audio layer has no call to free a sample, so each iteration keeps its 5 MB until
// the device closes; the iterations are few.
void DecodeSampleLoadPath(benchmark::State& state) {
  if (!ready(state))
    return;
  double cpu = 0;
  for (auto _ : state) {
    const double start = threadCpuSeconds();
    HSAMPLE sample = BASS_SampleLoad(false, rig().music.c_str(), 0, 0, 1, 0);
    cpu += threadCpuSeconds() - start;
    if (!sample) {
      state.SkipWithError(("BASS_SampleLoad failed: " + std::to_string(BASS_ErrorGetCode())).c_str());
      break;
    }
  }
  setDecodeCounters(state, cpu);
}

std::set<std::string> threadIds() {
  std::set<std::string> ids;
  for (const auto& entry : fs::directory_iterator("/proc/self/task"))
    ids.insert(entry.path().filename().string());
  return ids;
}

// A thread's time on a CPU so far, from the scheduler's own count in nanoseconds.
double threadRunSeconds(const std::string& id) {
  std::ifstream in("/proc/self/task/" + id + "/schedstat");
  double nanoseconds = -1;
  in >> nanoseconds;
  return nanoseconds * 1e-9;
}

// How often a thread gave up its CPU to wait: its wake-ups, for a thread that only sleeps.
double threadWaits(const std::string& id) {
  std::ifstream in("/proc/self/task/" + id + "/status");
  for (std::string line; std::getline(in, line);)
    if (line.compare(0, 24, "voluntary_ctxt_switches:") == 0)
      return std::stod(line.substr(24));
  return -1;
}

double millisecondsSince(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
}

// The whole file through CSound::playStream to the end hand-over. The wave writer plays in real
// time, so the wall time is the music's length; the stream thread's CPU time over it is the
// decode rate, and its queueing and 10 ms polling are in it. The main thread's time in
// playStream and unloadStream is counted apart, and so is a second of the ended stream idling.
void StreamWorker(benchmark::State& state) {
  if (!ready(state))
    return;
  Rig& r = rig();
  double workerCpu = 0, workerWaits = 0, idleCpu = 0, idleWaits = 0, playMs = 0, unloadMs = 0, wallMs = 0;
  for (auto _ : state) {
    {
      std::lock_guard<std::mutex> lock(r.mutex);
      r.handedOver.clear();
    }
    const std::set<std::string> before = threadIds();
    const auto start = std::chrono::steady_clock::now();
    const uint32_t stream = r.sound->playStream(r.music);
    playMs += millisecondsSince(start);
    std::vector<std::string> started;
    for (const std::string& id : threadIds())
      if (!before.count(id))
        started.push_back(id);
    if (stream == 0 || started.size() != 1) {
      state.SkipWithError(stream == 0 ? ("playStream failed: " + r.lastLine).c_str() : "no single stream thread");
      break;
    }
    bool ended = false;
    {
      std::unique_lock<std::mutex> lock(r.mutex);
      ended = r.handOverArrived.wait_for(lock, std::chrono::duration<double>(musicSeconds * 2 + 10),
                                         [&] { return !r.handedOver.empty(); });
    }
    wallMs += millisecondsSince(start);
    const double cpuAtEnd = threadRunSeconds(started.front()), waitsAtEnd = threadWaits(started.front());
    workerCpu += cpuAtEnd;
    workerWaits += waitsAtEnd;
    // The ended stream's thread, left alone for a while: what its polling costs by itself.
    state.PauseTiming();
    std::this_thread::sleep_for(std::chrono::seconds(1));
    state.ResumeTiming();
    idleCpu += threadRunSeconds(started.front()) - cpuAtEnd;
    idleWaits += threadWaits(started.front()) - waitsAtEnd;
    const auto unloadStart = std::chrono::steady_clock::now();
    r.sound->unloadStream();
    unloadMs += millisecondsSince(unloadStart);
    if (!ended) {
      state.SkipWithError("the stream end was never handed over");
      break;
    }
  }
  const double n = static_cast<double>(state.iterations());
  state.counters["x_realtime"] = musicSeconds * n / workerCpu;
  state.counters["worker_cpu_ms"] = workerCpu * 1000 / n;
  state.counters["worker_wakeups"] = workerWaits / n;
  state.counters["idle_wakeups_per_s"] = idleWaits / n;
  state.counters["idle_us_per_wakeup"] = idleWaits > 0 ? idleCpu * 1e6 / idleWaits : 0;
  state.counters["wall_per_audio"] = wallMs / 1000 / (musicSeconds * n);
  state.counters["playStream_ms"] = playMs / n;
  state.counters["unloadStream_ms"] = unloadMs / n;
}

// playStream and unloadStream as a frame sees them, a moment after the start: the main thread's
// time in the two calls, the playing in between untimed.
void StreamStartStop(benchmark::State& state) {
  if (!ready(state))
    return;
  double playMs = 0, unloadMs = 0;
  for (auto _ : state) {
    auto start = std::chrono::steady_clock::now();
    if (rig().sound->playStream(rig().music) == 0) {
      state.SkipWithError(("playStream failed: " + rig().lastLine).c_str());
      break;
    }
    playMs += millisecondsSince(start);
    state.PauseTiming();
    std::this_thread::sleep_for(std::chrono::milliseconds(state.range(0)));
    state.ResumeTiming();
    start = std::chrono::steady_clock::now();
    rig().sound->unloadStream();
    unloadMs += millisecondsSince(start);
  }
  const double n = static_cast<double>(state.iterations());
  state.counters["playStream_ms"] = playMs / n;
  state.counters["unloadStream_ms"] = unloadMs / n;
}

// The console table, then each measurement beside its baseline.
class SummaryReporter : public benchmark::ConsoleReporter {
public:
  SummaryReporter() : ConsoleReporter(OO_None) {}

  void ReportRuns(const std::vector<Run>& runs) override {
    ConsoleReporter::ReportRuns(runs);
    for (const Run& run : runs) {
      if (run.run_type != Run::RT_Iteration || run.error_occurred)
        continue;
      const std::string name = run.benchmark_name();
      if (!results.count(name))
        order.push_back(name);
      Result& result = results[name];
      result.seconds += run.real_accumulated_time / static_cast<double>(run.iterations);
      if (auto x = run.counters.find("x_realtime"); x != run.counters.end())
        result.xRealtime += x->second.value;
      ++result.runs;
    }
  }

  void Finalize() override {
    ConsoleReporter::Finalize();
    std::ostream& out = GetOutputStream();
    out << "\nSide by side (mean of the repetitions):\n";
    for (const std::string& name : order) {
      const Result& result = results[name];
      const std::string base = baselineOf(name);
      auto found = results.find(base);
      if (base.empty() || found == results.end())
        continue;
      const Result& baseline = found->second;
      char line[512];
      if (result.xRealtime > 0) {
        std::snprintf(line, sizeof line, "  %-38s %8.1fx real time   %-38s %8.1fx real time   slower by %.2fx\n",
                      name.c_str(), result.mean(result.xRealtime), base.c_str(), baseline.mean(baseline.xRealtime),
                      baseline.mean(baseline.xRealtime) / result.mean(result.xRealtime));
      } else {
        std::snprintf(line, sizeof line, "  %-38s %10.3f us   %-38s %10.3f us   ratio %.2fx\n", name.c_str(),
                      result.mean(result.seconds) * 1e6, base.c_str(), baseline.mean(baseline.seconds) * 1e6,
                      result.mean(result.seconds) / baseline.mean(baseline.seconds));
      }
      out << line;
    }
  }

private:
  struct Result {
    double seconds = 0;
    double xRealtime = 0;
    int runs = 0;
    double mean(double sum) const { return sum / runs; }
  };

  static std::string baselineOf(const std::string& name) {
    static const std::pair<std::string, std::string> pairs[] = {
        {"PlayCachedSample", "BareAlPlayback"},
        {"PlaceChannels", "BareAlPositions"},
        {"DecodeSampleLoadPath", "DecodeRawShort"},
        {"StreamWorker", "DecodeRawShort"},
    };
    for (const auto& [measured, baseline] : pairs) {
      if (name.compare(0, measured.size(), measured) == 0) {
        std::string rest = name.substr(measured.size());
        return measured == "StreamWorker" || measured == "DecodeSampleLoadPath" ? baseline + "/real_time"
                                                                                : baseline + rest;
      }
    }
    return "";
  }

  std::map<std::string, Result> results;
  std::vector<std::string> order;
};

}  // namespace

BENCHMARK(PlayCachedSample)->ArgNames({"is3d", "others"})->ArgsProduct({{0, 1}, {0, 50}});
BENCHMARK(BareAlPlayback)->ArgNames({"is3d", "others"})->ArgsProduct({{0, 1}, {0, 50}});
BENCHMARK(PlaceChannels)->Unit(benchmark::kMicrosecond);
BENCHMARK(BareAlPositions)->Unit(benchmark::kMicrosecond);
BENCHMARK(DecodeRawShort)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(DecodeSampleLoadPath)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(6);
BENCHMARK(StreamWorker)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);
BENCHMARK(StreamStartStop)->ArgName("after_ms")->Arg(50)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(20);

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv))
    return 1;
  {
    SummaryReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
  }
  benchmark::Shutdown();
  if (!workDir.empty()) {
    rig().sound.reset();
    core::setLogSink(nullptr);
    fs::remove_all(workDir);
  }
  return 0;
}
