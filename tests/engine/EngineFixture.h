// The engine tier's shared set-up. One Ogre root per process (EngineEnvironment.cpp registers it
// with gtest): no render system, buffers in system memory, ParticleFX loaded, the built game
// resources ("LevelData" holds the meshes), ODE initialised. Each test gets a fresh scene
// manager and the log lines written during it.
#pragma once

#include <OgreLog.h>
#include <OgreSceneManager.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

// Every line of Ogre's default log, the engine's own lines included.
class LogCapture : public Ogre::LogListener {
public:
  void messageLogged(const Ogre::String& message, Ogre::LogMessageLevel, bool, const Ogre::String&,
                     bool&) override {
    lines.push_back(message);
  }

  std::vector<std::string> lines;
};

LogCapture& engineLog();

class EngineTest : public ::testing::Test {
protected:
  void SetUp() override;
  void TearDown() override;

  // How many log lines since the test began are exactly this text.
  long logCount(const std::string& line) const {
    return std::count(engineLog().lines.begin(), engineLog().lines.end(), line);
  }
  // How many log lines since the test began start with this text.
  long logCountStarting(const std::string& prefix) const {
    return std::count_if(engineLog().lines.begin(), engineLog().lines.end(),
                         [&](const std::string& l) { return l.compare(0, prefix.size(), prefix) == 0; });
  }

  Ogre::SceneManager* scene = nullptr;
};
