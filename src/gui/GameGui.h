// The scripts' web panels: named HTML pages over the 3-D view, made from files of the game's GUI
// folder or from web addresses. A page drives the game by calling its bound function "Callback"
// with a statement, which runs in the "lua" VM through the sink the application gives. The rest of
// the engine reaches the panels only here: the frame's update, the census and the mouse.
#pragma once

#include "core/ScriptSink.h"
#include "input/WebPanelInput.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace Ogre {
class Viewport;
}
namespace NaviLibrary {
class BrowserSession;
class Navi;
class NaviManager;
class JSValue;
}  // namespace NaviLibrary

class GameGui : public WebPanelInput {
public:
  // viewport: the main camera's; scripts: where the pages' statements run; browser: the run's
  // browser, started at the beginning of the run.
  GameGui(Ogre::Viewport* viewport, ScriptSink& scripts, std::unique_ptr<NaviLibrary::BrowserSession> browser);
  ~GameGui();
  GameGui(const GameGui&) = delete;
  GameGui& operator=(const GameGui&) = delete;

  void createNavi(const std::string& name, const std::string& source, uint16_t width, uint16_t height,
                  int16_t left, int16_t top);
  void removeNavi(const std::string& name);
  void hideNavi(const std::string& name, bool fade);
  void showNavi(const std::string& name, bool fade);
  void setTransparent(const std::string& name, bool transparent);
  void setMovable(const std::string& name, bool movable);
  void executeNavi(const std::string& name, const std::string& javascript);
  void zoomInNavi(const std::string& name);
  void zoomOutNavi(const std::string& name);
  void refreshNavi(const std::string& name);
  // Loads again each panel that shows a page of the game's folder with that file name, or every
  // such panel when the file is no page (a style sheet, a script); how many.
  int reloadPages(const std::string& fileName);
  void resetNavis();

  // Takes what the browser sent, delivers the pages' calls, moves fades, uploads pictures.
  void update();
  size_t panelCount() const;
  bool hasKeyboardFocus() const;
  // The serial of the topmost shown panel with a picture at that window pixel, 0 for none.
  uint64_t getTopNavi(int x, int y) const override;
  // The mouse in window pixels; presses and releases happen where it was last moved.
  void injectMouseMove(int x, int y) override;
  void injectMouseWheel(int relative) override;
  void injectMouseDown(int button) override;
  void injectMouseUp(int button) override;

private:
  void onCallback(NaviLibrary::Navi& caller, const std::vector<NaviLibrary::JSValue>& arguments);
  // The panel of that name, or null after logging the message with the name.
  NaviLibrary::Navi* find(const std::string& name, const char* message);

  std::unique_ptr<NaviLibrary::NaviManager> naviManager;
  ScriptSink& scripts;
};
