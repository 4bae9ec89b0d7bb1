// The play state's hold on the camera, and its key releases.
#include "states/PlayState.h"

#include "core/Log.h"
#include "states/KeyStatements.h"
#include "gui/Statistics.h"
#include "world/CameraController.h"

#include <Ogre.h>

// The camera's own position is what this state has always reset; Ogre 1.12 marks it deprecated.
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"

void PlayState::enter() {
  context.statistics.showText("PlayState entered");
  finished = false;
  followLevel();
}

void PlayState::exit() {
  context.camera.stopFollowing();
}

void PlayState::resume() {
  context.camera.camera().setPosition(Ogre::Vector3::ZERO);
  followLevel();
}

void PlayState::keyReleased(const OIS::KeyEvent& event) {
  context.scripts.run(key_statements::released(event.key, event.text));
}

void PlayState::followLevel() {
  Ogre::SceneNode* lookAt = context.scene.getSceneNode("look_at_node", false);
  Ogre::SceneNode* follow = context.scene.getSceneNode("_FollowCamera1", false);
  // A level without them still plays: no tracking, or a camera that stays where it is.
  if (!lookAt || !follow)
    core::log(std::string("PlayState: this level has no scene node ") +
              (!lookAt && !follow ? "look_at_node or _FollowCamera1" : !lookAt ? "look_at_node" : "_FollowCamera1") +
              ": the camera does not follow it");
  context.camera.follow(lookAt, follow);
}
