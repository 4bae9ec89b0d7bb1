// Ogre without a window, as the engine tests and the world benchmark use it: no render system,
// buffers in system memory, ParticleFX, the world's material and particle scripts, the built game
// meshes in "LevelData" (groups in the global pool, as in the game), and ODE. One per process.
#pragma once

#include <OgreControllerManager.h>
#include <OgreDefaultHardwareBufferManager.h>
#include <OgreRoot.h>

#include <memory>

class HeadlessOgre {
public:
  explicit HeadlessOgre(const std::string& logName);
  ~HeadlessOgre();

private:
  // Destroyed bottom up: the root before what it uses.
  std::unique_ptr<Ogre::LogManager> logs;
  std::unique_ptr<Ogre::DefaultHardwareBufferManager> buffers;
  std::unique_ptr<Ogre::ControllerManager> controllers;
  std::unique_ptr<Ogre::Root> root;
};

// A mesh of cells x cells quads (two triangles each, 32-bit indices) spanning size x size at y = 0.
void makeGrid(const std::string& name, int cells, float size);
