// An installed game's player folder across package versions: new files are linked, files the
// package dropped lose their links, and what the player owns (settings, files the game wrote)
// stays as it was; a write to an installed file makes the player's own copy.
#include "TestFiles.h"
#include "platform/PlayerGame.h"

#include <gtest/gtest.h>

namespace fs = std::filesystem;

namespace {

void write(const fs::path& file, const std::string& text) {
  fs::create_directories(file.parent_path());
  std::ofstream(file) << text;
}

TEST(PlayerGameTest, ANewVersionBringsItsDataAndKeepsThePlayersFiles) {
  fs::path root = makeTempDir("tq_player");
  fs::path installed = root / "installed";
  platform::PlayerFolders folders{(root / "data").string(), (root / "config").string(), (root / "state").string()};
  write(installed / "Bin/cursor", "cursor");
  write(installed / "Resource/setup.lua", "setup = {}");
  write(installed / "Resource/Levels/old.lua", "old");
  write(installed / "Resource/Levels/level.lua", "1");

  platform::PreparedGame first = platform::preparePlayerGame(installed.string(), folders, "1");
  ASSERT_EQ(first.error, "");
  EXPECT_TRUE(first.notes.empty());
  fs::path game = folders.game;
  EXPECT_EQ(readFile(game / "Bin/cursor"), "cursor");
  EXPECT_EQ(fs::read_symlink(game / "Resource/setup.lua"), fs::path(folders.config) / "setup.lua");

  // The player saves settings and the game writes a file; version 2 drops a level and adds one.
  write(fs::path(folders.config) / "setup.lua", "setup = { music = 0 }");
  write(game / "Resource/Levels/saved.lua", "mine");
  fs::remove(installed / "Resource/Levels/old.lua");
  write(installed / "Resource/Levels/new.lua", "new");
  write(installed / "Resource/Levels/level.lua", "2");

  platform::PreparedGame second = platform::preparePlayerGame(installed.string(), folders, "2");
  ASSERT_EQ(second.error, "");
  ASSERT_EQ(second.notes.size(), 1u);
  EXPECT_NE(second.notes[0].find("was made by version 1: kept"), std::string::npos) << second.notes[0];
  EXPECT_EQ(readFile(game / "Resource/setup.lua"), "setup = { music = 0 }");
  EXPECT_EQ(readFile(game / "Resource/Levels/saved.lua"), "mine");
  EXPECT_EQ(readFile(game / "Resource/Levels/level.lua"), "2");
  EXPECT_EQ(readFile(game / "Resource/Levels/new.lua"), "new");
  EXPECT_FALSE(fs::exists(fs::symlink_status(game / "Resource/Levels/old.lua")));

  EXPECT_TRUE(platform::preparePlayerGame(installed.string(), folders, "2").notes.empty());

  // A script's write to an installed file goes to the player's own copy of it.
  platform::ownCopyBeforeWrite((game / "Resource/Levels/level.lua").string(), installed.string());
  write(game / "Resource/Levels/level.lua", "written");
  EXPECT_EQ(readFile(installed / "Resource/Levels/level.lua"), "2");
  EXPECT_FALSE(fs::is_symlink(game / "Resource/Levels/level.lua"));
  fs::remove_all(root);
}

TEST(PlayerGameTest, FoldersThatCannotBeMadeAreAnErrorAndNothingElse) {
  platform::PlayerFolders blocked{"/proc/version/data", "/proc/version/config", "/proc/version/state"};
  platform::PreparedGame prepared = platform::preparePlayerGame("/nonexistent", blocked, "1");
  EXPECT_NE(prepared.error.find("cannot make the player's folder /proc/version/data"), std::string::npos) << prepared.error;
  EXPECT_NE(platform::preparePlayerGame("/nonexistent", {}, "1").error.find("no home folder"), std::string::npos);
}

}  // namespace
