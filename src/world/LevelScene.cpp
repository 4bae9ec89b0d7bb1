#include "world/LevelScene.h"

#include "core/Log.h"

#include <OgreEntity.h>
#include <OgreParticleSystemManager.h>
#include <OgreSceneManager.h>
#include <OgreSceneNode.h>

#include <vector>

namespace {

// Entities and particle systems on the node and below it.
void collectAttached(Ogre::SceneNode& node, std::vector<Ogre::MovableObject*>& out) {
  for (Ogre::MovableObject* object : node.getAttachedObjects()) {
    const Ogre::String& type = object->getMovableType();
    if (type == Ogre::EntityFactory::FACTORY_TYPE_NAME || type == Ogre::ParticleSystemFactory::FACTORY_TYPE_NAME)
      out.push_back(object);
  }
  for (Ogre::Node* child : node.getChildren())
    collectAttached(static_cast<Ogre::SceneNode&>(*child), out);
}

void collectUnattached(Ogre::SceneManager& scene, const Ogre::String& type, std::vector<Ogre::MovableObject*>& out) {
  for (const auto& entry : scene.getMovableObjects(type))
    if (!entry.second->isAttached())
      out.push_back(entry.second);
}

}  // namespace

void destroyLevelScene(Ogre::SceneManager& scene) {
  std::vector<Ogre::MovableObject*> doomed;
  collectUnattached(scene, Ogre::EntityFactory::FACTORY_TYPE_NAME, doomed);
  collectUnattached(scene, Ogre::ParticleSystemFactory::FACTORY_TYPE_NAME, doomed);
  Ogre::SceneNode* levelRoot = scene.getSceneNode("LevelRoot", false);
  if (levelRoot)
    collectAttached(*levelRoot, doomed);
  else
    core::log("LoadLevel: no scene node LevelRoot to clear");
  for (Ogre::MovableObject* object : doomed)
    scene.destroyMovableObject(object);
  if (levelRoot) {
    levelRoot->removeAndDestroyAllChildren();
    scene.getRootSceneNode()->removeAndDestroyChild(levelRoot);
  }
}
