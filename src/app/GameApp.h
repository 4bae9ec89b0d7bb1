// The application object: owns every engine sub-object, builds them in a fixed order, runs the
// main loop with its fixed 20 ms simulation steps, and tears everything down with a logged order.
// Script functions reach the engine through the ScriptContext it fills in, never through its fields.
#pragma once

#include "app/FrameBudget.h"
#include "script/functions/ScriptContext.h"
#include "script/functions/ScriptLibrary.h"
#include "states/StateStack.h"

#include <cstdint>
#include <memory>
#include <string>

namespace Ogre {
class Root;
class RenderWindow;
class SceneManager;
class OverlaySystem;
}  // namespace Ogre

class Background;
class ResourceGroups;
class CameraController;
class CollisionManager;
class CSound;
class Fader;
class EditState;
class InputHandler;
class MouseRouter;
class PlayState;
class WebPanelInput;
class GameGui;
class ScriptHost;
class Simulation;

class GameApp {
public:
  static constexpr const char* windowTitle = "Tarnel Quibbo";
  static constexpr const char* setupScript = "../Resource/setup.lua";

  GameApp();
  ~GameApp();
  GameApp(const GameApp&) = delete;
  GameApp& operator=(const GameApp&) = delete;

  // The main loop; returns whether a restart was requested.
  bool run();

  // No window or no render system could be had: the run ends at once.
  bool startupFailed() const { return failed; }

  // "Tarnel Quibbo.log", in the working directory.
  static std::string logFileName();

private:
  // What setup.lua says about the window and the renderer.
  struct DisplaySettings {
    unsigned width = 0;
    unsigned height = 0;
    bool fullscreen = false;
    std::string renderSystem;
    bool shadows = false;
    float shadowDistance = 0.0f;
    bool fsaa = false;
  };

  // Start-up: settings from setup.lua, the engine root with a render system, the window with
  // its fall-back ladder, resources, the scene manager. Each returns false when start-up failed.
  DisplaySettings readDisplaySettings();
  bool createRoot(const DisplaySettings& settings);
  bool createWindow(const DisplaySettings& settings);
  bool tryWindow(unsigned width, unsigned height, const DisplaySettings& settings, bool fsaa);
  void registerResources();
  void createSceneManager(const DisplaySettings& settings);
  // Start-up cannot go on: one log line, the error box, and the run ends at once.
  void failStartup(const std::string& logLine, const std::string& boxText);

  void createSound();
  // Every statement the engine runs in the "lua" VM goes through here.
  void runScript(const std::string& statement);
  // The last script error on screen, replacing the one before.
  void showScriptError(const std::string& message);
  // The debug overlay's figures, every frame whether it is shown or not.
  void updateStatistics();
  void showText(const std::string& text);  // ShowText, from the scripts and the states
  // The 3-D listener at the camera, turned the way the camera looks.
  void updateListener();
  void setupScene();
  void loadLevel(const std::string& name);
  void runSteps();
  void fastForward(int32_t ms);

  // Input and the game states (Input.cpp): the devices and the mouse's routes, then the states
  // with PlayState on top.
  void createInput();
  void initStates();

  // Game clock: milliseconds since startTime, wrapping unsigned 32-bit.
  uint32_t now() const;
  void addResourceLocation(const std::string& group, const std::string& location, const std::string& type);

  // Declared first: the library's closures point into it, and the VMs into the library.
  ScriptContext context;
  ScriptLibrary library{context};
  std::unique_ptr<ScriptHost> scriptHost;

  // Raw pointers are objects the engine root owns; GameApp only points at them.
  std::unique_ptr<Ogre::Root> ogre;
  std::unique_ptr<Ogre::OverlaySystem> overlaySystem;
  std::unique_ptr<ResourceGroups> resourceGroups;
  Ogre::RenderWindow* renderWindow = nullptr;
  Ogre::SceneManager* sceneManager = nullptr;
  std::unique_ptr<CameraController> camera;
  std::unique_ptr<Simulation> simulation;
  std::unique_ptr<CollisionManager> collisionMgr;
  std::unique_ptr<CSound> sound;  // null when setup.lua turns music off
  std::unique_ptr<Fader> fader;
  std::unique_ptr<Background> background;
  std::unique_ptr<WebPanelInput> webPanels;
  std::unique_ptr<MouseRouter> mouse;
  std::unique_ptr<InputHandler> handler;  // null when there is no input system
  std::unique_ptr<EditState> editState;
  std::unique_ptr<PlayState> playState;
  StateStack states;
  std::unique_ptr<GameGui> Gui;  // the web panels, from after the start level on

  FrameBudget budget;
  bool running = true;
  bool restartRequested = false;
  bool failed = false;
  unsigned long windowHandle = 0;
  void* windowDisplay = nullptr;  // the window's X connection
  uint32_t startTime = 0;
  uint32_t sleepTime = 0;

  std::string currentLevel;
  std::string pendingLevel;
  std::string debugText;  // the statistics' debug line, set by ShowText
  std::string lastErrorPanel;
};
