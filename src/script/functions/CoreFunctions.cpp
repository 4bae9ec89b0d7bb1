// Script functions for the core and the scene: text and log, the game clock, level loads,
// entities and scene nodes, sky, fog, compositors, resources, screenshots, the window, other
// VMs. Before the scene exists (the "setup" VM) the scene functions do nothing.
#include "app/GameApp.h"
#include "script/ScriptArgs.h"
#include "script/functions/ScriptGuard.h"
#include "script/functions/ScriptLibrary.h"

#include <Ogre.h>

#include <filesystem>

namespace {

GameApp& app() {
  return *GameApp::current;
}

Ogre::SceneManager* scene() {
  return GameApp::current ? GameApp::current->sceneManager : nullptr;
}

Ogre::RenderWindow* window() {
  return GameApp::current ? GameApp::current->renderWindow : nullptr;
}

Ogre::SceneNode* nodeOrRoot(Ogre::SceneManager& scene, const std::string& name) {
  return name.empty() ? scene.getRootSceneNode() : scene.getSceneNode(name);
}

int ShowText(lua_State* L) {
  return guarded(L, "ShowText", "", [&] {
    app().debugText = argString(L, 1);
    return 0;
  });
}

int LogText(lua_State* L) {
  return guarded(L, "LogText", "", [&] {
    GameApp::log(argString(L, 1));
    return 0;
  });
}

int GetTick(lua_State* L) {
  return guarded(L, "GetTick", "n", [&] {
    lua_pushnumber(L, app().now());
    return 1;
  });
}

int coreLoadLevel(lua_State* L) {
  return guarded(L, "coreLoadLevel", "", [&] {
    app().requestLevel(argString(L, 1));
    return 0;
  });
}

int CreateEntity(lua_State* L) {
  return guarded(L, "CreateEntity", "", [&] {
    if (Ogre::SceneManager* s = scene())
      s->createEntity(argString(L, 1), argString(L, 2));
    return 0;
  });
}

int CreateSceneNode(lua_State* L) {
  return guarded(L, "CreateSceneNode", "", [&] {
    if (Ogre::SceneManager* s = scene())
      nodeOrRoot(*s, argString(L, 1))->createChildSceneNode(argString(L, 2), Ogre::Vector3::ZERO,
                                                            Ogre::Quaternion::IDENTITY);
    return 0;
  });
}

int AttachObject(lua_State* L) {
  return guarded(L, "AttachObject", "", [&] {
    if (Ogre::SceneManager* s = scene()) {
      Ogre::SceneNode* node = s->getSceneNode(argString(L, 1));
      node->attachObject(s->getEntity(argString(L, 2)));
    }
    return 0;
  });
}

int SetSkyBox(lua_State* L) {
  return guarded(L, "SetSkyBox", "", [&] {
    if (Ogre::SceneManager* s = scene())
      s->setSkyBox(true, argString(L, 1), 500, true, Ogre::Quaternion::IDENTITY,
                   Ogre::ResourceGroupManager::DEFAULT_RESOURCE_GROUP_NAME);
    return 0;
  });
}

int SetFog(lua_State* L) {
  return guarded(L, "SetFog", "", [&] {
    if (Ogre::SceneManager* s = scene()) {
      Ogre::ColourValue colour(argFloat(L, 1), argFloat(L, 2), argFloat(L, 3), 1.0f);
      s->setFog(Ogre::FOG_LINEAR, colour, 0.0f, static_cast<Ogre::Real>(argInt(L, 4)),
                static_cast<Ogre::Real>(argInt(L, 5)));
    }
    return 0;
  });
}

int AddCompositor(lua_State* L) {
  return guarded(L, "AddCompositor", "", [&] {
    Ogre::RenderWindow* w = window();
    if (!w || w->getNumViewports() == 0)
      return 0;
    Ogre::Viewport* viewport = w->getViewport(0);
    Ogre::CompositorManager& compositors = Ogre::CompositorManager::getSingleton();
    compositors.getCompositorChain(viewport)->removeAllCompositors();
    std::string name = argString(L, 1);
    if (name.empty())
      return 0;
    if (!compositors.addCompositor(viewport, name, 0)) {
      GameApp::log("AddCompositor: no compositor named " + name);
      return 0;
    }
    compositors.setCompositorEnabled(viewport, name, true);
    return 0;
  });
}

int AddResourceLocation(lua_State* L) {
  return guarded(L, "AddResourceLocation", "", [&] {
    if (!scene())
      return 0;
    std::string group = argString(L, 1);
    std::string location = argString(L, 2);
    std::string type = argString(L, 3);
    if (type == "FileSystem" && !std::filesystem::is_directory(location)) {
      GameApp::log("AddResourceLocation: no such folder: " + location);
      return 0;
    }
    app().addResourceLocation(group, location, type);
    Ogre::ResourceGroupManager::getSingleton().initialiseResourceGroup(group);
    return 0;
  });
}

int SaveScreenshot(lua_State* L) {
  return guarded(L, "SaveScreenshot", "", [&] {
    Ogre::RenderWindow* w = window();
    if (!w)
      return 0;
    std::string file = argString(L, 1);
    std::filesystem::path folder = std::filesystem::path(file).parent_path();
    if (!folder.empty() && !std::filesystem::is_directory(folder)) {
      GameApp::log("SaveScreenshot: no such folder for " + file);
      return 0;
    }
    w->writeContentsToFile(file);
    return 0;
  });
}

int ShutDown(lua_State* L) {
  return guarded(L, "ShutDown", "", [&] {
    app().shutDown(argFlag(L, 1));
    return 0;
  });
}

int FastForward(lua_State* L) {
  return guarded(L, "FastForward", "", [&] {
    app().fastForward(argInt(L, 1));
    return 0;
  });
}

int GetVersion(lua_State* L) {
  return guarded(L, "GetVersion", "s", [&] {
    lua_pushstring(L, app().versionText.c_str());
    return 1;
  });
}

int GetFps(lua_State* L) {
  return guarded(L, "GetFps", "n", [&] {
    Ogre::RenderWindow* w = window();
    lua_pushnumber(L, w ? w->getStatistics().lastFPS : 0.0f);
    return 1;
  });
}

int GetBatchCount(lua_State* L) {
  return guarded(L, "GetBatchCount", "n", [&] {
    Ogre::RenderWindow* w = window();
    lua_pushnumber(L, w ? static_cast<double>(w->getStatistics().batchCount) : 0.0);
    return 1;
  });
}

int GetWindowProperty(lua_State* L) {
  return guarded(L, "GetWindowProperty", "n", [&] {
    std::string property = argString(L, 1);
    Ogre::RenderWindow* w = window();
    if (property == "window_width")
      lua_pushnumber(L, w ? w->getWidth() : 0);
    else if (property == "window_height")
      lua_pushnumber(L, w ? w->getHeight() : 0);
    else {
      GameApp::log("Error. Wrong property name when calling GetWindowProperty(): " + property);
      lua_pushnumber(L, -1);
    }
    return 1;
  });
}

int GetFloatValue(lua_State* L) {
  return guarded(L, "GetFloatValue", "n", [&] {
    ScriptHost& host = app().scripts();
    ScriptVm* vm = host.getVm(argString(L, 1));
    lua_pushnumber(L, vm ? host.getFloat(*vm, argString(L, 2), argString(L, 3)) : 0.0f);
    return 1;
  });
}

int GetStringValue(lua_State* L) {
  return guarded(L, "GetStringValue", "s", [&] {
    std::string value = app().scripts().getStringValue(argString(L, 1), argString(L, 2), argString(L, 3));
    lua_pushlstring(L, value.data(), value.size());
    return 1;
  });
}

int ExecuteCmd(lua_State* L) {
  return guarded(L, "ExecuteCmd", "", [&] {
    ScriptHost& host = app().scripts();
    if (ScriptVm* vm = host.getVm(argString(L, 1)))
      host.runStatement(*vm, argString(L, 2));
    return 0;
  });
}

int GlobalCmd(lua_State* L) {
  return guarded(L, "GlobalCmd", "s", [&] {
    ScriptHost& host = app().scripts();
    std::string previous = host.swapExchange(host.luaVm(), argString(L, 1));
    lua_pushlstring(L, previous.data(), previous.size());
    return 1;
  });
}

}  // namespace

std::vector<ScriptFunction> coreFunctions() {
  return {
      {"ShowText", ShowText},
      {"LogText", LogText},
      {"GetTick", GetTick},
      {"coreLoadLevel", coreLoadLevel},
      {"CreateEntity", CreateEntity},
      {"CreateSceneNode", CreateSceneNode},
      {"AttachObject", AttachObject},
      {"SetSkyBox", SetSkyBox},
      {"SetFog", SetFog},
      {"AddCompositor", AddCompositor},
      {"AddResourceLocation", AddResourceLocation},
      {"SaveScreenshot", SaveScreenshot},
      {"ShutDown", ShutDown},
      {"FastForward", FastForward},
      {"GetVersion", GetVersion},
      {"GetFps", GetFps},
      {"GetBatchCount", GetBatchCount},
      {"GetWindowProperty", GetWindowProperty},
      {"GetFloatValue", GetFloatValue},
      {"GetStringValue", GetStringValue},
      {"ExecuteCmd", ExecuteCmd},
      {"GlobalCmd", GlobalCmd},
  };
}
