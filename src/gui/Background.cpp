#include "gui/Background.h"

#include <OgreMaterialManager.h>
#include <OgreRectangle2D.h>
#include <OgreSceneManager.h>
#include <OgreSceneNode.h>

#include <stdexcept>

namespace {
const char nodeName[] = "Background";
}

Background::Background(Ogre::SceneManager& sceneManager) : scene(sceneManager) {}

Background::~Background() {
  if (rectangle && rectangle->isAttached())
    rectangle->detachFromParent();
}

void Background::set(const std::string& material) {
  Ogre::MaterialPtr found = Ogre::MaterialManager::getSingleton().getByName(material);
  if (!found)
    throw std::runtime_error("No such material: " + material);
  auto next = std::make_unique<Ogre::Rectangle2D>(true);
  next->setCorners(-1.0f, 1.0f, 1.0f, -1.0f);
  next->setMaterial(found);
  next->setRenderQueueGroup(Ogre::RENDER_QUEUE_BACKGROUND);
  Ogre::AxisAlignedBox everywhere;
  everywhere.setInfinite();
  next->setBoundingBox(everywhere);

  Ogre::SceneNode* node = scene.hasSceneNode(nodeName) ? scene.getSceneNode(nodeName)
                                                       : scene.getRootSceneNode()->createChildSceneNode(nodeName);
  // The replaced rectangle goes with its detachment, so a background set every frame costs nothing.
  node->detachAllObjects();
  node->attachObject(next.get());
  rectangle = std::move(next);
}
