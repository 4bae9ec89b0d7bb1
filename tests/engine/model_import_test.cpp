// Models from modelling tools as the engine reads them: glTF's axes, units and winding kept as
// they are, index widths by vertex count with collision data past 65,535 vertices, a skin's
// animation moving the bones as the file says, and a model that is not triangles refused.
#include "EngineFixture.h"
#include "HeadlessOgre.h"

#include <Ogre.h>

#include <filesystem>

#include <unistd.h>

namespace {

using V = Ogre::Vector3;

struct ModelTest : WorldTest {
  static void SetUpTestSuite() {
    folder = (std::filesystem::temp_directory_path() / ("tq_models_" + std::to_string(getpid()))).string();
    std::filesystem::create_directories(folder);
    // Counter-clockwise seen from +Z, two units along X and three up Y.
    writeGlb(folder + "/Triangle.glb", {0, 0, 0, 2, 0, 0, 0, 3, 0}, {0, 1, 2});
    writeGlb(folder + "/Lines.glb", {0, 0, 0, 2, 0, 0, 0, 3, 0}, {0, 1, 1, 2}, R"(,"mode":1)");
    for (int cells : {10, 256}) {
      std::vector<float> positions;
      std::vector<uint32_t> indices;
      gridGeometry(cells, 100.0f, positions, indices);
      writeGlb(folder + "/Grid" + std::to_string(cells) + ".glb", positions, indices);
    }
    Ogre::ResourceGroupManager::getSingleton().addResourceLocation(folder, "FileSystem", "LevelData");
  }
  static void TearDownTestSuite() {
    Ogre::ResourceGroupManager::getSingleton().removeResourceLocation(folder, "LevelData");
    std::filesystem::remove_all(folder);
  }

  static Ogre::MeshPtr load(const std::string& name) {
    return Ogre::MeshManager::getSingleton().load(name, "LevelData");
  }

  // Element of every vertex of the first sub-mesh, as floats.
  static std::vector<V> read(const Ogre::MeshPtr& mesh, Ogre::VertexElementSemantic semantic) {
    const Ogre::VertexData& data = *mesh->getSubMesh(0)->vertexData;
    const Ogre::VertexElement* element = data.vertexDeclaration->findElementBySemantic(semantic);
    Ogre::HardwareVertexBufferSharedPtr buffer = data.vertexBufferBinding->getBuffer(element->getSource());
    auto* bytes = static_cast<const unsigned char*>(buffer->lock(Ogre::HardwareBuffer::HBL_READ_ONLY));
    std::vector<V> values;
    for (size_t v = 0; v < data.vertexCount; ++v) {
      const float* f;
      element->baseVertexPointerToElement(const_cast<unsigned char*>(bytes) + v * buffer->getVertexSize(), &f);
      values.emplace_back(f[0], f[1], f[2]);
    }
    buffer->unlock();
    return values;
  }

  static std::string folder;
};

std::string ModelTest::folder;

TEST_F(ModelTest, AxesUnitsAndWindingStayAsInTheFile) {
  Ogre::MeshPtr mesh = load("Triangle.glb");
  EXPECT_EQ(read(mesh, Ogre::VES_POSITION), (std::vector<V>{V(0, 0, 0), V(2, 0, 0), V(0, 3, 0)}));
  // The normals made for it face +Z, where the file's front is.
  for (const V& normal : read(mesh, Ogre::VES_NORMAL))
    EXPECT_TRUE(normal.positionEquals(V::UNIT_Z, 1e-5f)) << normal;
  Ogre::HardwareIndexBufferSharedPtr indices = mesh->getSubMesh(0)->indexData->indexBuffer;
  std::vector<uint16_t> order(3);
  indices->readData(0, 6, order.data());
  EXPECT_EQ(order, (std::vector<uint16_t>{0, 1, 2}));
  EXPECT_TRUE(mesh->getBounds().contains(V(2, 3, 0)));
  EXPECT_FALSE(mesh->getBounds().contains(V(2.5f, 0, 0)));
}

TEST_F(ModelTest, IndexWidthFollowsTheVertexCountAndCollisionReadsBoth) {
  EXPECT_EQ(load("Grid10.glb")->getSubMesh(0)->indexData->indexBuffer->getType(), Ogre::HardwareIndexBuffer::IT_16BIT);
  Ogre::MeshPtr wide = load("Grid256.glb");
  EXPECT_EQ(wide->getSubMesh(0)->vertexData->vertexCount, 257u * 257u);
  EXPECT_EQ(wide->getSubMesh(0)->indexData->indexBuffer->getType(), Ogre::HardwareIndexBuffer::IT_32BIT);

  collision->createSpace("World", "");
  placed("Small", V(0, 5, 0), "Grid10.glb", "World");
  placed("Large", V(0, 0, 0), "Grid256.glb", "World");
  CollisionQuery query;
  // The far corner's triangles are the ones whose indices pass 65,535.
  collision->rayTest("World", {49.9f, 1, 49.9f}, {0, -1, 0}, 10, query);
  ASSERT_TRUE(query.hitNode);
  EXPECT_EQ(query.hitNode->getName(), "Large");
  collision->rayTest("World", {49.9f, 10, 49.9f}, {0, -1, 0}, 20, query);
  EXPECT_EQ(query.hitNode->getName(), "Small");
}

TEST_F(ModelTest, SkinAnimationMovesTheBonesAsTheFileSays) {
  Ogre::Entity* mill = scene->createEntity("Mill", "Windmill.glb");
  Ogre::AnimationState* turn = mill->getAnimationState("Turn");
  EXPECT_FLOAT_EQ(turn->getLength(), 4.0f);
  turn->setEnabled(true);
  turn->setTimePosition(1.0f);  // a quarter turn about +Z from its rest at 45 degrees
  mill->getSkeleton()->setAnimationState(*mill->getAllAnimationStates());
  const Ogre::Bone* rotor = mill->getSkeleton()->getBone("Rotor");
  EXPECT_TRUE(rotor->_getDerivedPosition().positionEquals(V(0, 5.6f, 0.9f), 1e-4f));
  EXPECT_TRUE(rotor->_getDerivedOrientation().equals(Ogre::Quaternion(Ogre::Degree(135), V::UNIT_Z), Ogre::Degree(0.1f)));

  Ogre::MaterialPtr sail = Ogre::MaterialManager::getSingleton().getByName("Windmill.glb/Sail", "LevelData");
  ASSERT_TRUE(sail);
  EXPECT_EQ(sail->getTechnique(0)->getPass(0)->getCullingMode(), Ogre::CULL_NONE);
  EXPECT_EQ(mill->getSubEntity(0)->getMaterialName(), "Windmill.glb/Wood");
  scene->destroyEntity(mill);
}

TEST_F(ModelTest, ModelOfLinesIsRefusedWithItsReasonEveryTime) {
  const std::string reason = "Model Lines.glb refused: mesh 0 is made of points or lines, not triangles";
  for (int attempt = 0; attempt < 2; ++attempt) {
    try {
      load("Lines.glb");
      ADD_FAILURE() << "loaded";
    } catch (const Ogre::Exception& e) {
      EXPECT_EQ(e.getDescription(), reason);
    }
  }
  EXPECT_EQ(Ogre::MeshManager::getSingleton().getByName("Lines.glb", "LevelData")->getNumSubMeshes(), 0);
  placed("Liner", V::ZERO);
  apply("Liner", ActorMessageType::Mesh, "Lines.glb");
  EXPECT_EQ(logCount("ERROR. Mesh message for actor Liner failed: " + reason), 1);
}

}  // namespace
