// The normal game: the camera follows "_FollowCamera1" and looks at "look_at_node", and every
// key press and release goes to the scripts.
#pragma once

#include "states/GameState.h"
#include "states/StateContext.h"

class PlayState : public GameState {
public:
  explicit PlayState(StateContext context) : context(std::move(context)) {}

  void enter() override;
  void exit() override;
  bool update() override { return finished; }
  void resume() override;
  void keyPressed(const OIS::KeyEvent& event) override { reportKeyPress(context, event); }
  void keyReleased(const OIS::KeyEvent& event) override;

private:
  // Looks the level's camera nodes up and follows them; a missing node counts as none.
  void followLevel();

  StateContext context;
};
