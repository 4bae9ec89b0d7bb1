// Render start-up without any of Ogre's own config files, and the scripts' requests of it.
#include "render/Renderer.h"

#include "GameInfo.h"
#include "core/Errors.h"
#include "core/Log.h"
#include "platform/Platform.h"
#include "render/ModelImport.h"
#include "render/ResourceGroups.h"

#include <Ogre.h>
#include <Overlay/OgreOverlaySystem.h>

#include <filesystem>
#include <fstream>

namespace {

const char fallbackRenderSystem[] = "RenderSystem_GL";
const char lowResScript[] = "../Resource/setup_lowres.lua";
const char lowResNoFsaaScript[] = "../Resource/setup_lowres_nofsaa.lua";

// The versioned name: the runtime package has only that, the bare ".so" comes with the headers.
std::string pluginPath(const std::string& name) {
  return std::string(OGRE_PLUGIN_DIR) + "/" + name + ".so." + std::to_string(OGRE_VERSION_MAJOR) + "." +
         std::to_string(OGRE_VERSION_MINOR) + "." + std::to_string(OGRE_VERSION_PATCH);
}

struct ResourceLocation {
  const char* location;
  const char* type;
  const char* group;
};
const ResourceLocation resourceLocations[] = {
    {"../Resource/Materials", "FileSystem", "Materials"},
    {"../Resource/Meshes", "FileSystem", "Meshes"},
    {"../Resource/Misc", "FileSystem", "Misc"},
    {"../Resource/Misc/OgreCore.zip", "Zip", "GUI"},
    {"../Resource/Textures", "FileSystem", "Textures"},
};

// Start-up cannot go on: one log line and the error box.
void failStartup(const std::string& logLine, const std::string& boxText) {
  core::log(logLine);
  platform::messageBox(game::title, boxText + " See " + Renderer::logFileName() + ".");
}

// A regular file that starts like a zip archive (a local file header, or the end record of an
// empty archive).
bool isZipFile(const std::string& path) {
  std::error_code error;
  if (!std::filesystem::is_regular_file(path, error))
    return false;
  char magic[4] = {};
  std::ifstream(path, std::ios::binary).read(magic, sizeof magic);
  return magic[0] == 'P' && magic[1] == 'K' && ((magic[2] == 3 && magic[3] == 4) || (magic[2] == 5 && magic[3] == 6));
}

}  // namespace

std::string Renderer::logFileName() {
  Ogre::LogManager* logs = Ogre::LogManager::getSingletonPtr();
  Ogre::Log* log = logs ? logs->getDefaultLog() : nullptr;
  return log ? log->getName() : std::string(game::title) + ".log";
}

std::unique_ptr<Renderer> Renderer::start(const DisplaySettings& settings, const std::string& setupScript) {
  std::unique_ptr<Renderer> renderer(new Renderer);
  try {
    if (!renderer->createRoot(settings) || !renderer->createWindow(settings, setupScript))
      return nullptr;
    renderer->registerResources();
    renderer->createSceneManager(settings);
    return renderer;
  } catch (...) {
    failStartup("Error! Start-up failed: " + core::describeCurrentException(), "Start-up failed.");
    return nullptr;
  }
}

Renderer::~Renderer() {
  if (sceneManager && overlaySystem)
    sceneManager->removeRenderQueueListener(overlaySystem.get());
  overlaySystem.reset();
  resourceGroups.reset();
  ogre.reset();
}

bool Renderer::createRoot(const DisplaySettings& settings) {
  ogre = std::make_unique<Ogre::Root>("", "", logFileName());
  overlaySystem = std::make_unique<Ogre::OverlaySystem>();
  modelImport = std::make_unique<render::ModelImport>();

  // A plug-in that does not load only falls back: the engine has logged the library it tried.
  // Anything other than an engine exception gets a line of its own.
  auto loadPlugin = [this](const std::string& name) {
    try {
      ogre->loadPlugin(pluginPath(name));
      return true;
    } catch (const Ogre::Exception&) {
      return false;
    } catch (...) {
      core::log("Error! Plug-in " + name + " failed to load: " + core::describeCurrentException());
      return false;
    }
  };
  // A name that is no render-system plug-in at all falls back like one that does not load.
  if (!loadPlugin(settings.renderSystem) || ogre->getAvailableRenderers().empty())
    loadPlugin(fallbackRenderSystem);
  if (ogre->getAvailableRenderers().empty()) {
    failStartup("Error! No render system available", "No render system available.");
    return false;
  }
  ogre->setRenderSystem(ogre->getAvailableRenderers().front());
  ogre->initialise(false, "OGRE Render Window", "");
  ogre->loadPlugin(pluginPath("Plugin_OctreeSceneManager"));
  ogre->loadPlugin(pluginPath("Plugin_ParticleFX"));
  ogre->loadPlugin(pluginPath("Codec_STBI"));
  return true;
}

