// The fixed scene and level loading. A load wipes everything the previous level made and runs
// the new level file in a fresh "lua" VM; it only ever happens at the end of a frame, so the
// VM is never closed under a running script.
#include "app/GameApp.h"

#include "core/Log.h"
#include "gui/GameGui.h"
#include "platform/Platform.h"
#include "script/ScriptHost.h"
#include "sound/Sound.h"
#include "world/CameraController.h"
#include "world/CollisionManager.h"
#include "world/LevelScene.h"
#include "world/Simulation.h"

#include <Ogre.h>

void GameApp::setupScene() {
  std::string startLevel = scriptHost->getString(scriptHost->setupVm(), "setup", "startlevel");

  Ogre::SceneNode* sceneRoot = sceneManager->getRootSceneNode();
  Ogre::Light* sun = sceneManager->createLight("sun");
  sun->setType(Ogre::Light::LT_DIRECTIONAL);
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
  sun->setDirection(Ogre::Vector3(0.5f, -0.7f, -0.41f).normalisedCopy());
#pragma GCC diagnostic pop
  sun->setDiffuseColour(0.9f, 0.9f, 0.7f);

  sceneRoot->createChildSceneNode("LevelRoot", Ogre::Vector3::ZERO, Ogre::Quaternion::IDENTITY);
  Ogre::SceneNode* hidden = sceneRoot->createChildSceneNode("_Hidden", Ogre::Vector3::ZERO, Ogre::Quaternion::IDENTITY);
  hidden->translate(0, 50000, 50000, Ogre::Node::TS_PARENT);
  sceneRoot->removeChild("_Hidden");

  sceneManager->setShadowUseInfiniteFarPlane(true);

  camera = std::make_unique<CameraController>(*sceneManager, [this] { return now(); });
  context.camera = camera.get();
  camera->node().setPosition(-100, 20, 70);
  Ogre::Camera& view = camera->camera();
  view.setNearClipDistance(0.5f);
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
  view.lookAt(Ogre::Vector3(0, -50, 0));
#pragma GCC diagnostic pop

  Ogre::Viewport* viewport = renderWindow->addViewport(&view, 0, 0, 0, 1, 1);
  viewport->setBackgroundColour(Ogre::ColourValue(0, 0, 0, 1));
  view.setAspectRatio(static_cast<Ogre::Real>(viewport->getActualWidth()) /
                      static_cast<Ogre::Real>(viewport->getActualHeight()));

  // The load attaches the camera to the level's nodes, so nothing more is needed here; a second
  // attach would only log each missing node twice.
  loadLevel(startLevel);
}

void GameApp::loadLevel(const std::string& name) {
  std::string resourceDir = scriptHost->getString(scriptHost->setupVm(), "setup", "resourcedir");
  std::string level = name.empty() ? currentLevel : name;
  // Taken now rather than after the script ran, so a level that asks for the next level while
  // it loads gets that load at the end of the next frame instead of losing it.
  pendingLevel.clear();
  startTime = platform::milliseconds();
  core::log("LoadLevel(" + level + ") start at: " + Ogre::StringConverter::toString(now()));

  Ogre::Viewport* viewport = renderWindow->getViewport(0);
  Ogre::CompositorManager& compositors = Ogre::CompositorManager::getSingleton();
  if (compositors.hasCompositorChain(viewport))
    compositors.getCompositorChain(viewport)->removeAllCompositors();

  if (camera)
    camera->release();
  simulation->clear();
  collisionMgr->clear();
  if (sound) {
    sound->stopAllSounds();
    sound->unloadStream();
  }
  destroyLevelScene(*sceneManager);

  ScriptVm& lua = scriptHost->luaVm();
  scriptHost->closeVm(lua);
  // Meant for the level just closed, such as the old stream's end: the new level never asked.
  scriptHost->takePendingStatement();
  if (Gui)
    Gui->resetNavis();
  scriptHost->openVm(lua);
  scriptHost->runFile(lua, resourceDir + level);

  simulation->step();
  if (camera)
    camera->attachToLevel();
  currentLevel = level;
  states.leaveTop();
  core::log("LoadLevel(" + level + ") end at: " + Ogre::StringConverter::toString(now()));
}
