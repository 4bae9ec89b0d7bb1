// Pushing, popping and stepping the game states, and handing input to the top one.
#include "states/StateStack.h"

void StateStack::push(GameState& state) {
  states.push_back(&state);
  state.enter();
}

void StateStack::pop() {
  if (states.empty())
    return;
  states.back()->exit();
  states.pop_back();
  if (!states.empty())
    states.back()->resume();
}

bool StateStack::step() {
  if (states.empty())
    return false;
  if (states.back()->update())
    pop();
  return !states.empty();
}

void StateStack::leaveTop() {
  if (!states.empty())
    states.back()->leave();
}

void StateStack::leaveIfOnTop(GameState& state) {
  if (top() == &state)
    state.leave();
}

bool StateStack::keyPressed(const OIS::KeyEvent& event) {
  if (GameState* state = top())
    state->keyPressed(event);
  return true;
}

bool StateStack::keyReleased(const OIS::KeyEvent& event) {
  if (GameState* state = top())
    state->keyReleased(event);
  return true;
}

bool StateStack::mouseMoved(const OIS::MouseEvent& event) {
  if (GameState* state = top())
    state->mouseMoved(event);
  return true;
}
