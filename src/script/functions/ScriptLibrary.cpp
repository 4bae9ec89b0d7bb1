// Merges the groups' slices into the one registration order scripts have always seen.
#include "script/functions/ScriptLibrary.h"

#include <map>

const std::vector<std::string>& registrationOrder() {
  static const std::vector<std::string> order = {
      "ShowText", "LogText", "GetTick", "GetSimulationTime", "coreLoadLevel", "CreateEntity",
      "CreateSceneNode", "AttachObject", "SetSkyBox", "SetBackground", "SetFog", "AddCompositor",
      "AddResourceLocation", "SaveScreenshot", "ShutDown", "StartWebBrowser", "GetUrl", "GetHash",
      "FastForward", "GetVersion", "GetFps", "GetBatchCount", "LeaveEditMode", "GetMousePosition",
      "GetRandomHash", "Fade", "WriteReg", "ReadReg", "GetWindowProperty", "CreateCollisionSpace",
      "RayTest", "CollisionTest", "RegisterCollisionCallback", "SetCameraDampening", "GetCameraRay",
      "SetPosition", "GetPosition", "SetRotation", "GetParent", "AddActor", "AddActorMessage",
      "RemoveActor", "CreatePanel", "DestroyPanel", "AddElement", "RemoveElement",
      "SetElementCaption", "SetElementMaterial", "PlayStream", "UnloadStream", "Play2DSound",
      "StopAllSounds", "StopSound", "SetMasterVolume", "CreateSpline", "AddSplinePoint",
      "InterpolateSpline", "GetFloatValue", "GetStringValue", "ExecuteCmd", "GlobalCmd",
      "CreateNavi", "RemoveNavi", "HideNavi", "ShowNavi", "SetTransparent", "SetMovable",
      "ExecuteNavi", "ZoomInNavi", "ZoomOutNavi", "ResetNavis", "RefreshNavi", "HasKeyboardFocus"};
  return order;
}

std::vector<ScriptFunction> scriptLibrary() {
  std::map<std::string, lua_CFunction> byName;
  for (const auto& slice : {coreFunctions(), worldFunctions(), serviceFunctions()})
    for (const ScriptFunction& f : slice)
      byName.emplace(f.name, f.function);
  std::vector<ScriptFunction> library;
  for (const std::string& name : registrationOrder()) {
    auto found = byName.find(name);
    if (found != byName.end())
      library.push_back({name.c_str(), found->second});  // the order table outlives every VM
  }
  return library;
}
