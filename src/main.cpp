// Entry function: build a GameApp, run it, destroy it, and again while the run asks for a
// restart. Exits with 1 when the engine could not start (no window, no render system), and with 2
// when an installed game cannot make the player's folders.
#include "GameInfo.h"
#include "app/GameApp.h"
#include "platform/PlayerGame.h"
#include "render/OgreHooks.h"

#include <OgreLogManager.h>
#include <ode/ode.h>

#include <iostream>
#include <memory>

int main() {
  std::string logFile = std::string(game::title) + ".log";
  std::vector<std::string> notes;
  // The installed engine runs in the player's own folders; any other runs where it was started.
  if (platform::runningExecutable(game::installedEngine)) {
    platform::PlayerFolders folders = platform::playerFolders(game::packageName);
    platform::PreparedGame prepared = platform::preparePlayerGame(game::installedGame, folders, game::version);
    if (prepared.error.empty() && !platform::enterFolder(folders.game + "/Bin"))
      prepared.error = "cannot enter " + folders.game + "/Bin";
    if (!prepared.error.empty()) {
      std::cerr << game::packageName << ": " << prepared.error << std::endl;
      return 2;
    }
    notes = prepared.notes;
    notes.push_back("Player folders: the game " + folders.game + ", settings " + folders.config + "/setup.lua");
    logFile = folders.state + "/" + logFile;
  }

  // One log for the whole process: the engine root adopts it, so a restart does not wipe the
  // earlier run's lines, and errors in setup.lua, which runs before the root exists, are kept.
  Ogre::LogManager logs;
  logs.createLog(platform::claimLogFile(logFile), true, true);
  for (const std::string& note : notes)
    logs.logMessage(note);
  render::useOgreForLogAndErrors();
  dInitODE2(0);
  bool restart = true;
  bool failed = false;
  while (restart) {
    auto app = std::make_unique<GameApp>();
    restart = app->run();
    failed = app->startupFailed();
  }
  dCloseODE();
  return failed ? 1 : 0;
}
