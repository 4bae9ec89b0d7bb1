// The web-panel library's manager: the registry of panels, each a page of the run's one browser
// (BrowserSession.h). Panels are addressed by name; mouse calls take screen pixels and go to the
// topmost shown panel with a picture under the pointer; the pages' calls of bound functions wait
// in a queue for the per-frame update. No call waits for the browser.
#pragma once

#include "gui/navi/Navi.h"
#include "gui/navi/NaviHost.h"

#include <cstdint>
#include <deque>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace Ogre {
class Overlay;
class Viewport;
}  // namespace Ogre

namespace NaviLibrary {

class BrowserSession;

class NaviManager : private NaviHost {
public:
  // Takes the run's browser session, started earlier.
  NaviManager(Ogre::Viewport* viewport, const std::string& baseDirectory, std::unique_ptr<BrowserSession> browser);
  ~NaviManager();
  NaviManager(const NaviManager&) = delete;
  NaviManager& operator=(const NaviManager&) = delete;

  // Takes what the browser sent, delivers queued page calls, moves fades, uploads frames.
  void Update();

  // Null, with a log line, when the name is taken.
  Navi* createNavi(const std::string& name, uint16_t width, uint16_t height, NaviPosition position, bool movable,
                   int maxUpdatesPerSecond, Tier tier, Ogre::Viewport* viewport);
  Navi* getNavi(const std::string& name) const;
  // "*" gives every panel, in creation order; any other pattern the panel of that name.
  std::vector<Navi*> getNavis(const std::string& pattern) const;
  void destroyNavi(const std::string& name);

  // The panel on top at a screen pixel, or null. Only a shown panel with a picture counts: the
  // player clicks what is on the screen, and an empty panel shows nothing.
  Navi* getTopNavi(int x, int y) const;
  // Each returns whether a panel took the event.
  bool injectMouseMove(int x, int y);
  bool injectMouseWheel(int relative);
  bool injectMouseDown(int button);
  bool injectMouseUp(int button);
  bool hasKeyboardFocus() const;

private:
  struct Call {
    uint64_t serial;
    PageCall call;
  };

  void onPageEvent(Incoming& message);
  void queue(const Navi& navi, PageCall call);
  void deliverCalls();
  Navi* bySession(const std::string& session) const;

  // The panels' channel.
  void send(const std::string& method, nlohmann::json params, const std::string& session,
            DevToolsConnection::Reply reply) override;
  std::string fileUrl(const std::string& file) const override;
  bool inBaseFolder(const std::string& url) const override;
  Ogre::Overlay* tierOverlay(Tier tier) override;
  void focus(uint64_t serial) override;
  uint64_t nextOrder() override;
  Navi* bySerial(uint64_t serial) const override;

  std::string baseFolder;  // absolute, with forward slashes
  std::unique_ptr<BrowserSession> browser;

  std::vector<std::unique_ptr<Navi>> navis;  // in creation order
  uint64_t nextSerial = 1;
  uint64_t lastOrder = 0;
  std::map<int, Ogre::Overlay*> overlays;     // one per tier
  std::deque<Call> calls;
  bool callsDropped = false;

  int mouseX = 0, mouseY = 0;
  uint64_t focused = 0;   // serial of the panel with the keyboard focus, 0 for none
  uint64_t dragging = 0;  // serial of a movable panel being dragged
};

}  // namespace NaviLibrary
