// Render start-up: configuration values from setup.lua, the engine root without any of Ogre's
// own config files, the window with its fall-back ladder (each step rewrites setup.lua so the
// next start uses what worked), resource locations and the scene manager.
#include "app/GameApp.h"

#include "app/ResourceGroups.h"

#include "core/Convert.h"
#include "core/Errors.h"
#include "core/Log.h"
#include "platform/Platform.h"
#include "script/ScriptHost.h"

#include <Ogre.h>
#include <Overlay/OgreOverlaySystem.h>

#include <algorithm>

namespace {

const char fallbackRenderSystem[] = "RenderSystem_GL";
const char lowResScript[] = "../Resource/setup_lowres.lua";
const char lowResNoFsaaScript[] = "../Resource/setup_lowres_nofsaa.lua";

std::string pluginPath(const std::string& name) {
  return std::string(OGRE_PLUGIN_DIR) + "/" + name + ".so";
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

}  // namespace

GameApp::DisplaySettings GameApp::readDisplaySettings() {
  ScriptVm& setup = scriptHost->setupVm();
  auto number = [&](const char* key) { return scriptHost->getFloat(setup, "setup", key); };
  DisplaySettings settings;
  // A negative sleep would be an endless one.
  sleepTime = static_cast<uint32_t>(std::max(0, convert::toInt32(number("sleeptime"))));
  settings.width = convert::toUInt32(number("window_width"));
  settings.height = convert::toUInt32(number("window_height"));
  settings.fullscreen = number("fullscreen") != 0.0f;
  settings.renderSystem = scriptHost->getString(setup, "setup", "rendersystem");
  settings.shadows = number("shadows") != 0.0f;
  context.musicDir = scriptHost->getString(setup, "setup", "musicdir");
  settings.shadowDistance = number("shadowdistance");
  settings.fsaa = number("fsaa") != 0.0f;
  if (settings.width == 0) {
    platform::ScreenSize desktop = platform::desktopSize();
    settings.width = desktop.width;
    settings.height = desktop.height;
    settings.fullscreen = true;
  }
  return settings;
}

bool GameApp::createRoot(const DisplaySettings& settings) {
  ogre = std::make_unique<Ogre::Root>("", "", logFileName());
  overlaySystem = std::make_unique<Ogre::OverlaySystem>();

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

bool GameApp::createWindow(const DisplaySettings& settings) {
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

bool GameApp::tryWindow(unsigned width, unsigned height, const DisplaySettings& settings, bool fsaa) {
  // The resolution parameter keeps the configured size on every rung.
  Ogre::NameValuePairList parameters;
  parameters["resolution"] = std::to_string(settings.width) + "x" + std::to_string(settings.height);
  if (fsaa)
    parameters["FSAA"] = "4";
  try {
    renderWindow = ogre->createRenderWindow(windowTitle, width, height, settings.fullscreen, &parameters);
  } catch (const Ogre::Exception&) {
    renderWindow = nullptr;  // the engine has logged why
  } catch (...) {
    core::log("Error! Render window failed: " + core::describeCurrentException());
    renderWindow = nullptr;
  }
  return renderWindow != nullptr;
}

void GameApp::failStartup(const std::string& logLine, const std::string& boxText) {
  core::log(logLine);
  platform::messageBox(windowTitle, boxText + " See " + logFileName() + ".");
  failed = true;
}

void GameApp::registerResources() {
  Ogre::ResourceGroupManager& groups = Ogre::ResourceGroupManager::getSingleton();
  // Stencil shadows need the engine's own extrusion programs.
  groups.addResourceLocation(OGRE_SHADOW_VOLUME_DIR, "FileSystem", Ogre::RGN_INTERNAL, false);
  groups.initialiseResourceGroup(Ogre::RGN_INTERNAL);
  for (const ResourceLocation& r : resourceLocations)
    addResourceLocation(r.group, r.location, r.type);
  resourceGroups = std::make_unique<ResourceGroups>();
  for (const ResourceLocation& r : resourceLocations)
    resourceGroups->initialise(r.group);
}

void GameApp::addResourceLocation(const std::string& group, const std::string& location, const std::string& type) {
  // Groups go in the global pool, so a mesh in one group finds its materials in another.
  Ogre::ResourceGroupManager& groups = Ogre::ResourceGroupManager::getSingleton();
  if (!groups.resourceGroupExists(group))
    groups.createResourceGroup(group, true);
  groups.addResourceLocation(location, type, group, false);
}

void GameApp::createSceneManager(const DisplaySettings& settings) {
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
  renderWindow->getCustomAttribute("WINDOW", &windowHandle);
  renderWindow->getCustomAttribute("XDISPLAY", &windowDisplay);
  platform::acceptCloseRequests(windowDisplay, windowHandle);
  context.scene = sceneManager;
  context.window = renderWindow;
}
