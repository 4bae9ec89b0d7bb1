// The per-user value store in a temp XDG_DATA_HOME: awkward names round-trip without touching
// other values, damaged files read as no values, and writers in separate processes lose nothing.
#include "services/ValueStore.h"

#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace fs = std::filesystem;

namespace {

struct ValueStoreTest : ::testing::Test {
  fs::path root;

  void SetUp() override {
    char pattern[] = "/tmp/tq_values_XXXXXX";
    root = mkdtemp(pattern);
    setenv("XDG_DATA_HOME", root.c_str(), 1);
  }
  void TearDown() override { fs::remove_all(root); }

  fs::path storeFile() const { return root / "tarnel-quibbo" / "values.txt"; }

  std::string fileText(const fs::path& path) const {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
  }

  void writeFile(const std::string& text) const {
    fs::create_directories(storeFile().parent_path());
    std::ofstream(storeFile(), std::ios::binary) << text;
  }
};

TEST_F(ValueStoreTest, AwkwardNamesRoundTripIndependently) {
  struct Entry {
    std::string key, name;
    int32_t value;
  };
  const Entry entries[] = {
      {"Software\\Tarnel Quibbo", "HighScore", 42},
      {"a/b\\c", "x=y", INT32_MIN},
      {"", "", INT32_MAX},
      {"line\nbreak\r", "[sec]#%", -1},
      {"ünïcødé ключ", "名前", 7},
      {std::string("nul\0key", 7), "tab\tname", 0},
      {"[x]", "=", 5},
      {"%41", "%", 6},
  };
  for (const Entry& e : entries)
    writeRegistryValue(e.key, e.name, e.value);
  for (const Entry& e : entries)
    EXPECT_EQ(readRegistryValue(e.key, e.name), e.value) << e.key << " / " << e.name;

  // Near misses of escaped names must not find them.
  EXPECT_EQ(readRegistryValue("A", "%"), -9999);
  EXPECT_EQ(readRegistryValue("nul", "tab\tname"), -9999);
  EXPECT_EQ(readRegistryValue("a/b\\c", "x"), -9999);

  writeRegistryValue("a/b\\c", "x=y", 12);
  EXPECT_EQ(readRegistryValue("a/b\\c", "x=y"), 12);
  EXPECT_EQ(readRegistryValue("", ""), INT32_MAX);

  std::string text = fileText(storeFile());
  EXPECT_NE(text.find("\n[Software\\Tarnel Quibbo]\nHighScore=42\n"), std::string::npos) << text;
  EXPECT_NE(text.find("\n[line%0Abreak%0D]\n%5Bsec%5D%23%25=-1\n"), std::string::npos) << text;
}

TEST_F(ValueStoreTest, MissingValueReadsMinus9999AndCreatesTheKey) {
  EXPECT_EQ(readRegistryValue("Fresh\\Key", "Never"), -9999);
  EXPECT_NE(fileText(storeFile()).find("\n[Fresh\\Key]\n"), std::string::npos);
  EXPECT_EQ(readRegistryValue("Fresh\\Key", "Never"), -9999);
}

TEST_F(ValueStoreTest, DamagedFilesReadAsNoValuesAndAreKeptAside) {
  const std::string damaged[] = {
      std::string("\x89\x00\xff garbage", 11),
      "orphan=1\n",
      "[k]\nv=99999999999\n",
      "[k]\nv=12abc\n",
      "[k]\nv%G1=1\n",
      "[k\nv=1\n",
      "[k]\nno equals sign\n",
  };
  for (const std::string& text : damaged) {
    writeFile(text);
    EXPECT_EQ(readRegistryValue("k", "v"), -9999) << text;
  }
  writeFile("[k]\nv=1\nbroken\n");
  writeRegistryValue("k", "w", 3);
  EXPECT_EQ(readRegistryValue("k", "w"), 3);
  EXPECT_EQ(readRegistryValue("k", "v"), -9999);
  EXPECT_EQ(fileText(storeFile().string() + ".damaged"), "[k]\nv=1\nbroken\n");
}

TEST_F(ValueStoreTest, HandWrittenFileIsRead) {
  writeFile("# notes\n\n[Game]\nLives=3\n[Other]\nx=1\n[Game]\nDebt=-20");
  EXPECT_EQ(readRegistryValue("Game", "Lives"), 3);
  EXPECT_EQ(readRegistryValue("Game", "Debt"), -20);
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
  writeRegistryValue("k", "kept", 1);
  writeRegistryValue("k", std::string(16384, 'n'), 2);
  writeRegistryValue(std::string(16384, 'k'), "v", 3);
  EXPECT_EQ(readRegistryValue("k", std::string(16384, 'n')), -9999);
  EXPECT_EQ(readRegistryValue(std::string(16384, 'k'), "v"), -9999);
  writeRegistryValue("k", std::string(16383, 'n'), 4);
  EXPECT_EQ(readRegistryValue("k", std::string(16383, 'n')), 4);
  EXPECT_EQ(readRegistryValue("k", "kept"), 1);

  std::ofstream(root / "plain-file") << "x";
  setenv("XDG_DATA_HOME", (root / "plain-file").c_str(), 1);
  writeRegistryValue("k", "kept", 9);
  EXPECT_EQ(readRegistryValue("k", "kept"), -9999);

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
