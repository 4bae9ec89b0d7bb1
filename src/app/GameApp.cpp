// GameApp construction, the main loop and the logged teardown.
#include "app/GameApp.h"

#include "app/LevelLoader.h"
#include "app/ReloadOnSave.h"
#include "core/Convert.h"
#include "core/Errors.h"
#include "core/Log.h"
#include "gui/Background.h"
#include "gui/Fader.h"
#include "gui/GameGui.h"
#include "gui/navi/BrowserSession.h"
#include "gui/OverlayMgr.h"
#include "gui/Statistics.h"
#include "gui/Text.h"
#include "input/InputHandler.h"
#include "input/MouseRouter.h"
#include "platform/Platform.h"
#include "render/Renderer.h"
#include "script/ScriptHost.h"
#include "sound/Sound.h"
#include "states/EditState.h"
#include "states/PlayState.h"
#include "world/CameraController.h"
#include "world/CollisionManager.h"
#include "world/Simulation.h"
#include "world/WorldTransform.h"

#include <Ogre.h>

#include <algorithm>

namespace {
// By the name the Windows build gave it; an Xcursor file here (tools/make_cursor.py).
const char cursorFile[] = "QuibboCursor.ani";
const char clickSound[] = "Tarnel_Quibbo_Sound02_Click01.wav";
// A frame stops stepping after this long and renders, so that a long catch-up (a big
// FastForward, slow steps) keeps the window alive; the remaining steps run in the next frames.
const uint32_t maxSteppingMsPerFrame = 1000;
}  // namespace

void LuaStatements::run(const std::string& statement) {
  budget.luaBegin();
  host.runStatement(host.luaVm(), statement);
  budget.luaEnd();
}

GameApp::GameApp() : browser(std::make_unique<NaviLibrary::BrowserSession>()) {
  ScriptVm& setup = scriptHost.setupVm();
  scriptHost.openVm(setup);
  scriptHost.runFile(setup, setupScript);
  scriptHost.openVm(scriptHost.luaVm());

  auto number = [&](const char* key) { return scriptHost.getFloat(setup, "setup", key); };
  DisplaySettings display;
  // A negative sleep would be an endless one.
  sleepTime = static_cast<uint32_t>(std::max(0, convert::toInt32(number("sleeptime"))));
  display.width = convert::toUInt32(number("window_width"));
  display.height = convert::toUInt32(number("window_height"));
  display.fullscreen = number("fullscreen") != 0.0f;
  display.renderSystem = scriptHost.getString(setup, "setup", "rendersystem");
  display.shadows = number("shadows") != 0.0f;
  context.musicDir = scriptHost.getString(setup, "setup", "musicdir");
  display.shadowDistance = number("shadowdistance");
  display.fsaa = number("fsaa") != 0.0f;
  if (display.width == 0) {
    platform::ScreenSize desktop = platform::desktopSize();
    display = DisplaySettings{desktop.width, desktop.height, true, display.renderSystem, display.shadows,
                              display.shadowDistance, display.fsaa};
  }
  renderer = Renderer::start(display, setupScript);
  if (!renderer) {
    running = false;
    return;
  }
  fader = std::make_unique<Fader>();
  background = std::make_unique<Background>(renderer->scene());
  core::log(std::string("AC connected: ") + (platform::acConnected() ? "true" : "false"));

  collisionMgr = std::make_unique<CollisionManager>();
  simulation = std::make_unique<Simulation>(WorldContext{renderer->scene(), *collisionMgr, statements, &voices});
  overlays = std::make_unique<OverlayMgr>();
  scriptHost.setErrorDisplay([this](const std::string& message) { showScriptError(message); });
  Simulation* world = simulation.get();
  core::setLogPrefix([world] { return Ogre::StringConverter::toString(world->time); });

  createSound();
  createScene();
  Gui = std::make_unique<GameGui>(renderer->window().getViewport(0), statements, std::move(browser));
  if (number("reload") != 0.0f)
    reloads = std::make_unique<ReloadOnSave>(scriptHost, *levels, *Gui);
  createInput();

  StateContext shared{*camera, renderer->scene(), statements, statistics, handler ? handler->keyboard() : nullptr};
  editState = std::make_unique<EditState>(shared);
  playState = std::make_unique<PlayState>(shared);
  states.push(*playState);
  context.gui = Gui.get();
  context.mouse = mouse.get();
  budget.census = [this] {
    return "actors " + std::to_string(simulation->actors().size()) + ", panels " +
           std::to_string(overlays->panelCount()) + " (destroyed " + std::to_string(overlays->destroyedCount()) +
           "), web panels " + std::to_string(Gui->panelCount()) + ", voices " +
           std::to_string(sound ? sound->voices() : 0) + ", lua " + std::to_string(scriptHost.luaVm().memoryKb()) +
           " KB";
  };
}

void GameApp::createSound() {
  ScriptVm& setup = scriptHost.setupVm();
  if (scriptHost.getFloat(setup, "setup", "music") == 0.0f)
    return;
  // The stream's end arrives on its decoding thread: only the hand-over is safe there.
  sound = std::make_unique<CSound>([this](const std::string& statement) { scriptHost.setPendingStatement(statement); });
  sound->soundVolume = convert::toInt32(scriptHost.getFloat(setup, "setup", "soundvolume") * 51.0);
  sound->musicVolume = convert::toInt32(scriptHost.getFloat(setup, "setup", "musicvolume") * 51.0);
}

