// What the game states reach: the camera, the scene they find the level's nodes in, the scripts,
// the debug line and the keyboard.
#pragma once

#include "core/ScriptSink.h"

#include <OISKeyboard.h>

namespace Ogre {
class SceneManager;
}
class CameraController;
class Statistics;

struct StateContext {
  CameraController& camera;
  Ogre::SceneManager& scene;
  ScriptSink& scripts;
  Statistics& statistics;     // the debug line
  const OIS::Keyboard* keyboard;  // null when there is no input system

  bool isKeyDown(OIS::KeyCode key) const { return keyboard && keyboard->isKeyDown(key); }
};

// Reports a key press to the scripts; both states do it alike.
void reportKeyPress(const StateContext& context, const OIS::KeyEvent& event);
