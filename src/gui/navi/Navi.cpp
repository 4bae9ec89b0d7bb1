// One panel: its page's setup over the protocol, its picture in an overlay element, its fades.
#include "gui/navi/Navi.h"

#include "core/Errors.h"
#include "core/Log.h"
#include "gui/navi/DevTools.h"
#include "gui/navi/NaviHost.h"
#include "platform/Platform.h"

#include <OgreHardwarePixelBuffer.h>
#include <OgreImage.h>
#include <OgreMaterialManager.h>
#include <OgrePass.h>
#include <OgreTechnique.h>
#include <OgreTextureManager.h>
#include <Overlay/OgreOverlay.h>
#include <Overlay/OgreOverlayContainer.h>
#include <Overlay/OgreOverlayManager.h>

#include <algorithm>

namespace NaviLibrary {

namespace {

// The browser's page and the texture stay within what a GPU and a renderer take; a larger
// panel shows its picture stretched.
const unsigned largestPage = 4096;
// A script that runs longer is stopped, so an endless loop cannot hang the page for good.
const int scriptTimeoutMs = 2000;
const double zoomStep = 1.1;
// Calls made before the page is ready wait for it, this many at most: a script that calls every
// step into a page that never loads (no browser) would otherwise fill memory through the level.
const size_t deferredCalls = 500;
const char group[] = "General";

unsigned pageSize(unsigned size) {
  return std::clamp(size, 1u, largestPage);
}

// Defines the page's function over the raw binding: any number of arguments of any type, each
// passed in JavaScript's own string conversion. Pop-ups are off: nothing could show them.
std::string bindingScript(const std::string& name) {
  const nlohmann::json quoted = name, raw = "__navi_" + name;
  return "(function(){var b=window[" + raw.dump() + "];if(!b)return;window[" + quoted.dump() +
         "]=function(){b(JSON.stringify(Array.prototype.map.call(arguments,String)));};"
         "window.open=function(){return null;};})();";
}

int mouseButtonBit(int button) {
  return button == 0 ? 1 : button == 1 ? 2 : button == 2 ? 4 : 0;
}

const char* mouseButtonName(int button) {
  return button == 0 ? "left" : button == 1 ? "right" : button == 2 ? "middle" : "none";
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

Navi::Navi(NaviHost& host, uint64_t serial, const std::string& name, uint16_t width, uint16_t height,
           NaviPosition position, bool movable, int updatesPerSecond, Tier tier)
    : host(host), serial(serial), name(name), width(width), height(height), left(position.left),
      top(position.top), movable(movable),
      updateInterval(updatesPerSecond > 0 ? static_cast<uint32_t>(1000 / updatesPerSecond) : 0), tier(tier),
      order(host.nextOrder()) {
  materialName = "Navi/" + std::to_string(serial) + "/Material";
  textureName = "Navi/" + std::to_string(serial) + "/Texture";
  try {
    Ogre::MaterialPtr material = Ogre::MaterialManager::getSingleton().create(materialName, group);
    Ogre::Pass* pass = material->getTechnique(0)->getPass(0);
    pass->setLightingEnabled(false);
    pass->setDepthCheckEnabled(false);
    pass->setDepthWriteEnabled(false);
    pass->setCullingMode(Ogre::CULL_NONE);
    pass->setSceneBlending(Ogre::SBT_TRANSPARENT_ALPHA);
    Ogre::TextureUnitState* unit = pass->createTextureUnitState();
    unit->setTextureAddressingMode(Ogre::TextureUnitState::TAM_CLAMP);
    unit->setTextureFiltering(Ogre::TFO_BILINEAR);
    element = static_cast<Ogre::OverlayContainer*>(
        Ogre::OverlayManager::getSingleton().createOverlayElement("Panel", "Navi/" + std::to_string(serial)));
    element->setMetricsMode(Ogre::GMM_PIXELS);
    element->setPosition(static_cast<Ogre::Real>(left), static_cast<Ogre::Real>(top));
    element->setDimensions(width, height);
    element->setMaterialName(materialName);
    element->hide();
    host.tierOverlay(tier)->add2D(element);
  } catch (...) {
    core::log("Web panel " + name + ": it cannot be drawn: " + core::describeCurrentException());
  }
}

Navi::~Navi() {
  try {
    if (element) {
      host.tierOverlay(tier)->remove2D(element);
      Ogre::OverlayManager::getSingleton().destroyOverlayElement(element);
    }
    // Either may have gone with its resource group already.
    if (Ogre::MaterialManager::getSingleton().resourceExists(materialName, group))
      Ogre::MaterialManager::getSingleton().remove(materialName, group);
    if (Ogre::TextureManager::getSingleton().resourceExists(textureName, group))
      Ogre::TextureManager::getSingleton().remove(textureName, group);
  } catch (...) {
    core::log("Web panel " + name + ": its overlay did not go cleanly: " + core::describeCurrentException());
  }
}

bool Navi::contains(int x, int y) const {
  return x >= left && y >= top && x < left + static_cast<int>(width) && y < top + static_cast<int>(height);
}

bool Navi::liesOver(const Navi& other) const {
  return tier > other.tier || (tier == other.tier && order > other.order);
}

void Navi::moveBy(int dx, int dy) {
  left += dx;
  top += dy;
  if (element)
    element->setPosition(static_cast<Ogre::Real>(left), static_cast<Ogre::Real>(top));
}

bool Navi::pageReady() const {
  return pageLoaded && !sessionId.empty();
}

void Navi::command(const std::string& method, const std::string& params) {
  if (pageReady())
    host.send(method, nlohmann::json::parse(params), sessionId, {});
  else
    defer(method, params);
}

void Navi::defer(const std::string& method, const std::string& params) {
  if (deferred.size() < deferredCalls) {
    deferred.emplace_back(method, params);
  } else if (!callsDropped) {
    callsDropped = true;
    core::log("Web panel " + name + ": the page is not ready and " + std::to_string(deferredCalls) +
              " calls wait for it; further calls are dropped");
  }
}

void Navi::loadURL(const std::string& url) {
  allowedOrigin = originOf(url);
  navigate(url);
}

void Navi::loadFile(const std::string& file) {
  navigate(host.fileUrl(file));
}

void Navi::navigate(const std::string& url) {
  lastUrl = url;
  pendingUrl = url;
  startNavigation();
}

void Navi::setTransparent(bool flag) {
  transparent = flag;
  if (!sessionId.empty()) {
    nlohmann::json params = nlohmann::json::object();
    if (transparent)
      params["color"] = {{"r", 0}, {"g", 0}, {"b", 0}, {"a", 0}};
    host.send("Emulation.setDefaultBackgroundColorOverride", params, sessionId, {});
  }
}

void Navi::setMovable(bool flag) {
  movable = flag;
}

void Navi::show(bool fade, uint16_t fadeMs) {
  visible = true;
  fadeFrom = fade ? alpha : 1.0;
  fadeTo = 1.0;
  fadeStart = platform::milliseconds();
  fadeLength = fade ? fadeMs : 0;
  update(fadeStart);
}

void Navi::hide(bool fade, uint16_t fadeMs) {
  visible = false;  // a fading panel no longer takes the mouse
  fadeFrom = fade ? alpha : 0.0;
  fadeTo = 0.0;
  fadeStart = platform::milliseconds();
  fadeLength = fade ? fadeMs : 0;
  update(fadeStart);
}

void Navi::focus() {
  host.focus(serial);
  order = host.nextOrder();
}

void Navi::bind(const std::string& binding, NaviCallback callback) {
  const bool known = bindings.count(binding) > 0;
  bindings[binding] = std::move(callback);
  if (known || sessionId.empty())
    return;  // the setup binds it
  host.send("Runtime.addBinding", {{"name", "__navi_" + binding}}, sessionId, {});
  host.send("Page.addScriptToEvaluateOnNewDocument", {{"source", bindingScript(binding)}}, sessionId, {});
  host.send("Runtime.evaluate", {{"expression", bindingScript(binding)}}, sessionId, {});
}

void Navi::evaluateJS(const std::string& source, const JSArguments&) {
  if (!pageReady()) {
    defer("Runtime.evaluate", nlohmann::json({{"expression", source}}).dump());
    return;
  }
  const std::string panel = name;
  host.send("Runtime.evaluate", {{"expression", source}, {"timeout", scriptTimeoutMs}}, sessionId,
            [panel](const nlohmann::json& result, const std::string& error) {
              if (!error.empty()) {
                core::log("Web panel " + panel + ": JavaScript stopped: " + error);
                return;
              }
              const auto details = result.find("exceptionDetails");
              if (details == result.end())
                return;
              const nlohmann::json exception = details->value("exception", nlohmann::json::object());
              core::log("Web panel " + panel + ": JavaScript error: " +
                        exception.value("description", details->value("text", std::string())));
            });
}

void Navi::zoomIn() {
  zoom = std::min(zoom * zoomStep, 5.0);
  evaluateJS("document.documentElement.style.zoom=" + std::to_string(zoom), {});
}

void Navi::zoomOut() {
  zoom = std::max(zoom / zoomStep, 0.2);
  evaluateJS("document.documentElement.style.zoom=" + std::to_string(zoom), {});
}

void Navi::injectMouseDown(int x, int y) {
  pressOrRelease(true, 0, x, y);
}

void Navi::injectMouseUp(int x, int y) {
  pressOrRelease(false, 0, x, y);
}

void Navi::pointerMoved(int x, int y) {
  dispatchMouse("mouseMoved", x - left, y - top, "none", 0);
}

void Navi::wheelTurned(int x, int y, int relative) {
  // OIS counts a notch up as +120; a page scrolls down for a positive delta.
  dispatchMouse("mouseWheel", x - left, y - top, "none", 0, -relative);
}

void Navi::buttonChanged(bool down, int button, int x, int y) {
  pressOrRelease(down, button, x - left, y - top);
}

void Navi::pressOrRelease(bool down, int button, int x, int y) {
  if (down)
    buttons |= mouseButtonBit(button);
  else
    buttons &= ~mouseButtonBit(button);
  dispatchMouse(down ? "mousePressed" : "mouseReleased", x, y, mouseButtonName(button), 1);
}

void Navi::dispatchMouse(const char* type, int x, int y, const char* button, int clickCount, double wheel) {
  // Panel pixels to page pixels, for panels larger than the page.
  const double sx = width ? static_cast<double>(pageSize(width)) / width : 1.0;
  const double sy = height ? static_cast<double>(pageSize(height)) / height : 1.0;
  nlohmann::json params = {{"type", type}, {"x", x * sx}, {"y", y * sy}, {"button", button},
                           {"buttons", buttons}, {"clickCount", clickCount}};
  if (std::string(type) == "mouseWheel") {
    params["deltaX"] = 0;
    params["deltaY"] = wheel;
  }
  // Only the pointer's latest place matters to a page that is not there yet.
  if (std::string(type) == "mouseMoved" && !pageReady())
    deferredMove = params.dump();
  else
    command("Input.dispatchMouseEvent", params.dump());
}

void Navi::attach(const std::string& target, const std::string& session) {
  targetId = target;
  sessionId = session;
  sendSetup();
}

void Navi::sendSetup() {
  const uint64_t id = serial;
  NaviHost* owner = &host;
  // Each part of the setup answers on its own domain, in no fixed order: the page navigates
  // once all of them are in place, so its first script already finds its bindings.
  auto answered = [owner, id](const nlohmann::json&, const std::string& error) {
    if (Navi* navi = owner->bySerial(id))
      navi->setupAnswered(error);
  };
  auto setup = [&](const std::string& method, nlohmann::json params) {
    ++setupWaiting;
    host.send(method, std::move(params), sessionId, answered);
  };
  setup("Page.enable", nlohmann::json::object());
  setup("Runtime.enable", nlohmann::json::object());
  setup("Emulation.setDeviceMetricsOverride",
        {{"width", pageSize(width)}, {"height", pageSize(height)}, {"deviceScaleFactor", 1}, {"mobile", false}});
  setTransparent(transparent);
  for (const auto& binding : bindings) {
    setup("Runtime.addBinding", {{"name", "__navi_" + binding.first}});
    setup("Page.addScriptToEvaluateOnNewDocument", {{"source", bindingScript(binding.first)}});
  }
  host.send("Page.startScreencast",
            {{"format", "png"}, {"maxWidth", pageSize(width)}, {"maxHeight", pageSize(height)}}, sessionId,
            [owner, id](const nlohmann::json&, const std::string& error) {
              Navi* navi = owner->bySerial(id);
              if (navi && !error.empty())
                core::log("Web panel " + navi->name + ": the browser gives no pictures: " + error);
            });
}

void Navi::setupAnswered(const std::string& error) {
  if (!error.empty())
    core::log("Web panel " + name + ": a setup step failed: " + error);
  if (--setupWaiting > 0)
    return;
  ready = true;
  if (pendingUrl.empty())
    loaded();
  startNavigation();
}

void Navi::loaded() {
  if (pageLoaded)
    return;
  pageLoaded = true;
  std::vector<std::pair<std::string, std::string>> waiting;
  waiting.swap(deferred);
  if (!deferredMove.empty())
    waiting.emplace_back("Input.dispatchMouseEvent", std::move(deferredMove));
  deferredMove.clear();
  for (auto& call : waiting) {
    if (call.first == "Runtime.evaluate")
      evaluateJS(nlohmann::json::parse(call.second).value("expression", std::string()), {});
    else
      command(call.first, call.second);
  }
}

void Navi::startNavigation() {
  if (ready && !pendingUrl.empty()) {
    const std::string url = pendingUrl, panel = name;
    pendingUrl.clear();
    const uint64_t id = serial;
    NaviHost* owner = &host;
    host.send(
        "Page.navigate", {{"url", url}}, sessionId,
        [owner, id, url, panel](const nlohmann::json& result, const std::string& error) {
          const std::string failure = error.empty() ? result.value("errorText", std::string()) : error;
          if (failure.empty())
            return;
          core::log("Web panel " + panel + ": cannot load " + url + ": " + failure);
          if (Navi* navi = owner->bySerial(id)) {
            navi->loaded();
            navi->dropPicture();
          }
        });
  }
}

void Navi::update(uint32_t now) {
  if (fadeLength > 0 && now - fadeStart < fadeLength)
    alpha = fadeFrom + (fadeTo - fadeFrom) * (now - fadeStart) / fadeLength;
  else
    alpha = fadeTo;
  applyAlpha();
  if (pendingFrame && now - lastUpload >= updateInterval) {
    lastUpload = now;
    std::shared_ptr<Ogre::Image> frame = std::move(pendingFrame);
    upload(*frame);
    if (pendingAck >= 0)
      host.send("Page.screencastFrameAck", {{"sessionId", pendingAck}}, sessionId, {});
    pendingAck = -1;
  }
}

void Navi::applyAlpha() {
  if (!element)
    return;
  const bool shows = uploaded && alpha > 0.0;
  if (shows != element->isVisible())
    shows ? element->show() : element->hide();
  if (!shows)
    return;
  if (Ogre::TextureUnitState* unit = pictureUnit())
    unit->setAlphaOperation(Ogre::LBX_MODULATE, Ogre::LBS_TEXTURE, Ogre::LBS_MANUAL, 1.0,
                            static_cast<Ogre::Real>(alpha));
}

Ogre::TextureUnitState* Navi::pictureUnit() {
  Ogre::MaterialPtr material = Ogre::MaterialManager::getSingleton().getByName(materialName, group);
  Ogre::Technique* technique = material && material->getNumTechniques() > 0 ? material->getTechnique(0) : nullptr;
  Ogre::Pass* pass = technique && technique->getNumPasses() > 0 ? technique->getPass(0) : nullptr;
  if (pass && pass->getNumTextureUnitStates() > 0)
    return pass->getTextureUnitState(0);
  losePicture("its material " + materialName);
  return nullptr;
}

void Navi::losePicture(const std::string& what) {
  if (!pictureLost)
    core::log("Web panel " + name + ": " + what + " is gone; the panel stays empty");
  pictureLost = true;
  uploaded = false;
  pendingFrame.reset();
  if (element)
    element->hide();
}

void Navi::upload(const Ogre::Image& image) {
  if (!element || pictureLost || image.getWidth() == 0 || image.getHeight() == 0)
    return;
  try {
    Ogre::TextureManager& textures = Ogre::TextureManager::getSingleton();
    Ogre::TexturePtr texture;
    if (image.getWidth() != textureWidth || image.getHeight() != textureHeight) {
      Ogre::TextureUnitState* unit = pictureUnit();
      if (!unit)
        return;
      if (textures.resourceExists(textureName, group))
        textures.remove(textureName, group);
      texture = textures.createManual(textureName, group, Ogre::TEX_TYPE_2D, image.getWidth(), image.getHeight(), 0,
                                      Ogre::PF_BYTE_RGBA, Ogre::TU_DYNAMIC_WRITE_ONLY_DISCARDABLE);
      textureWidth = image.getWidth();
      textureHeight = image.getHeight();
      unit->setTextureName(textureName);
    } else {
      texture = textures.getByName(textureName, group);
      if (!texture) {
        losePicture("its texture " + textureName);
        return;
      }
    }
    texture->getBuffer()->blitFromMemory(image.getPixelBox());
    uploaded = true;
    applyAlpha();
  } catch (...) {
    textureWidth = textureHeight = 0;
    core::log("Web panel " + name + ": its picture cannot show: " + core::describeCurrentException());
  }
}

bool Navi::originAllowed(const std::string& url) const {
  return host.inBaseFolder(url) || (!allowedOrigin.empty() && originOf(url) == allowedOrigin);
}

void Navi::dropPicture() {
  uploaded = false;
  pendingFrame.reset();
  applyAlpha();
}

std::optional<PageCall> Navi::onPageEvent(Incoming& message) {
  const std::string method = message.body.value("method", std::string());
  const nlohmann::json params = message.body.value("params", nlohmann::json::object());
  if (method == "Page.screencastFrame") {
    if (message.frame) {
      if (pendingAck >= 0)
        host.send("Page.screencastFrameAck", {{"sessionId", pendingAck}}, sessionId, {});
      pendingFrame = message.frame;
      pendingAck = params.value("sessionId", -1LL);
    } else {
      host.send("Page.screencastFrameAck", {{"sessionId", params.value("sessionId", -1LL)}}, sessionId, {});
    }
  } else if (method == "Runtime.bindingCalled") {
    return bindingCalled(params.value("name", std::string()), params.value("payload", std::string()),
                         params.value("executionContextId", -1LL));
  } else if (method == "Runtime.executionContextCreated") {
    const nlohmann::json context = params.value("context", nlohmann::json::object());
    const nlohmann::json aux = context.value("auxData", nlohmann::json::object());
    contextFrames[context.value("id", -1LL)] = aux.value("frameId", std::string());
  } else if (method == "Runtime.executionContextDestroyed") {
    contextFrames.erase(params.value("executionContextId", -1LL));
  } else if (method == "Runtime.executionContextsCleared") {
    contextFrames.clear();
  } else if (method == "Page.frameNavigated") {
    const nlohmann::json frame = params.value("frame", nlohmann::json::object());
    frameUrls[frame.value("id", std::string())] = frame.value("url", std::string());
  } else if (method == "Page.loadEventFired") {
    loaded();
  } else if (method == "Page.javascriptDialogOpening") {
    core::log("Web panel " + name + ": dialog dismissed: " + params.value("message", std::string()));
    host.send("Page.handleJavaScriptDialog", {{"accept", false}}, sessionId, {});
  } else if (method == "Inspector.targetCrashed") {
    core::log("Web panel " + name + ": the page crashed");
  }
  return std::nullopt;
}

std::optional<PageCall> Navi::bindingCalled(const std::string& binding, const std::string& payload,
                                            long long context) {
  static const std::string prefix = "__navi_";
  if (binding.compare(0, prefix.size(), prefix) != 0)
    return std::nullopt;
  PageCall call{binding.substr(prefix.size()), {}};
  if (!bindings.count(call.binding))
    return std::nullopt;
  const auto frame = contextFrames.find(context);
  const std::string url = frame == contextFrames.end() ? std::string() : frameUrls[frame->second];
  if (!originAllowed(url)) {
    const std::string origin = originOf(url);
    if (refusedOrigins.insert(origin).second)
      core::log("Web panel " + name + ": " + call.binding + " refused from " +
                (origin.empty() ? "an unknown page" : origin));
    return std::nullopt;
  }
  const nlohmann::json values = nlohmann::json::parse(payload, nullptr, false);
  if (!values.is_array()) {
    core::log("Web panel " + name + ": a malformed call of " + call.binding);
    return std::nullopt;
  }
  for (const nlohmann::json& value : values)
    call.arguments.emplace_back(value.is_string() ? value.get<std::string>() : value.dump());
  return call;
}

void Navi::call(const PageCall& pageCall) {
  const auto bound = bindings.find(pageCall.binding);
  if (bound == bindings.end())
    return;
  NaviCallback callback = bound->second;
  callback(*this, pageCall.arguments);
}

}  // namespace NaviLibrary
