// Darkens or clears the whole picture through a full-screen overlay whose opacity steps once per
// rendered frame. Without its material or overlay it stays inert for the run.
#pragma once

#include "app/FadeCurve.h"

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
  FadeCurve curve;
  Ogre::TextureUnitState* textureUnit = nullptr;
  Ogre::Overlay* overlay = nullptr;
};
