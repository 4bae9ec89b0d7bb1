// Reload on save, for game makers (setup.lua's "reload"): what they save under the game's
// Resource folder while the game runs reaches it. A level file the current level ran loads the
// level again, once it compiles; game data Ogre can take in place is reloaded; a saved page
// refreshes its panels; a saved mesh source says it needs a build.
#pragma once

#include <map>
#include <memory>
#include <string>

class GameGui;
class LevelLoader;
class ScriptHost;
namespace platform {
class FileWatch;
}

class ReloadOnSave {
public:
  ReloadOnSave(ScriptHost& scripts, LevelLoader& levels, GameGui& pages);
  ~ReloadOnSave();
  ReloadOnSave(const ReloadOnSave&) = delete;
  ReloadOnSave& operator=(const ReloadOnSave&) = delete;

  // Each frame: acts on the saved files that have been quiet for a moment.
  void update();

private:
  void levelFileSaved(const std::string& named);

  ScriptHost& scripts;
  LevelLoader& levels;
  GameGui& pages;
  std::unique_ptr<platform::FileWatch> watch;
  std::map<std::string, std::string> lastText;  // level file -> its text at the last reload
};
