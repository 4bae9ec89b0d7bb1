#include "HeadlessOgre.h"

#include "render/OgreHooks.h"

#include <Ogre.h>
#include <OgreScriptCompiler.h>
#include <ode/ode.h>

#include <fstream>
#include <vector>

HeadlessOgre::HeadlessOgre(const std::string& logName) {
  logs = std::make_unique<Ogre::LogManager>();
  logs->createLog(logName, true, false, true);
  render::useOgreForLogAndErrors();
  root = std::make_unique<Ogre::Root>("", "", "");
  buffers = std::make_unique<Ogre::DefaultHardwareBufferManager>();
  controllers = std::make_unique<Ogre::ControllerManager>();  // particle systems need it
  root->loadPlugin(std::string(OGRE_PLUGIN_DIR) + "/Plugin_ParticleFX.so");
  Ogre::MaterialManager::getSingleton().initialise();
  Ogre::ParticleSystemManager::getSingleton()._initialise();  // Root::initialise does it with a window
  Ogre::ResourceGroupManager& groups = Ogre::ResourceGroupManager::getSingleton();
  groups.createResourceGroup("Materials", true);
  groups.createResourceGroup("LevelData", true);
  groups.addResourceLocation(GAME_RESOURCE_DIR "/Meshes", "FileSystem", "LevelData");
  groups.initialiseAllResourceGroups();
  // Only the world's scripts: the effects need GPU programs, which need a render system.
  for (const char* script : {"World.material", "World.particle"}) {
    std::ifstream file(std::string(GAME_RESOURCE_DIR "/Materials/") + script, std::ios::binary);
    Ogre::DataStreamPtr stream = std::make_shared<Ogre::FileStreamDataStream>(script, &file, false);
    Ogre::ScriptCompilerManager::getSingleton().parseScript(stream, "Materials");
  }
  dInitODE2(0);
}

HeadlessOgre::~HeadlessOgre() {
  dCloseODE();
}

void makeGrid(const std::string& name, int cells, float size) {
  Ogre::MeshPtr mesh = Ogre::MeshManager::getSingleton().createManual(name, "General");
  Ogre::SubMesh* sub = mesh->createSubMesh();
  sub->useSharedVertices = false;
  sub->vertexData = new Ogre::VertexData();
  const int side = cells + 1;
  sub->vertexData->vertexCount = side * side;
  sub->vertexData->vertexDeclaration->addElement(0, 0, Ogre::VET_FLOAT3, Ogre::VES_POSITION);
  std::vector<float> positions;
  for (int z = 0; z < side; ++z)
    for (int x = 0; x < side; ++x)
      positions.insert(positions.end(), {size * x / cells - size / 2, 0.0f, size * z / cells - size / 2});
  auto& buffers = Ogre::HardwareBufferManager::getSingleton();
  auto vertices = buffers.createVertexBuffer(12, side * side, Ogre::HardwareBuffer::HBU_STATIC_WRITE_ONLY, true);
  vertices->writeData(0, positions.size() * sizeof(float), positions.data());
  sub->vertexData->vertexBufferBinding->setBinding(0, vertices);
  std::vector<uint32_t> indices;
  for (int z = 0; z < cells; ++z)
    for (int x = 0; x < cells; ++x) {
      uint32_t a = z * side + x, b = a + 1, c = a + side + 1, d = a + side;
      indices.insert(indices.end(), {a, d, c, a, c, b});
    }
  sub->indexData->indexCount = indices.size();
  sub->indexData->indexBuffer = buffers.createIndexBuffer(Ogre::HardwareIndexBuffer::IT_32BIT, indices.size(),
                                                          Ogre::HardwareBuffer::HBU_STATIC_WRITE_ONLY, true);
  sub->indexData->indexBuffer->writeData(0, indices.size() * sizeof(uint32_t), indices.data());
  mesh->_setBounds(Ogre::AxisAlignedBox(-size / 2, -1, -size / 2, size / 2, 1, size / 2));
  mesh->load();
}
