// The panel registry: pages asked of the browser, their events, the page calls' queue and the mouse routing.
#include "gui/navi/NaviManager.h"

#include "core/Log.h"
#include "gui/navi/BrowserSession.h"
#include "platform/Platform.h"

#include <Overlay/OgreOverlay.h>
#include <Overlay/OgreOverlayManager.h>

#include <algorithm>
#include <filesystem>

namespace NaviLibrary {

namespace {

// A flood of page calls is cut here rather than stalling frames: per frame, and waiting.
const size_t callsPerUpdate = 100;
const size_t callsWaiting = 1000;

std::string percentDecoded(const std::string& text) {
  std::string out;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '%' && i + 2 < text.size() && std::isxdigit(static_cast<unsigned char>(text[i + 1])) &&
        std::isxdigit(static_cast<unsigned char>(text[i + 2]))) {
      out.push_back(static_cast<char>(std::stoi(text.substr(i + 1, 2), nullptr, 16)));
      i += 2;
    } else {
      out.push_back(text[i]);
    }
  }
  return out;
}

}  // namespace

NaviManager::NaviManager(Ogre::Viewport*, const std::string& baseDirectory, std::unique_ptr<BrowserSession> session)
    : browser(std::move(session)) {
  std::string folder = baseDirectory;
  std::replace(folder.begin(), folder.end(), '\\', '/');
  baseFolder = std::filesystem::absolute(folder).lexically_normal().generic_string();
  while (baseFolder.size() > 1 && baseFolder.back() == '/')
    baseFolder.pop_back();
  browser->take([this] {
    for (auto& navi : navis)
      navi->dropPicture();
  });
}

NaviManager::~NaviManager() {
  while (!navis.empty())
    destroyNavi(navis.back()->getName());
  browser.reset();
  for (auto& tier : overlays)
    Ogre::OverlayManager::getSingleton().destroy(tier.second);
}

void NaviManager::Update() {
  browser->poll([this](Incoming& message) { onPageEvent(message); });
  const uint32_t now = platform::milliseconds();
  browser->watch(now);
  for (size_t i = 0; i < navis.size(); ++i)
    navis[i]->update(now);
  browser->closeAgain(now);
  deliverCalls();
}

void NaviManager::onPageEvent(Incoming& message) {
  Navi* navi = bySession(message.body.value("sessionId", std::string()));
  if (!navi)
    return;
  if (std::optional<PageCall> call = navi->onPageEvent(message))
    queue(*navi, std::move(*call));
}

void NaviManager::queue(const Navi& navi, PageCall call) {
  if (calls.size() >= callsWaiting) {
    if (!callsDropped)
      core::log("Web panel " + navi.getName() + ": too many calls of " + call.binding + " at once; the rest are dropped");
    callsDropped = true;
    return;
  }
  callsDropped = false;
  calls.push_back({navi.getSerial(), std::move(call)});
}

void NaviManager::deliverCalls() {
  // Each call is taken off the queue before it runs: the statement may destroy panels, reset
  // them all or queue more calls.
  for (size_t delivered = 0; delivered < callsPerUpdate && !calls.empty(); ++delivered) {
    Call call = std::move(calls.front());
    calls.pop_front();
    if (Navi* navi = bySerial(call.serial))
      navi->call(call.call);
  }
}

Navi* NaviManager::createNavi(const std::string& name, uint16_t width, uint16_t height, NaviPosition position,
                              bool movable, int maxUpdatesPerSecond, Tier tier, Ogre::Viewport*) {
  if (getNavi(name)) {
    core::log("Error. Duplicate navi name: " + name);
    return nullptr;
  }
  NaviHost& host = *this;
  navis.push_back(
      std::make_unique<Navi>(host, nextSerial++, name, width, height, position, movable, maxUpdatesPerSecond, tier));
  Navi* navi = navis.back().get();
  if (!browser->alive())
    return navi;
  const uint64_t serial = navi->getSerial();
  // A window of its own for each page: a page behind another in one window is not drawn.
  browser->send("Target.createTarget", {{"url", "about:blank"}, {"newWindow", true}}, std::string(),
                [this, serial](const nlohmann::json& result, const std::string& error) {
                  const std::string target = result.value("targetId", std::string());
                  Navi* made = bySerial(serial);
                  if (!error.empty() || !made) {
                    if (!error.empty())
                      core::log("Web panels: no page for a panel: " + error);
                    else
                      browser->closeTarget(target);
                    return;
                  }
                  browser->send("Target.attachToTarget", {{"targetId", target}, {"flatten", true}}, std::string(),
                                [this, serial, target](const nlohmann::json& attached, const std::string& failed) {
                                  Navi* page = bySerial(serial);
                                  if (page && failed.empty()) {
                                    page->attach(target, attached.value("sessionId", std::string()));
                                  } else {
                                    if (page)
                                      core::log("Web panel " + page->getName() + ": its page cannot be reached: " + failed);
                                    browser->closeTarget(target);
                                  }
                                });
                });
  return navi;
}

Navi* NaviManager::getNavi(const std::string& name) const {
  for (const auto& navi : navis)
    if (navi->getName() == name)
      return navi.get();
  return nullptr;
}

