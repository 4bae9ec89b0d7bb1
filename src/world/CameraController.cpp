// Camera following: attach, release and the per-step spring (arithmetic in CameraSpring.h).
#include "world/CameraController.h"

#include "core/Log.h"
#include "world/CameraSpring.h"
#include "world/WorldTransform.h"

#include <Ogre.h>

// The camera's own look-at and auto-tracking are what this controller has always driven; Ogre
// 1.12 marks them deprecated in favour of node tracking but keeps them.
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"

CameraController::CameraController(Ogre::SceneManager& sceneManager, std::function<uint32_t()> gameClock)
    : scene(sceneManager), clock(std::move(gameClock)), lastUpdateTime(clock()) {
  ogreCamera = scene.createCamera("camera");
  ogreCamera->setFixedYawAxis(true, Ogre::Vector3::UNIT_Y);
  cameraNode = scene.getRootSceneNode()->createChildSceneNode("_CameraNode", Ogre::Vector3::ZERO,
                                                               Ogre::Quaternion::IDENTITY);
}

CameraController::~CameraController() {
  watch(nullptr, nullptr);
}

void CameraController::watch(Ogre::SceneNode* lookAt, Ogre::SceneNode* follow) {
  for (Ogre::SceneNode* old : {lookAtNode, followNode})
    if (old && old != lookAt && old != follow && old->getListener() == this)
      old->setListener(nullptr);
  for (Ogre::SceneNode* node : {lookAt, follow})
    if (node) {
      if (node->getListener() && node->getListener() != this)
        core::log("Camera: scene node " + node->getName() + " was watched by another listener");
      node->setListener(this);
    }
  lookAtNode = lookAt;
  followNode = follow;
}

void CameraController::nodeDestroyed(const Ogre::Node* node) {
  if (node == lookAtNode) {
    ogreCamera->setAutoTracking(false);
    lookAtNode = nullptr;
  }
  if (node == followNode)
    followNode = nullptr;
}

void CameraController::attachToLevel() {
  Ogre::SceneNode* followed = scene.getSceneNode("_FollowCamera1", false);
  if (followed)
    cameraNode->setPosition(worldPosition(*followed));
  else
    core::log("No scene node _FollowCamera1 in this level: the camera stays free");
  if (ogreCamera->getParentSceneNode())
    ogreCamera->getParentSceneNode()->detachObject(ogreCamera);
  cameraNode->attachObject(ogreCamera);

  Ogre::SceneNode* lookAt = scene.getSceneNode("look_at_node", false);
  if (!lookAt) {
    core::log("No scene node look_at_node in this level: the camera stays free");
    return;
  }
  if (followed)
    follow(lookAt, followed);
}

void CameraController::release() {
  if (ogreCamera->getParentSceneNode() == cameraNode)
    cameraNode->detachObject(ogreCamera);
  stopFollowing();
}

void CameraController::follow(Ogre::SceneNode* lookAt, Ogre::SceneNode* node) {
  ogreCamera->setAutoTracking(lookAt != nullptr, lookAt, Ogre::Vector3::ZERO);
  watch(lookAt, node);
  following = true;
  lastUpdateTime = clock();
}

void CameraController::stopFollowing() {
  ogreCamera->setAutoTracking(false);
  watch(nullptr, nullptr);
  following = false;
  lastUpdateTime = clock();
}

void CameraController::update() {
  if (!following || !followNode)
    return;
  uint32_t now = clock();
  uint32_t dt = now - lastUpdateTime;
  lastUpdateTime = now;
  Ogre::Vector3 position = worldPosition(*cameraNode);
  Ogre::Vector3 target = worldPosition(*followNode);
  camera_spring::step(position, velocity, target, camera_spring::factor(dt, dampening), Ogre::Vector3::ZERO);
  cameraNode->setPosition(position);
}

Ogre::Ray CameraController::cameraRay(float x, float y, unsigned windowWidth, unsigned windowHeight) const {
  return ogreCamera->getCameraToViewportRay(x / static_cast<float>(windowWidth),
                                            y / static_cast<float>(windowHeight));
}
