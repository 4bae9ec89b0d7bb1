// The fixed scene and level loading.
#include "app/LevelLoader.h"

#include "app/GameClock.h"
#include "core/Log.h"
#include "gui/GameGui.h"
#include "gui/OverlayMgr.h"
#include "render/Renderer.h"
#include "script/ScriptHost.h"
#include "sound/Sound.h"
#include "states/StateStack.h"
#include "world/CameraController.h"
#include "world/CollisionManager.h"
#include "world/LevelScene.h"
#include "world/Simulation.h"

#include <Ogre.h>

void LevelLoader::buildFixedScene() {
  Ogre::SceneManager& scene = parts.renderer.scene();
  Ogre::SceneNode* sceneRoot = scene.getRootSceneNode();
  Ogre::Light* sun = scene.createLight("sun");
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

  scene.setShadowUseInfiniteFarPlane(true);

  parts.camera.node().setPosition(-100, 20, 70);
  Ogre::Camera& view = parts.camera.camera();
  view.setNearClipDistance(0.5f);
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
  view.lookAt(Ogre::Vector3(0, -50, 0));
#pragma GCC diagnostic pop
  Ogre::Viewport* viewport = parts.renderer.window().addViewport(&view, 0, 0, 0, 1, 1);
  viewport->setBackgroundColour(Ogre::ColourValue(0, 0, 0, 1));
  view.setAspectRatio(static_cast<Ogre::Real>(viewport->getActualWidth()) /
                      static_cast<Ogre::Real>(viewport->getActualHeight()));
}

void LevelLoader::loadPending(GameGui* webPanels) {
  if (!pendingLevel.empty())
    load(pendingLevel, webPanels);
}

void LevelLoader::clearWorld() {
  core::log("Remove overlays");
  parts.overlays.clear();
  parts.simulation.clear();
}

void LevelLoader::load(const std::string& name, GameGui* webPanels) {
  ScriptHost& scripts = parts.scripts;
  std::string resourceDir = scripts.getString(scripts.setupVm(), "setup", "resourcedir");
  std::string level = name.empty() ? currentLevel : name;
  // Taken now rather than after the script ran, so a level that asks for the next level while
  // it loads gets that load at the end of the next frame instead of losing it.
  pendingLevel.clear();
  parts.clock.restart();
  core::log("LoadLevel(" + level + ") start at: " + Ogre::StringConverter::toString(parts.clock.now()));

  parts.renderer.setCompositor("");
  parts.camera.release();
  clearWorld();
  parts.collision.clear();
  if (parts.sound) {
    parts.sound->stopAllSounds();
    parts.sound->unloadStream();
  }
  destroyLevelScene(parts.renderer.scene());

  ScriptVm& lua = scripts.luaVm();
  scripts.closeVm(lua);
  // Meant for the level just closed, such as the old stream's end: the new level never asked.
  scripts.takePendingStatement();
  if (webPanels)
    webPanels->resetNavis();
  scripts.openVm(lua);
  scripts.runFile(lua, resourceDir + level);

  parts.simulation.step();
  parts.camera.attachToLevel();
  currentLevel = level;
  parts.states.leaveTop();
  core::log("LoadLevel(" + level + ") end at: " + Ogre::StringConverter::toString(parts.clock.now()));
}
