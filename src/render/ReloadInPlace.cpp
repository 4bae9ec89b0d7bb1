// Scripts are parsed again into their groups; a material's new details are copied into the old
// one, so entities keep their material and show the change.
#include "render/ReloadInPlace.h"

#include "core/Errors.h"
#include "core/Text.h"
#include "render/ModelImport.h"

#include <Ogre.h>
#include <OgreScriptCompiler.h>

#include <regex>
#include <vector>

namespace render {

namespace {

bool isScript(const std::string& file) {
  return core::endsWith(file, ".material") || core::endsWith(file, ".particle") || core::endsWith(file, ".compositor");
}

bool isPicture(const std::string& file) {
  for (const char* end : {".png", ".jpg", ".jpeg", ".tga", ".dds", ".bmp"})
    if (core::endsWith(file, end))
      return true;
  return false;
}

// The names a script defines with that keyword at the start of a line.
std::vector<std::string> definedNames(const std::string& text, const std::string& keyword) {
  std::vector<std::string> names;
  const std::regex definition("(^|\\n)\\s*" + keyword + "\\s+([^\\s{:]+)");
  for (std::sregex_iterator it(text.begin(), text.end(), definition), end; it != end; ++it)
    names.push_back((*it)[2].str());
  return names;
}

std::string reloadScript(const std::string& file, const std::string& group) {
  auto& groups = Ogre::ResourceGroupManager::getSingleton();
  Ogre::DataStreamPtr stream = groups.openResource(file, group);
  const std::string text = stream->getAsString();
  stream->seek(0);
  std::vector<Ogre::MaterialPtr> materials;
  auto& materialManager = Ogre::MaterialManager::getSingleton();
  for (const std::string& name : definedNames(text, "material"))
    if (Ogre::MaterialPtr old = materialManager.getByName(name, group)) {
      materials.push_back(old);
      materialManager.remove(old);
    }
  for (const std::string& name : definedNames(text, "particle_system"))
    if (Ogre::ParticleSystemManager::getSingleton().getTemplate(name))
      Ogre::ParticleSystemManager::getSingleton().removeTemplate(name);
  for (const std::string& name : definedNames(text, "compositor"))
    if (Ogre::CompositorManager::getSingleton().resourceExists(name, group))
      Ogre::CompositorManager::getSingleton().remove(name, group);
  Ogre::ScriptCompilerManager::getSingleton().parseScript(stream, group);
  for (Ogre::MaterialPtr& old : materials) {
    Ogre::MaterialPtr fresh = materialManager.getByName(old->getName(), group);
    if (!fresh)
      continue;  // no longer in the file: the old stays with its users
    fresh->copyDetailsTo(old);
    old->load();
  }
  return "Reloaded " + file;
}

// Ogre's meshes and models from modelling tools, which load as meshes.
bool isMesh(const std::string& file) {
  return core::endsWith(file, ".mesh") || isModelFile(file);
}

template <class Manager>
bool reloadResource(Manager& manager, const std::string& file) {
  auto resource = manager.getByName(file, Ogre::ResourceGroupManager::AUTODETECT_RESOURCE_GROUP_NAME);
  if (!resource || !resource->isLoaded())
    return false;
  resource->reload();
  return true;
}

}  // namespace

bool reloadsInPlace(const std::string& file) {
  return isScript(file) || isPicture(file) || isMesh(file) || core::endsWith(file, ".skeleton");
}

std::string reloadInPlace(const std::string& file) {
  try {
    auto& groups = Ogre::ResourceGroupManager::getSingleton();
    if (isScript(file))
      return reloadScript(file, groups.findGroupContainingResource(file));
    bool reloaded = isPicture(file) ? reloadResource(Ogre::TextureManager::getSingleton(), file)
                    : isMesh(file) ? reloadResource(Ogre::MeshManager::getSingleton(), file)
                                   : reloadResource(Ogre::SkeletonManager::getSingleton(), file);
    return reloaded ? "Reloaded " + file : file + " was saved; nothing uses it yet";
  } catch (...) {
    return "Error! " + file + " was saved but cannot be reloaded: " + core::describeCurrentException();
  }
}

}  // namespace render
