// The application object: builds every engine sub-object in a fixed order, runs the main loop with
// its fixed 20 ms simulation steps, and tears everything down with a logged order. Script
// functions reach the engine through the ScriptContext it fills in, never through its fields.
#pragma once

#include "GameInfo.h"
#include "app/FrameBudget.h"
#include "app/GameClock.h"
#include "app/SoundVoices.h"
#include "core/ScriptSink.h"
#include "gui/Statistics.h"
#include "script/ScriptHost.h"
#include "script/functions/ScriptContext.h"
#include "script/functions/ScriptLibrary.h"
#include "states/StateStack.h"

#include <cstdint>
#include <memory>
#include <string>

class Background;
class CameraController;
class CollisionManager;
class CSound;
class EditState;
class Fader;
class GameGui;
class InputHandler;
class LevelLoader;
class MouseRouter;
class OverlayMgr;
class PlayState;
class Renderer;
class ReloadOnSave;
class Simulation;
namespace NaviLibrary {
class BrowserSession;
}

// Every statement the engine runs in the "lua" VM goes through here, timed for the frame budget.
class LuaStatements final : public ScriptSink {
public:
  LuaStatements(ScriptHost& host, FrameBudget& budget) : host(host), budget(budget) {}
  void run(const std::string& statement) override;

private:
  ScriptHost& host;
  FrameBudget& budget;
};

class GameApp : private EngineControls {
public:
  static constexpr const char* setupScript = "../Resource/setup.lua";

  GameApp();
  ~GameApp();
  GameApp(const GameApp&) = delete;
  GameApp& operator=(const GameApp&) = delete;

  // The main loop; returns whether a restart was requested.
  bool run();

  // No window or no render system could be had: the run ends at once.
  bool startupFailed() const { return !renderer; }

private:
  uint32_t now() const override { return clock.now(); }
  void fastForward(int32_t ms) override;
  void shutDown(bool restart) override;
  void requestLevel(const std::string& level) override;
  void leaveEditMode() override;

  void createSound();
  void createScene();
  void createInput();
  void fillScriptContext();
  // The last script error on screen, replacing the one before.
  void showScriptError(const std::string& message);
  // The 3-D listener at the camera, turned the way the camera looks.
  void updateListener();
  void runSteps();


  // First, so the browser starts beside the render start-up and the start level; the web panels
  // take it once they exist.
  std::unique_ptr<NaviLibrary::BrowserSession> browser;
  GameClock clock;
  Statistics statistics;
  // Declared before the VMs: the library's closures point into it, and it into the context.
  ScriptContext context{*this, scriptHost, statistics, std::string("Version: ") + game::version, ""};
  ScriptLibrary library{context};
  ScriptHost scriptHost{library.registrations()};
  FrameBudget budget;
  LuaStatements statements{scriptHost, budget};

  std::unique_ptr<Renderer> renderer;  // null when start-up failed
  std::unique_ptr<CameraController> camera;
  std::unique_ptr<CollisionManager> collisionMgr;
  std::unique_ptr<Simulation> simulation;
  std::unique_ptr<OverlayMgr> overlays;
  std::unique_ptr<CSound> sound;  // null when setup.lua turns music off
  SoundVoices voices{sound, context.musicDir};
  std::unique_ptr<Fader> fader;
  std::unique_ptr<Background> background;
  std::unique_ptr<LevelLoader> levels;
  std::unique_ptr<GameGui> Gui;  // the web panels, from after the start level on
  std::unique_ptr<ReloadOnSave> reloads;  // null unless setup.lua asks for reload on save
  std::unique_ptr<MouseRouter> mouse;
  std::unique_ptr<InputHandler> handler;  // null when there is no input system
  StateStack states;
  std::unique_ptr<EditState> editState;
  std::unique_ptr<PlayState> playState;

  bool running = true;
  bool restartRequested = false;
  uint32_t sleepTime = 0;
  std::string lastErrorPanel;
};
