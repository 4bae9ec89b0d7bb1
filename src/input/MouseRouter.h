// Mouse events go to the web panels first: a press or release over a panel is the panel's, one
// elsewhere becomes a MousePressed or MouseReleased statement for the scripts. Movements feed
// the panels, then the top game state. Keeps the last position for GetMousePosition.
#pragma once

#include "input/WebPanelInput.h"

#include <OISMouse.h>

#include <cstdint>
#include <functional>
#include <string>

struct MouseTargets {
  WebPanelInput* panels = nullptr;
  std::function<void(const std::string&)> runStatement;  // in the "lua" VM
  std::function<void()> playClick;                       // the click of every left press
  std::function<void(const OIS::MouseEvent&)> stateMouseMoved;  // the top game state's share
};

class MouseRouter {
public:
  explicit MouseRouter(MouseTargets targets) : targets(std::move(targets)) {}

  void mouseMoved(const OIS::MouseEvent& event);
  void mousePressed(const OIS::MouseEvent& event, OIS::MouseButtonID button);
  void mouseReleased(const OIS::MouseEvent& event, OIS::MouseButtonID button);

  // Where the last movement, press or release found the pointer, and the panel under it (0 for none).
  int x() const { return lastX; }
  int y() const { return lastY; }
  uint64_t panel() const { return panelUnderMouse; }

  // "MousePressed(512, 384, 0)": the statement for a press or release.
  static std::string statement(const char* function, int x, int y, int button);

private:
  // The panels press and release where the pointer was last moved, and OIS reports the move
  // that came with a click after the click: they are moved to the click first.
  void movePanelsTo(const OIS::MouseState& mouse);
  // The panels' share of a press: true when a panel took it.
  bool guiMousePressed(const OIS::MouseEvent& event, OIS::MouseButtonID button);

  MouseTargets targets;
  int lastX = 0;
  int lastY = 0;
  uint64_t panelUnderMouse = 0;
};
