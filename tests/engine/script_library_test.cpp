// The registration table: 73 functions at places of their own, and the editor definitions that
// name exactly them.
#include "script/functions/ScriptLibrary.h"

extern "C" {
#include <lauxlib.h>
#include <lua.h>
}

#include <gtest/gtest.h>

#include <fstream>
#include <regex>
#include <set>
#include <sstream>

// The names themselves are checked against the editor definitions below.
TEST(ScriptLibrary, SeventyThreeFunctionsEachAtAPlaceOfItsOwn) {
  std::set<int> places;
  for (const LibraryFunction& f : libraryFunctions())
    EXPECT_TRUE(places.insert(f.position).second) << "place taken twice: " << f.position;
  ASSERT_EQ(places.size(), 73u);
  EXPECT_EQ(*places.begin(), 1);
  EXPECT_EQ(*places.rbegin(), 73);
}

namespace {

std::string readSourceFile(const std::string& path) {
  std::ifstream in(std::string(TQ_SOURCE_DIR) + "/" + path);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

std::set<std::string> registeredNames() {
  std::set<std::string> names;
  for (const LibraryFunction& f : libraryFunctions())
    names.insert(f.name);
  return names;
}

// The names "function Name(" declares in the text.
std::set<std::string> declaredIn(const std::string& text) {
  std::set<std::string> names;
  const std::regex declaration(R"(^function (\w+)\()");
  std::istringstream lines(text);
  for (std::string line; std::getline(lines, line);) {
    std::smatch match;
    if (std::regex_search(line, match, declaration))
      names.insert(match[1]);
  }
  return names;
}

// What the names lack of the registered ones and what they have besides; empty when they match.
std::string unlikeRegistry(const std::set<std::string>& names) {
  std::string report;
  for (const std::string& name : registeredNames())
    if (!names.count(name))
      report += " missing " + name;
  for (const std::string& name : names)
    if (!registeredNames().count(name))
      report += " unknown " + name;
  return report;
}

}  // namespace

// The editor's definition file names exactly the registered functions; the events the engine
// calls follow in their own section.
TEST(ScriptLibrary, TheEditorDefinitionsDeclareExactlyTheRegisteredFunctions) {
  const std::string path = "game/Resource/.meta/engine.lua";
  const std::string text = readSourceFile(path);
  ASSERT_FALSE(text.empty()) << path;
  const size_t events = text.find("\n-- Events:");
  ASSERT_NE(events, std::string::npos) << "no events section in " << path;

  // Run in a bare Lua state, the file must load and define every name it declares.
  lua_State* L = luaL_newstate();
  ASSERT_EQ(luaL_loadbuffer(L, text.data(), text.size(), path.c_str()), 0) << lua_tostring(L, -1);
  ASSERT_EQ(lua_pcall(L, 0, 0, 0), 0) << lua_tostring(L, -1);
  std::set<std::string> defined;
  lua_pushnil(L);
  while (lua_next(L, LUA_GLOBALSINDEX)) {
    if (lua_isfunction(L, -1))
      defined.insert(lua_tostring(L, -2));
    lua_pop(L, 1);
  }
  lua_close(L);

  const std::set<std::string> library = declaredIn(text.substr(0, events));
  const std::set<std::string> eventNames = declaredIn(text.substr(events));
  std::set<std::string> all = library;
  all.insert(eventNames.begin(), eventNames.end());
  EXPECT_EQ(defined, all);
  EXPECT_EQ(unlikeRegistry(library), "");
  for (const std::string& name : eventNames)
    EXPECT_EQ(registeredNames().count(name), 0u) << name << " is a library function, not an event";
}
