// The web-panel library's manager: one headless Chromium per run, started in the background and
// driven over its DevTools pipe, one page per panel. Panels are addressed by name; mouse calls
// take screen pixels and go to the topmost shown panel with a picture under the pointer. No call
// waits for the browser: without one (missing, failed, dead) panels keep their names and stay empty.
#pragma once

#include "gui/navi/Navi.h"
#include "platform/ChildProcess.h"

#include <cstdint>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace Ogre {
class Overlay;
class Viewport;
}  // namespace Ogre

namespace NaviLibrary {

class DevToolsConnection;
struct Incoming;

class NaviManager {
public:
  // The browser program, when TQ_BROWSER does not name another.
  static constexpr const char* defaultBrowser = "/usr/bin/chromium";

  NaviManager(Ogre::Viewport* viewport, const std::string& baseDirectory);
  ~NaviManager();
  NaviManager(const NaviManager&) = delete;
  NaviManager& operator=(const NaviManager&) = delete;

  static NaviManager* GetPointer();

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
  friend class Navi;
  struct Call {
    uint64_t serial;
    std::string binding;
    JSArguments arguments;
  };
  // A page asked to close: when last, and how often.
  struct Closing {
    uint32_t sent = 0;
    int attempts = 0;
  };

  void startBrowser();
  void stopBrowser();
  void onEvent(Incoming& message);
  void onLost(const std::string& reason);
  void giveUpBrowser();
  // Asks the browser for a sign of life every few seconds; one that stays silent is given up.
  void ping(uint32_t now);
  void watchBrowser(uint32_t now);
  void bindingCalled(Navi& navi, const std::string& binding, const std::string& payload, long long context);
  void deliverCalls();
  void closeTarget(const std::string& target);
  void closeAgain(uint32_t now);
  Navi* bySerial(uint64_t serial) const;
  Navi* bySession(const std::string& session) const;
  Ogre::Overlay* tierOverlay(Tier tier);
  std::string fileUrl(const std::string& file) const;
  bool inBaseFolder(const std::string& url) const;

  static NaviManager* instance;

  Ogre::Viewport* viewport;
  std::string baseFolder;  // absolute, with forward slashes
  std::unique_ptr<DevToolsConnection> browser;
  std::mutex childLock;    // the child is started on the connection's reader thread
  platform::ChildProcess child;
  bool closing = false;
  std::string profileFolder;
  bool browserLost = false;
  uint32_t pingSent = 0;
  bool pinging = false;
  bool everAnswered = false;

  std::vector<std::unique_ptr<Navi>> navis;  // in creation order
  uint64_t nextSerial = 1;
  uint64_t nextOrder = 1;
  std::map<int, Ogre::Overlay*> overlays;     // one per tier
  std::deque<Call> calls;
  std::map<std::string, Closing> closingTargets;  // asked to close, not yet reported gone
  bool callsDropped = false;

  int mouseX = 0, mouseY = 0;
  uint64_t focused = 0;   // serial of the panel with the keyboard focus, 0 for none
  uint64_t dragging = 0;  // serial of a movable panel being dragged
};

}  // namespace NaviLibrary
