// The scripts' captioned boxes on the screen: text panels laid out in an 800 x 600 reference
// screen, and copies of the resources' element templates (names starting with "TPL"). It also
// shows, hides and re-captions any overlay ("OVE" names) or overlay element by name.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace Ogre {
class Font;
class Overlay;
class OverlayContainer;
class OverlayElement;
class OverlayManager;
}  // namespace Ogre

struct OverlayPanel {
  std::string name;  // "Panel_" and the manager's counter
  // Exactly one of the box (with its text area) and the template copy is set.
  Ogre::OverlayContainer* borderPanel = nullptr;
  Ogre::OverlayContainer* templateCopy = nullptr;
  Ogre::OverlayElement* textArea = nullptr;
};

class OverlayMgr {
public:
  OverlayMgr();
  ~OverlayMgr();
  OverlayMgr(const OverlayMgr&) = delete;
  OverlayMgr& operator=(const OverlayMgr&) = delete;

  // The new panel's name. A template text places the copy at (x, y) across the screen (0 to 1);
  // any other text is a box at (x, y) in reference units.
  std::string createPanel(const std::string& text, float x, float y);
  // Off the screen; its elements stay until the level ends, so showElement can bring it back.
  void destroyPanel(const std::string& name);
  // Off the screen and freed: for the engine's own panels, which no script shows again.
  void freePanel(const std::string& name);
  void showElement(const std::string& name);
  void hideElement(const std::string& name);
  void setElementCaption(const std::string& name, const std::string& caption);
  // Frees every panel, destroyed ones included (the counter goes on), and hides every "OVE" overlay.
  void clear();

  size_t panelCount() const { return panels.size(); }
  size_t destroyedCount() const { return destroyed.size(); }

private:
  Ogre::OverlayContainer* findContainer(const std::string& name) const;
  bool isShown(const Ogre::OverlayContainer* element) const;
  void detach(const OverlayPanel& panel);
  // The panel's own element: its box or its template copy.
  static Ogre::OverlayElement* root(const OverlayPanel& panel);
  void destroyTree(Ogre::OverlayElement* element);

  int32_t counter = 0;
  std::vector<std::unique_ptr<OverlayPanel>> panels;
  // Elements of panels destroyed in this level: kept for showElement, freed by clear.
  std::vector<Ogre::OverlayElement*> destroyed;
  Ogre::Overlay* overlay = nullptr;
  Ogre::Font* font = nullptr;  // null when the game has no "Paradigm": text then measures 0
  Ogre::OverlayManager& overlays;
};
