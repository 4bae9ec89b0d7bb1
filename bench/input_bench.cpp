// One key press from the keyboard listener to the end of its script statement, against the bare
// Lua work under it: luaL_loadbuffer and lua_pcall of the same text in a state with the same
// KeyPressed function. The listener runs inside the frame's capture() (OIS delivers buffered
// events from there), so the path measured is all that follows the X read.
#include "HeadlessOgre.h"
#include "core/Log.h"
#include "gui/Statistics.h"
#include "script/ScriptHost.h"
#include "states/PlayState.h"
#include "world/CameraController.h"

#include <Ogre.h>
#include <benchmark/benchmark.h>

extern "C" {
#include <lauxlib.h>
#include <lua.h>
#include <lualib.h>
}

#include <cstring>

namespace {

const char keyHandler[] = "presses = 0 function KeyPressed(key, text) presses = presses + 1 end";
const char statement[] = "KeyPressed(30, '97')";

void BM_KeyPressThroughPlayState(benchmark::State& state) {
  core::setLogSink([](const std::string&) {});
  ScriptHost host{{}};
  host.openVm(host.luaVm());
  host.runStatement(host.luaVm(), keyHandler);
  struct Statements : ScriptSink {
    explicit Statements(ScriptHost& host) : host(host) {}
    void run(const std::string& s) override { host.runStatement(host.luaVm(), s); }
    ScriptHost& host;
  } statements{host};
  // The state's camera and scene: Ogre without a window, which a key press never touches.
  HeadlessOgre ogre("input_bench.log");
  Ogre::SceneManager* scene = Ogre::Root::getSingleton().createSceneManager();
  CameraController camera(*scene, [] { return 0u; });
  Statistics statistics;
  PlayState play({camera, *scene, statements, statistics, nullptr});
  OIS::KeyEvent a(nullptr, OIS::KC_A, 97);
  for (auto _ : state)
    play.keyPressed(a);
}

void BM_BareLoadAndCall(benchmark::State& state) {
  lua_State* L = luaL_newstate();
  luaL_openlibs(L);
  luaL_dostring(L, keyHandler);
  const size_t length = std::strlen(statement);
  for (auto _ : state) {
    if (luaL_loadbuffer(L, statement, length, statement) == 0)
      lua_pcall(L, 0, 0, 0);
    else
      lua_pop(L, 1);
  }
  lua_close(L);
}

}  // namespace

BENCHMARK(BM_KeyPressThroughPlayState)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_BareLoadAndCall)->Unit(benchmark::kMicrosecond);

BENCHMARK_MAIN();
