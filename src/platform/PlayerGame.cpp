#include "platform/PlayerGame.h"

#include "platform/Platform.h"

#include <filesystem>
#include <memory>

namespace fs = std::filesystem;

namespace platform {

namespace {

const uint32_t lockWaitMs = 5000;

std::string below(const std::string& folder, const std::string& package) {
  return folder.empty() ? std::string() : folder + "/" + package;
}

// One link, made or pointed at target again; a file of the player's own is left alone.
void linkTo(const fs::path& target, const fs::path& link, std::vector<std::string>& notes) {
  std::error_code error;
  fs::file_status status = fs::symlink_status(link, error);
  if (fs::is_symlink(status)) {
    if (fs::read_symlink(link, error) == target)
      return;
    fs::remove(link, error);
  } else if (fs::is_directory(status)) {
    // An older package had a folder where this one has a file: the folder's links are its own.
    fs::remove_all(link, error);
  } else if (fs::exists(status)) {
    return;
  }
  fs::create_symlink(target, link, error);
  // Another game starting at the same moment may have made it first.
  if (error && error != std::errc::file_exists)
    notes.push_back("Player folder: cannot link " + link.string() + ": " + error.message());
}

// Mirrors every file below installed/name by a link below game/name.
void mirror(const fs::path& installed, const fs::path& game, const fs::path& skip, std::vector<std::string>& notes) {
  std::error_code error;
  for (fs::recursive_directory_iterator it(installed, error), end; !error && it != end; it.increment(error)) {
    fs::path relative = it->path().lexically_relative(installed);
    fs::path mine = game / relative;
    if (it->is_directory(error)) {
      if (fs::is_symlink(fs::symlink_status(mine, error)))
        fs::remove(mine, error);
      fs::create_directories(mine, error);
    } else if (mine != skip) {
      linkTo(it->path(), mine, notes);
    }
  }
  if (error)
    notes.push_back("Player folder: cannot read " + installed.string() + ": " + error.message());
}

// Links to installed files that a newer package no longer has.
void removeStaleLinks(const fs::path& folder, const fs::path& installed) {
  std::error_code error;
  std::vector<fs::path> stale;
  for (fs::recursive_directory_iterator it(folder, error), end; !error && it != end; it.increment(error)) {
    if (!it->is_symlink(error))
      continue;
    fs::path target = fs::read_symlink(it->path(), error);
    std::string text = target.string();
    if (text.rfind(installed.string() + "/", 0) == 0 && !fs::exists(target, error))
      stale.push_back(it->path());
  }
  for (const fs::path& link : stale)
    fs::remove(link, error);
}

}  // namespace

PlayerFolders playerFolders(const std::string& package) {
  return {below(userDataDirectory(), package), below(userConfigDirectory(), package),
          below(userStateDirectory(), package)};
}

PreparedGame preparePlayerGame(const std::string& installedGame, const PlayerFolders& folders,
                               const std::string& version) {
  PreparedGame prepared;
  if (folders.game.empty() || folders.config.empty() || folders.state.empty()) {
    prepared.error = "no home folder: set HOME or the XDG_DATA_HOME, XDG_CONFIG_HOME and XDG_STATE_HOME folders";
    return prepared;
  }
  const fs::path installed(installedGame), game(folders.game), setup = fs::path(folders.config) / "setup.lua";
  const fs::path gameSetup = game / "Resource" / "setup.lua";
  std::error_code error;
  bool existed = fs::exists(game / "Resource", error);
  for (const fs::path& folder : {game / "Bin", game / "Resource", fs::path(folders.config), fs::path(folders.state)}) {
    fs::create_directories(folder, error);
    if (error || !fs::is_directory(folder)) {
      prepared.error = "cannot make the player's folder " + folder.string() + ": " +
                       (error ? error.message() : "something else is in the way");
      return prepared;
    }
  }

  FileLock turn((game / "folder.lock").string(), lockWaitMs);
  std::string made = readFile((game / "version").string());
  if (existed && made != version) {
    prepared.notes.push_back("Player folder " + game.string() + " was made by " +
                             (made.empty() ? "an earlier version" : "version " + made) +
                             ": kept, its links now lead to version " + version + "'s data");
  }
  if (!fs::exists(setup, error)) {
    fs::copy_file(installed / "Resource" / "setup.lua", setup, error);
    if (error) {
      prepared.error = "cannot write the player's settings " + setup.string() + ": " + error.message();
      return prepared;
    }
  }
  linkTo(setup, gameSetup, prepared.notes);
  mirror(installed, game, gameSetup, prepared.notes);
  removeStaleLinks(game, installed);
  if (made != version && !replaceFile((game / "version").string(), version))
    prepared.notes.push_back("Player folder: cannot write " + (game / "version").string());
  return prepared;
}

void ownCopyBeforeWrite(const std::string& path, const std::string& installedGame) {
  std::error_code error;
  if (!fs::is_symlink(fs::symlink_status(path, error)))
    return;
  fs::path target = fs::canonical(path, error);
  if (error || target.string().rfind(installedGame + "/", 0) != 0 || !fs::is_regular_file(target, error))
    return;
  std::string copy = path + ".copy";
  if (fs::copy_file(target, copy, fs::copy_options::overwrite_existing, error))
    fs::rename(copy, path, error);
  if (error)
    fs::remove(copy, error);
}

bool runningExecutable(const std::string& path) {
  std::error_code error;
  fs::path self = fs::canonical("/proc/self/exe", error);
  if (error)
    return false;
  fs::path other = fs::canonical(path, error);
  return !error && self == other;
}

bool enterFolder(const std::string& folder) {
  std::error_code error;
  fs::current_path(folder, error);
  return !error;
}

std::string claimLogFile(const std::string& preferred) {
  static std::unique_ptr<FileLock> claim;
  fs::path path(preferred);
  std::string candidate = preferred;
  for (int number = 2; number < 100; ++number) {
    claim = std::make_unique<FileLock>(candidate, 0);
    if (claim->held())
      return candidate;
    candidate = (path.parent_path() / (path.stem().string() + " " + std::to_string(number) + path.extension().string())).string();
  }
  return preferred;
}

}  // namespace platform
