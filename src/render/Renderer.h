// Ogre for the game: the engine root with its render system, the window with its fall-back
// ladder (each rung rewrites setup.lua, so the next start uses what worked), the resource groups
// and the scene manager, and what the scripts ask of them: resource locations, the compositor,
// screenshots.
#pragma once

#include <memory>
#include <string>

namespace Ogre {
class OverlaySystem;
class RenderWindow;
class Root;
class SceneManager;
class Viewport;
}  // namespace Ogre
class ResourceGroups;
namespace render {
class ModelImport;
}

// What setup.lua says about the window and the renderer.
struct DisplaySettings {
  unsigned width = 0;   // 0: the desktop's size, full screen
  unsigned height = 0;
  bool fullscreen = false;
  std::string renderSystem;
  bool shadows = false;
  float shadowDistance = 0.0f;
  bool fsaa = false;
};

class Renderer {
public:
  // "Tarnel Quibbo.log" in the working directory, or the player's log folder for an installed
  // game: the log main() opened.
  static std::string logFileName();

  // Null when there is no render system or no window, after the log line and the message box.
  // setupScript is the configuration the ladder's rungs replace.
  static std::unique_ptr<Renderer> start(const DisplaySettings& settings, const std::string& setupScript);
  ~Renderer();
  Renderer(const Renderer&) = delete;
  Renderer& operator=(const Renderer&) = delete;

  Ogre::Root& root() const { return *ogre; }
  Ogre::RenderWindow& window() const { return *renderWindow; }
  Ogre::SceneManager& scene() const { return *sceneManager; }
  // The window's X connection and handle, for input and the window's own events.
  void* windowDisplay() const { return display; }
  unsigned long windowHandle() const { return handle; }

  // Adds the location to the group and initialises it; a folder or zip archive that is not
  // there gives one line and nothing else.
  void addResourceLocation(const std::string& group, const std::string& location, const std::string& type);
  // The one compositor on the main viewport; an empty name removes it.
  void setCompositor(const std::string& name);
  // The picture of the window, into a file whose folder must exist.
  void saveScreenshot(const std::string& file);

private:
  Renderer() = default;
  bool createRoot(const DisplaySettings& settings);
  bool createWindow(const DisplaySettings& settings, const std::string& setupScript);
  bool tryWindow(unsigned width, unsigned height, const DisplaySettings& settings, bool fsaa);
  void registerResources();
  void createSceneManager(const DisplaySettings& settings);
  void addLocation(const std::string& group, const std::string& location, const std::string& type);
  Ogre::Viewport* mainViewport() const;

  std::unique_ptr<Ogre::Root> ogre;
  std::unique_ptr<Ogre::OverlaySystem> overlaySystem;
  std::unique_ptr<ResourceGroups> resourceGroups;
  std::unique_ptr<render::ModelImport> modelImport;
  // The engine root owns these.
  Ogre::RenderWindow* renderWindow = nullptr;
  Ogre::SceneManager* sceneManager = nullptr;
  unsigned long handle = 0;
  void* display = nullptr;
};
