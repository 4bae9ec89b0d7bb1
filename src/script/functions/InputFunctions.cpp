// Script functions that touch input handling: leaving the edit camera and the mouse position.
// Both do nothing, or report 0, before input exists (the configuration script, the start level).
#include "script/ScriptArgs.h"
#include "script/functions/ScriptContext.h"
#include "script/functions/ScriptLibrary.h"

#include <cstdint>

namespace {

int LeaveEditMode(lua_State*, ScriptContext& engine) {
  engine.leaveEditMode();
  return 0;
}

int GetMousePosition(lua_State* L, ScriptContext& engine) {
  ScriptContext::MousePosition mouse = engine.mousePosition();
  lua_pushnumber(L, mouse.x);
  lua_pushnumber(L, mouse.y);
  // Only zero or not matters to scripts; the address tells one panel from another.
  lua_pushnumber(L, static_cast<double>(reinterpret_cast<uintptr_t>(mouse.panel)));
  return 3;
}

}  // namespace

LibrarySlice inputFunctions() {
  return {
      {"LeaveEditMode", LeaveEditMode, need::Input, ""},
      {"GetMousePosition", GetMousePosition, need::Input, "nnn"},
  };
}
