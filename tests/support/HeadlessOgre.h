// Ogre without a window, as the engine tests and the world benchmark use it: no render system,
// buffers in system memory, ParticleFX, the world's material and particle scripts, the built game
// meshes in "LevelData" (groups in the global pool, as in the game), the model loader, and ODE.
// One per process.
#pragma once

#include <OgreControllerManager.h>
#include <OgreDefaultHardwareBufferManager.h>
#include <OgreRoot.h>

#include "render/ModelImport.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

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
  std::unique_ptr<render::ModelImport> models;
};

// A mesh of cells x cells quads (two triangles each, 32-bit indices) spanning size x size at y = 0.
void makeGrid(const std::string& name, int cells, float size);

// A .glb of one triangle-list primitive: positions (x, y, z each) and, when given, as many normals,
// with 16-bit indices while they fit; primitiveExtra is more JSON for the primitive, such as ,"mode":1.
void writeGlb(const std::string& path, const std::vector<float>& positions, const std::vector<uint32_t>& indices,
              const std::string& primitiveExtra = "", const std::vector<float>& normals = {});
// The same grid as makeGrid, as vertex positions and indices.
void gridGeometry(int cells, float size, std::vector<float>& positions, std::vector<uint32_t>& indices);
