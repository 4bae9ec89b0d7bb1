// Darkens or clears the whole picture through a full-screen overlay whose opacity steps once per
// rendered frame. Without its material or overlay it stays inert for the run.
#pragma once

#include "gui/FadeCurve.h"

#include <OgreMaterial.h>

#include <string>

namespace Ogre {
class Overlay;
class TextureUnitState;
}  // namespace Ogre

class Fader {
public:
  Fader();

  void start(bool fadeIn, double duration);
  void update(double step);

private:
  // Fading stays off, with the reason in the log and in a message box.
  void fail(const std::string& text);

  FadeCurve curve;
  // Held, so that its texture unit outlives a script's reload of the material's group.
  Ogre::MaterialPtr material;
  Ogre::TextureUnitState* textureUnit = nullptr;
  Ogre::Overlay* overlay = nullptr;
};
