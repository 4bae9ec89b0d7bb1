// The script function library. Each group's source file ends with its slice: one entry per
// function with its name, its body, the subsystems it needs and its failure defaults; one list
// gives the registration order. Every function runs through one guard: no C++ exception reaches
// Lua (which unwinds with longjmp), an exception becomes one log line naming the function, and the
// defaults are pushed; so are they, and the body is not run, while a needed subsystem is missing.
#pragma once

#include "script/ScriptHost.h"

#include <vector>

struct ScriptContext;

// The subsystems of the context a body uses. The application sets the pointers of each need
// together and clears them together, and runs no script in between.
namespace need {
enum : unsigned {
  Scene = 1,       // renderer, scene, background
  Window = 2,      // renderer, window, the fade over it
  World = 4,       // simulation, collision, camera, overlay panels
  Sound = 8,       // sound, null when setup.lua turns music off
  WebPanels = 16,  // gui
  Input = 32,      // mouse
};
}  // namespace need

struct LibraryFunction {
  const char* name;
  int (*body)(lua_State* L, ScriptContext& engine);  // returns how many results it pushed
  unsigned needs;        // need:: bits
  const char* defaults;  // pushed when the body fails or cannot run: 'n' a 0, 's' an empty string
};
using LibrarySlice = std::vector<LibraryFunction>;

LibrarySlice coreFunctions();     // core, scene, clock, VMs
LibrarySlice worldFunctions();    // actors, collision, splines, nodes, camera
LibrarySlice guiFunctions();      // overlay panels, fade, background
LibrarySlice soundFunctions();    // music stream and effects
LibrarySlice inputFunctions();    // edit mode, mouse position
LibrarySlice serviceFunctions();  // browser, downloads, hashes, per-user values
LibrarySlice naviFunctions();     // web panels

// The function names in registration order: the one place that gives it.
extern const std::vector<const char*> registrationOrder;

// The slices' functions taken in registration order.
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
