// The browser's lifetime, the protocol's events, the page calls' queue and the mouse routing.
#include "gui/navi/NaviManager.h"

#include "core/Log.h"
#include "gui/navi/DevTools.h"
#include "platform/Platform.h"

#include <OgreDataStream.h>
#include <OgreImage.h>
#include <Overlay/OgreOverlay.h>
#include <Overlay/OgreOverlayContainer.h>
#include <Overlay/OgreOverlayManager.h>
#include <openssl/evp.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>

namespace NaviLibrary {

NaviManager* NaviManager::instance = nullptr;

namespace {

// A flood of page calls is cut here rather than stalling frames: per frame, and waiting.
const size_t callsPerUpdate = 100;
const size_t callsWaiting = 1000;
const unsigned browserGraceMs = 2000;
// A browser that stops answering is given up like a dead one; a start may take longer on a busy machine.
const uint32_t pingEveryMs = 2000;
const uint32_t answerWithinMs = 10000;
const uint32_t firstAnswerWithinMs = 30000;
// A page closed while it navigates can stay open: the close is asked again until the browser
// reports the page gone.
const uint32_t closeAgainAfterMs = 1000;
const int closeAttempts = 10;

// Screencast frames are decoded on the reader thread; the main thread only uploads them.
void decodeFrame(Incoming& message) {
  const auto method = message.body.find("method");
  if (method == message.body.end() || *method != "Page.screencastFrame")
    return;
  nlohmann::json& params = message.body["params"];
  if (!params.is_object() || !params.contains("data") || !params["data"].is_string())
    return;
  const std::string data = params["data"].get<std::string>();
  params.erase("data");
  std::vector<unsigned char> bytes(data.size() / 4 * 3 + 3);
  const int length = EVP_DecodeBlock(bytes.data(), reinterpret_cast<const unsigned char*>(data.data()),
                                     static_cast<int>(data.size()));
  if (length <= 0)
    return;
  try {
    Ogre::DataStreamPtr stream(new Ogre::MemoryDataStream(bytes.data(), static_cast<size_t>(length), false, true));
    auto image = std::make_shared<Ogre::Image>();
    image->load(stream, "png");
    message.frame = std::move(image);
  } catch (...) {
    // A frame that does not decode is skipped; the next one replaces it.
  }
}

std::string browserProgram() {
  const char* chosen = std::getenv("TQ_BROWSER");
  return chosen && *chosen ? chosen : NaviManager::defaultBrowser;
}

int mouseButtonBit(int button) {
  return button == 0 ? 1 : button == 1 ? 2 : button == 2 ? 4 : 0;
}

const char* mouseButtonName(int button) {
  return button == 0 ? "left" : button == 1 ? "right" : button == 2 ? "middle" : "none";
}

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

// scheme://host:port of an address, lower case, without a default port; "scheme:" when it has no host.
std::string originOf(const std::string& url) {
  const size_t colon = url.find(':');
  if (colon == std::string::npos)
    return std::string();
  std::string scheme = url.substr(0, colon);
  std::transform(scheme.begin(), scheme.end(), scheme.begin(), [](unsigned char c) { return std::tolower(c); });
  if (url.compare(colon, 3, "://") != 0)
    return scheme + ":";
  const size_t start = colon + 3;
  const size_t end = url.find_first_of("/?#", start);
  std::string host = url.substr(start, end == std::string::npos ? std::string::npos : end - start);
  const size_t at = host.rfind('@');
  if (at != std::string::npos)
    host = host.substr(at + 1);
  std::transform(host.begin(), host.end(), host.begin(), [](unsigned char c) { return std::tolower(c); });
  if ((scheme == "http" && host.size() > 3 && host.compare(host.size() - 3, 3, ":80") == 0) ||
      (scheme == "https" && host.size() > 4 && host.compare(host.size() - 4, 4, ":443") == 0))
    host = host.substr(0, host.rfind(':'));
  return scheme + "://" + host;
}

NaviManager::NaviManager(Ogre::Viewport* viewport, const std::string& baseDirectory) : viewport(viewport) {
  instance = this;
  std::string folder = baseDirectory;
  std::replace(folder.begin(), folder.end(), '\\', '/');
  baseFolder = std::filesystem::absolute(folder).lexically_normal().generic_string();
  while (baseFolder.size() > 1 && baseFolder.back() == '/')
    baseFolder.pop_back();
  startBrowser();
}

NaviManager::~NaviManager() {
  while (!navis.empty())
    destroyNavi(navis.back()->getName());
  stopBrowser();
  for (auto& tier : overlays)
    Ogre::OverlayManager::getSingleton().destroy(tier.second);
  if (instance == this)
    instance = nullptr;
}

NaviManager* NaviManager::GetPointer() {
  return instance;
}

void NaviManager::startBrowser() {
  const std::string program = browserProgram();
  if (!platform::isExecutable(program)) {
    core::log("Web panels: no browser at " + program + "; panels stay empty");
    browserLost = true;
    return;
  }
  profileFolder = platform::makePrivateTempDir("tq-browser-");
  if (profileFolder.empty()) {
    core::log("Web panels: no folder for the browser's profile; panels stay empty");
    browserLost = true;
    return;
  }
  std::vector<std::string> arguments = {program, "--headless=new", "--disable-gpu", "--no-first-run",
                                        "--disable-background-networking", "--disable-component-update",
                                        "--disable-sync", "--hide-scrollbars", "--mute-audio",
                                        "--remote-debugging-pipe", "--user-data-dir=" + profileFolder};
  if (platform::runningAsRoot())
    arguments.push_back("--no-sandbox");  // a root process gets no sandbox from the kernel
  arguments.push_back("about:blank");
  // Its own temporary files go inside the profile too, so removing that leaves nothing behind.
  const std::string temporary = profileFolder + "/tmp";
  std::error_code ignored;
  std::filesystem::create_directory(temporary, ignored);
  browser = std::make_unique<DevToolsConnection>(
      [this, arguments, temporary] {
        std::lock_guard<std::mutex> guard(childLock);
        if (closing)
          return DevToolsConnection::Endpoints();
        child = platform::startChild(arguments, {"TMPDIR=" + temporary});
        return DevToolsConnection::Endpoints{child.toChild, child.fromChild};
      },
      decodeFrame);
  browser->send("Target.setDiscoverTargets", {{"discover", true}});
  ping(platform::milliseconds());
}

void NaviManager::ping(uint32_t now) {
  pingSent = now;
  pinging = true;
  browser->send("Browser.getVersion", nlohmann::json::object(), std::string(),
                [this](const nlohmann::json&, const std::string&) {
                  pinging = false;
                  everAnswered = true;
                });
}

void NaviManager::watchBrowser(uint32_t now) {
  if (!pinging) {
    if (now - pingSent >= pingEveryMs)
      ping(now);
    return;
  }
  if (now - pingSent <= (everAnswered ? answerWithinMs : firstAnswerWithinMs))
    return;
  core::log("Web panels: the browser stopped answering; panels stay empty");
  giveUpBrowser();
  std::lock_guard<std::mutex> guard(childLock);
  platform::endChild(child, 0);  // a hung browser would not end on request
}

void NaviManager::stopBrowser() {
  if (!browser)
    return;
  platform::ChildProcess running;
  {
    std::lock_guard<std::mutex> guard(childLock);
    closing = true;
    running = child;
  }
  // Ended while its starting thread still lives, so it shuts down and reaps its own helpers.
  platform::endChild(running, browserGraceMs);
  browser.reset();
  std::error_code ignored;
  std::filesystem::remove_all(profileFolder, ignored);
}

void NaviManager::Update() {
  if (browser)
    browser->poll([this](Incoming& message) { onEvent(message); }, [this](const std::string& reason) { onLost(reason); });
  const uint32_t now = platform::milliseconds();
  if (browser && !browserLost)
    watchBrowser(now);
  for (size_t i = 0; i < navis.size(); ++i)
    navis[i]->update(now);
  if (browser && !browserLost)
    closeAgain(now);
  deliverCalls();
}

void NaviManager::closeTarget(const std::string& target) {
  if (target.empty())
    return;
  // A refusal means the page is gone already (or never was): nothing to ask again.
  browser->send("Target.closeTarget", {{"targetId", target}}, std::string(),
                [this, target](const nlohmann::json&, const std::string& error) {
                  if (!error.empty())
                    closingTargets.erase(target);
                });
  Closing& closing = closingTargets[target];
  closing.sent = platform::milliseconds();
  ++closing.attempts;
}

void NaviManager::closeAgain(uint32_t now) {
  for (auto it = closingTargets.begin(); it != closingTargets.end();) {
    if (now - it->second.sent < closeAgainAfterMs) {
      ++it;
    } else if (it->second.attempts >= closeAttempts) {
      core::log("Web panels: the browser keeps a closed page open: " + it->first);
      it = closingTargets.erase(it);
    } else {
      closeTarget(it->first);
      ++it;
    }
  }
}

void NaviManager::onLost(const std::string& reason) {
  if (browserLost)
    return;  // given up already
  core::log("Web panels: the browser is gone (" + reason + "); panels stay empty");
  giveUpBrowser();
}

void NaviManager::giveUpBrowser() {
  browserLost = true;
  for (auto& navi : navis)
    navi->dropPicture();
}

void NaviManager::onEvent(Incoming& message) {
  const std::string method = message.body.value("method", std::string());
  const nlohmann::json params = message.body.value("params", nlohmann::json::object());
  if (method == "Target.targetDestroyed") {
    closingTargets.erase(params.value("targetId", std::string()));
    return;
  }
  if (method == "Target.targetCreated") {
    // Pop-ups and links into new windows: nothing shows them, so they are closed at once.
    const nlohmann::json info = params.value("targetInfo", nlohmann::json::object());
    if (!info.value("openerId", std::string()).empty()) {
      core::log("Web panels: a pop-up window was closed: " + info.value("url", std::string()));
      closeTarget(info.value("targetId", std::string()));
    }
    return;
  }
  Navi* navi = bySession(message.body.value("sessionId", std::string()));
  if (!navi)
    return;
  if (method == "Page.screencastFrame") {
    if (message.frame) {
      if (navi->pendingAck >= 0)
        browser->send("Page.screencastFrameAck", {{"sessionId", navi->pendingAck}}, navi->sessionId);
      navi->pendingFrame = message.frame;
      navi->pendingAck = params.value("sessionId", -1LL);
    } else {
      browser->send("Page.screencastFrameAck", {{"sessionId", params.value("sessionId", -1LL)}}, navi->sessionId);
    }
  } else if (method == "Runtime.bindingCalled") {
    bindingCalled(*navi, params.value("name", std::string()), params.value("payload", std::string()),
                  params.value("executionContextId", -1LL));
  } else if (method == "Runtime.executionContextCreated") {
    const nlohmann::json context = params.value("context", nlohmann::json::object());
    const nlohmann::json aux = context.value("auxData", nlohmann::json::object());
    navi->contextFrames[context.value("id", -1LL)] = aux.value("frameId", std::string());
  } else if (method == "Runtime.executionContextDestroyed") {
    navi->contextFrames.erase(params.value("executionContextId", -1LL));
  } else if (method == "Runtime.executionContextsCleared") {
    navi->contextFrames.clear();
  } else if (method == "Page.frameNavigated") {
    const nlohmann::json frame = params.value("frame", nlohmann::json::object());
    navi->frameUrls[frame.value("id", std::string())] = frame.value("url", std::string());
  } else if (method == "Page.loadEventFired") {
    navi->loaded();
  } else if (method == "Page.javascriptDialogOpening") {
    core::log("Web panel " + navi->name + ": dialog dismissed: " + params.value("message", std::string()));
    browser->send("Page.handleJavaScriptDialog", {{"accept", false}}, navi->sessionId);
  } else if (method == "Inspector.targetCrashed") {
    core::log("Web panel " + navi->name + ": the page crashed");
  }
}

void NaviManager::bindingCalled(Navi& navi, const std::string& binding, const std::string& payload, long long context) {
  static const std::string prefix = "__navi_";
  if (binding.compare(0, prefix.size(), prefix) != 0)
    return;
  const std::string name = binding.substr(prefix.size());
  if (!navi.bindings.count(name))
    return;
  const auto frame = navi.contextFrames.find(context);
  const std::string url = frame == navi.contextFrames.end() ? std::string() : navi.frameUrls[frame->second];
  if (!navi.originAllowed(url)) {
    const std::string origin = originOf(url);
    if (navi.refusedOrigins.insert(origin).second)
      core::log("Web panel " + navi.name + ": " + name + " refused from " + (origin.empty() ? "an unknown page" : origin));
    return;
  }
  const nlohmann::json values = nlohmann::json::parse(payload, nullptr, false);
  if (!values.is_array()) {
    core::log("Web panel " + navi.name + ": a malformed call of " + name);
    return;
  }
  if (calls.size() >= callsWaiting) {
    if (!callsDropped)
      core::log("Web panel " + navi.name + ": too many calls of " + name + " at once; the rest are dropped");
    callsDropped = true;
    return;
  }
  callsDropped = false;
  Call call{navi.serial, name, {}};
  for (const nlohmann::json& value : values)
    call.arguments.emplace_back(value.is_string() ? value.get<std::string>() : value.dump());
  calls.push_back(std::move(call));
}

void NaviManager::deliverCalls() {
  // Each call is taken off the queue before it runs: the statement may destroy panels, reset
  // them all or queue more calls.
  for (size_t delivered = 0; delivered < callsPerUpdate && !calls.empty(); ++delivered) {
    Call call = std::move(calls.front());
    calls.pop_front();
    Navi* navi = bySerial(call.serial);
    if (!navi)
      continue;
    const auto bound = navi->bindings.find(call.binding);
    if (bound == navi->bindings.end())
      continue;
    NaviCallback callback = bound->second;
    callback(*navi, call.arguments);
  }
}

Navi* NaviManager::createNavi(const std::string& name, uint16_t width, uint16_t height, NaviPosition position,
                              bool movable, int maxUpdatesPerSecond, Tier tier, Ogre::Viewport*) {
  if (getNavi(name)) {
    core::log("Error. Duplicate navi name: " + name);
    return nullptr;
  }
  navis.push_back(std::unique_ptr<Navi>(
      new Navi(*this, nextSerial++, name, width, height, position, movable, maxUpdatesPerSecond, tier)));
  Navi* navi = navis.back().get();
  navi->order = nextOrder++;
  if (!browser || browserLost)
    return navi;
  const uint64_t serial = navi->serial;
  // A window of its own for each page: a page behind another in one window is not drawn.
  browser->send("Target.createTarget", {{"url", "about:blank"}, {"newWindow", true}}, std::string(),
                [this, serial](const nlohmann::json& result, const std::string& error) {
                  const std::string target = result.value("targetId", std::string());
                  Navi* made = bySerial(serial);
                  if (!error.empty() || !made) {
                    if (!error.empty())
                      core::log("Web panels: no page for a panel: " + error);
                    else
                      closeTarget(target);
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
                                    closeTarget(target);
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
  if (focused == gone->serial)
    focused = 0;
  if (dragging == gone->serial)
    dragging = 0;
  if (browser)
    closeTarget(gone->targetId);
}

Navi* NaviManager::bySerial(uint64_t serial) const {
  for (const auto& navi : navis)
    if (navi->serial == serial)
      return navi.get();
  return nullptr;
}

Navi* NaviManager::bySession(const std::string& session) const {
  if (session.empty())
    return nullptr;
  for (const auto& navi : navis)
    if (navi->sessionId == session)
      return navi.get();
  return nullptr;
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
    if (!top || navi->tier > top->tier || (navi->tier == top->tier && navi->order > top->order))
      top = navi.get();
  }
  return top;
}

bool NaviManager::injectMouseMove(int x, int y) {
  const int dx = x - mouseX, dy = y - mouseY;
  mouseX = x;
  mouseY = y;
  if (Navi* dragged = bySerial(dragging)) {
    dragged->left += dx;
    dragged->top += dy;
    if (dragged->element)
      dragged->element->setPosition(static_cast<Ogre::Real>(dragged->left), static_cast<Ogre::Real>(dragged->top));
    return true;
  }
  Navi* top = getTopNavi(x, y);
  if (!top)
    return false;
  top->dispatchMouse("mouseMoved", x - top->left, y - top->top, "none", 0);
  return true;
}

bool NaviManager::injectMouseWheel(int relative) {
  Navi* top = getTopNavi(mouseX, mouseY);
  if (!top)
    return false;
  // OIS counts a notch up as +120; a page scrolls down for a positive delta.
  top->dispatchMouse("mouseWheel", mouseX - top->left, mouseY - top->top, "none", 0, -relative);
  return true;
}

bool NaviManager::injectMouseDown(int button) {
  Navi* top = getTopNavi(mouseX, mouseY);
  if (!top) {
    focused = 0;
    return false;
  }
  top->focus();
  if (top->movable && button == 0) {
    dragging = top->serial;
    return true;
  }
  top->buttons |= mouseButtonBit(button);
  top->dispatchMouse("mousePressed", mouseX - top->left, mouseY - top->top, mouseButtonName(button), 1);
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
  top->buttons &= ~mouseButtonBit(button);
  top->dispatchMouse("mouseReleased", mouseX - top->left, mouseY - top->top, mouseButtonName(button), 1);
  return true;
}

bool NaviManager::hasKeyboardFocus() const {
  const Navi* navi = bySerial(focused);
  return navi && navi->isVisible();
}

}  // namespace NaviLibrary
