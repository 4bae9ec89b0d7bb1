// A real GL window over an empty scene with the overlay system, for the benchmarks that draw
// (run them under Xvfb). Ogre's own log lines go to NAME.log, off the report.
#pragma once

#include <Ogre.h>
#include <Overlay/OgreOverlaySystem.h>

#include <memory>
#include <string>

struct GlWindow {
  GlWindow(const std::string& name, unsigned width, unsigned height) {
    logs = std::make_unique<Ogre::LogManager>();
    logs->createLog(name + ".log", true, false);
    root = std::make_unique<Ogre::Root>("", "", "");
    root->loadPlugin(std::string(OGRE_PLUGIN_DIR) + "/RenderSystem_GL.so");
    root->loadPlugin(std::string(OGRE_PLUGIN_DIR) + "/Codec_STBI.so");  // PNG textures and pictures
    root->setRenderSystem(root->getAvailableRenderers().front());
    root->initialise(false);
    overlaySystem = std::make_unique<Ogre::OverlaySystem>();
    window = root->createRenderWindow(name, width, height, false);
    scene = root->createSceneManager();
    scene->addRenderQueueListener(overlaySystem.get());
    camera = scene->createCamera("Camera");
    scene->getRootSceneNode()->attachObject(camera);
    viewport = window->addViewport(camera);
  }

  std::unique_ptr<Ogre::LogManager> logs;
  std::unique_ptr<Ogre::Root> root;
  std::unique_ptr<Ogre::OverlaySystem> overlaySystem;
  Ogre::RenderWindow* window = nullptr;
  Ogre::SceneManager* scene = nullptr;
  Ogre::Camera* camera = nullptr;
  Ogre::Viewport* viewport = nullptr;
};
