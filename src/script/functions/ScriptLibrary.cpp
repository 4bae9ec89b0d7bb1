// The slices merged into registration order, and the guard every function runs in.
#include "script/functions/ScriptLibrary.h"

#include "core/Errors.h"
#include "core/Log.h"

extern "C" {
#include <lua.h>
}

#include <algorithm>
#include <cassert>

namespace {

// The C function behind every library function: upvalue 1 is the name, upvalue 2 its entry.
int guarded(lua_State* L) {
  const auto& entry = *static_cast<const ScriptLibrary::Bound*>(lua_touserdata(L, lua_upvalueindex(2)));
  const int base = lua_gettop(L);
  std::string failure;
  try {
    const int pushed = entry.function.body(L, *entry.context);
    assert(lua_gettop(L) == base + pushed && "a script function's results do not match its stack");
    return pushed;
  } catch (...) {
    failure = core::describeCurrentException();
  }
  lua_settop(L, base);
  core::log(std::string(lua_tostring(L, lua_upvalueindex(1))) + ": " + failure);
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
