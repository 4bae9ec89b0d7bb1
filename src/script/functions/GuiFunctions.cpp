// Script functions for overlay panels and elements, the screen fade and the background. Before
// the window exists (the "setup" VM) they do nothing and CreatePanel returns "".
#include "gui/Background.h"
#include "gui/Fader.h"
#include "gui/OverlayMgr.h"
#include "script/ScriptArgs.h"
#include "script/functions/ScriptContext.h"
#include "script/functions/ScriptLibrary.h"

#include <Overlay/OgreOverlayElement.h>
#include <Overlay/OgreOverlayManager.h>

namespace {

int SetBackground(lua_State* L, ScriptContext& engine) {
  engine.background->set(argString(L, 1));
  return 0;
}

int Fade(lua_State* L, ScriptContext& engine) {
  engine.fader->start(argFlag(L, 1), argNumber(L, 2));
  return 0;
}

int CreatePanel(lua_State* L, ScriptContext& engine) {
  const std::string text = argString(L, 1);
  const float x = argFloat(L, 2), y = argFloat(L, 3);
  return pushString(L, engine.overlays->createPanel(text, x, y));
}

int DestroyPanel(lua_State* L, ScriptContext& engine) {
  engine.overlays->destroyPanel(argString(L, 1));
  return 0;
}

int AddElement(lua_State* L, ScriptContext& engine) {
  engine.overlays->showElement(argString(L, 1));
  return 0;
}

int RemoveElement(lua_State* L, ScriptContext& engine) {
  engine.overlays->hideElement(argString(L, 1));
  return 0;
}

int SetElementCaption(lua_State* L, ScriptContext& engine) {
  engine.overlays->setElementCaption(argString(L, 1), argString(L, 2));
  return 0;
}

int SetElementMaterial(lua_State* L, ScriptContext&) {
  // A missing element or material throws, and the guard logs it.
  const std::string element = argString(L, 1), material = argString(L, 2);
  Ogre::OverlayManager::getSingleton().getOverlayElement(element)->setMaterialName(material);
  return 0;
}

}  // namespace

LibrarySlice guiFunctions() {
  return {
      {"SetBackground", SetBackground, need::Scene, ""},
      {"Fade", Fade, need::Window, ""},
      {"CreatePanel", CreatePanel, need::World, "s"},
      {"DestroyPanel", DestroyPanel, need::World, ""},
      {"AddElement", AddElement, need::World, ""},
      {"RemoveElement", RemoveElement, need::World, ""},
      {"SetElementCaption", SetElementCaption, need::World, ""},
      {"SetElementMaterial", SetElementMaterial, need::World, ""},
  };
}
