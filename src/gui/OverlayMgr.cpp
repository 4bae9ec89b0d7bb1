#include "gui/OverlayMgr.h"

#include "core/Errors.h"
#include "core/Log.h"
#include "gui/Text.h"

#include <Overlay/OgreBorderPanelOverlayElement.h>
#include <Overlay/OgreFontManager.h>
#include <Overlay/OgreOverlay.h>
#include <Overlay/OgreOverlayContainer.h>
#include <Overlay/OgreOverlayManager.h>
#include <Overlay/OgreTextAreaOverlayElement.h>

#include <algorithm>
#include <cmath>

namespace {

const char fontName[] = "Paradigm";
const float referenceWidth = 800.0f;
const float referenceHeight = 600.0f;
const float charHeight = 24.0f;
const float textHeight = charHeight / referenceHeight;

bool startsWith(const std::string& text, const char* prefix) {
  return text.compare(0, 3, prefix) == 0;
}

// NaN or infinite places would put NaN into the panel's vertices.
float finiteOr0(float v) {
  return std::isfinite(v) ? v : 0.0f;
}

}  // namespace

OverlayMgr::OverlayMgr() : overlays(Ogre::OverlayManager::getSingleton()) {
  try {
    Ogre::FontPtr paradigm = Ogre::FontManager::getSingleton().getByName(fontName);
    if (paradigm) {
      paradigm->load();
      font = paradigm.get();
    } else {
      core::log(std::string("Error! No font ") + fontName + ": panel texts cannot show");
    }
  } catch (...) {
    core::log(std::string("Error! Font ") + fontName + " failed to load: " + core::describeCurrentException());
  }
  overlay = overlays.create("OverlayName");
  overlay->show();
}

OverlayMgr::~OverlayMgr() {
  clear();
  overlay->hide();
  core::log("destroy overlay");
}

std::string OverlayMgr::createPanel(const std::string& text, float x, float y) {
  auto panel = std::make_unique<OverlayPanel>();
  panel->name = "Panel_" + std::to_string(counter++);
  x = finiteOr0(x);
  y = finiteOr0(y);
  if (startsWith(text, "TPL")) {
    Ogre::OverlayElement* copy = overlays.cloneOverlayElementFromTemplate(text, panel->name);
    if (!copy->isContainer()) {
      core::log("Error! Template " + text + " is no container: it cannot be a panel");
      return panel->name;
    }
    panel->templateCopy = static_cast<Ogre::OverlayContainer*>(copy);
    copy->setMetricsMode(Ogre::GMM_RELATIVE);
    copy->setPosition(x, y);
    copy->show();
    overlay->add2D(panel->templateCopy);
  } else {
    const std::string caption = gui::captionText(panel->name, text);
    const gui::TextSize size = gui::measureText(caption, charHeight, [this](uint32_t code) {
      return font ? static_cast<float>(font->getGlyphAspectRatio(code)) : 0.0f;
    });
    auto* box = static_cast<Ogre::BorderPanelOverlayElement*>(overlays.createOverlayElement("BorderPanel", panel->name));
    panel->borderPanel = box;
    box->setMetricsMode(Ogre::GMM_RELATIVE);
    box->setPosition(x / referenceWidth, y / referenceHeight);
    box->setDimensions((size.width + 20) / referenceWidth, (size.height + 10) / referenceHeight);
    box->setMaterialName("GameOverlayMaterial");
    box->setBorderSize(0.00375f, 0.00375f, 0.005f, 0.005f);
    box->setBorderMaterialName("GameOverlayBorderMaterial");
    auto* textArea =
        static_cast<Ogre::TextAreaOverlayElement*>(overlays.createOverlayElement("TextArea", panel->name + "_TA"));
    panel->textArea = textArea;
    textArea->setMetricsMode(Ogre::GMM_RELATIVE);
    textArea->setPosition(0.00625f, 0.0083f);
    textArea->setDimensions((size.width + 10) / referenceWidth, (size.height + 10) / referenceHeight);
    textArea->setCaption(caption);
    textArea->setCharHeight(textHeight);
    textArea->setFontName(fontName);
    // Unset, the renderer draws a blank as wide as a '0'.
    textArea->setSpaceWidth(textHeight * gui::blankAspect);
    textArea->setColourBottom(Ogre::ColourValue(0.5f, 0.5f, 0.8f, 1.0f));
    textArea->setColourTop(Ogre::ColourValue(1.0f, 1.0f, 1.0f, 1.0f));
    box->addChild(textArea);
    overlay->add2D(box);
  }
  panels.push_back(std::move(panel));
  return panels.back()->name;
}

