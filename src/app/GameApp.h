// The application object: owns every engine sub-object, builds them in a fixed order, runs the
// main loop with its fixed 20 ms simulation steps, and tears everything down with a logged order.
// Everything else reaches the engine through GameApp::current.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>

namespace Ogre {
class Root;
class RenderWindow;
class SceneManager;
class Overlay;
class OverlaySystem;
}  // namespace Ogre

class CameraController;
class CollisionManager;
class ScriptHost;
class Simulation;

class GameApp {
public:
  static GameApp* current;
  static constexpr const char* windowTitle = "Tarnel Quibbo";
  static constexpr const char* setupScript = "../Resource/setup.lua";

  GameApp();
  ~GameApp();
  GameApp(const GameApp&) = delete;
  GameApp& operator=(const GameApp&) = delete;

  // The main loop; returns whether a restart was requested.
  bool run();

  // The one log writer: a line in the engine log, prefixed by the simulation time while the
  // simulation exists. Before the log exists (setup.lua errors) the line goes to stderr.
  static void log(const std::string& message);
  // "Tarnel Quibbo.log", in the working directory.
  static std::string logFileName();

  // Game clock: milliseconds since startTime, wrapping unsigned 32-bit.
  uint32_t now() const;
  void fastForward(int32_t ms);
  void shutDown(bool restart);

  // Loads the level at the end of the current frame; empty loads nothing.
  void requestLevel(const std::string& level) { pendingLevel = level; }

  ScriptHost& scripts() { return *scriptHost; }

  // Adds a non-recursive location to a resource group, creating the group when it is new.
  void addResourceLocation(const std::string& group, const std::string& location, const std::string& type);

  // Raw pointers are objects the engine root owns; GameApp only points at them.
  std::unique_ptr<Ogre::Root> ogre;
  Ogre::RenderWindow* renderWindow = nullptr;
  Ogre::SceneManager* sceneManager = nullptr;
  Ogre::Overlay* debugOverlay = nullptr;
  std::unique_ptr<CameraController> camera;
  std::unique_ptr<Simulation> simulation;
  std::unique_ptr<CollisionManager> collisionMgr;

  bool running = true;
  bool restartRequested = false;
  bool startupFailed = false;  // no window or no render system: the run ends at once
  unsigned long windowHandle = 0;
  void* windowDisplay = nullptr;  // the window's X connection
  uint32_t startTime = 0;
  uint32_t sleepTime = 0;

  std::string currentLevel;
  std::string pendingLevel;
  std::string musicDir;
  std::string versionText;
  std::string debugText;

private:
  void configure();
  bool createRenderWindow(unsigned width, unsigned height, bool fullscreen,
                          const std::map<std::string, std::string>& parameters);
  void registerResources();
  // Start-up cannot go on: one log line, the error box, and the run ends at once.
  void failStartup(const std::string& logLine, const std::string& boxText);
  void setupScene();
  void loadLevel(const std::string& name);
  void runSteps();

  std::unique_ptr<ScriptHost> scriptHost;
  std::unique_ptr<Ogre::OverlaySystem> overlaySystem;
};
