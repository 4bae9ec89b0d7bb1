// The player's own game folder, for an installed game. Its data is read-only and shared by every
// user, and the engine writes beside its data by relative paths (the log, setup.lua, screenshots,
// downloads, the scripts' files). So an installed game runs from a game folder in the player's
// data folder: Bin/ is the working directory, and Resource/ mirrors the installed Resource/ with
// a link per file, so a new package's data shows at the next start. What the player owns is kept
// where the user's folders say: Resource/setup.lua links to the settings folder's copy and the
// log goes to the state folder.
#pragma once

#include <string>
#include <vector>

namespace platform {

struct PlayerFolders {
  std::string game;    // the data folder's <package>: Bin/, Resource/, the value store
  std::string config;  // the settings folder's <package>: setup.lua
  std::string state;   // the state folder's <package>: the log
};

// The folders for the package, from the XDG variables. Empty strings when there is no home.
PlayerFolders playerFolders(const std::string& package);

struct PreparedGame {
  std::string error;               // the folders cannot be made: nothing can run
  std::vector<std::string> notes;  // lines for the log, once there is one
};

// Makes the player's folders and brings the game folder's links up to date with installedGame
// (holding Bin/ and Resource/). The player's own files (setup.lua, files the game wrote) are kept.
// Two games starting at once take turns.
PreparedGame preparePlayerGame(const std::string& installedGame, const PlayerFolders& folders,
                               const std::string& version);

// Before a write to path: when it is a link to a file of the installed game (in the player's
// game folder), the link becomes a copy of that file, so the write goes to the player's own copy
// and the installed data stays as it is, even for root. Anything else is left alone.
void ownCopyBeforeWrite(const std::string& path, const std::string& installedGame);

// True when this process runs the executable at that path (links resolved).
bool runningExecutable(const std::string& path);

// Makes folder the working directory; false when it cannot.
bool enterFolder(const std::string& folder);

// The log file this process may write: preferred, or when another game process holds that one,
// "<name> 2.log" and so on. The claim lasts as long as the process.
std::string claimLogFile(const std::string& preferred);

}  // namespace platform
