// The engine tier's one HeadlessOgre, made once for the whole engine_tests binary.
#include "EngineFixture.h"
#include "HeadlessOgre.h"
#include "core/Log.h"

namespace {

std::vector<std::string> lines;

struct EngineEnvironment : ::testing::Environment {
  void SetUp() override {
    ogre = std::make_unique<HeadlessOgre>("engine_tests.log");
    core::setLogSink([](const std::string& line) { lines.push_back(line); });  // instead of Ogre's log
  }
  void TearDown() override { ogre.reset(); }
  std::unique_ptr<HeadlessOgre> ogre;
};

::testing::Environment* const environment = ::testing::AddGlobalTestEnvironment(new EngineEnvironment);

}  // namespace

std::vector<std::string>& engineLog() { return lines; }
