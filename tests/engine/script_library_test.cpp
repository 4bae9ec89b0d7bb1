// The registration table: 73 functions in the order of the one list, each slice entry taken once,
// and the editor definitions that name exactly them.
#include "gui/Statistics.h"
#include "script/functions/ScriptContext.h"
#include "script/functions/ScriptLibrary.h"

extern "C" {
#include <lauxlib.h>
#include <lua.h>
}

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <regex>
#include <set>

// A context with none of the subsystems, as the "setup" VM sees it.
struct Unbuilt : EngineControls {
  uint32_t now() const override { return 0; }
  void fastForward(int32_t) override {}
  void shutDown(bool) override {}
  void requestLevel(const std::string&) override {}
  void leaveEditMode() override {}
  ScriptHost host{{}};
  Statistics statistics;
  ScriptContext context{*this, host, statistics, "", ""};
};

// The names themselves are checked against the editor definitions below.
TEST(ScriptLibrary, SeventyThreeFunctionsInTheOrderOfTheListEachOnce) {
  std::vector<std::string> order(registrationOrder.begin(), registrationOrder.end());
  EXPECT_EQ(std::set<std::string>(order.begin(), order.end()).size(), 73u) << "a name missing or listed twice";

  std::vector<std::string> inSlices;
  for (const LibrarySlice& slice : {coreFunctions(), worldFunctions(), guiFunctions(), soundFunctions(), serviceFunctions(),
                                    inputFunctions(), naviFunctions()})
    for (const LibraryFunction& f : slice)
      inSlices.push_back(f.name);
  std::vector<std::string> listed = order;
  std::sort(listed.begin(), listed.end());
  std::sort(inSlices.begin(), inSlices.end());
  EXPECT_EQ(inSlices, listed) << "each listed name must be in exactly one slice, once";

  // What the script host gets follows the list.
  Unbuilt engine;
  ScriptLibrary library(engine.context);
  std::vector<std::string> registered;
  for (const ScriptFunction& f : library.registrations())
    registered.push_back(f.name);
  EXPECT_EQ(registered, order);
}

// With a subsystem it needs missing, a function gives its defaults and its body never runs: it
// would reach through the null pointer.
TEST(ScriptLibrary, WithoutTheSubsystemsItNeedsAFunctionGivesItsDefaults) {
  Unbuilt engine;
  ScriptLibrary library(engine.context);
  const std::vector<LibraryFunction> functions = libraryFunctions();
  const std::vector<ScriptFunction> registrations = library.registrations();
  ASSERT_EQ(functions.size(), registrations.size());
  lua_State* L = luaL_newstate();
  for (size_t i = 0; i < functions.size(); ++i) {
    if (!functions[i].needs)
      continue;
    lua_pushstring(L, registrations[i].name.c_str());
    lua_pushlightuserdata(L, registrations[i].data);
    lua_pushcclosure(L, registrations[i].function, 2);
    ASSERT_EQ(lua_pcall(L, 0, LUA_MULTRET, 0), 0) << functions[i].name;
    std::string results;
    for (int k = 1; k <= lua_gettop(L); ++k)
      results += lua_type(L, k) == LUA_TNUMBER && lua_tonumber(L, k) == 0   ? 'n'
                 : lua_type(L, k) == LUA_TSTRING && lua_objlen(L, k) == 0 ? 's'
                                                                          : '?';
    EXPECT_EQ(results, functions[i].defaults) << functions[i].name;
    lua_settop(L, 0);
  }
  lua_close(L);
}

// The names "function Name(" at the start of a line declares in the text.
static std::set<std::string> declaredIn(const std::string& text) {
  std::set<std::string> names;
  const std::regex declaration(R"((^|\n)function (\w+)\()");
  for (std::sregex_iterator match(text.begin(), text.end(), declaration), end; match != end; ++match)
    names.insert((*match)[2]);
  return names;
}

// The editor's definition file names exactly the registered functions; the events the engine
// calls follow in their own section, and none of them is a library function.
TEST(ScriptLibrary, TheEditorDefinitionsDeclareExactlyTheRegisteredFunctions) {
  std::ifstream in(std::string(TQ_SOURCE_DIR) + "/game/Resource/.meta/engine.lua");
  const std::string text{std::istreambuf_iterator<char>(in), {}};
  const size_t events = text.find("\n-- Events:");
  ASSERT_NE(events, std::string::npos) << "no events section";

  // Run in a bare Lua state, the file must load and define every name it declares.
  lua_State* L = luaL_newstate();
  ASSERT_EQ(luaL_loadbuffer(L, text.data(), text.size(), "engine.lua") || lua_pcall(L, 0, 0, 0), 0) << lua_tostring(L, -1);
  std::set<std::string> defined;
  for (lua_pushnil(L); lua_next(L, LUA_GLOBALSINDEX); lua_pop(L, 1))
    if (lua_isfunction(L, -1))
      defined.insert(lua_tostring(L, -2));
  lua_close(L);

  std::set<std::string> registered;
  for (const LibraryFunction& f : libraryFunctions())
    registered.insert(f.name);
  const std::set<std::string> library = declaredIn(text.substr(0, events));
  std::set<std::string> all = declaredIn(text.substr(events));
  for (const std::string& name : all)
    EXPECT_EQ(registered.count(name), 0u) << name << " is a library function, not an event";
  all.insert(library.begin(), library.end());
  EXPECT_EQ(defined, all);
  EXPECT_EQ(library, registered);
}
