#include "HeadlessOgre.h"

#include "render/OgreHooks.h"

#include <Ogre.h>
#include <OgreScriptCompiler.h>
#include <ode/ode.h>

#include <algorithm>
#include <fstream>
#include <sstream>
#include <vector>

HeadlessOgre::HeadlessOgre(const std::string& logName) {
  logs = std::make_unique<Ogre::LogManager>();
  logs->createLog(logName, true, false, true);
  render::useOgreForLogAndErrors();
  root = std::make_unique<Ogre::Root>("", "", "");
  buffers = std::make_unique<Ogre::DefaultHardwareBufferManager>();
  controllers = std::make_unique<Ogre::ControllerManager>();  // particle systems need it
  models = std::make_unique<render::ModelImport>();
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

void gridGeometry(int cells, float size, std::vector<float>& positions, std::vector<uint32_t>& indices) {
  const int side = cells + 1;
  for (int z = 0; z < side; ++z)
    for (int x = 0; x < side; ++x)
      positions.insert(positions.end(), {size * x / cells - size / 2, 0.0f, size * z / cells - size / 2});
  for (int z = 0; z < cells; ++z)
    for (int x = 0; x < cells; ++x) {
      uint32_t a = z * side + x, b = a + 1, c = a + side + 1, d = a + side;
      indices.insert(indices.end(), {a, d, c, a, c, b});
    }
}

void makeGrid(const std::string& name, int cells, float size) {
  Ogre::MeshPtr mesh = Ogre::MeshManager::getSingleton().createManual(name, "General");
  Ogre::SubMesh* sub = mesh->createSubMesh();
  sub->useSharedVertices = false;
  sub->vertexData = new Ogre::VertexData();
  std::vector<float> positions;
  std::vector<uint32_t> indices;
  gridGeometry(cells, size, positions, indices);
  const size_t count = positions.size() / 3;
  sub->vertexData->vertexCount = count;
  sub->vertexData->vertexDeclaration->addElement(0, 0, Ogre::VET_FLOAT3, Ogre::VES_POSITION);
  auto& buffers = Ogre::HardwareBufferManager::getSingleton();
  auto vertices = buffers.createVertexBuffer(12, count, Ogre::HardwareBuffer::HBU_STATIC_WRITE_ONLY, true);
  vertices->writeData(0, positions.size() * sizeof(float), positions.data());
  sub->vertexData->vertexBufferBinding->setBinding(0, vertices);
  sub->indexData->indexCount = indices.size();
  sub->indexData->indexBuffer = buffers.createIndexBuffer(Ogre::HardwareIndexBuffer::IT_32BIT, indices.size(),
                                                          Ogre::HardwareBuffer::HBU_STATIC_WRITE_ONLY, true);
  sub->indexData->indexBuffer->writeData(0, indices.size() * sizeof(uint32_t), indices.data());
  mesh->_setBounds(Ogre::AxisAlignedBox(-size / 2, -1, -size / 2, size / 2, 1, size / 2));
  mesh->load();
}

void writeGlb(const std::string& path, const std::vector<float>& positions, const std::vector<uint32_t>& indices,
              const std::string& primitiveExtra, const std::vector<float>& normals) {
  const size_t count = positions.size() / 3;
  const bool wide = count > 65535;
  std::string data(reinterpret_cast<const char*>(positions.data()), positions.size() * sizeof(float));
  const size_t normalOffset = data.size();
  data.append(reinterpret_cast<const char*>(normals.data()), normals.size() * sizeof(float));
  const size_t indexOffset = data.size();
  for (uint32_t index : indices) {
    if (wide)
      data.append(reinterpret_cast<const char*>(&index), 4);
    else {
      const uint16_t narrow = static_cast<uint16_t>(index);
      data.append(reinterpret_cast<const char*>(&narrow), 2);
    }
  }
  data.resize((data.size() + 3) / 4 * 4, '\0');
  float low[3] = {1e30f, 1e30f, 1e30f}, high[3] = {-1e30f, -1e30f, -1e30f};
  for (size_t i = 0; i < positions.size(); ++i) {
    low[i % 3] = std::min(low[i % 3], positions[i]);
    high[i % 3] = std::max(high[i % 3], positions[i]);
  }
  std::ostringstream json;
  // Accessors and views: positions, indices, then the normals if any.
  json << R"({"asset":{"version":"2.0"},"scene":0,"scenes":[{"nodes":[0]}],"nodes":[{"mesh":0}],)"
       << R"("meshes":[{"primitives":[{"attributes":{"POSITION":0)" << (normals.empty() ? "" : R"(,"NORMAL":2)")
       << R"(},"indices":1)" << primitiveExtra << "}]}],"
       << R"("accessors":[{"bufferView":0,"componentType":5126,"type":"VEC3","count":)" << count << ",\"min\":["
       << low[0] << "," << low[1] << "," << low[2] << "],\"max\":[" << high[0] << "," << high[1] << "," << high[2]
       << R"(]},{"bufferView":1,"componentType":)" << (wide ? 5125 : 5123) << R"(,"type":"SCALAR","count":)"
       << indices.size() << "}"
       << (normals.empty() ? "" : R"(,{"bufferView":2,"componentType":5126,"type":"VEC3","count":)" + std::to_string(count) + "}")
       << R"(],"bufferViews":[{"buffer":0,"byteOffset":0,"byteLength":)" << normalOffset
       << R"(},{"buffer":0,"byteOffset":)" << indexOffset << R"(,"byteLength":)" << indices.size() * (wide ? 4 : 2)
       << "}"
       << (normals.empty() ? "" : R"(,{"buffer":0,"byteOffset":)" + std::to_string(normalOffset) +
                                      R"(,"byteLength":)" + std::to_string(normals.size() * sizeof(float)) + "}")
       << R"(],"buffers":[{"byteLength":)" << data.size() << "}]}";
  std::string text = json.str();
  text.resize((text.size() + 3) / 4 * 4, ' ');
  auto word = [](std::ofstream& out, uint32_t value) { out.write(reinterpret_cast<const char*>(&value), 4); };
  std::ofstream out(path, std::ios::binary);
  out.write("glTF", 4);
  word(out, 2);
  word(out, static_cast<uint32_t>(12 + 8 + text.size() + 8 + data.size()));
  word(out, static_cast<uint32_t>(text.size()));
  out.write("JSON", 4);
  out << text;
  word(out, static_cast<uint32_t>(data.size()));
  out.write("BIN\0", 4);
  out << data;
}
