// GameApp construction, the main loop and the logged teardown.
#include "app/GameApp.h"

#include "core/Errors.h"
#include "core/Log.h"
#include "platform/Platform.h"
#include "script/ScriptHost.h"
#include "world/CameraController.h"
#include "world/CollisionManager.h"
#include "world/Simulation.h"

#include <Ogre.h>
#include <Overlay/OgreOverlaySystem.h>

namespace {
const char cursorFile[] = "QuibboCursor.ani";
}  // namespace

GameApp::GameApp() {
  startTime = platform::milliseconds();
  context.version = "Version: 0.34";
  context.now = [this] { return now(); };
  context.fastForward = [this](int32_t ms) { startTime -= static_cast<uint32_t>(ms); };
  context.shutDown = [this](bool restart) {
    running = false;
    restartRequested = restart;
  };
  context.requestLevel = [this](const std::string& level) { pendingLevel = level; };
  context.showText = [this](const std::string& text) { debugText = text; };
  context.addResourceLocation = [this](const std::string& group, const std::string& location,
                                       const std::string& type) { addResourceLocation(group, location, type); };

  scriptHost = std::make_unique<ScriptHost>(library.registrations());
  context.scripts = scriptHost.get();
  scriptHost->openVm(scriptHost->setupVm());
  scriptHost->runFile(scriptHost->setupVm(), setupScript);
  scriptHost->openVm(scriptHost->luaVm());

  try {
    DisplaySettings settings = readDisplaySettings();
    if (createRoot(settings) && createWindow(settings)) {
      registerResources();
      createSceneManager(settings);
    }
  } catch (...) {
    failStartup("Error! Start-up failed: " + core::describeCurrentException(), "Start-up failed.");
  }
  if (failed) {
    running = false;
    return;
  }
  platform::setWindowCursor(windowHandle, cursorFile);
  core::log(std::string("AC connected: ") + (platform::acConnected() ? "true" : "false"));

  collisionMgr = std::make_unique<CollisionManager>();
  WorldContext world;
  world.scene = sceneManager;
  world.collision = collisionMgr.get();
  world.runStatement = [this](const std::string& statement) {
    scriptHost->runStatement(scriptHost->luaVm(), statement);
  };
  simulation = std::make_unique<Simulation>(std::move(world));
  Simulation* clock = simulation.get();
  core::setLogPrefix([clock] { return Ogre::StringConverter::toString(clock->time); });
  context.collision = collisionMgr.get();
  context.simulation = simulation.get();

  setupScene();
}

GameApp::~GameApp() {
  core::log("~GameApp()");
  core::log("delete editState");
  core::log("delete handler");
  core::log("delete Gui");
  core::log("delete simulation");
  // The prefix hook still reads the simulation while it is destroyed, so its own lines keep
  // their time; from here on lines carry none.
  simulation.reset();
  core::setLogPrefix(nullptr);
  core::log("delete sound");
  core::log("delete collisionMgr");
  collisionMgr.reset();
  core::log("delete camera");
  camera.reset();
  core::log("delete ogre");
  if (sceneManager && overlaySystem)
    sceneManager->removeRenderQueueListener(overlaySystem.get());
  overlaySystem.reset();
  ogre.reset();
  scriptHost.reset();
}

std::string GameApp::logFileName() {
  return std::string(windowTitle) + ".log";
}

uint32_t GameApp::now() const {
  return platform::milliseconds() - startTime;
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
  const std::function<void()> followCamera = [this] { camera->update(); };
  // Compared as a signed distance so that a clock moved back by FastForward waits for the
  // simulation instead of wrapping into billions of steps.
  while (static_cast<int32_t>(now() - simulation->time) >= 0) {
    if (!running)
      break;
    simulation->advance(followCamera);
  }
}
