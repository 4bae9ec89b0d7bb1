// The script host without an engine: a broken "_ALERT", value readers that leave the stack
// balanced, source-only loading, LUA_PATH and the instruction limit.
#include "TestFiles.h"
#include "script/ScriptHost.h"

#include "core/Log.h"

#include <gtest/gtest.h>

extern "C" {
#include <lua.h>
}

#include <cfloat>

namespace {

struct ScriptHostTest : ::testing::Test {
  std::vector<std::string> lines;
  std::vector<std::string> shown;
  ScriptHost host{{}};

  void SetUp() override {
    core::setLogSink([this](const std::string& line) { lines.push_back(line); });
    host.setErrorDisplay([this](const std::string& message) { shown.push_back(message); });
    host.openVm(host.luaVm());
  }
  void TearDown() override { core::setLogSink(nullptr); }

  void run(const std::string& statement) { host.runStatement(host.luaVm(), statement); }
  int top() { return lua_gettop(host.luaVm().state); }
};

TEST_F(ScriptHostTest, OverwrittenAlertFallsBackToStandardErrorWithoutCrashing) {
  ::testing::internal::CaptureStderr();
  run("_ALERT = 5");
  run("error('lost')");
  run("_ALERT = function(m) error('alert itself fails') end");
  run("error('lost again')");
  std::string printed = ::testing::internal::GetCapturedStderr();
  EXPECT_NE(printed.find("lost\n"), std::string::npos) << printed;
  EXPECT_NE(printed.find("lost again"), std::string::npos);
  EXPECT_TRUE(lines.empty());
  EXPECT_EQ(top(), 0);
}

TEST_F(ScriptHostTest, ReadersConvertAndKeepTheStackBalanced) {
  run("setup = { a = '2.5', n = 7, s = 'text', t = {}, huge = 1e300 } notatable = 3");
  ScriptVm& vm = host.luaVm();
  EXPECT_EQ(host.getFloat(vm, "setup", "a"), 2.5f);
  EXPECT_EQ(host.getFloat(vm, "setup", "huge"), FLT_MAX);
  EXPECT_EQ(host.getFloat(vm, "setup", "t"), 0.0f);
  EXPECT_EQ(host.getFloat(vm, "notatable", "a"), 0.0f);
  EXPECT_EQ(host.getString(vm, "setup", "s"), "text");
  EXPECT_EQ(host.getString(vm, "setup", "n"), "7");
  EXPECT_EQ(host.getString(vm, "setup", "t"), "");
  EXPECT_EQ(host.getString(vm, "nothing", "s"), "");
  EXPECT_EQ(top(), 0);

  // The tables' metamethods take part, as in any Lua read; one that fails is a script error and
  // the reader gives its default.
  run("defaults = setmetatable({}, { __index = function(_, k) return k == 'w' and 640 or nil end })");
  EXPECT_EQ(host.getFloat(vm, "defaults", "w"), 640.0f);
  EXPECT_EQ(host.getString(vm, "defaults", "w"), "640");
  run("setmetatable(_G, { __index = function(_, k) error('undefined global ' .. k) end })");
  EXPECT_EQ(host.getFloat(vm, "nothing", "x"), 0.0f);
  EXPECT_EQ(host.getString(vm, "nothing", "x"), "");
  ASSERT_EQ(shown.size(), 2u);
  EXPECT_NE(shown[0].find("undefined global nothing"), std::string::npos) << shown[0];
  EXPECT_EQ(top(), 0);
}

TEST_F(ScriptHostTest, OnlySourceLoadsFromStatementsStringsAndFiles) {
  std::string dir = makeTempDir("tq_files").string() + "/";
  std::ofstream(dir + "shebang.lua") << "#!/usr/bin/lua\nline = 2 error('where')";
  std::ofstream(dir + "binary.lua") << std::string("\x1bLua\x51\0", 6);
  run(std::string("\x1bLua\x51", 5));
  run("assert(loadstring(string.dump(function() return 1 end)) == nil)");
  run("f, message = loadfile('" + dir + "binary.lua') assert(f == nil and message:find('precompiled'))");
  run("dofile('" + dir + "shebang.lua')");
  run("dofile('" + dir + "')");  // opening a folder succeeds; reading it fails
  std::filesystem::remove_all(dir);
  ASSERT_EQ(shown.size(), 3u);
  EXPECT_NE(shown[0].find("precompiled"), std::string::npos) << shown[0];
  EXPECT_NE(shown[1].find("shebang.lua:2: where"), std::string::npos) << shown[1];
  EXPECT_EQ(shown[2].rfind("cannot read " + dir + ": Is a directory", 0), 0u) << shown[2];
  EXPECT_EQ(top(), 0);
}

TEST_F(ScriptHostTest, RequireFollowsLuaPath) {
  std::string dir = makeTempDir("tq_require").string() + "/";
  std::ofstream(dir + "plain") << "loaded_plain = true";
  std::ofstream(dir + "withext.lua") << "loaded_withext = true";
  run("LUA_PATH = '" + dir + "?;" + dir + "?.lua' require 'plain' require 'withext'");
  run("assert(loaded_plain and loaded_withext)");
  run("LUA_PATH = '" + dir + "nothing_?' require 'plain2'");
  std::filesystem::remove_all(dir);
  // The two lines of the error, then where it happened: here, the statement itself.
  ASSERT_EQ(lines.size(), 4u);
  EXPECT_NE(lines[1].find("plain2"), std::string::npos);
  EXPECT_EQ(lines[2], "Traceback, outermost call first:");
  EXPECT_EQ(lines[3].rfind("  statement LUA_PATH = '", 0), 0u) << lines[3];
}

// A pcall inside the loop must not swallow the stop, and the VM stays usable afterwards.
TEST_F(ScriptHostTest, AScriptThatNeverReturnsIsStoppedAndTheVmGoesOn) {
  run("while true do pcall(function() while true do end end) end");
  ASSERT_EQ(shown.size(), 1u);
  EXPECT_NE(shown[0].find("script stopped: it ran 5000 million instructions without returning"), std::string::npos)
      << shown[0];
  run("after = 1 + 1");
  EXPECT_EQ(shown.size(), 1u);
  EXPECT_EQ(host.getFloat(host.luaVm(), "_G", "after"), 2.0f);
}

}  // namespace
