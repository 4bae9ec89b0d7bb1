// Initialising resource groups past damaged scripts (see ResourceGroups.h).
#include "render/ResourceGroups.h"

#include "core/Log.h"

ResourceGroups::ResourceGroups() {
  Ogre::ResourceGroupManager::getSingleton().addResourceGroupListener(this);
}

ResourceGroups::~ResourceGroups() {
  if (Ogre::ResourceGroupManager* groups = Ogre::ResourceGroupManager::getSingletonPtr())
    groups->removeResourceGroupListener(this);
}

void ResourceGroups::initialise(const std::string& group) {
  Ogre::ResourceGroupManager& groups = Ogre::ResourceGroupManager::getSingleton();
  while (true) {
    try {
      groups.initialiseResourceGroup(group);
      return;
    } catch (const Ogre::Exception& e) {
      if (parsing.empty())
        throw;  // not a script: the caller's failure
      core::log("Error! Damaged script " + parsing + " refused: " + e.getDescription());
      refused.insert(parsing);
      parsing.clear();
      // Back to uninitialised, so that the next pass reads the group's other scripts again.
      groups.clearResourceGroup(group);
    }
  }
}

void ResourceGroups::scriptParseStarted(const Ogre::String& name, bool& skip) {
  skip = refused.count(name) > 0;
  parsing = skip ? std::string() : name;
}

void ResourceGroups::scriptParseEnded(const Ogre::String&, bool) {
  parsing.clear();
}
