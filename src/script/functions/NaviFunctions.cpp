// Script functions for web panels. Each but ResetNavis needs the GameGui, which exists only from
// after the start level on: before that it logs one line and reads no argument.
#include "core/Log.h"
#include "gui/GameGui.h"
#include "script/ScriptArgs.h"
#include "script/functions/ScriptContext.h"
#include "script/functions/ScriptLibrary.h"

namespace {

GameGui* ready(ScriptContext& engine) {
  if (!engine.gui)
    core::log("ERROR. gamegui not ready yet!");
  return engine.gui;
}

uint16_t argSize(lua_State* L, int index) {
  return static_cast<uint16_t>(argUInt(L, index));
}

int16_t argPosition(lua_State* L, int index) {
  return static_cast<int16_t>(argInt(L, index));
}

}  // namespace

LibrarySlice naviFunctions() {
  return {
      {62, "CreateNavi", "",
       [](lua_State* L, ScriptContext& engine) {
         if (GameGui* gui = ready(engine)) {
           const std::string name = argString(L, 1), source = argString(L, 2);
           const uint16_t width = argSize(L, 3), height = argSize(L, 4);
           const int16_t left = argPosition(L, 5), top = argPosition(L, 6);
           gui->createNavi(name, source, width, height, left, top);
         }
         return 0;
       }},
      {63, "RemoveNavi", "",
       [](lua_State* L, ScriptContext& engine) {
         if (GameGui* gui = ready(engine))
           gui->removeNavi(argString(L, 1));
         return 0;
       }},
      {64, "HideNavi", "",
       [](lua_State* L, ScriptContext& engine) {
         if (GameGui* gui = ready(engine)) {
           const std::string name = argString(L, 1);
           gui->hideNavi(name, argIntFlag(L, 2));
         }
         return 0;
       }},
      {65, "ShowNavi", "",
       [](lua_State* L, ScriptContext& engine) {
         if (GameGui* gui = ready(engine)) {
           const std::string name = argString(L, 1);
           gui->showNavi(name, argIntFlag(L, 2));
         }
         return 0;
       }},
      {66, "SetTransparent", "",
       [](lua_State* L, ScriptContext& engine) {
         if (GameGui* gui = ready(engine)) {
           const std::string name = argString(L, 1);
           gui->setTransparent(name, argIntFlag(L, 2));
         }
         return 0;
       }},
      {67, "SetMovable", "",
       [](lua_State* L, ScriptContext& engine) {
         if (GameGui* gui = ready(engine)) {
           const std::string name = argString(L, 1);
           gui->setMovable(name, argIntFlag(L, 2));
         }
         return 0;
       }},
      {68, "ExecuteNavi", "",
       [](lua_State* L, ScriptContext& engine) {
         if (GameGui* gui = ready(engine)) {
           const std::string name = argString(L, 1), javascript = argString(L, 2);
           gui->executeNavi(name, javascript);
         }
         return 0;
       }},
      {69, "ZoomInNavi", "",
       [](lua_State* L, ScriptContext& engine) {
         if (GameGui* gui = ready(engine))
           gui->zoomInNavi(argString(L, 1));
         return 0;
       }},
      {70, "ZoomOutNavi", "",
       [](lua_State* L, ScriptContext& engine) {
         if (GameGui* gui = ready(engine))
           gui->zoomOutNavi(argString(L, 1));
         return 0;
       }},
      {71, "ResetNavis", "",
       [](lua_State*, ScriptContext& engine) {
         if (engine.gui)
           engine.gui->resetNavis();
         return 0;
       }},
      {72, "RefreshNavi", "",
       [](lua_State* L, ScriptContext& engine) {
         if (GameGui* gui = ready(engine))
           gui->refreshNavi(argString(L, 1));
         return 0;
       }},
      {73, "HasKeyboardFocus", "",
       [](lua_State* L, ScriptContext& engine) {
         if (!ready(engine))
           return 0;
         lua_pushnumber(L, engine.gui->hasKeyboardFocus() ? 1 : 0);
         return 1;
       }},
  };
}
