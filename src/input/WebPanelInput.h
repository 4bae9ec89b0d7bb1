// The web panels' share of the mouse, as the input code sees it: which panel is under a point,
// and the mouse events a panel is given. The application implements it over the panel library.
#pragma once

#include <cstdint>

class WebPanelInput {
public:
  virtual ~WebPanelInput() = default;

  // The serial of the topmost panel at window pixel (x, y), or 0 where there is none.
  virtual uint64_t getTopNavi(int x, int y) = 0;
  virtual void injectMouseWheel(int relativeZ) = 0;
  virtual void injectMouseMove(int x, int y) = 0;
  virtual void injectMouseDown(int button) = 0;
  virtual void injectMouseUp(int button) = 0;
};
