// Script functions for web panels. Each but ResetNavis needs the GameGui, which exists only from
// after the start level on: before that it logs one line and reads no argument.
#include "core/Log.h"
#include "gui/GameGui.h"
#include "gui/navi/NaviManager.h"
#include "script/ScriptArgs.h"
#include "script/functions/ScriptContext.h"
#include "script/functions/ScriptLibrary.h"

namespace {

// Called by the bodies instead of needing the web panels: a missing GameGui is logged, which
// the guard's defaults alone would not do.
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

int CreateNavi(lua_State* L, ScriptContext& engine) {
  if (GameGui* gui = ready(engine)) {
    const std::string name = argString(L, 1), source = argString(L, 2);
    const uint16_t width = argSize(L, 3), height = argSize(L, 4);
    const int16_t left = argPosition(L, 5), top = argPosition(L, 6);
    gui->createNavi(name, source, width, height, left, top);
  }
  return 0;
}

int RemoveNavi(lua_State* L, ScriptContext& engine) {
  if (GameGui* gui = ready(engine))
    gui->removeNavi(argString(L, 1));
  return 0;
}

int HideNavi(lua_State* L, ScriptContext& engine) {
  if (GameGui* gui = ready(engine)) {
    const std::string name = argString(L, 1);
    gui->hideNavi(name, argIntFlag(L, 2));
  }
  return 0;
}

int ShowNavi(lua_State* L, ScriptContext& engine) {
  if (GameGui* gui = ready(engine)) {
    const std::string name = argString(L, 1);
    gui->showNavi(name, argIntFlag(L, 2));
  }
  return 0;
}

int SetTransparent(lua_State* L, ScriptContext& engine) {
  if (GameGui* gui = ready(engine)) {
    const std::string name = argString(L, 1);
    gui->setTransparent(name, argIntFlag(L, 2));
  }
  return 0;
}

int SetMovable(lua_State* L, ScriptContext& engine) {
  if (GameGui* gui = ready(engine)) {
    const std::string name = argString(L, 1);
    gui->setMovable(name, argIntFlag(L, 2));
  }
  return 0;
}

int ExecuteNavi(lua_State* L, ScriptContext& engine) {
  if (GameGui* gui = ready(engine)) {
    const std::string name = argString(L, 1), javascript = argString(L, 2);
    gui->executeNavi(name, javascript);
  }
  return 0;
}

int ZoomInNavi(lua_State* L, ScriptContext& engine) {
  if (GameGui* gui = ready(engine))
    gui->zoomInNavi(argString(L, 1));
  return 0;
}

int ZoomOutNavi(lua_State* L, ScriptContext& engine) {
  if (GameGui* gui = ready(engine))
    gui->zoomOutNavi(argString(L, 1));
  return 0;
}

int ResetNavis(lua_State*, ScriptContext& engine) {
  engine.gui->resetNavis();
  return 0;
}

int RefreshNavi(lua_State* L, ScriptContext& engine) {
  if (GameGui* gui = ready(engine))
    gui->refreshNavi(argString(L, 1));
  return 0;
}

int HasKeyboardFocus(lua_State* L, ScriptContext& engine) {
  if (!ready(engine))
    return 0;
  lua_pushnumber(L, engine.gui->hasKeyboardFocus() ? 1 : 0);
  return 1;
}

}  // namespace

LibrarySlice naviFunctions() {
  return {
      {"CreateNavi", CreateNavi, 0, ""},
      {"RemoveNavi", RemoveNavi, 0, ""},
      {"HideNavi", HideNavi, 0, ""},
      {"ShowNavi", ShowNavi, 0, ""},
      {"SetTransparent", SetTransparent, 0, ""},
      {"SetMovable", SetMovable, 0, ""},
      {"ExecuteNavi", ExecuteNavi, 0, ""},
      {"ZoomInNavi", ZoomInNavi, 0, ""},
      {"ZoomOutNavi", ZoomOutNavi, 0, ""},
      {"ResetNavis", ResetNavis, need::WebPanels, ""},
      {"RefreshNavi", RefreshNavi, 0, ""},
      {"HasKeyboardFocus", HasKeyboardFocus, 0, ""},
  };
}
