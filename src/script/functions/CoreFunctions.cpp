// Script functions for the core and the scene: text and log, the game clock, level loads,
// entities and scene nodes, sky, fog, compositors, resources, screenshots, the window, other
// VMs. Before the scene exists (the "setup" VM) the scene functions do nothing.
#include "core/Log.h"
#include "gui/Statistics.h"
#include "render/Renderer.h"
#include "script/ScriptArgs.h"
#include "script/functions/ScriptContext.h"
#include "script/functions/ScriptLibrary.h"

#include <Ogre.h>


namespace {

Ogre::SceneNode* nodeOrRoot(Ogre::SceneManager& scene, const std::string& name) {
  return name.empty() ? scene.getRootSceneNode() : scene.getSceneNode(name);
}

int ShowText(lua_State* L, ScriptContext& engine) {
  engine.statistics.showText(argString(L, 1));
  return 0;
}

int LogText(lua_State* L, ScriptContext&) {
  core::log(argString(L, 1));
  return 0;
}

int GetTick(lua_State* L, ScriptContext& engine) {
  lua_pushnumber(L, engine.app.now());
  return 1;
}

int coreLoadLevel(lua_State* L, ScriptContext& engine) {
  engine.app.requestLevel(argString(L, 1));
  return 0;
}

int CreateEntity(lua_State* L, ScriptContext& engine) {
  engine.scene->createEntity(argString(L, 1), argString(L, 2));
  return 0;
}

int CreateSceneNode(lua_State* L, ScriptContext& engine) {
  nodeOrRoot(*engine.scene, argString(L, 1))
      ->createChildSceneNode(argString(L, 2), Ogre::Vector3::ZERO, Ogre::Quaternion::IDENTITY);
  return 0;
}

int AttachObject(lua_State* L, ScriptContext& engine) {
  engine.scene->getSceneNode(argString(L, 1))->attachObject(engine.scene->getEntity(argString(L, 2)));
  return 0;
}

int SetSkyBox(lua_State* L, ScriptContext& engine) {
  engine.scene->setSkyBox(true, argString(L, 1), 500, true, Ogre::Quaternion::IDENTITY,
                          Ogre::ResourceGroupManager::DEFAULT_RESOURCE_GROUP_NAME);
  return 0;
}

int SetFog(lua_State* L, ScriptContext& engine) {
  Ogre::ColourValue colour(argFloat(L, 1), argFloat(L, 2), argFloat(L, 3), 1.0f);
  engine.scene->setFog(Ogre::FOG_LINEAR, colour, 0.0f, static_cast<Ogre::Real>(argInt(L, 4)),
                       static_cast<Ogre::Real>(argInt(L, 5)));
  return 0;
}

int AddCompositor(lua_State* L, ScriptContext& engine) {
  engine.renderer->setCompositor(argString(L, 1));
  return 0;
}

int AddResourceLocation(lua_State* L, ScriptContext& engine) {
  engine.renderer->addResourceLocation(argString(L, 1), argString(L, 2), argString(L, 3));
  return 0;
}

int SaveScreenshot(lua_State* L, ScriptContext& engine) {
  engine.renderer->saveScreenshot(argString(L, 1));
  return 0;
}

int ShutDown(lua_State* L, ScriptContext& engine) {
  engine.app.shutDown(argFlag(L, 1));
  return 0;
}

int FastForward(lua_State* L, ScriptContext& engine) {
  engine.app.fastForward(argInt(L, 1));
  return 0;
}

int GetVersion(lua_State* L, ScriptContext& engine) {
  return pushString(L, engine.version);
}

int GetFps(lua_State* L, ScriptContext& engine) {
  lua_pushnumber(L, engine.window->getStatistics().lastFPS);
  return 1;
}

int GetBatchCount(lua_State* L, ScriptContext& engine) {
  lua_pushnumber(L, static_cast<double>(engine.window->getStatistics().batchCount));
  return 1;
}

// The window is checked here, not needed: a wrong name logs and gives -1 with or without it.
int GetWindowProperty(lua_State* L, ScriptContext& engine) {
  std::string property = argString(L, 1);
  Ogre::RenderWindow* w = engine.window;
  if (property == "window_width")
    lua_pushnumber(L, w ? w->getWidth() : 0);
  else if (property == "window_height")
    lua_pushnumber(L, w ? w->getHeight() : 0);
  else {
    core::log("Error. Wrong property name when calling GetWindowProperty(): " + property);
    lua_pushnumber(L, -1);
  }
  return 1;
}

int GetFloatValue(lua_State* L, ScriptContext& engine) {
  ScriptVm* vm = engine.scripts.getVm(argString(L, 1));
  lua_pushnumber(L, vm ? engine.scripts.getFloat(*vm, argString(L, 2), argString(L, 3)) : 0.0f);
  return 1;
}

int GetStringValue(lua_State* L, ScriptContext& engine) {
  return pushString(L, engine.scripts.getStringValue(argString(L, 1), argString(L, 2), argString(L, 3)));
}

int ExecuteCmd(lua_State* L, ScriptContext& engine) {
  if (ScriptVm* vm = engine.scripts.getVm(argString(L, 1)))
    engine.scripts.runStatement(*vm, argString(L, 2));
  return 0;
}

int GlobalCmd(lua_State* L, ScriptContext& engine) {
  return pushString(L, engine.scripts.swapExchange(engine.scripts.luaVm(), argString(L, 1)));
}

}  // namespace

LibrarySlice coreFunctions() {
  return {
      {"ShowText", ShowText, 0, ""},
      {"LogText", LogText, 0, ""},
      {"GetTick", GetTick, 0, "n"},
      {"coreLoadLevel", coreLoadLevel, 0, ""},
      {"CreateEntity", CreateEntity, need::Scene, ""},
      {"CreateSceneNode", CreateSceneNode, need::Scene, ""},
      {"AttachObject", AttachObject, need::Scene, ""},
      {"SetSkyBox", SetSkyBox, need::Scene, ""},
      {"SetFog", SetFog, need::Scene, ""},
      {"AddCompositor", AddCompositor, need::Window, ""},
      {"AddResourceLocation", AddResourceLocation, need::Scene, ""},
      {"SaveScreenshot", SaveScreenshot, need::Window, ""},
      {"ShutDown", ShutDown, 0, ""},
      {"FastForward", FastForward, 0, ""},
      {"GetVersion", GetVersion, 0, "s"},
      {"GetFps", GetFps, need::Window, "n"},
      {"GetBatchCount", GetBatchCount, need::Window, "n"},
      {"GetWindowProperty", GetWindowProperty, 0, "n"},
      {"GetFloatValue", GetFloatValue, 0, "n"},
      {"GetStringValue", GetStringValue, 0, "s"},
      {"ExecuteCmd", ExecuteCmd, 0, ""},
      {"GlobalCmd", GlobalCmd, 0, "s"},
  };
}