std::vector<Navi*> NaviManager::getNavis(const std::string& pattern) const {
  std::vector<Navi*> found;
  for (const auto& navi : navis)
    if (pattern == "*" || navi->getName() == pattern)
      found.push_back(navi.get());
  return found;
}

void NaviManager::destroyNavi(const std::string& name) {
  auto found = std::find_if(navis.begin(), navis.end(), [&](const auto& navi) { return navi->getName() == name; });
  if (found == navis.end())
    return;
  std::unique_ptr<Navi> gone = std::move(*found);
  navis.erase(found);
  if (focused == gone->getSerial())
    focused = 0;
  if (dragging == gone->getSerial())
    dragging = 0;
  browser->closeTarget(gone->pageTarget());
}

Navi* NaviManager::bySerial(uint64_t serial) const {
  for (const auto& navi : navis)
    if (navi->getSerial() == serial)
      return navi.get();
  return nullptr;
}

Navi* NaviManager::bySession(const std::string& session) const {
  if (session.empty())
    return nullptr;
  for (const auto& navi : navis)
    if (navi->pageSession() == session)
      return navi.get();
  return nullptr;
}

void NaviManager::send(const std::string& method, nlohmann::json params, const std::string& session,
                       DevToolsConnection::Reply reply) {
  browser->send(method, std::move(params), session, std::move(reply));
}

Ogre::Overlay* NaviManager::tierOverlay(Tier tier) {
  auto found = overlays.find(tier);
  if (found != overlays.end())
    return found->second;
  Ogre::Overlay* overlay = Ogre::OverlayManager::getSingleton().create("NaviTier" + std::to_string(tier));
  // Over the scene and the script's panels, under the statistics overlay.
  overlay->setZOrder(static_cast<Ogre::ushort>(400 + std::clamp(static_cast<int>(tier), 0, 99)));
  overlay->show();
  overlays[tier] = overlay;
  return overlay;
}

void NaviManager::focus(uint64_t serial) {
  focused = serial;
}

uint64_t NaviManager::nextOrder() {
  return ++lastOrder;
}

std::string NaviManager::fileUrl(const std::string& file) const {
  std::string relative = file;
  std::replace(relative.begin(), relative.end(), '\\', '/');
  const std::string path = (std::filesystem::path(baseFolder) / relative).lexically_normal().generic_string();
  static const char hex[] = "0123456789ABCDEF";
  std::string url = "file://";
  for (unsigned char c : path) {
    if (std::isalnum(c) || c == '/' || c == '-' || c == '_' || c == '.' || c == '~') {
      url.push_back(static_cast<char>(c));
    } else {
      url.push_back('%');
      url.push_back(hex[c >> 4]);
      url.push_back(hex[c & 15]);
    }
  }
  return url;
}

bool NaviManager::inBaseFolder(const std::string& url) const {
  if (url.compare(0, 7, "file://") != 0)
    return false;
  std::string path = percentDecoded(url.substr(7, url.find_first_of("?#") == std::string::npos
                                                      ? std::string::npos
                                                      : url.find_first_of("?#") - 7));
  path = std::filesystem::path(path).lexically_normal().generic_string();
  return path.compare(0, baseFolder.size() + 1, baseFolder + "/") == 0;
}

Navi* NaviManager::getTopNavi(int x, int y) const {
  Navi* top = nullptr;
  for (const auto& navi : navis) {
    if (!navi->isVisible() || !navi->painted() || !navi->contains(x, y))
      continue;
    if (!top || navi->liesOver(*top))
      top = navi.get();
  }
  return top;
}

bool NaviManager::injectMouseMove(int x, int y) {
  const int dx = x - mouseX, dy = y - mouseY;
  mouseX = x;
  mouseY = y;
  if (Navi* dragged = bySerial(dragging)) {
    dragged->moveBy(dx, dy);
    return true;
  }
  Navi* top = getTopNavi(x, y);
  if (!top)
    return false;
  top->pointerMoved(x, y);
  return true;
}

bool NaviManager::injectMouseWheel(int relative) {
  Navi* top = getTopNavi(mouseX, mouseY);
  if (!top)
    return false;
  top->wheelTurned(mouseX, mouseY, relative);
  return true;
}

bool NaviManager::injectMouseDown(int button) {
  Navi* top = getTopNavi(mouseX, mouseY);
  if (!top) {
    focused = 0;
    return false;
  }
  top->focus();
  if (top->isMovable() && button == 0) {
    dragging = top->getSerial();
    return true;
  }
  top->buttonChanged(true, button, mouseX, mouseY);
  return true;
}

bool NaviManager::injectMouseUp(int button) {
  if (button == 0 && dragging) {
    dragging = 0;
    return true;
  }
  Navi* top = getTopNavi(mouseX, mouseY);
  if (!top)
    return false;
  top->buttonChanged(false, button, mouseX, mouseY);
  return true;
}

bool NaviManager::hasKeyboardFocus() const {
  const Navi* navi = bySerial(focused);
  return navi && navi->isVisible();
}

}  // namespace NaviLibrary
