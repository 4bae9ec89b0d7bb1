// The registration table: every implemented function at its own place in the fixed order of 73
// names scripts have always seen, none twice.
#include "script/functions/ScriptLibrary.h"

#include <gtest/gtest.h>

#include <set>

TEST(ScriptLibrary, EachFunctionSitsAtItsPlaceInTheFixedOrder) {
  const std::vector<std::string> order = {
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
  ASSERT_EQ(order.size(), 73u);
  std::set<int> positions;
  int previous = 0;
  for (const LibraryFunction& f : libraryFunctions()) {
    ASSERT_GE(f.position, 1) << f.name;
    ASSERT_LE(f.position, 73) << f.name;
    EXPECT_EQ(f.name, order[f.position - 1]) << "at place " << f.position;
    EXPECT_TRUE(positions.insert(f.position).second) << "place taken twice: " << f.position;
    EXPECT_GT(f.position, previous) << "registered out of order: " << f.name;
    previous = f.position;
  }
}
