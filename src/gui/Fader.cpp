// The fader's set-up from the game's material and overlay, and its per-frame step.
#include "gui/Fader.h"

#include "core/Log.h"
#include "platform/Platform.h"

#include <OgreMaterialManager.h>
#include <OgreTechnique.h>
#include <Overlay/OgreOverlay.h>
#include <Overlay/OgreOverlayManager.h>

namespace {
const char materialName[] = "Materials/FadeOverlayMaterial";
const char overlayName[] = "Overlays/FadeInOut";
const char boxCaption[] = "Fader Exception";
}  // namespace

Fader::Fader() {
  try {
    material = Ogre::MaterialManager::getSingleton().getByName(materialName);
    Ogre::Overlay* found = Ogre::OverlayManager::getSingleton().getByName(overlayName);
    if (!material || !found) {
      core::log(std::string("Error! No ") + (material ? overlayName : materialName) + ": scene fading is off");
      return;
    }
    // This Ogre asserts, and so ends the game, on a technique, pass or unit the material lacks.
    Ogre::Technique* technique = material->getNumTechniques() > 0 ? material->getTechnique(0) : nullptr;
    Ogre::Pass* pass = technique && technique->getNumPasses() > 0 ? technique->getPass(0) : nullptr;
    if (!pass || pass->getNumTextureUnitStates() == 0) {
      core::log(std::string("Error! ") + materialName + " has no texture to fade: scene fading is off");
      material.reset();
      return;
    }
    textureUnit = pass->getTextureUnitState(0);
    overlay = found;
    overlay->hide();
  } catch (const Ogre::Exception& e) {
    fail(e.getFullDescription());
  } catch (...) {
    fail("An unknown exception has occured while setting up the fader.  Scene fading will not be supported.");
  }
}

void Fader::fail(const std::string& text) {
  material.reset();
  textureUnit = nullptr;
  core::log(std::string(boxCaption) + ": " + text);
  platform::messageBox(boxCaption, text);
}

void Fader::start(bool fadeIn, double duration) {
  if (!textureUnit)
    return;
  curve.start(fadeIn, duration);
  overlay->show();
}

void Fader::update(double step) {
  if (curve.state == FadeState::None || !textureUnit)
    return;
  textureUnit->setAlphaOperation(Ogre::LBX_MODULATE, Ogre::LBS_MANUAL, Ogre::LBS_TEXTURE, static_cast<float>(curve.alpha));
  if (curve.step(step))
    overlay->hide();
}
