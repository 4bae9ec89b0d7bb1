// GameApp construction, the main loop and the logged teardown.
#include "app/GameApp.h"

#include "app/Fader.h"
#include "app/ResourceGroups.h"
#include "core/Convert.h"
#include "core/Errors.h"
#include "core/Log.h"
#include "gui/Background.h"
#include "gui/GameGui.h"
#include "gui/OverlayMgr.h"
#include "gui/Text.h"
#include "input/InputHandler.h"
#include "input/MouseRouter.h"
#include "input/WebPanelInput.h"
#include "platform/Platform.h"
#include "script/ScriptHost.h"
#include "sound/Sound.h"
#include "states/EditState.h"
#include "states/PlayState.h"
#include "world/CameraController.h"
#include "world/CollisionManager.h"
#include "world/Simulation.h"
#include "world/WorldTransform.h"

#include <Ogre.h>
#include <Overlay/OgreOverlaySystem.h>

#include <algorithm>

namespace {
// By the name the Windows build gave it; an Xcursor file here (tools/make_cursor.py).
const char cursorFile[] = "QuibboCursor.ani";
// The clock may lead or trail the simulation by at most this much: further, the signed step
// test below would wrap, and a catch-up that long would never end anyway.
const int64_t maxClockLeadMs = 3600 * 1000;
// A frame stops stepping after this long and renders, so that a long catch-up (a big
// FastForward, slow steps) keeps the window alive; the remaining steps run in the next frames.
const uint32_t maxSteppingMsPerFrame = 1000;
}  // namespace

GameApp::GameApp() {
  startTime = platform::milliseconds();
  context.version = "Version: 0.34";
  context.now = [this] { return now(); };
  context.fastForward = [this](int32_t ms) { fastForward(ms); };
  context.shutDown = [this](bool restart) {
    running = false;
    restartRequested = restart;
  };
  context.requestLevel = [this](const std::string& level) { pendingLevel = level; };
  context.showText = [this](const std::string& text) { showText(text); };
  context.addResourceLocation = [this](const std::string& group, const std::string& location,
                                       const std::string& type) {
    addResourceLocation(group, location, type);
    resourceGroups->initialise(group);
  };

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
  fader = std::make_unique<Fader>();
  context.startFade = [this](bool fadeIn, double duration) { fader->start(fadeIn, duration); };
  background = std::make_unique<Background>(*sceneManager);
  context.background = background.get();
  core::log(std::string("AC connected: ") + (platform::acConnected() ? "true" : "false"));

  collisionMgr = std::make_unique<CollisionManager>();
  WorldContext world;
  world.scene = sceneManager;
  world.collision = collisionMgr.get();
  world.runStatement = [this](const std::string& statement) { runScript(statement); };
  world.play3DSound = [this](const std::string& file, int volume, bool loop) {
    return sound ? sound->playSample(context.musicDir + file, volume, loop, true) : 0u;
  };
  world.stopSound = [this](uint32_t channel) {
    if (sound)
      sound->stopSound(channel);
  };
  world.placeSound = [this](uint32_t channel, const Ogre::Vector3& at) {
    if (sound)
      sound->placeChannel(channel, {at.x, at.y, at.z});
  };
  simulation = std::make_unique<Simulation>(std::move(world), std::make_unique<OverlayMgr>());
  scriptHost->setErrorDisplay([this](const std::string& message) { showScriptError(message); });
  Simulation* clock = simulation.get();
  core::setLogPrefix([clock] { return Ogre::StringConverter::toString(clock->time); });
  context.collision = collisionMgr.get();
  context.simulation = simulation.get();

  createSound();
  setupScene();

  Gui = std::make_unique<GameGui>(
      renderWindow->getViewport(0),
      [this](const std::string& statement) { runScript(statement); });
  context.gui = Gui.get();
  createInput();
  // After the mouse device, which clears the window's cursor when it leaves the pointer shown.
  const std::string noCursor = platform::setWindowCursor(windowDisplay, windowHandle, cursorFile);
  if (!noCursor.empty())
    core::log(std::string("The cursor ") + cursorFile + " cannot show (" + noCursor + "); the default cursor stays");
  initStates();
  budget.census = [this] {
    return "actors " + std::to_string(simulation->actors().size()) + ", panels " +
           std::to_string(simulation->overlays()->panelCount()) + " (destroyed " +
           std::to_string(simulation->overlays()->destroyedCount()) + "), web panels " +
           std::to_string(Gui->panelCount()) + ", voices " +
           std::to_string(sound ? sound->voices() : 0) + ", lua " +
           std::to_string(scriptHost->luaVm().memoryKb()) + " KB";
  };
}

void GameApp::createSound() {
  ScriptVm& setup = scriptHost->setupVm();
  if (scriptHost->getFloat(setup, "setup", "music") == 0.0f)
    return;
  // The stream's end arrives on its decoding thread: only the hand-over is safe there.
  sound = std::make_unique<CSound>([this](const std::string& statement) { scriptHost->setPendingStatement(statement); });
  sound->soundVolume = convert::toInt32(scriptHost->getFloat(setup, "setup", "soundvolume") * 51.0);
  sound->musicVolume = convert::toInt32(scriptHost->getFloat(setup, "setup", "musicvolume") * 51.0);
  context.sound = sound.get();
}

void GameApp::runScript(const std::string& statement) {
  budget.luaBegin();
  scriptHost->runStatement(scriptHost->luaVm(), statement);
  budget.luaEnd();
}

