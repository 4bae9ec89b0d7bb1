// The registration order, the slices taken in it, and the guard every function runs in.
#include "script/functions/ScriptLibrary.h"

#include "core/Errors.h"
#include "core/Log.h"
#include "script/functions/ScriptContext.h"

extern "C" {
#include <lua.h>
}

#include <cassert>
#include <cstring>

namespace {

// The body's result count, or -1 when it threw (after one log line naming the function). No
// exception may leave: Lua unwinds with longjmp.
int runBody(lua_State* L, const ScriptLibrary::Bound& entry, const char* name) noexcept {
  try {
    return entry.function.body(L, *entry.context);
  } catch (...) {
    try {
      core::log(std::string(name) + ": " + core::describeCurrentException());
    } catch (...) {
    }
    return -1;
  }
}

// True when a subsystem of the needs is missing from the context.
bool lacks(unsigned needs, const ScriptContext& engine) {
  return ((needs & need::Scene) && !(engine.renderer && engine.scene && engine.background)) ||
         ((needs & need::Window) && !(engine.renderer && engine.window && engine.fader)) ||
         ((needs & need::World) && !(engine.simulation && engine.collision && engine.camera && engine.overlays)) ||
         ((needs & need::Sound) && !engine.sound) ||
         ((needs & need::WebPanels) && !engine.gui) ||
         ((needs & need::Input) && !engine.mouse);
}

// The C function behind every library function: upvalue 1 is the name, upvalue 2 its entry.
// The functions only push their defaults while a subsystem they need is missing (the "setup" VM
// runs before any exists) and while a VM closes: its finalisers run against an engine being
// cleared or torn down, and must leave nothing for the next level.
int guarded(lua_State* L) {
  const auto& entry = *static_cast<const ScriptLibrary::Bound*>(lua_touserdata(L, lua_upvalueindex(2)));
  const int base = lua_gettop(L);
  if (!entry.context->scripts.closing() && !lacks(entry.function.needs, *entry.context)) {
    const int pushed = runBody(L, entry, lua_tostring(L, lua_upvalueindex(1)));
    if (pushed >= 0) {
      assert(lua_gettop(L) == base + pushed && "a script function's results do not match its stack");
      return pushed;
    }
  }
  lua_settop(L, base);
  int pushed = 0;
  for (const char* d = entry.function.defaults; *d; ++d, ++pushed) {
    if (*d == 's')
      lua_pushstring(L, "");
    else
      lua_pushnumber(L, 0);
  }
  return pushed;
}

}  // namespace

const std::vector<const char*> registrationOrder = {
    "ShowText", "LogText", "GetTick", "GetSimulationTime", "coreLoadLevel", "CreateEntity", "CreateSceneNode",
    "AttachObject", "SetSkyBox", "SetBackground", "SetFog", "AddCompositor", "AddResourceLocation",
    "SaveScreenshot", "ShutDown", "StartWebBrowser", "GetUrl", "GetHash", "FastForward", "GetVersion",
    "GetFps", "GetBatchCount", "LeaveEditMode", "GetMousePosition", "GetRandomHash", "Fade", "WriteReg",
    "ReadReg", "GetWindowProperty", "CreateCollisionSpace", "RayTest", "CollisionTest",
    "RegisterCollisionCallback", "SetCameraDampening", "GetCameraRay", "SetPosition", "GetPosition",
    "SetRotation", "GetParent", "AddActor", "AddActorMessage", "RemoveActor", "CreatePanel", "DestroyPanel",
    "AddElement", "RemoveElement", "SetElementCaption", "SetElementMaterial", "PlayStream", "UnloadStream",
    "Play2DSound", "StopAllSounds", "StopSound", "SetMasterVolume", "CreateSpline", "AddSplinePoint",
    "InterpolateSpline", "GetFloatValue", "GetStringValue", "ExecuteCmd", "GlobalCmd", "CreateNavi",
    "RemoveNavi", "HideNavi", "ShowNavi", "SetTransparent", "SetMovable", "ExecuteNavi", "ZoomInNavi",
    "ZoomOutNavi", "ResetNavis", "RefreshNavi", "HasKeyboardFocus",
};

std::vector<LibraryFunction> libraryFunctions() {
  std::vector<LibraryFunction> sliced;
  for (const LibrarySlice& slice : {coreFunctions(), worldFunctions(), guiFunctions(), soundFunctions(), serviceFunctions(),
                                    inputFunctions(), naviFunctions()})
    sliced.insert(sliced.end(), slice.begin(), slice.end());
  // Whatever the list and the slices disagree on leaves other than 73 distinct names here.
  std::vector<LibraryFunction> all;
  for (const char* name : registrationOrder)
    for (const LibraryFunction& f : sliced)
      if (std::strcmp(f.name, name) == 0)
        all.push_back(f);
  return all;
}

ScriptLibrary::ScriptLibrary(ScriptContext& context) {
  for (const LibraryFunction& f : libraryFunctions())
    bound.push_back({f, &context});
}

std::vector<ScriptFunction> ScriptLibrary::registrations() {
  std::vector<ScriptFunction> functions;
  for (Bound& b : bound)
    functions.push_back({b.function.name, guarded, &b});
  return functions;
}
