// CSound on OpenAL Soft's wave writer (a device any machine has): the sample cache and its flags,
// Ogg and many channels, voices given back. Volumes, streams and refused files are the e2e tier's.
#include "TestFiles.h"
#include "core/Log.h"
#include "sound/Sound.h"
#include "sound/audio/Bass.h"

#include <gtest/gtest.h>
#include <sndfile.h>

#include <chrono>
#include <cmath>
#include <thread>
#include <vector>

namespace {

class SoundTest : public ::testing::Test {
protected:
  // OpenAL Soft reads its configuration once a process, so the device's file outlives each test.
  static void SetUpTestSuite() {
    device = makeTempDir("tq_sound_device");
    std::ofstream(device / "al.conf") << "[general]\ndrivers=wave\n[wave]\nfile=" << (device / "out.wav").c_str();
    setenv("ALSOFT_CONF", (device / "al.conf").c_str(), 1);
  }
  static void TearDownTestSuite() { std::filesystem::remove_all(device); }

  void SetUp() override {
    core::setLogSink([](const std::string&) {});  // a play with every voice busy logs a line
    sound = std::make_unique<CSound>([](const std::string&) {});
  }
  void TearDown() override {
    sound.reset();
    core::setLogSink(nullptr);
    std::filesystem::remove_all(dir);
  }

  // A sine tone of the given length, format and channel count; returns its path.
  std::string tone(const std::string& name, double seconds, int format = SF_FORMAT_WAV | SF_FORMAT_PCM_16,
                   int rate = 22050, int channels = 1) {
    std::string path = (dir / name).string();
    SF_INFO info{0, rate, channels, format, 0, 0};
    SNDFILE* file = sf_open(path.c_str(), SFM_WRITE, &info);
    EXPECT_NE(file, nullptr) << sf_strerror(nullptr);
    std::vector<float> frames(static_cast<size_t>(seconds * rate) * channels);
    for (size_t i = 0; i < frames.size(); ++i)
      frames[i] = 0.5f * static_cast<float>(std::sin(2 * M_PI * 440 * static_cast<double>(i / channels) / rate));
    sf_writef_float(file, frames.data(), static_cast<sf_count_t>(frames.size() / channels));
    sf_close(file);
    return path;
  }

  static inline std::filesystem::path device;
  std::filesystem::path dir = makeTempDir("tq_sound");
  std::unique_ptr<CSound> sound;
};

TEST_F(SoundTest, TheFirstLoadFixesTheFlagsAndTheFileIsReadOnce) {
  std::string path = tone("loop.wav", 0.5);
  uint32_t looped = sound->playSample(path, 100, true, false);
  std::filesystem::remove(path);
  uint32_t again = sound->playSample(path, 100, false, true);
  ASSERT_NE(again, 0u) << "the second play must come from the cache";
  EXPECT_NE(again, looped);
  EXPECT_TRUE(BASS_ChannelGetFlags(again) & BASS_SAMPLE_LOOP);
  EXPECT_FALSE(BASS_ChannelGetFlags(again) & BASS_SAMPLE_3D);
}

// Decoding is libsndfile's; ours are Ogg's length check and folding any channel count to what a
// voice takes: stereo, or mono for a 3-D one.
TEST_F(SoundTest, OggAndSixChannelFilesPlay) {
  EXPECT_NE(sound->playSample(tone("tone.ogg", 0.2, SF_FORMAT_OGG | SF_FORMAT_VORBIS), 100, false, true), 0u);
  for (bool is3D : {false, true}) {
    std::string six = tone(is3D ? "six3d.wav" : "six.wav", 0.2, SF_FORMAT_WAV | SF_FORMAT_PCM_16, 96000, 6);
    EXPECT_NE(sound->playSample(six, 100, false, is3D), 0u) << is3D;
  }
}

TEST_F(SoundTest, FinishedEffectsGiveTheirVoicesBack) {
  // Far more short effects than the device has voices (256), as a long game plays them.
  std::vector<std::string> blips;
  for (int i = 0; i < 4; ++i)
    blips.push_back(tone("blip" + std::to_string(i) + ".wav", 0.002));
  int played = 0;
  for (int attempt = 0; attempt < 20000 && played < 1000; ++attempt) {
    if (sound->playSample(blips[played % 4], 100, false, false) != 0)
      ++played;
    else
      std::this_thread::sleep_for(std::chrono::milliseconds(2));  // all ten playbacks of it still sound
  }
  EXPECT_EQ(played, 1000);
}

}  // namespace
