// Level loading. A load wipes everything the previous level made (actors, messages, splines,
// collision data, overlay panels, sounds, web panels, the compositor, the level's scene nodes and
// the whole "lua" VM), restarts the clocks and runs the new level file in a fresh VM. Scripts only
// ask for a load: it happens at the end of a frame, so the VM is never closed under a running script.
#pragma once

#include <string>

class CameraController;
class CollisionManager;
class CSound;
class GameClock;
class GameGui;
class OverlayMgr;
class Renderer;
class ScriptHost;
class Simulation;
class StateStack;

// What a load clears and restarts; each lives as long as the loader.
struct LevelParts {
  ScriptHost& scripts;
  Renderer& renderer;
  GameClock& clock;
  CameraController& camera;
  Simulation& simulation;
  CollisionManager& collision;
  OverlayMgr& overlays;
  CSound* sound;  // null without a sound system
  StateStack& states;
};

class LevelLoader {
public:
  explicit LevelLoader(LevelParts parts) : parts(parts) {}

  // The scene's fixed part: the sun, "LevelRoot", "_Hidden", and the camera's first place with
  // the window's viewport.
  void buildFixedScene();
  // At the end of the frame; the last request in a frame wins.
  void request(const std::string& level) { pendingLevel = level; }
  // The current level again, unless a script asked for another in this frame.
  void reloadCurrent() {
    if (pendingLevel.empty())
      pendingLevel = currentLevel;
  }
  // Loads the requested level, if any. The web panels are null until after the start level.
  void loadPending(GameGui* webPanels);
  // The level name, or the current level again when it is empty.
  void load(const std::string& name, GameGui* webPanels);
  // The overlay panels and the world, emptied with their log lines (a load, and teardown).
  void clearWorld();

private:
  LevelParts parts;
  std::string currentLevel;
  std::string pendingLevel;
};
