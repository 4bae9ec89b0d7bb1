// The one headless Chromium of a run: started in the background with a DevTools pipe, pinged
// while it runs, given up when it dies or stops answering. Pages it keeps open after a close are
// asked again. Without a browser every call here does nothing, so panels just stay empty.
#pragma once

#include "gui/navi/DevTools.h"
#include "platform/ChildProcess.h"

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>

namespace NaviLibrary {

class BrowserSession {
public:
  // The browser program, when TQ_BROWSER does not name another.
  static constexpr const char* defaultBrowser = "/usr/bin/chromium";

  // Starts the browser in the background, so that it starts beside whatever the process does
  // next; nothing is logged until the session is taken.
  BrowserSession();
  // Ends the browser and removes its profile.
  ~BrowserSession();
  BrowserSession(const BrowserSession&) = delete;
  BrowserSession& operator=(const BrowserSession&) = delete;

  // The panels that take the session: a start that failed is logged now, and from now on givenUp
  // runs once, from poll() or watch(), when the browser is lost.
  void take(std::function<void()> givenUp);
  // Started and not given up: new pages may be asked for.
  bool alive() const { return connection && !lost; }
  void send(const std::string& method, nlohmann::json params, const std::string& session = {},
            DevToolsConnection::Reply reply = {});
  // Takes what the browser sent: its own events are handled here, those of pages go to onPageEvent.
  void poll(const std::function<void(Incoming&)>& onPageEvent);
  // Asks the browser for a sign of life every few seconds; one that stays silent is given up.
  void watch(uint32_t now);
  void closeTarget(const std::string& target);
  void closeAgain(uint32_t now);

private:
  // A page asked to close: when last, and how often.
  struct Closing {
    uint32_t sent = 0;
    int attempts = 0;
  };

  void start();
  void stop();
  void onEvent(Incoming& message, const std::function<void(Incoming&)>& onPageEvent);
  void onLost(const std::string& reason);
  void giveUp();
  void ping(uint32_t now);

  std::function<void()> givenUp;
  std::string startFailure;  // logged when the session is taken
  std::unique_ptr<DevToolsConnection> connection;
  std::mutex childLock;  // the child is started on the connection's reader thread
  platform::ChildProcess child;
  bool closing = false;
  std::string profileFolder;
  bool lost = false;
  uint32_t pingSent = 0;
  bool pinging = false;
  bool everAnswered = false;
  std::map<std::string, Closing> closingTargets;  // asked to close, not yet reported gone
};

}  // namespace NaviLibrary