bool Renderer::createWindow(const DisplaySettings& settings, const std::string& setupScript) {
  core::log("Creating normal render window");
  if (tryWindow(settings.width, settings.height, settings, settings.fsaa))
    return true;
  core::log("Failed, trying once more with 800x600 resolution instead");
  platform::copyFile(lowResScript, setupScript);
  if (tryWindow(800, 600, settings, settings.fsaa))
    return true;
  if (settings.fsaa) {
    core::log("Failed that too, now trying without FSAA also.");
    platform::copyFile(lowResNoFsaaScript, setupScript);
    if (tryWindow(800, 600, settings, false)) {
      core::log("Warning! Failed to create FSAA window");
      return true;
    }
  }
  failStartup("Error! Failed to create Render window", "Failed to create the render window.");
  return false;
}

bool Renderer::tryWindow(unsigned width, unsigned height, const DisplaySettings& settings, bool fsaa) {
  // The resolution parameter keeps the configured size on every rung.
  Ogre::NameValuePairList parameters;
  parameters["resolution"] = std::to_string(settings.width) + "x" + std::to_string(settings.height);
  if (fsaa)
    parameters["FSAA"] = "4";
  try {
    renderWindow = ogre->createRenderWindow(game::title, width, height, settings.fullscreen, &parameters);
  } catch (const Ogre::Exception&) {
    renderWindow = nullptr;  // the engine has logged why
  } catch (...) {
    core::log("Error! Render window failed: " + core::describeCurrentException());
    renderWindow = nullptr;
  }
  return renderWindow != nullptr;
}

void Renderer::registerResources() {
  Ogre::ResourceGroupManager& groups = Ogre::ResourceGroupManager::getSingleton();
  // Stencil shadows need the engine's own extrusion programs.
  groups.addResourceLocation(OGRE_SHADOW_VOLUME_DIR, "FileSystem", Ogre::RGN_INTERNAL, false);
  groups.initialiseResourceGroup(Ogre::RGN_INTERNAL);
  for (const ResourceLocation& r : resourceLocations)
    addLocation(r.group, r.location, r.type);
  resourceGroups = std::make_unique<ResourceGroups>();
  for (const ResourceLocation& r : resourceLocations)
    resourceGroups->initialise(r.group);
}

void Renderer::addLocation(const std::string& group, const std::string& location, const std::string& type) {
  // Groups go in the global pool, so a mesh in one group finds its materials in another.
  Ogre::ResourceGroupManager& groups = Ogre::ResourceGroupManager::getSingleton();
  if (!groups.resourceGroupExists(group))
    groups.createResourceGroup(group, true);
  groups.addResourceLocation(location, type, group, false);
}

void Renderer::createSceneManager(const DisplaySettings& settings) {
  sceneManager = ogre->createSceneManager(Ogre::DefaultSceneManagerFactory::FACTORY_TYPE_NAME, "Generic");
  sceneManager->addRenderQueueListener(overlaySystem.get());
  sceneManager->setAmbientLight(Ogre::ColourValue(0.5f, 0.5f, 0.5f, 1.0f));
  if (settings.shadows) {
    sceneManager->setShadowTechnique(Ogre::SHADOWTYPE_STENCIL_MODULATIVE);
    sceneManager->setShadowColour(Ogre::ColourValue(0.4f, 0.35f, 0.2f, 1.0f));
    sceneManager->setShadowIndexBufferSize(51000);
    sceneManager->setShadowFarDistance(settings.shadowDistance);
  } else {
    sceneManager->setShadowTechnique(Ogre::SHADOWTYPE_NONE);
  }
  renderWindow->getCustomAttribute("WINDOW", &handle);
  renderWindow->getCustomAttribute("XDISPLAY", &display);
  platform::acceptCloseRequests(display, handle);
}

void Renderer::addResourceLocation(const std::string& group, const std::string& location, const std::string& type) {
  if (type == "FileSystem" && !std::filesystem::is_directory(location)) {
    core::log("AddResourceLocation: no such folder: " + location);
    return;
  }
  // Ogre loses the archive it made when the file then fails to open as a zip.
  if (type == "Zip" && !isZipFile(location)) {
    core::log("AddResourceLocation: no such zip archive: " + location);
    return;
  }
  addLocation(group, location, type);
  resourceGroups->initialise(group);
}

Ogre::Viewport* Renderer::mainViewport() const {
  return renderWindow->getNumViewports() > 0 ? renderWindow->getViewport(0) : nullptr;
}

void Renderer::setCompositor(const std::string& name) {
  Ogre::Viewport* viewport = mainViewport();
  if (!viewport)
    return;
  Ogre::CompositorManager& compositors = Ogre::CompositorManager::getSingleton();
  if (name.empty() && !compositors.hasCompositorChain(viewport))
    return;
  compositors.getCompositorChain(viewport)->removeAllCompositors();
  if (name.empty())
    return;
  if (!compositors.addCompositor(viewport, name, 0)) {
    core::log("AddCompositor: no compositor named " + name);
    return;
  }
  compositors.setCompositorEnabled(viewport, name, true);
}

void Renderer::saveScreenshot(const std::string& file) {
  std::filesystem::path folder = std::filesystem::path(file).parent_path();
  if (!folder.empty() && !std::filesystem::is_directory(folder)) {
    core::log("SaveScreenshot: no such folder for " + file);
    return;
  }
  renderWindow->writeContentsToFile(file);
}
