// The per-user value store in a temp XDG_DATA_HOME: awkward names round-trip without touching
// other values, damaged files read as no values, and writers in separate processes lose nothing.
#include "TestFiles.h"
#include "services/ValueStore.h"

#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <tuple>

namespace fs = std::filesystem;
using namespace std::string_literals;

namespace {

struct ValueStoreTest : ::testing::Test {
  fs::path root = makeTempDir("tq_values");
  fs::path store = root / "tarnel-quibbo" / "values.txt";

  void SetUp() override { setenv("XDG_DATA_HOME", root.c_str(), 1); }
  void TearDown() override { fs::remove_all(root); }

  void writeStore(const std::string& text) const {
    fs::create_directories(store.parent_path());
    std::ofstream(store, std::ios::binary) << text;
  }
};

TEST_F(ValueStoreTest, AwkwardNamesRoundTripIndependently) {
  const std::tuple<std::string, std::string, int32_t> entries[] = {
      {"Software\\Tarnel Quibbo", "HighScore", 42}, {"a/b\\c", "x=y", INT32_MIN}, {"", "", INT32_MAX},
      {"line\nbreak\r", "[sec]#%", -1}, {"nul\0key"s, "tab\tname", 0}, {"%41", "%", 6},
  };
  for (const auto& [key, name, value] : entries)
    writeRegistryValue(key, name, value);
  for (const auto& [key, name, value] : entries)
    EXPECT_EQ(readRegistryValue(key, name), value) << key << " / " << name;

  // Near misses of escaped names must not find them; plain names stay readable in the file.
  EXPECT_EQ(readRegistryValue("A", "%"), -9999);
  EXPECT_EQ(readRegistryValue("nul", "tab\tname"), -9999);
  EXPECT_NE(readFile(store).find("\n[Software\\Tarnel Quibbo]\nHighScore=42\n"), std::string::npos);

  // A value never written reads -9999 and leaves its key behind; a hand-written file is read.
  EXPECT_EQ(readRegistryValue("Fresh\\Key", "Never"), -9999);
  EXPECT_NE(readFile(store).find("\n[Fresh\\Key]\n"), std::string::npos);
  writeStore("# notes\n\n[Game]\nLives=3\n[Other]\nx=1\n[Game]\nDebt=-20");
  EXPECT_EQ(readRegistryValue("Game", "Lives"), 3);
  EXPECT_EQ(readRegistryValue("Game", "Debt"), -20);
}

TEST_F(ValueStoreTest, DamagedFilesReadAsNoValuesAndAreKeptAside) {
  for (const std::string& text : {"\x89\x00\xff garbage"s, "[k]\nv=99999999999\n"s, "[k]\nv=12abc\n"s,
                                  "[k]\nv%G1=1\n"s, "[k\nv=1\n"s, "[k]\nno equals sign\n"s}) {
    writeStore(text);
    EXPECT_EQ(readRegistryValue("k", "v"), -9999) << text;
  }
  writeStore("[k]\nv=1\nbroken\n");
  writeRegistryValue("k", "w", 3);
  EXPECT_EQ(readRegistryValue("k", "w"), 3);
  EXPECT_EQ(readFile(store.string() + ".damaged"), "[k]\nv=1\nbroken\n");
}

TEST_F(ValueStoreTest, WritersInTwoProcessesLoseNothing) {
  const int perProcess = 150;
  pid_t children[2];
  for (int c = 0; c < 2; ++c) {
    children[c] = fork();
    ASSERT_GE(children[c], 0);
    if (children[c] == 0) {
      for (int i = 0; i < perProcess; ++i)
        writeRegistryValue("Writer" + std::to_string(c), "v" + std::to_string(i), c * 1000 + i);
      _exit(0);
    }
  }
  for (pid_t child : children) {
    int status = -1;
    waitpid(child, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  }
  for (int c = 0; c < 2; ++c)
    for (int i = 0; i < perProcess; ++i)
      ASSERT_EQ(readRegistryValue("Writer" + std::to_string(c), "v" + std::to_string(i)), c * 1000 + i);
}

TEST_F(ValueStoreTest, OversizedNamesAreRefusedAndUnusableStoresAreSilent) {
  writeRegistryValue("k", std::string(16384, 'n'), 2);
  writeRegistryValue(std::string(16384, 'k'), "v", 3);
  EXPECT_FALSE(fs::exists(store));

  std::ofstream(root / "plain-file") << "x";
  setenv("XDG_DATA_HOME", (root / "plain-file").c_str(), 1);
  writeRegistryValue("k", "v", 9);
  EXPECT_EQ(readRegistryValue("k", "v"), -9999);

  // Without XDG_DATA_HOME the store lives under ~/.local/share.
  unsetenv("XDG_DATA_HOME");
  std::string home = std::getenv("HOME") ? std::getenv("HOME") : "";
  setenv("HOME", root.c_str(), 1);
  writeRegistryValue("k", "home", 5);
  bool stored = fs::exists(root / ".local/share/tarnel-quibbo/values.txt");
  setenv("HOME", home.c_str(), 1);
  EXPECT_TRUE(stored);
}

}  // namespace
