// Script functions for actors, collision, splines, scene nodes, the camera and simulation time.
// Before the world exists (the "setup" VM) they do nothing and return their defaults.
#include "core/Log.h"
#include "script/ScriptArgs.h"
#include "script/functions/ScriptContext.h"
#include "script/functions/ScriptLibrary.h"
#include "world/CameraController.h"
#include "world/CollisionManager.h"
#include "world/Simulation.h"
#include "world/WorldTransform.h"

#include <Ogre.h>

namespace {

Ogre::Vector3 argVector(lua_State* L, int first) {
  return Ogre::Vector3(argFloat(L, first), argFloat(L, first + 1), argFloat(L, first + 2));
}

int pushVector(lua_State* L, const Ogre::Vector3& v) {
  lua_pushnumber(L, v.x);
  lua_pushnumber(L, v.y);
  lua_pushnumber(L, v.z);
  return 3;
}

int GetSimulationTime(lua_State* L, ScriptContext& engine) {
  lua_pushnumber(L, engine.simulation->time);
  return 1;
}

int CreateCollisionSpace(lua_State* L, ScriptContext& engine) {
  engine.collision->createSpace(argString(L, 1), argString(L, 2));
  return 0;
}

int RayTest(lua_State* L, ScriptContext& engine) {
  CollisionQuery query;
  engine.collision->rayTest(argString(L, 1), argVector(L, 2), argVector(L, 5), argFloat(L, 8), query);
  pushVector(L, query.hitPoint);
  return 3 + pushString(L, query.hitNode ? query.hitNode->getName() : std::string());
}

int CollisionTest(lua_State* L, ScriptContext& engine) {
  return pushString(L, engine.collision->collisionTest(argString(L, 1), argString(L, 2), false));
}

int RegisterCollisionCallback(lua_State* L, ScriptContext& engine) {
  engine.simulation->registerCollisionCallback({argString(L, 1), argString(L, 2), argString(L, 3), argFlag(L, 4)});
  return 0;
}

int SetCameraDampening(lua_State* L, ScriptContext& engine) {
  engine.camera->setDampening(argFloat(L, 1));
  return 0;
}

int GetCameraRay(lua_State* L, ScriptContext& engine) {
  Ogre::RenderWindow* window = engine.window;
  Ogre::Ray ray(Ogre::Vector3::ZERO, Ogre::Vector3::ZERO);
  if (window->getWidth() > 0 && window->getHeight() > 0)
    ray = engine.camera->cameraRay(argFloat(L, 1), argFloat(L, 2), window->getWidth(), window->getHeight());
  pushVector(L, ray.getOrigin());
  return 3 + pushVector(L, ray.getDirection());
}

int SetPosition(lua_State* L, ScriptContext& engine) {
  engine.scene->getSceneNode(argString(L, 1))->setPosition(argVector(L, 2));
  return 0;
}

// Checked here, not needed: "camera" wants only the camera, any other name only the scene.
int GetPosition(lua_State* L, ScriptContext& engine) {
  std::string name = argString(L, 1);
  if (name == "camera")
    return pushVector(L, engine.camera ? engine.camera->camera().getRealPosition() : Ogre::Vector3::ZERO);
  if (!engine.scene)
    return pushVector(L, Ogre::Vector3::ZERO);
  Ogre::SceneNode* node = engine.scene->getSceneNode(name);
  return pushVector(L, argIntFlag(L, 2) ? node->getPosition() : worldPosition(*node));
}

int SetRotation(lua_State* L, ScriptContext& engine) {
  Ogre::SceneNode* node = engine.scene->getSceneNode(argString(L, 1));
  // Ogre's angle-axis rotation assumes a unit axis; scripts need not pass one.
  Ogre::Vector3 axis = argVector(L, 2).normalisedCopy();
  node->setOrientation(Ogre::Quaternion::IDENTITY);
  node->rotate(axis, Ogre::Radian(argFloat(L, 5) * Ogre::Math::fDeg2Rad), Ogre::Node::TS_LOCAL);
  return 0;
}

int GetParent(lua_State* L, ScriptContext& engine) {
  Ogre::Node* parent = engine.scene->getSceneNode(argString(L, 1))->getParent();
  return pushString(L, parent ? parent->getName() : std::string());
}

int AddActor(lua_State* L, ScriptContext& engine) {
  engine.simulation->addActor(argString(L, 1));
  return 0;
}

int AddActorMessage(lua_State* L, ScriptContext& engine) {
  ActorMessage message;
  message.actorName = argString(L, 1);
  message.time = argUInt(L, 2);
  message.type = static_cast<ActorMessageType>(argInt(L, 3));
  message.text1 = argString(L, 4);
  message.text2 = argString(L, 5);
  message.vector = argVector(L, 6);
  message.value = argFloat(L, 9);
  if (!engine.simulation->findActor(message.actorName))
    core::log("ERROR. No such actor found: " + message.actorName);
  else
    engine.simulation->addMessage(std::move(message));
  return 0;
}

int RemoveActor(lua_State* L, ScriptContext& engine) {
  engine.simulation->removeActor(argString(L, 1));
  return 0;
}

int CreateSpline(lua_State* L, ScriptContext& engine) {
  engine.simulation->createSpline(argString(L, 1));
  return 0;
}

int AddSplinePoint(lua_State* L, ScriptContext& engine) {
  if (Spline* spline = engine.simulation->findSpline(argString(L, 1)))
    spline->curve.addPoint(argVector(L, 2));
  return 0;
}

int InterpolateSpline(lua_State* L, ScriptContext& engine) {
  Spline* spline = engine.simulation->findSpline(argString(L, 1));
  return pushVector(L, spline ? spline->interpolate(argFloat(L, 2)) : Ogre::Vector3::ZERO);
}

}  // namespace

LibrarySlice worldFunctions() {
  return {
      {"GetSimulationTime", GetSimulationTime, need::World, "n"},
      {"CreateCollisionSpace", CreateCollisionSpace, need::World, ""},
      {"RayTest", RayTest, need::World, "nnns"},
      {"CollisionTest", CollisionTest, need::World, "s"},
      {"RegisterCollisionCallback", RegisterCollisionCallback, need::World, ""},
      {"SetCameraDampening", SetCameraDampening, need::World, ""},
      {"GetCameraRay", GetCameraRay, need::World | need::Window, "nnnnnn"},
      {"SetPosition", SetPosition, need::Scene, ""},
      {"GetPosition", GetPosition, 0, "nnn"},
      {"SetRotation", SetRotation, need::Scene, ""},
      {"GetParent", GetParent, need::Scene, "s"},
      {"AddActor", AddActor, need::World, ""},
      {"AddActorMessage", AddActorMessage, need::World, ""},
      {"RemoveActor", RemoveActor, need::World, ""},
      {"CreateSpline", CreateSpline, need::World, ""},
      {"AddSplinePoint", AddSplinePoint, need::World, ""},
      {"InterpolateSpline", InterpolateSpline, need::World, "nnn"},
  };
}
