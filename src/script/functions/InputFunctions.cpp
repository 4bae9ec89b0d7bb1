// Script functions that touch input handling: leaving the edit camera and the mouse position.
// Both do nothing, or report 0, before input exists (the configuration script, the start level).
#include "input/MouseRouter.h"
#include "script/ScriptArgs.h"
#include "script/functions/ScriptContext.h"
#include "script/functions/ScriptLibrary.h"

namespace {

int LeaveEditMode(lua_State*, ScriptContext& engine) {
  engine.app.leaveEditMode();
  return 0;
}

int GetMousePosition(lua_State* L, ScriptContext& engine) {
  lua_pushnumber(L, engine.mouse->x());
  lua_pushnumber(L, engine.mouse->y());
  // Only zero or not matters to scripts; the number tells one panel from another.
  lua_pushnumber(L, static_cast<double>(engine.mouse->panel()));
  return 3;
}

}  // namespace

LibrarySlice inputFunctions() {
  return {
      {"LeaveEditMode", LeaveEditMode, need::Input, ""},
      {"GetMousePosition", GetMousePosition, need::Input, "nnn"},
  };
}
