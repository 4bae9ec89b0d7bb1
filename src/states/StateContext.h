// What the game states reach: the camera, the scene they find the level's nodes in, and the
// application's script, debug line and keyboard.
#pragma once

#include <OISKeyboard.h>

#include <functional>
#include <string>

namespace Ogre {
class SceneManager;
}
class CameraController;

struct StateContext {
  CameraController* camera = nullptr;
  Ogre::SceneManager* scene = nullptr;
  std::function<void(const std::string&)> runStatement;  // in the "lua" VM
  std::function<void(const std::string&)> showText;      // the statistics' debug line
  std::function<bool(OIS::KeyCode)> isKeyDown;           // false while there is no keyboard
};

// Reports a key press to the scripts; both states do it alike.
void reportKeyPress(const StateContext& context, const OIS::KeyEvent& event);
