// Script functions for actors, collision, splines, scene nodes, the camera and simulation time.
#include "script/functions/ScriptLibrary.h"

std::vector<ScriptFunction> worldFunctions() {
  return {};
}