void OverlayMgr::destroyPanel(const std::string& name) {
  for (auto it = panels.begin(); it != panels.end();) {
    if ((*it)->name == name) {
      detach(**it);
      destroyed.push_back(root(**it));
      it = panels.erase(it);
    } else {
      ++it;
    }
  }
}

void OverlayMgr::freePanel(const std::string& name) {
  for (auto it = panels.begin(); it != panels.end();) {
    if ((*it)->name == name) {
      detach(**it);
      destroyTree(root(**it));
      it = panels.erase(it);
    } else {
      ++it;
    }
  }
}

void OverlayMgr::detach(const OverlayPanel& panel) {
  if (panel.borderPanel)
    overlay->remove2D(panel.borderPanel);
  if (panel.templateCopy)
    overlay->remove2D(panel.templateCopy);
}

Ogre::OverlayElement* OverlayMgr::root(const OverlayPanel& panel) {
  return panel.borderPanel ? panel.borderPanel : panel.templateCopy;
}

void OverlayMgr::destroyTree(Ogre::OverlayElement* element) {
  // A container only lets go of its children when it is destroyed: they go first, each out of
  // its parent before it is freed.
  if (element->isContainer()) {
    auto* container = static_cast<Ogre::OverlayContainer*>(element);
    while (!container->getChildren().empty()) {
      Ogre::OverlayElement* child = container->getChildren().begin()->second;
      container->removeChild(child->getName());
      destroyTree(child);
    }
  }
  overlays.destroyOverlayElement(element);
}

Ogre::OverlayContainer* OverlayMgr::findContainer(const std::string& name) const {
  if (!overlays.hasOverlayElement(name))
    return nullptr;
  Ogre::OverlayElement* element = overlays.getOverlayElement(name);
  if (!element->isContainer()) {
    core::log("Error! Overlay element " + name + " is no container: only containers show on their own");
    return nullptr;
  }
  return static_cast<Ogre::OverlayContainer*>(element);
}

bool OverlayMgr::isShown(const Ogre::OverlayContainer* element) const {
  const auto& shown = overlay->get2DElements();
  return std::find(shown.begin(), shown.end(), element) != shown.end();
}

void OverlayMgr::showElement(const std::string& name) {
  if (startsWith(name, "OVE")) {
    if (Ogre::Overlay* found = overlays.getByName(name))
      found->show();
    return;
  }
  Ogre::OverlayContainer* element = findContainer(name);
  if (!element)
    return;
  // A second add would draw it twice and leave a copy behind at the next hide; a child shown on
  // its own would have two parents.
  if (isShown(element)) {
    core::log("Overlay element " + name + " is shown already");
  } else if (element->getParent()) {
    core::log("Error! Overlay element " + name + " is part of " + element->getParent()->getName() +
              ": show that one instead");
  } else {
    overlay->add2D(element);
  }
}

void OverlayMgr::hideElement(const std::string& name) {
  if (startsWith(name, "OVE")) {
    if (Ogre::Overlay* found = overlays.getByName(name))
      found->hide();
    return;
  }
  if (Ogre::OverlayContainer* element = findContainer(name))
    overlay->remove2D(element);
}

void OverlayMgr::setElementCaption(const std::string& name, const std::string& caption) {
  if (overlays.hasOverlayElement(name))
    overlays.getOverlayElement(name)->setCaption(gui::captionText(name, caption));
}

void OverlayMgr::clear() {
  overlay->clear();
  core::log("delete _overlays");
  core::log("Number of overlays: " + std::to_string(panels.size()));
  // A script showed them again only in the overlay just cleared; whatever it holds of them is
  // gone with its VM.
  for (const auto& panel : panels)
    destroyed.push_back(root(*panel));
  for (Ogre::OverlayElement* element : destroyed)
    destroyTree(element);
  destroyed.clear();
  core::log("clear _overlays");
  panels.clear();
  for (auto it = overlays.getOverlayIterator(); it.hasMoreElements();) {
    Ogre::Overlay* each = it.getNext();
    if (startsWith(each->getName(), "OVE"))
      each->hide();
  }
}
