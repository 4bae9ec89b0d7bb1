// The edit state's free-look camera and its end on a held arrow key.
#include "states/EditState.h"

#include "gui/Statistics.h"
#include "world/CameraController.h"

#include <Ogre.h>

// The camera's own yaw, pitch and relative move are what this state has always driven; Ogre 1.12
// marks them deprecated but keeps them.
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"

void EditState::enter() {
  context.statistics.showText("EditState entered");
  context.camera.stopFollowing();
  finished = false;
}

bool EditState::update() {
  for (OIS::KeyCode key : {OIS::KC_UP, OIS::KC_DOWN, OIS::KC_LEFT, OIS::KC_RIGHT})
    if (context.isKeyDown(key))
      finished = true;
  return finished;
}

void EditState::resume() {
  context.statistics.showText("EditState resumed");
}

void EditState::mouseMoved(const OIS::MouseEvent& event) {
  Ogre::Camera& view = context.camera.camera();
  const OIS::MouseState& mouse = event.state;
  if (mouse.X.rel != 0)
    view.yaw(Ogre::Radian(-static_cast<float>(mouse.X.rel) * turnPerUnit * Ogre::Math::fDeg2Rad));
  if (mouse.Y.rel != 0)
    view.pitch(Ogre::Radian(-static_cast<float>(mouse.Y.rel) * turnPerUnit * Ogre::Math::fDeg2Rad));
  // A positive wheel value backs away along the view axis.
  if (mouse.Z.rel != 0)
    view.moveRelative(Ogre::Vector3(0, 0, static_cast<float>(mouse.Z.rel) * travelPerWheelUnit));
}
