// Script functions for overlay panels and elements, the screen fade and the background. Before
// the window exists (the "setup" VM) they do nothing and CreatePanel returns "".
#include "gui/Background.h"
#include "gui/OverlayMgr.h"
#include "script/ScriptArgs.h"
#include "script/functions/ScriptContext.h"
#include "script/functions/ScriptLibrary.h"
#include "world/Simulation.h"

#include <Overlay/OgreOverlayElement.h>
#include <Overlay/OgreOverlayManager.h>

namespace {

OverlayMgr* overlays(ScriptContext& engine) {
  return engine.simulation ? engine.simulation->overlays() : nullptr;
}

}  // namespace

LibrarySlice guiFunctions() {
  return {
      {10, "SetBackground", "",
       [](lua_State* L, ScriptContext& engine) {
         if (engine.background)
           engine.background->set(argString(L, 1));
         return 0;
       }},
      {26, "Fade", "",
       [](lua_State* L, ScriptContext& engine) {
         if (engine.startFade)
           engine.startFade(argFlag(L, 1), argNumber(L, 2));
         return 0;
       }},
      {43, "CreatePanel", "s",
       [](lua_State* L, ScriptContext& engine) {
         const std::string text = argString(L, 1);
         const float x = argFloat(L, 2), y = argFloat(L, 3);
         return pushString(L, engine.simulation ? engine.simulation->createPanel(text, x, y) : std::string());
       }},
      {44, "DestroyPanel", "",
       [](lua_State* L, ScriptContext& engine) {
         if (OverlayMgr* panels = overlays(engine))
           panels->destroyPanel(argString(L, 1));
         return 0;
       }},
      {45, "AddElement", "",
       [](lua_State* L, ScriptContext& engine) {
         if (OverlayMgr* panels = overlays(engine))
           panels->showElement(argString(L, 1));
         return 0;
       }},
      {46, "RemoveElement", "",
       [](lua_State* L, ScriptContext& engine) {
         if (OverlayMgr* panels = overlays(engine))
           panels->hideElement(argString(L, 1));
         return 0;
       }},
      {47, "SetElementCaption", "",
       [](lua_State* L, ScriptContext& engine) {
         if (OverlayMgr* panels = overlays(engine))
           panels->setElementCaption(argString(L, 1), argString(L, 2));
         return 0;
       }},
      {48, "SetElementMaterial", "",
       [](lua_State* L, ScriptContext& engine) {
         // A missing element or material throws, and the guard logs it.
         const std::string element = argString(L, 1), material = argString(L, 2);
         if (overlays(engine))
           Ogre::OverlayManager::getSingleton().getOverlayElement(element)->setMaterialName(material);
         return 0;
       }},
  };
}
