// The process-wide Ogre root of the engine tier, made once for the whole engine_tests binary.
#include "EngineFixture.h"

#include <Ogre.h>
#include <OgreDefaultHardwareBufferManager.h>
#include <OgreScriptCompiler.h>
#include <ode/ode.h>

#include <fstream>
#include <memory>

namespace {

LogCapture capture;

class EngineEnvironment : public ::testing::Environment {
public:
  void SetUp() override {
    logs = std::make_unique<Ogre::LogManager>();
    logs->createLog("engine_tests.log", true, false, true)->addListener(&capture);
    root = std::make_unique<Ogre::Root>("", "", "");
    buffers = std::make_unique<Ogre::DefaultHardwareBufferManager>();
    controllers = std::make_unique<Ogre::ControllerManager>();  // particle systems need it
    root->loadPlugin(std::string(OGRE_PLUGIN_DIR) + "/Plugin_ParticleFX.so");
    Ogre::MaterialManager::getSingleton().initialise();
    Ogre::ParticleSystemManager::getSingleton()._initialise();  // Root::initialise does it with a window
    // As in the game: groups in the global pool, so a mesh finds its materials in another group.
    Ogre::ResourceGroupManager& groups = Ogre::ResourceGroupManager::getSingleton();
    groups.createResourceGroup("Materials", true);
    groups.createResourceGroup("LevelData", true);
    groups.addResourceLocation(GAME_RESOURCE_DIR "/Meshes", "FileSystem", "LevelData");
    groups.initialiseAllResourceGroups();
    // Only the world's scripts: the effects need GPU programs, which need a render system.
    for (const char* script : {"World.material", "World.particle"}) {
      std::string path = std::string(GAME_RESOURCE_DIR "/Materials/") + script;
      auto file = std::make_shared<std::ifstream>(path, std::ios::binary);
      Ogre::DataStreamPtr stream = std::make_shared<Ogre::FileStreamDataStream>(script, file.get(), false);
      Ogre::ScriptCompilerManager::getSingleton().parseScript(stream, "Materials");
    }
    dInitODE2(0);
  }

  void TearDown() override {
    dCloseODE();
    root.reset();
    controllers.reset();
    buffers.reset();
    logs.reset();
  }

private:
  std::unique_ptr<Ogre::LogManager> logs;
  std::unique_ptr<Ogre::Root> root;
  std::unique_ptr<Ogre::DefaultHardwareBufferManager> buffers;
  std::unique_ptr<Ogre::ControllerManager> controllers;
};

::testing::Environment* const environment = ::testing::AddGlobalTestEnvironment(new EngineEnvironment);

}  // namespace

LogCapture& engineLog() {
  return capture;
}

void EngineTest::SetUp() {
  scene = Ogre::Root::getSingleton().createSceneManager();
  capture.lines.clear();
}

void EngineTest::TearDown() {
  Ogre::Root::getSingleton().destroySceneManager(scene);
}