void GameApp::showScriptError(const std::string& message) {
  // Called from inside Lua: nothing may throw out of here. The panel shows the start of a long
  // message; the log has all of it.
  try {
    if (!lastErrorPanel.empty())
      simulation->overlays()->freePanel(lastErrorPanel);
    lastErrorPanel = simulation->createPanel("Scripting error\n" + gui::validUtf8(message, 2000), 20, 10);
  } catch (...) {
    core::log("Error! The script error cannot show on screen: " + core::describeCurrentException());
  }
}

void GameApp::updateListener() {
  // The camera's own orientation, which auto-tracking turns toward look_at_node; its node never
  // turns, so the node's axes would leave the sounds' sides fixed whatever the player looks at.
  const Ogre::Vector3 at = worldPosition(camera->node());
  const Ogre::Quaternion view = camera->camera().getRealOrientation();
  const Ogre::Vector3 back = view.zAxis().normalisedCopy();
  const Ogre::Vector3 up = view.yAxis().normalisedCopy();
  sound->placeListener({at.x, at.y, at.z}, {back.x, back.y, back.z}, {up.x, up.y, up.z});
}

GameApp::~GameApp() {
  // Each subsystem leaves the scripts' context as it goes. No script runs during teardown but
  // the finalisers of the VMs closed last, and the library does nothing for those.
  core::log("~GameApp()");
  core::log("delete editState");
  context.leaveEditMode = nullptr;
  editState.reset();
  core::log("delete handler");
  handler.reset();
  context.mousePosition = nullptr;
  mouse.reset();
  webPanels.reset();  // it points into the web panels, deleted next
  core::log("delete Gui");
  context.gui = nullptr;
  Gui.reset();
  core::log("delete simulation");
  if (scriptHost)
    scriptHost->setErrorDisplay(nullptr);
  context.simulation = nullptr;
  // The prefix hook still reads the simulation while it is destroyed, so its own lines keep
  // their time; from here on lines carry none.
  simulation.reset();
  core::setLogPrefix(nullptr);
  core::log("delete sound");
  context.sound = nullptr;
  sound.reset();
  core::log("delete collisionMgr");
  context.collision = nullptr;
  collisionMgr.reset();
  core::log("delete camera");
  context.camera = nullptr;
  camera.reset();
  core::log("delete ogre");
  context.background = nullptr;
  background.reset();
  context.startFade = nullptr;
  fader.reset();
  context.scene = nullptr;
  context.window = nullptr;
  context.addResourceLocation = nullptr;
  if (sceneManager && overlaySystem)
    sceneManager->removeRenderQueueListener(overlaySystem.get());
  overlaySystem.reset();
  resourceGroups.reset();
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
    budget.mark(FrameBudget::sleep);
    if (Gui)
      Gui->update();
    budget.mark(FrameBudget::web);
    // The listeners run inside: a key's statement runs in the frame that saw the key.
    if (handler)
      handler->capture();
    platform::WindowEvents events = platform::pumpWindowEvents(windowDisplay, windowHandle);
    if (events.closeRequested)
      running = false;  // the frame still runs to its end
    if (events.resized)
      renderWindow->windowMovedOrResized();
    budget.mark(FrameBudget::input);

    std::string statement = scriptHost->takePendingStatement();
    if (!statement.empty())
      runScript(statement);
    budget.mark(FrameBudget::statement);

    runSteps();
    if (sound)
      updateListener();
    budget.mark(FrameBudget::sound);
    updateStatistics();
    budget.mark(FrameBudget::statistics);

    if (!pendingLevel.empty())
      loadLevel(pendingLevel);
    budget.mark(FrameBudget::load);
    ogre->renderOneFrame();
    budget.mark(FrameBudget::render);
    fader->update(0.05);
    if (renderWindow->isClosed())
      running = false;
    budget.mark(FrameBudget::fader);
    budget.endFrame();
  }
  return restartRequested;
}

void GameApp::fastForward(int32_t ms) {
  // Before the world exists (setup.lua) there is no simulation to keep the clock near.
  const int64_t lead = simulation ? static_cast<int32_t>(now() - simulation->time) : 0;
  int64_t target = lead + ms;
  if (target > maxClockLeadMs || target < -maxClockLeadMs) {
    core::log("FastForward: the clock may lead or trail the simulation by " +
              Ogre::StringConverter::toString(static_cast<long>(maxClockLeadMs)) + " ms at most");
    target = std::clamp(target, -maxClockLeadMs, maxClockLeadMs);
  }
  startTime -= static_cast<uint32_t>(target - lead);
}

void GameApp::runSteps() {
  const std::function<void()> followCamera = [this] {
    budget.mark(FrameBudget::actors);
    camera->update();
    budget.mark(FrameBudget::camera);
  };
  const uint32_t began = platform::milliseconds();
  // Compared as a signed distance so that a clock moved back by FastForward waits for the
  // simulation instead of wrapping into billions of steps.
  while (static_cast<int32_t>(now() - simulation->time) >= 0 &&
         platform::milliseconds() - began < maxSteppingMsPerFrame) {
    if (!states.step()) {
      running = false;  // no state left: the application ends
      break;
    }
    budget.mark(FrameBudget::state);
    if (!running)
      break;
    simulation->advance(followCamera);
    budget.mark(FrameBudget::collisions);
    budget.step();
  }
}
