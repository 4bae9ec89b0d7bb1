// What the script functions reach: the engine's subsystems and the application's controls. The
// "setup" VM runs before any subsystem exists, so every subsystem pointer may still be null, and
// the library checks the ones each function needs; the application sets and clears them.
#pragma once

#include <cstdint>
#include <string>

namespace Ogre {
class RenderWindow;
class SceneManager;
}  // namespace Ogre
class Background;
class CameraController;
class CollisionManager;
class CSound;
class Fader;
class GameGui;
class MouseRouter;
class OverlayMgr;
class Renderer;
class ScriptHost;
class Simulation;
class Statistics;

// What only the application can do: its clock, its end, the next level, the edit state.
class EngineControls {
public:
  virtual uint32_t now() const = 0;  // the game clock in ms
  virtual void fastForward(int32_t ms) = 0;
  virtual void shutDown(bool restart) = 0;
  virtual void requestLevel(const std::string& level) = 0;  // loaded at the end of the frame
  virtual void leaveEditMode() = 0;

protected:
  ~EngineControls() = default;
};

struct ScriptContext {
  EngineControls& app;
  ScriptHost& scripts;
  Statistics& statistics;  // the debug line
  std::string version;
  std::string musicDir;  // put in front of every sound file name

  Renderer* renderer = nullptr;
  Ogre::SceneManager* scene = nullptr;
  Ogre::RenderWindow* window = nullptr;
  Background* background = nullptr;
  Fader* fader = nullptr;
  Simulation* simulation = nullptr;
  CollisionManager* collision = nullptr;
  CameraController* camera = nullptr;
  OverlayMgr* overlays = nullptr;
  CSound* sound = nullptr;  // stays null when setup.lua turns music off
  GameGui* gui = nullptr;   // the web panels: null until after the start level
  MouseRouter* mouse = nullptr;
};
