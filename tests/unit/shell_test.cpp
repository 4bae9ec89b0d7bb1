// openWithShell against a fake xdg-open on PATH: the target arrives as one untouched argument,
// the call returns while the opener still runs, and the finished opener is reaped.
#include "services/Shell.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

namespace fs = std::filesystem;

namespace {

const char* const fakeOpener = R"(#!/bin/sh
dir=$(dirname "$0")
printf '%s\n' "$#" "$1" > "$dir/args.tmp" && mv "$dir/args.tmp" "$dir/args"
i=0
while [ ! -e "$dir/release" ] && [ $i -lt 200 ]; do sleep 0.05; i=$((i+1)); done
if [ -e "$dir/release" ]; then echo released; else echo blocked; fi > "$dir/outcome.tmp"
mv "$dir/outcome.tmp" "$dir/outcome"
)";

std::string readAll(const fs::path& path) {
  std::ifstream in(path);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

// Waits, within a bound, until the condition holds; the test then checks the outcome itself.
template <class Condition>
bool eventually(Condition condition) {
  for (int i = 0; i < 400 && !condition(); ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(25));
  return condition();
}

int childProcesses() {
  int count = 0;
  for (const auto& entry : fs::directory_iterator("/proc")) {
    std::string stat = readAll(entry.path() / "stat");
    size_t end = stat.rfind(')');
    if (end == std::string::npos)
      continue;
    char state = 0;
    long parent = 0;
    if (std::sscanf(stat.c_str() + end + 1, " %c %ld", &state, &parent) == 2 && parent == getpid())
      ++count;
  }
  return count;
}

TEST(Shell, OpensWithoutShellWaitingOrZombies) {
  char pattern[] = "/tmp/tq_shell_XXXXXX";
  fs::path dir = mkdtemp(pattern);
  std::ofstream(dir / "xdg-open") << fakeOpener;
  fs::permissions(dir / "xdg-open", fs::perms::owner_all);
  std::string path = std::getenv("PATH");
  setenv("PATH", (dir.string() + ":" + path).c_str(), 1);

  std::string target = "http://127.0.0.1/?a=1&b=$(touch " + dir.string() + "/pwned); echo 'q' \"d\"";
  openWithShell(target);
  EXPECT_TRUE(eventually([&] { return fs::exists(dir / "args"); }));
  std::ofstream(dir / "release") << "";
  EXPECT_TRUE(eventually([&] { return fs::exists(dir / "outcome"); }));
  EXPECT_EQ(readAll(dir / "outcome"), "released\n");  // "blocked": the call waited for the opener
  EXPECT_EQ(readAll(dir / "args"), "1\n" + target + "\n");
  EXPECT_FALSE(fs::exists(dir / "pwned"));
  EXPECT_TRUE(eventually([] { return childProcesses() == 0; }));

  setenv("PATH", dir.c_str(), 1);
  fs::remove(dir / "xdg-open");
  openWithShell("http://127.0.0.1/");  // no opener installed: silently nothing
  setenv("PATH", path.c_str(), 1);
  fs::remove_all(dir);
}

}  // namespace
