// A free-look camera turned and moved by the mouse. Key presses go to the scripts, releases do
// not; a held arrow key, a level load or LeaveEditMode ends it.
#pragma once

#include "states/GameState.h"
#include "states/StateContext.h"

class EditState : public GameState {
public:
  explicit EditState(StateContext context) : context(std::move(context)) {}

  void enter() override;
  bool update() override;
  void resume() override;
  void mouseMoved(const OIS::MouseEvent& event) override;
  void keyPressed(const OIS::KeyEvent& event) override { reportKeyPress(context, event); }
  void leave() override { finished = true; }

  // Degrees of turn per unit of mouse movement, and units of travel per wheel unit.
  static constexpr float turnPerUnit = 0.1f;
  static constexpr float travelPerWheelUnit = 0.02f;

private:
  StateContext context;
};
