// Tearing down scene trees. Children are gone before their parent, so no node is ever left
// without a parent by the destruction of the one above it: such a node would keep its name.
#include "world/LevelScene.h"

#include "core/Log.h"

#include <OgreEntity.h>
#include <OgreParticleSystemManager.h>
#include <OgreSceneManager.h>
#include <OgreSceneNode.h>

#include <vector>

namespace {

bool isOwnedByScene(const Ogre::MovableObject& object) {
  const Ogre::String& type = object.getMovableType();
  return type == Ogre::EntityFactory::FACTORY_TYPE_NAME || type == Ogre::ParticleSystemFactory::FACTORY_TYPE_NAME;
}

void collectUnattached(Ogre::SceneManager& scene, const Ogre::String& type, std::vector<Ogre::MovableObject*>& out) {
  for (const auto& entry : scene.getMovableObjects(type))
    if (!entry.second->isAttached())
      out.push_back(entry.second);
}

}  // namespace

void destroyNodeTree(Ogre::SceneManager& scene, Ogre::SceneNode* node) {
  while (node->numChildren() > 0)
    destroyNodeTree(scene, static_cast<Ogre::SceneNode*>(node->getChild(0)));
  while (node->numAttachedObjects() > 0) {
    Ogre::MovableObject* object = node->detachObject(static_cast<unsigned short>(0));
    if (isOwnedByScene(*object))
      scene.destroyMovableObject(object);
  }
  scene.destroySceneNode(node);
}

void destroyLevelScene(Ogre::SceneManager& scene) {
  std::vector<Ogre::MovableObject*> loose;
  collectUnattached(scene, Ogre::EntityFactory::FACTORY_TYPE_NAME, loose);
  collectUnattached(scene, Ogre::ParticleSystemFactory::FACTORY_TYPE_NAME, loose);
  for (Ogre::MovableObject* object : loose)
    scene.destroyMovableObject(object);
  if (Ogre::SceneNode* levelRoot = scene.getSceneNode("LevelRoot", false))
    destroyNodeTree(scene, levelRoot);
  else
    core::log("LoadLevel: no scene node LevelRoot to clear");
}
