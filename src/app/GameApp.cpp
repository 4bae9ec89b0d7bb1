// GameApp construction, the main loop and the logged teardown.
#include "app/GameApp.h"

#include "app/CameraController.h"
#include "platform/Platform.h"
#include "script/ScriptHost.h"
#include "script/functions/ScriptLibrary.h"
#include "world/CollisionManager.h"
#include "world/Simulation.h"

#include <Ogre.h>
#include <Overlay/OgreOverlaySystem.h>

#include <iostream>

GameApp* GameApp::current = nullptr;

namespace {
const char cursorFile[] = "QuibboCursor.ani";
const uint32_t stepMs = 20;
}  // namespace

GameApp::GameApp() {
  current = this;
  versionText = "Version: 0.34";
  startTime = platform::milliseconds();

  scriptHost = std::make_unique<ScriptHost>(&GameApp::log, scriptLibrary());
  scriptHost->openVm(scriptHost->setupVm());
  scriptHost->runFile(scriptHost->setupVm(), setupScript);
  scriptHost->openVm(scriptHost->luaVm());

  configure();
  if (startupFailed) {
    running = false;
    return;
  }
  platform::setWindowCursor(windowHandle, cursorFile);
  log(std::string("AC connected: ") + (platform::acConnected() ? "true" : "false"));

  collisionMgr = std::make_unique<CollisionManager>();
  WorldContext world;
  world.scene = sceneManager;
  world.collision = collisionMgr.get();
  world.runStatement = [this](const std::string& statement) {
    scriptHost->runStatement(scriptHost->luaVm(), statement);
  };
  simulation = std::make_unique<Simulation>(std::move(world));

  setupScene();
}

GameApp::~GameApp() {
  log("~GameApp()");
  log("delete editState");
  log("delete handler");
  log("delete Gui");
  log("delete simulation");
  simulation.reset();
  log("delete sound");
  log("delete collisionMgr");
  collisionMgr.reset();
  log("delete camera");
  camera.reset();
  log("delete ogre");
  if (sceneManager && overlaySystem)
    sceneManager->removeRenderQueueListener(overlaySystem.get());
  overlaySystem.reset();
  ogre.reset();
  scriptHost.reset();
  current = nullptr;
}

void GameApp::log(const std::string& message) {
  std::string line = message;
  if (current && current->simulation)
    line = Ogre::StringConverter::toString(current->simulation->time) + " " + message;
  Ogre::LogManager* logs = Ogre::LogManager::getSingletonPtr();
  if (logs && logs->getDefaultLog())
    logs->getDefaultLog()->logMessage(line, Ogre::LML_NORMAL, false);
  else
    std::cerr << line << std::endl;
}

std::string GameApp::logFileName() {
  return std::string(windowTitle) + ".log";
}

uint32_t GameApp::now() const {
  return platform::milliseconds() - startTime;
}

void GameApp::fastForward(int32_t ms) {
  startTime -= static_cast<uint32_t>(ms);
}

void GameApp::shutDown(bool restart) {
  running = false;
  restartRequested = restart;
}

bool GameApp::run() {
  while (running) {
    platform::sleep(sleepTime);
    platform::WindowEvents events = platform::pumpWindowEvents(windowDisplay, windowHandle);
    if (events.closeRequested)
      running = false;  // the frame still runs to its end
    if (events.resized)
      renderWindow->windowMovedOrResized();

    std::string statement = scriptHost->takePendingStatement();
    if (!statement.empty())
      scriptHost->runStatement(scriptHost->luaVm(), statement);

    runSteps();

    if (!pendingLevel.empty())
      loadLevel(pendingLevel);
    ogre->renderOneFrame();
    if (renderWindow->isClosed())
      running = false;
  }
  return restartRequested;
}

void GameApp::runSteps() {
  // Compared as a signed distance so that a clock moved back by FastForward waits for the
  // simulation instead of wrapping into billions of steps.
  while (static_cast<int32_t>(now() - simulation->time) >= 0) {
    if (!running)
      break;
    simulation->time += stepMs;
    simulation->step();
    camera->update();
    simulation->runCollisionCallbacks();
    simulation->updateHeroProbe();
  }
}
