// The web panels' share of the mouse, as the input code sees it: which panel is under a point,
// and the mouse events a panel is given. The application implements it over the panel library.
#pragma once

class WebPanelInput {
public:
  virtual ~WebPanelInput() = default;

  // The topmost panel at window pixel (x, y), or null where there is none.
  virtual const void* getTopNavi(int x, int y) = 0;
  virtual void injectMouseWheel(int relativeZ) = 0;
  virtual void injectMouseMove(int x, int y) = 0;
  virtual void injectMouseDown(int button) = 0;
  virtual void injectMouseUp(int button) = 0;
};
