// What the script functions reach: the engine's subsystems and a few application controls.
// The "setup" VM runs before any subsystem exists, so every pointer may still be null and every
// function checks the one it needs; the application fills them in as it builds them.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

namespace Ogre {
class RenderWindow;
class SceneManager;
}  // namespace Ogre
class Background;
class CameraController;
class CollisionManager;
class CSound;
class GameGui;
class ScriptHost;
class Simulation;

struct ScriptContext {
  ScriptHost* scripts = nullptr;
  Ogre::SceneManager* scene = nullptr;
  Ogre::RenderWindow* window = nullptr;
  Simulation* simulation = nullptr;
  CollisionManager* collision = nullptr;
  CameraController* camera = nullptr;
  CSound* sound = nullptr;  // stays null when setup.lua turns music off
  Background* background = nullptr;
  GameGui* gui = nullptr;   // the web panels: null until after the start level
  std::string musicDir;     // put in front of every sound file name

  std::function<uint32_t()> now;  // the game clock in ms
  std::function<void(int32_t ms)> fastForward;
  std::function<void(bool restart)> shutDown;
  std::function<void(const std::string& level)> requestLevel;  // loaded at the end of the frame
  std::function<void(const std::string& text)> showText;       // the statistics' debug line
  std::function<void(bool fadeIn, double duration)> startFade;
  // Adds the location to the group and initialises the group.
  std::function<void(const std::string& group, const std::string& location, const std::string& type)>
      addResourceLocation;
  std::string version;

  // The input queries and commands. The panel is 0 when no web panel is under the pointer.
  struct MousePosition {
    int x = 0;
    int y = 0;
    uint64_t panel = 0;
  };
  std::function<MousePosition()> mousePosition;
  std::function<void()> leaveEditMode;
};
