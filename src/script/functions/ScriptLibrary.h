// The script function library. Each group's source file ends with its slice: one entry per
// function with its place in the registration order, its name, its failure defaults and its body.
// Every function runs through one guard: no C++ exception reaches Lua (which unwinds with
// longjmp), an exception becomes one log line naming the function, and the defaults are pushed.
#pragma once

#include "script/ScriptHost.h"

#include <vector>

struct ScriptContext;

struct LibraryFunction {
  int position;          // in the registration order, 1 to 73
  const char* name;
  const char* defaults;  // pushed when the body fails: 'n' a 0, 's' an empty string
  int (*body)(lua_State* L, ScriptContext& engine);  // returns how many results it pushed
};
using LibrarySlice = std::vector<LibraryFunction>;

LibrarySlice coreFunctions();     // core, scene, clock, VMs
LibrarySlice worldFunctions();    // actors, collision, splines, nodes, camera
LibrarySlice guiFunctions();      // overlay panels, fade, background
LibrarySlice soundFunctions();    // music stream and effects
LibrarySlice inputFunctions();    // edit mode, mouse position
LibrarySlice serviceFunctions();  // browser, downloads, hashes, per-user values
LibrarySlice naviFunctions();     // web panels

// Every slice's functions in registration order.
std::vector<LibraryFunction> libraryFunctions();

// The library bound to one context, for the script host. It must outlive every VM it is
// registered in: each closure points at its entry here.
class ScriptLibrary {
public:
  explicit ScriptLibrary(ScriptContext& context);
  ScriptLibrary(const ScriptLibrary&) = delete;
  ScriptLibrary& operator=(const ScriptLibrary&) = delete;

  std::vector<ScriptFunction> registrations();

  struct Bound {
    LibraryFunction function;
    ScriptContext* context;
  };

private:
  std::vector<Bound> bound;
};
