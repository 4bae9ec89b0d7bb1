// The slices merged into registration order, and the guard every function runs in.
#include "script/functions/ScriptLibrary.h"

#include "core/Errors.h"
#include "core/Log.h"
#include "script/functions/ScriptContext.h"

extern "C" {
#include <lua.h>
}

#include <algorithm>
#include <cassert>

namespace {

// The body's result count, or -1 when it threw (after one log line naming the function). No
// exception may leave: Lua unwinds with longjmp.
int runBody(lua_State* L, const ScriptLibrary::Bound& entry, const char* name) noexcept {
  try {
    return entry.function.body(L, *entry.context);
  } catch (...) {
    try {
      core::log(std::string(name) + ": " + core::describeCurrentException());
    } catch (...) {
    }
    return -1;
  }
}

// The C function behind every library function: upvalue 1 is the name, upvalue 2 its entry.
// While a VM closes, the functions only push their defaults: its finalisers run against an
// engine being cleared or torn down, and must leave nothing for the next level.
int guarded(lua_State* L) {
  const auto& entry = *static_cast<const ScriptLibrary::Bound*>(lua_touserdata(L, lua_upvalueindex(2)));
  const int base = lua_gettop(L);
  const ScriptHost* host = entry.context->scripts;
  if (!host || !host->closing()) {
    const int pushed = runBody(L, entry, lua_tostring(L, lua_upvalueindex(1)));
    if (pushed >= 0) {
      assert(lua_gettop(L) == base + pushed && "a script function's results do not match its stack");
      return pushed;
    }
  }
  lua_settop(L, base);
  int pushed = 0;
  for (const char* d = entry.function.defaults; *d; ++d, ++pushed) {
    if (*d == 's')
      lua_pushstring(L, "");
    else
      lua_pushnumber(L, 0);
  }
  return pushed;
}

}  // namespace

std::vector<LibraryFunction> libraryFunctions() {
  std::vector<LibraryFunction> all;
  for (const LibrarySlice& slice : {coreFunctions(), worldFunctions(), guiFunctions(), soundFunctions(), serviceFunctions(),
                                    inputFunctions(), naviFunctions()})
    all.insert(all.end(), slice.begin(), slice.end());
  std::sort(all.begin(), all.end(),
            [](const LibraryFunction& a, const LibraryFunction& b) { return a.position < b.position; });
  return all;
}

ScriptLibrary::ScriptLibrary(ScriptContext& context) {
  for (const LibraryFunction& f : libraryFunctions())
    bound.push_back({f, &context});
}

std::vector<ScriptFunction> ScriptLibrary::registrations() {
  std::vector<ScriptFunction> functions;
  for (Bound& b : bound)
    functions.push_back({b.function.name, guarded, &b});
  return functions;
}
