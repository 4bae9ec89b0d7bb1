// A game state decides what the keys and the mouse mean and how the camera behaves. The state on
// top of the stack gets the input and is stepped once per 20 ms step; it ends itself by
// returning true from update.
#pragma once

#include <OISKeyboard.h>
#include <OISMouse.h>

class GameState {
public:
  virtual ~GameState() = default;

  virtual void enter() {}
  virtual void exit() {}
  // True when the state is finished and is to be popped.
  virtual bool update() { return true; }
  virtual void pause() {}
  virtual void resume() {}
  virtual void mouseMoved(const OIS::MouseEvent&) {}
  virtual void keyPressed(const OIS::KeyEvent&) {}
  virtual void keyReleased(const OIS::KeyEvent&) {}
  // Asked to end: after a level load, or by the script function LeaveEditMode.
  virtual void leave() {}

protected:
  bool finished = false;
};
