// Camera following: attach, release and the per-step spring (arithmetic in CameraSpring.h).
#include "app/CameraController.h"

#include "app/CameraSpring.h"
#include "app/GameApp.h"

#include <Ogre.h>

// The camera's own look-at and auto-tracking are what this controller has always driven; Ogre
// 1.12 marks them deprecated in favour of node tracking but keeps them.
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"

namespace {
uint32_t gameNow() {
  return GameApp::current ? GameApp::current->now() : 0;
}
}  // namespace

CameraController::CameraController(Ogre::SceneManager& sceneManager) : scene(sceneManager) {
  lastUpdateTime = gameNow();
  ogreCamera = scene.createCamera("camera");
  ogreCamera->setFixedYawAxis(true, Ogre::Vector3::UNIT_Y);
  cameraNode = scene.getRootSceneNode()->createChildSceneNode("_CameraNode", Ogre::Vector3::ZERO,
                                                               Ogre::Quaternion::IDENTITY);
}

void CameraController::attachToLevel() {
  Ogre::SceneNode* follow = scene.hasSceneNode("_FollowCamera1") ? scene.getSceneNode("_FollowCamera1") : nullptr;
  if (follow)
    cameraNode->setPosition(follow->_getDerivedPosition());
  else
    GameApp::log("No scene node _FollowCamera1 in this level: the camera stays free");
  if (ogreCamera->getParentSceneNode())
    ogreCamera->getParentSceneNode()->detachObject(ogreCamera);
  cameraNode->attachObject(ogreCamera);

  lookAtNode = scene.hasSceneNode("look_at_node") ? scene.getSceneNode("look_at_node") : nullptr;
  if (!lookAtNode) {
    GameApp::log("No scene node look_at_node in this level: the camera stays free");
    return;
  }
  if (!follow)
    return;
  followNode = follow;
  if (mode == 0)
    ogreCamera->setAutoTracking(true, lookAtNode, Ogre::Vector3::ZERO);
  mode = 1;
  lastUpdateTime = gameNow();
}

void CameraController::release() {
  if (ogreCamera->getParentSceneNode() == cameraNode)
    cameraNode->detachObject(ogreCamera);
  followNode = nullptr;
  lookAtNode = nullptr;
  if (mode == 1)
    ogreCamera->setAutoTracking(false);
  mode = 0;
  lastUpdateTime = gameNow();
}

void CameraController::update() {
  if (mode != 1)
    return;
  uint32_t now = gameNow();
  uint32_t dt = now - lastUpdateTime;
  lastUpdateTime = now;
  Ogre::Vector3 position = cameraNode->_getDerivedPosition();
  Ogre::Vector3 target = followNode->_getDerivedPosition();
  camera_spring::step(position, velocity, target, camera_spring::factor(dt, dampening), Ogre::Vector3::ZERO);
  cameraNode->setPosition(position);
}

Ogre::Ray CameraController::cameraRay(float x, float y, unsigned windowWidth, unsigned windowHeight) const {
  return ogreCamera->getCameraToViewportRay(x / static_cast<float>(windowWidth),
                                            y / static_cast<float>(windowHeight));
}
