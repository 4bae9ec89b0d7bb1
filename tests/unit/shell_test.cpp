// openWithShell against a fake xdg-open on PATH: the target arrives as one untouched argument,
// the call returns while the opener still runs, and the finished opener is reaped.
#include "TestFiles.h"
#include "services/Shell.h"

#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cerrno>
#include <chrono>
#include <thread>

namespace fs = std::filesystem;

namespace {

// Writes its arguments, then waits (bounded) for "release" and writes whether it came.
const char* const fakeOpener = R"(#!/bin/sh
dir=$(dirname "$0")
printf '%s\n' "$#" "$1" > "$dir/args.tmp" && mv "$dir/args.tmp" "$dir/args"
i=0
while [ ! -e "$dir/release" ] && [ $i -lt 200 ]; do sleep 0.05; i=$((i+1)); done
if [ -e "$dir/release" ]; then echo released; else echo blocked; fi > "$dir/outcome.tmp"
mv "$dir/outcome.tmp" "$dir/outcome"
)";

// Waits, within a bound, until the condition holds; the test then checks the outcome itself.
template <class Condition>
bool eventually(Condition condition) {
  for (int i = 0; i < 400 && !condition(); ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(25));
  return condition();
}

TEST(Shell, OpensWithoutShellWaitingOrZombies) {
  fs::path dir = makeTempDir("tq_shell");
  std::ofstream(dir / "xdg-open") << fakeOpener;
  fs::permissions(dir / "xdg-open", fs::perms::owner_all);
  std::string path = std::getenv("PATH");
  setenv("PATH", (dir.string() + ":" + path).c_str(), 1);

  std::string target = "http://127.0.0.1/?a=1&b=$(touch " + dir.string() + "/pwned); echo 'q' \"d\"";
  openWithShell(target);
  EXPECT_TRUE(eventually([&] { return fs::exists(dir / "args"); }));
  std::ofstream(dir / "release") << "";
  EXPECT_TRUE(eventually([&] { return fs::exists(dir / "outcome"); }));
  EXPECT_EQ(readFile(dir / "outcome"), "released\n");  // "blocked": the call waited for the opener
  EXPECT_EQ(readFile(dir / "args"), "1\n" + target + "\n");
  EXPECT_FALSE(fs::exists(dir / "pwned"));
  // No child at all, running or unreaped; WNOWAIT leaves a zombie for the engine to reap.
  siginfo_t info{};
  EXPECT_TRUE(eventually([&] { return waitid(P_ALL, 0, &info, WEXITED | WNOHANG | WNOWAIT) == -1 && errno == ECHILD; }));
  setenv("PATH", path.c_str(), 1);
  fs::remove_all(dir);
}

}  // namespace
