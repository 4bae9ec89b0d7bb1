// The web-panel library's face: named HTML panels drawn into overlay elements. A panel is a page
// of one shared headless browser (BrowserSession.h); every call here returns at once and the page
// follows when the browser gets to it. Calls made before the page exists wait for it in order, up to
// a limit; of the mouse moves made meanwhile only the last waits.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace Ogre {
class Image;
class OverlayContainer;
class TextureUnitState;
}  // namespace Ogre

namespace NaviLibrary {

class NaviHost;
struct Incoming;

struct NaviPosition {
  NaviPosition(int16_t left, int16_t top) : left(left), top(top) {}
  int16_t left;
  int16_t top;
};

// Panels of a higher tier lie over those of a lower one and get the mouse first.
enum Tier { Back = 0, Middle = 1, Front = 2 };

// One argument a page passed to a bound function, already in JavaScript's string conversion.
class JSValue {
public:
  explicit JSValue(std::string text) : text(std::move(text)) {}
  const std::string& toString() const { return text; }

private:
  std::string text;
};
using JSArguments = std::vector<JSValue>;

// A page's call of a bound function, accepted and waiting for the main thread.
struct PageCall {
  std::string binding;
  JSArguments arguments;
};

class Navi;
using NaviCallback = std::function<void(Navi& caller, const JSArguments& arguments)>;

class Navi {
public:
  Navi(NaviHost& host, uint64_t serial, const std::string& name, uint16_t width, uint16_t height,
       NaviPosition position, bool movable, int updatesPerSecond, Tier tier);
  ~Navi();
  Navi(const Navi&) = delete;
  Navi& operator=(const Navi&) = delete;

  void loadURL(const std::string& url);
  // A file under the manager's base folder; either separator works.
  void loadFile(const std::string& file);
  void setTransparent(bool transparent);
  void setMovable(bool movable);
  void show(bool fade, uint16_t fadeMs);
  void hide(bool fade, uint16_t fadeMs);
  void focus();
  // Gives the page a function of that name; its calls reach the callback on the main thread.
  void bind(const std::string& name, NaviCallback callback);
  void evaluateJS(const std::string& source, const JSArguments& arguments);
  void zoomIn();
  void zoomOut();
  // A left button press and release at a pixel of the panel.
  void injectMouseDown(int x, int y);
  void injectMouseUp(int x, int y);
  const std::string& getName() const { return name; }
  // The address it was last asked to show, and showing it again.
  const std::string& address() const { return lastUrl; }
  void reload() { navigate(lastUrl); }

  bool isVisible() const { return visible; }
  // Whether a picture of the page has reached its texture.
  bool painted() const { return uploaded; }
  bool contains(int x, int y) const;

  // For the manager, which finds panels by serial and their pages by target and session.
  uint64_t getSerial() const { return serial; }
  const std::string& pageTarget() const { return targetId; }
  const std::string& pageSession() const { return sessionId; }
  bool isMovable() const { return movable; }
  // Higher tier, or the same tier and placed later.
  bool liesOver(const Navi& other) const;
  void moveBy(int dx, int dy);
  // The mouse in screen pixels, as the manager routes it.
  void pointerMoved(int x, int y);
  void wheelTurned(int x, int y, int relative);
  void buttonChanged(bool down, int button, int x, int y);
  // The page's own steps, from the manager's per-frame update.
  void attach(const std::string& target, const std::string& session);
  void update(uint32_t now);
  void dropPicture();
  // An event of this panel's page; a call of a bound function comes back for the manager's queue.
  std::optional<PageCall> onPageEvent(Incoming& message);
  // Runs a bound function's callback, which may destroy this panel.
  void call(const PageCall& pageCall);

private:
  // Calls go straight to a loaded page; until then they wait.
  bool pageReady() const;
  // Sent now when the page is ready, else after it.
  void command(const std::string& method, const std::string& params);
  void defer(const std::string& method, const std::string& params);
  void dispatchMouse(const char* type, int x, int y, const char* button, int clickCount, double wheel = 0);
  // A button in the panel's pixels.
  void pressOrRelease(bool down, int button, int x, int y);
  void sendSetup();
  void navigate(const std::string& url);
  void startNavigation();
  void setupAnswered(const std::string& error);
  void loaded();
  void applyAlpha();
  // The texture unit that shows the picture; null once the material is gone (a script's failed
  // resource location clears the group "General" the panel's material and texture live in).
  Ogre::TextureUnitState* pictureUnit();
  // Said once: the panel then stays empty.
  void losePicture(const std::string& what);
  void upload(const Ogre::Image& image);
  std::optional<PageCall> bindingCalled(const std::string& binding, const std::string& payload, long long context);
  bool originAllowed(const std::string& url) const;

  NaviHost& host;
  const uint64_t serial;
  const std::string name;
  uint16_t width, height;
  int left, top;
  bool movable;
  uint32_t updateInterval;  // ms between two uploads
  Tier tier;
  uint64_t order;  // among panels of one tier, the higher lies on top

  std::string targetId;
  std::string sessionId;
  bool ready = false;          // the page's setup is answered: it may navigate
  int setupWaiting = 0;        // setup commands not answered yet
  bool pageLoaded = false;     // the first navigation ended: deferred calls may go
  std::string pendingUrl;
  std::string lastUrl;
  std::vector<std::pair<std::string, std::string>> deferred;  // method, params as JSON text
  std::string deferredMove;    // the last mouse move made while waiting, sent after the calls
  bool callsDropped = false;   // deferred calls ran over: said once
  bool transparent = true;
  std::map<std::string, NaviCallback> bindings;
  std::string allowedOrigin;  // of the address the script gave; pages of the GUI folder always may
  std::set<std::string> refusedOrigins;  // each logged once
  std::map<std::string, std::string> frameUrls;   // frame id to its document's address
  std::map<long long, std::string> contextFrames;  // execution context to its frame
  double zoom = 1.0;

  bool visible = true;
  double alpha = 1.0;
  double fadeFrom = 1.0, fadeTo = 1.0;
  uint32_t fadeStart = 0, fadeLength = 0;

  Ogre::OverlayContainer* element = nullptr;
  std::string materialName, textureName;
  unsigned textureWidth = 0, textureHeight = 0;
  std::shared_ptr<Ogre::Image> pendingFrame;
  long long pendingAck = -1;
  uint32_t lastUpload = 0;
  bool uploaded = false;
  bool pictureLost = false;  // its material or texture went with its resource group
  int buttons = 0;  // held buttons, as the protocol counts them
};

// scheme://host[:port] of an address, lower case, without a default port; "scheme:" if it has no host.
std::string originOf(const std::string& url);

}  // namespace NaviLibrary
