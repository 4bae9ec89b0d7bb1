// Script functions that touch input handling: leaving the edit camera and the mouse position.
// Both do nothing, or report 0, before input exists (the configuration script, the start level).
#include "script/ScriptArgs.h"
#include "script/functions/ScriptContext.h"
#include "script/functions/ScriptLibrary.h"


LibrarySlice inputFunctions() {
  return {
      {23, "LeaveEditMode", "",
       [](lua_State*, ScriptContext& engine) {
         if (engine.leaveEditMode)
           engine.leaveEditMode();
         return 0;
       }},
      {24, "GetMousePosition", "nnn",
       [](lua_State* L, ScriptContext& engine) {
         ScriptContext::MousePosition mouse;
         if (engine.mousePosition)
           mouse = engine.mousePosition();
         lua_pushnumber(L, mouse.x);
         lua_pushnumber(L, mouse.y);
         // Only zero or not matters to scripts; the serial tells one panel from another.
         lua_pushnumber(L, static_cast<double>(mouse.panel));
         return 3;
       }},
  };
}
