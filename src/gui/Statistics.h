// The debug overlay's figures: the window's frame statistics and the scripts' debug line, set
// every frame whether the overlay is shown or not.
#pragma once

#include <string>

namespace Ogre {
class RenderWindow;
}

class Statistics {
public:
  // A game without some of the elements shows fewer figures; the next frame tries again.
  void update(const Ogre::RenderWindow& window);
  // ShowText, from the scripts and the states.
  void showText(const std::string& text);

private:
  std::string debugText;
};
