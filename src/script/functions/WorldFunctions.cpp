// Script functions for actors, collision, splines, scene nodes, the camera and simulation time.
// Before the world exists (the "setup" VM) they do nothing and return their defaults.
#include "app/CameraController.h"
#include "app/GameApp.h"
#include "script/ScriptArgs.h"
#include "script/functions/ScriptGuard.h"
#include "script/functions/ScriptLibrary.h"
#include "world/CollisionManager.h"
#include "world/Simulation.h"

#include <Ogre.h>

namespace {

Simulation* simulation() {
  return GameApp::current ? GameApp::current->simulation.get() : nullptr;
}

CollisionManager* collision() {
  return GameApp::current ? GameApp::current->collisionMgr.get() : nullptr;
}

Ogre::SceneManager* scene() {
  return GameApp::current ? GameApp::current->sceneManager : nullptr;
}

CameraController* camera() {
  return GameApp::current ? GameApp::current->camera.get() : nullptr;
}

Ogre::Vector3 argVector(lua_State* L, int first) {
  return Ogre::Vector3(argFloat(L, first), argFloat(L, first + 1), argFloat(L, first + 2));
}

int pushVector(lua_State* L, const Ogre::Vector3& v) {
  lua_pushnumber(L, v.x);
  lua_pushnumber(L, v.y);
  lua_pushnumber(L, v.z);
  return 3;
}

int pushString(lua_State* L, const std::string& text) {
  lua_pushlstring(L, text.data(), text.size());
  return 1;
}

int AddActor(lua_State* L) {
  return guarded(L, "AddActor", "", [&] {
    if (Simulation* s = simulation())
      s->addActor(argString(L, 1));
    return 0;
  });
}

int AddActorMessage(lua_State* L) {
  return guarded(L, "AddActorMessage", "", [&] {
    ActorMessage message;
    message.actorName = argString(L, 1);
    message.time = argUInt(L, 2);
    message.type = static_cast<ActorMessageType>(argInt(L, 3));
    message.text1 = argString(L, 4);
    message.text2 = argString(L, 5);
    message.vector = argVector(L, 6);
    message.value = argFloat(L, 9);
    Simulation* s = simulation();
    if (!s)
      return 0;
    if (!s->findActor(message.actorName))
      GameApp::log("ERROR. No such actor found: " + message.actorName);
    else
      s->addMessage(std::move(message));
    return 0;
  });
}

int RemoveActor(lua_State* L) {
  return guarded(L, "RemoveActor", "", [&] {
    if (Simulation* s = simulation())
      s->removeActor(argString(L, 1));
    return 0;
  });
}

int GetSimulationTime(lua_State* L) {
  return guarded(L, "GetSimulationTime", "n", [&] {
    Simulation* s = simulation();
    lua_pushnumber(L, s ? s->time : 0);
    return 1;
  });
}

int CreateCollisionSpace(lua_State* L) {
  return guarded(L, "CreateCollisionSpace", "", [&] {
    if (CollisionManager* c = collision())
      c->createSpace(argString(L, 1), argString(L, 2));
    return 0;
  });
}

int RayTest(lua_State* L) {
  return guarded(L, "RayTest", "nnns", [&] {
    CollisionQuery query;
    if (CollisionManager* c = collision())
      c->rayTest(argString(L, 1), argVector(L, 2), argVector(L, 5), argFloat(L, 8), query);
    pushVector(L, query.hitPoint);
    pushString(L, query.hitNode ? query.hitNode->getName() : std::string());
    return 4;
  });
}

int CollisionTest(lua_State* L) {
  return guarded(L, "CollisionTest", "s", [&] {
    CollisionManager* c = collision();
    return pushString(L, c ? c->collisionTest(argString(L, 1), argString(L, 2), false) : std::string());
  });
}

int RegisterCollisionCallback(lua_State* L) {
  return guarded(L, "RegisterCollisionCallback", "", [&] {
    if (Simulation* s = simulation())
      s->registerCollisionCallback({argString(L, 1), argString(L, 2), argString(L, 3), argFlag(L, 4)});
    return 0;
  });
}

int CreateSpline(lua_State* L) {
  return guarded(L, "CreateSpline", "", [&] {
    if (Simulation* s = simulation())
      s->createSpline(argString(L, 1));
    return 0;
  });
}

int AddSplinePoint(lua_State* L) {
  return guarded(L, "AddSplinePoint", "", [&] {
    Simulation* s = simulation();
    if (Spline* spline = s ? s->findSpline(argString(L, 1)) : nullptr)
      spline->curve.addPoint(argVector(L, 2));
    return 0;
  });
}

int InterpolateSpline(lua_State* L) {
  return guarded(L, "InterpolateSpline", "nnn", [&] {
    Simulation* s = simulation();
    Spline* spline = s ? s->findSpline(argString(L, 1)) : nullptr;
    return pushVector(L, spline ? spline->interpolate(argFloat(L, 2)) : Ogre::Vector3::ZERO);
  });
}

int SetPosition(lua_State* L) {
  return guarded(L, "SetPosition", "", [&] {
    if (Ogre::SceneManager* s = scene())
      s->getSceneNode(argString(L, 1))->setPosition(argVector(L, 2));
    return 0;
  });
}

int GetPosition(lua_State* L) {
  return guarded(L, "GetPosition", "nnn", [&] {
    std::string name = argString(L, 1);
    if (name == "camera") {
      CameraController* c = camera();
      return pushVector(L, c ? c->ogreCamera->getRealPosition() : Ogre::Vector3::ZERO);
    }
    Ogre::SceneManager* s = scene();
    if (!s)
      return pushVector(L, Ogre::Vector3::ZERO);
    Ogre::SceneNode* node = s->getSceneNode(name);
    return pushVector(L, argIntFlag(L, 2) ? node->getPosition() : node->_getDerivedPosition());
  });
}

int SetRotation(lua_State* L) {
  return guarded(L, "SetRotation", "", [&] {
    Ogre::SceneManager* s = scene();
    if (!s)
      return 0;
    Ogre::SceneNode* node = s->getSceneNode(argString(L, 1));
    // Ogre's angle-axis rotation assumes a unit axis; scripts need not pass one.
    Ogre::Vector3 axis = argVector(L, 2).normalisedCopy();
    node->setOrientation(Ogre::Quaternion::IDENTITY);
    node->rotate(axis, Ogre::Radian(argFloat(L, 5) * Ogre::Math::fDeg2Rad), Ogre::Node::TS_LOCAL);
    return 0;
  });
}

int GetParent(lua_State* L) {
  return guarded(L, "GetParent", "s", [&] {
    Ogre::SceneManager* s = scene();
    Ogre::Node* parent = s ? s->getSceneNode(argString(L, 1))->getParent() : nullptr;
    return pushString(L, parent ? parent->getName() : std::string());
  });
}

int SetCameraDampening(lua_State* L) {
  return guarded(L, "SetCameraDampening", "", [&] {
    if (CameraController* c = camera())
      c->dampening = argFloat(L, 1);
    return 0;
  });
}

int GetCameraRay(lua_State* L) {
  return guarded(L, "GetCameraRay", "nnnnnn", [&] {
    CameraController* c = camera();
    Ogre::RenderWindow* window = GameApp::current ? GameApp::current->renderWindow : nullptr;
    Ogre::Ray ray(Ogre::Vector3::ZERO, Ogre::Vector3::ZERO);
    if (c && window && window->getWidth() > 0 && window->getHeight() > 0)
      ray = c->cameraRay(argFloat(L, 1), argFloat(L, 2), window->getWidth(), window->getHeight());
    pushVector(L, ray.getOrigin());
    return pushVector(L, ray.getDirection()) + 3;
  });
}

}  // namespace

std::vector<ScriptFunction> worldFunctions() {
  return {
      {"GetSimulationTime", GetSimulationTime},
      {"CreateCollisionSpace", CreateCollisionSpace},
      {"RayTest", RayTest},
      {"CollisionTest", CollisionTest},
      {"RegisterCollisionCallback", RegisterCollisionCallback},
      {"SetCameraDampening", SetCameraDampening},
      {"GetCameraRay", GetCameraRay},
      {"SetPosition", SetPosition},
      {"GetPosition", GetPosition},
      {"SetRotation", SetRotation},
      {"GetParent", GetParent},
      {"AddActor", AddActor},
      {"AddActorMessage", AddActorMessage},
      {"RemoveActor", RemoveActor},
      {"CreateSpline", CreateSpline},
      {"AddSplinePoint", AddSplinePoint},
      {"InterpolateSpline", InterpolateSpline},
  };
}
