// The engine tier's one HeadlessOgre, made once for the whole engine_tests binary.
#include "EngineFixture.h"
#include "HeadlessOgre.h"

#include <Ogre.h>

namespace {

struct Capture : Ogre::LogListener {
  void messageLogged(const Ogre::String& line, Ogre::LogMessageLevel, bool, const Ogre::String&, bool&) override {
    lines.push_back(line);
  }
  std::vector<std::string> lines;
} capture;

struct EngineEnvironment : ::testing::Environment {
  void SetUp() override { ogre = std::make_unique<HeadlessOgre>("engine_tests.log", &capture); }
  void TearDown() override { ogre.reset(); }
  std::unique_ptr<HeadlessOgre> ogre;
};

::testing::Environment* const environment = ::testing::AddGlobalTestEnvironment(new EngineEnvironment);

}  // namespace

std::vector<std::string>& engineLog() { return capture.lines; }
