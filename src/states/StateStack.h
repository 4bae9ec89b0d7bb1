// The stack of game states; the last one is the top. It only points at the states: GameApp
// owns them for its whole life. Keys and the mouse's movements reach the top state through it.
#pragma once

#include "states/GameState.h"

#include <vector>

class StateStack : public OIS::KeyListener, public OIS::MouseListener {
public:
  // Pushes the state and enters it.
  void push(GameState& state);
  // Exits the top and removes it, then resumes the one below, if any.
  void pop();
  // One step of the top state, popping it when it is finished. False when no state is left:
  // the application then ends.
  bool step();
  // Asks the top state to leave (after a level load); nothing when empty.
  void leaveTop();
  // Asks the state to leave only if it is on top (LeaveEditMode).
  void leaveIfOnTop(GameState& state);
  // Null when empty.
  GameState* top() const { return states.empty() ? nullptr : states.back(); }

  // To the top state; buttons are the web panels' and the scripts' affair.
  bool keyPressed(const OIS::KeyEvent& event) override;
  bool keyReleased(const OIS::KeyEvent& event) override;
  bool mouseMoved(const OIS::MouseEvent& event) override;
  bool mousePressed(const OIS::MouseEvent&, OIS::MouseButtonID) override { return true; }
  bool mouseReleased(const OIS::MouseEvent&, OIS::MouseButtonID) override { return true; }

private:
  std::vector<GameState*> states;
};