// The fixed scene with the camera, and the start level.
void GameApp::createScene() {
  camera = std::make_unique<CameraController>(renderer->scene(), [this] { return clock.now(); });
  levels = std::make_unique<LevelLoader>(LevelParts{scriptHost, *renderer, clock, *camera, *simulation,
                                                    *collisionMgr, *overlays, sound.get(), states});
  fillScriptContext();
  levels->buildFixedScene();
  // The load attaches the camera to the level's nodes.
  levels->load(scriptHost.getString(scriptHost.setupVm(), "setup", "startlevel"), nullptr);
}

// What the start level's scripts reach; the web panels and input follow once they exist.
void GameApp::fillScriptContext() {
  context.renderer = renderer.get();
  context.scene = &renderer->scene();
  context.window = &renderer->window();
  context.background = background.get();
  context.fader = fader.get();
  context.simulation = simulation.get();
  context.collision = collisionMgr.get();
  context.camera = camera.get();
  context.overlays = overlays.get();
  context.sound = sound.get();
}

void GameApp::createInput() {
  mouse = std::make_unique<MouseRouter>(*Gui, statements, states, sound.get(), context.musicDir + clickSound);
  handler = InputHandler::create(renderer->windowDisplay(), renderer->windowHandle(), *mouse, states);
  // Once: a later resize leaves the area as it was.
  if (handler)
    handler->setMouseArea(static_cast<int>(renderer->window().getWidth()),
                          static_cast<int>(renderer->window().getHeight()));
  // After the mouse device, which clears the window's cursor when it leaves the pointer shown.
  const std::string noCursor = platform::setWindowCursor(renderer->windowDisplay(), renderer->windowHandle(), cursorFile);
  if (!noCursor.empty())
    core::log(std::string("The cursor ") + cursorFile + " cannot show (" + noCursor + "); the default cursor stays");
}

void GameApp::showScriptError(const std::string& message) {
  // Called from inside Lua: nothing may throw out of here. The panel shows the start of a long
  // message; the log has all of it.
  try {
    if (!lastErrorPanel.empty())
      overlays->freePanel(lastErrorPanel);
    lastErrorPanel = overlays->createPanel("Scripting error\n" + gui::validUtf8(message, 2000), 20, 10);
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
  editState.reset();
  core::log("delete handler");
  handler.reset();
  context.mouse = nullptr;
  mouse.reset();
  reloads.reset();
  core::log("delete Gui");
  context.gui = nullptr;
  Gui.reset();
  core::log("delete simulation");
  scriptHost.setErrorDisplay(nullptr);
  context.simulation = nullptr;
  context.overlays = nullptr;
  if (levels) {
    // Lines keep the simulation's time until it is gone.
    levels->clearWorld();
    core::log("delete overlayMgr");
    overlays.reset();
  }
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
  context.renderer = nullptr;
  context.scene = nullptr;
  context.window = nullptr;
  context.background = nullptr;
  context.fader = nullptr;
  levels.reset();
  background.reset();
  fader.reset();
  renderer.reset();
}

void GameApp::shutDown(bool restart) {
  running = false;
  restartRequested = restart;
}

void GameApp::requestLevel(const std::string& level) {
  if (levels)  // setup.lua's request would be dropped by the start level's load anyway
    levels->request(level);
}

void GameApp::leaveEditMode() {
  if (editState)
    states.leaveIfOnTop(*editState);
}

bool GameApp::run() {
  while (running) {
    platform::sleep(sleepTime);
    budget.mark(FrameBudget::sleep);
    Gui->update();
    budget.mark(FrameBudget::web);
    // The listeners run inside: a key's statement runs in the frame that saw the key.
    if (handler)
      handler->capture();
    platform::WindowEvents events = platform::pumpWindowEvents(renderer->windowDisplay(), renderer->windowHandle());
    if (events.closeRequested)
      running = false;  // the frame still runs to its end
    if (events.resized)
      renderer->window().windowMovedOrResized();
    budget.mark(FrameBudget::input);

    std::string statement = scriptHost.takePendingStatement();
    if (!statement.empty())
      statements.run(statement);
    budget.mark(FrameBudget::statement);

    runSteps();
    if (sound)
      updateListener();
    budget.mark(FrameBudget::sound);
    statistics.update(renderer->window());
    budget.mark(FrameBudget::statistics);

    if (reloads)
      reloads->update();
    levels->loadPending(Gui.get());
    budget.mark(FrameBudget::load);
    renderer->root().renderOneFrame();
    budget.mark(FrameBudget::render);
    fader->update(0.05);
    if (renderer->window().isClosed())
      running = false;
    budget.mark(FrameBudget::fader);
    budget.endFrame();
  }
  return restartRequested;
}

void GameApp::fastForward(int32_t ms) {
  // Before the world exists (setup.lua) there is no simulation to keep the clock near.
  clock.fastForward(ms, simulation ? simulation->time : clock.now());
}

void GameApp::runSteps() {
  const uint32_t began = platform::milliseconds();
  // Compared as a signed distance so that a clock moved back by FastForward waits for the
  // simulation instead of wrapping into billions of steps.
  while (static_cast<int32_t>(clock.now() - simulation->time) >= 0 &&
         platform::milliseconds() - began < maxSteppingMsPerFrame) {
    if (!states.step()) {
      running = false;  // no state left: the application ends
      break;
    }
    budget.mark(FrameBudget::state);
    if (!running)
      break;
    simulation->advance();
    budget.mark(FrameBudget::actors);
    camera->update();
    budget.mark(FrameBudget::camera);
    simulation->settle();
    budget.mark(FrameBudget::collisions);
    budget.step();
  }
}
