// A material behind the whole scene: a screen-filling rectangle drawn before everything else, on
// the node "Background" under the scene's root, so it stays across level loads.
#pragma once

#include <memory>
#include <string>

namespace Ogre {
class Rectangle2D;
class SceneManager;
}  // namespace Ogre

class Background {
public:
  explicit Background(Ogre::SceneManager& scene);
  ~Background();
  Background(const Background&) = delete;
  Background& operator=(const Background&) = delete;

  // Replaces the current background; a material that does not exist throws and leaves it.
  void set(const std::string& material);

private:
  Ogre::SceneManager& scene;
  std::unique_ptr<Ogre::Rectangle2D> rectangle;
};
