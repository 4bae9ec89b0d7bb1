// Collision manager on real meshes: collision data from shared and own vertex blocks and from
// 32-bit indices, the nearest ray hit over nested spaces, collision tests in both forms, bad rays.
#include "WorldFixture.h"

#include <OgreHardwareBufferManager.h>
#include <OgreMesh.h>
#include <OgreMeshManager.h>
#include <OgreSubMesh.h>

#include <set>
#include <sstream>

namespace {

class CollisionTest : public WorldTest {
protected:
  // A geom of the mesh following a fresh node at the position, in the space (if any).
  GeomBinding* geomAt(const std::string& name, const std::string& mesh, const std::string& space,
                      const Ogre::Vector3& at) {
    Ogre::SceneNode* node = scene->getSceneNode(name, false);
    if (!node)
      node = scene->getRootSceneNode()->createChildSceneNode(name);
    node->setPosition(at);
    GeomBinding* geom = collision->createMeshGeom(name, mesh);
    if (!geom)
      return nullptr;
    geom->follow(node);
    CollisionSpace* s = collision->findSpace(space);
    if (s && !dGeomGetSpace(geom->geom))
      dSpaceAdd(s->space, geom->geom);
    collision->syncGeom(*geom);
    return geom;
  }

  struct Hit {
    Ogre::Vector3 point;
    std::string name;
  };
  Hit ray(const std::string& space, const Ogre::Vector3& origin, const Ogre::Vector3& direction, float length) {
    CollisionQuery query;
    collision->rayTest(space, origin, direction, length, query);
    return {query.hitPoint, query.hitNode ? query.hitNode->getName() : ""};
  }

  static std::multiset<std::string> names(const std::string& list) {
    std::multiset<std::string> result;
    std::stringstream in(list);
    for (std::string item; std::getline(in, item, ',');)
      result.insert(item.substr(item.find('\'')));
    return result;
  }
};

// One quad at height 0 spanning x, z in [-1, 1], with 32-bit indices.
void makeQuad32(const std::string& name) {
  Ogre::MeshPtr mesh = Ogre::MeshManager::getSingleton().createManual(name, "LevelData");
  Ogre::SubMesh* sub = mesh->createSubMesh();
  sub->useSharedVertices = false;
  sub->vertexData = new Ogre::VertexData();
  sub->vertexData->vertexCount = 4;
  sub->vertexData->vertexDeclaration->addElement(0, 0, Ogre::VET_FLOAT3, Ogre::VES_POSITION);
  const float positions[] = {-1, 0, -1, 1, 0, -1, 1, 0, 1, -1, 0, 1};
  auto vertices = Ogre::HardwareBufferManager::getSingleton().createVertexBuffer(
      12, 4, Ogre::HardwareBuffer::HBU_STATIC_WRITE_ONLY, true);
  vertices->writeData(0, sizeof positions, positions);
  sub->vertexData->vertexBufferBinding->setBinding(0, vertices);
  const uint32_t indices[] = {0, 2, 1, 0, 3, 2};
  sub->indexData->indexCount = 6;
  sub->indexData->indexBuffer = Ogre::HardwareBufferManager::getSingleton().createIndexBuffer(
      Ogre::HardwareIndexBuffer::IT_32BIT, 6, Ogre::HardwareBuffer::HBU_STATIC_WRITE_ONLY, true);
  sub->indexData->indexBuffer->writeData(0, sizeof indices, indices);
  mesh->_setBounds(Ogre::AxisAlignedBox(-1, 0, -1, 1, 0, 1));
  mesh->load();
}

TEST_F(CollisionTest, MeshDataJoinsSharedAndOwnVertexBlocks) {
  // Crate: sides and caps share 24 vertices; the plank on top has its own 24.
  MeshCollisionData* data = collision->getMeshData("Crate.mesh");
  ASSERT_NE(data, nullptr);
  EXPECT_EQ(data->vertices.size(), 48u * 4);
  ASSERT_EQ(data->indices.size(), (8u + 4 + 12) * 3);
  for (size_t i = 0; i < data->indices.size(); ++i) {
    if (i < 36)
      EXPECT_LT(data->indices[i], 24) << i;
    else
      EXPECT_GE(data->indices[i], 24) << i;
  }
  EXPECT_EQ(collision->getMeshData("Crate.mesh"), data);

  // The plank (own block) and the crate's top (shared block) are where the mesh has them.
  collision->createSpace("Props", "");
  geomAt("Box", "Crate.mesh", "Props", Ogre::Vector3(10, 0, 0));
  EXPECT_NEAR(ray("Props", {10, 10, 0}, {0, -1, 0}, 20).point.y, 2.2f, 1e-4);
  EXPECT_NEAR(ray("Props", {10.9f, 10, 0}, {0, -1, 0}, 20).point.y, 2.0f, 1e-4);

  makeQuad32("Quad32");
  geomAt("Flat", "Quad32", "Props", Ogre::Vector3(0, -3, 20));
  Hit hit = ray("Props", {0.5f, 5, 20.5f}, {0, -1, 0}, 20);
  EXPECT_EQ(hit.name, "Flat");
  EXPECT_NEAR(hit.point.y, -3.0f, 1e-4);
}

TEST_F(CollisionTest, MissingMeshGivesOneLogLineAndNoGeom) {
  EXPECT_EQ(collision->createMeshGeom("Ghost", "NoSuch.mesh"), nullptr);
  EXPECT_EQ(logCountStarting("ERROR. No collision data for mesh NoSuch.mesh"), 1);
  EXPECT_EQ(collision->findGeom("Ghost"), nullptr);
}

TEST_F(CollisionTest, RayFindsNearestHitOverNestedSpaces) {
  collision->createSpace("World", "");
  collision->createSpace("Inner", "World");
  geomAt("Low", "Floor.mesh", "World", Ogre::Vector3(0, 0, 0));
  geomAt("High", "Floor.mesh", "Inner", Ogre::Vector3(0, 5, 0));

  Hit down = ray("World", {1, 10, 1}, {0, -1, 0}, 100);
  EXPECT_EQ(down.name, "High");
  EXPECT_NEAR(down.point.y, 5.0f, 1e-4);
  Hit up = ray("World", {1, -10, 1}, {0, 1, 0}, 100);
  EXPECT_EQ(up.name, "Low");
  EXPECT_NEAR(up.point.y, 0.0f, 1e-4);

  Hit shortRay = ray("World", {1, 10, 1}, {0, -1, 0}, 4);
  EXPECT_EQ(shortRay.name, "");
  EXPECT_EQ(shortRay.point, Ogre::Vector3::ZERO);
  EXPECT_EQ(ray("NoSpace", {1, 10, 1}, {0, -1, 0}, 100).name, "");
  EXPECT_EQ(logCountStarting("ERROR"), 0);

  // Rays ODE cannot take: no hit and a log line each, never an abort.
  const float nan = std::numeric_limits<float>::quiet_NaN();
  EXPECT_EQ(ray("World", {1, 10, 1}, Ogre::Vector3::ZERO, 100).name, "");
  EXPECT_EQ(ray("World", {1, 10, 1}, {0, -1, 0}, 0).name, "");
  EXPECT_EQ(ray("World", {1, 10, 1}, {0, -1, 0}, -5).name, "");
  EXPECT_EQ(ray("World", {nan, 10, 1}, {0, -1, 0}, 100).name, "");
  EXPECT_EQ(logCount("ERROR. Ray test needs a finite origin, a direction and a positive length"), 4);
}

TEST_F(CollisionTest, CollisionTestNamesWhatTouches) {
  collision->createSpace("Props", "");
  collision->createSpace("Heroes", "");
  geomAt("C1", "Crate.mesh", "Props", Ogre::Vector3(0, 0, 0));
  geomAt("C2", "Crate.mesh", "Props", Ogre::Vector3(1.5f, 0, 0));
  geomAt("C3", "Crate.mesh", "Props", Ogre::Vector3(20, 0, 0));
  geomAt("Hero", "Crate.mesh", "Heroes", Ogre::Vector3(-1.5f, 0, 0));

  EXPECT_EQ(collision->collisionTest("Hero", "Props", false), "C1");
  EXPECT_EQ(collision->collisionTest("Hero", "Props", true), "'C1'");
  EXPECT_EQ(collision->collisionTest("Heroes", "Props", true), "'C1'");

  geomAt("Hero", "Crate.mesh", "Heroes", Ogre::Vector3(0.75f, 0, 0));
  EXPECT_EQ(names(collision->collisionTest("Hero", "Props", true)), (std::multiset<std::string>{"'C1'", "'C2'"}));
  // Against a single geom the test names what touches it.
  EXPECT_EQ(names(collision->collisionTest("Props", "Hero", true)), (std::multiset<std::string>{"'C1'", "'C2'"}));
  EXPECT_EQ(collision->collisionTest("C3", "Hero", false), "");
  // Within one space each touching pair reports one name.
  EXPECT_EQ(names(collision->collisionTest("Props", "Props", true)).size(), 1u);

  EXPECT_EQ(collision->collisionTest("Hero", "Nothing", true), "");
  EXPECT_EQ(collision->collisionTest("Nothing", "Props", false), "");
}

TEST_F(CollisionTest, SpacesAndGeomsByName) {
  CollisionSpace* world = collision->createSpace("World", "");
  EXPECT_EQ(collision->createSpace("World", "Other"), world);

  // A missing parent gives a usable top-level space.
  CollisionSpace* orphan = collision->createSpace("Orphan", "Missing");
  ASSERT_NE(orphan, nullptr);
  EXPECT_EQ(dGeomGetSpace(reinterpret_cast<dGeomID>(orphan->space)), nullptr);
  EXPECT_EQ(logCount("ERROR. No such parent collision space: Missing (Orphan made top-level)"), 1);
  geomAt("Pad", "Floor.mesh", "Orphan", Ogre::Vector3::ZERO);
  EXPECT_EQ(ray("Orphan", {0, 1, 0}, {0, -1, 0}, 2).name, "Pad");

  collision->removeGeom("NotAGeom");

  collision->clear();
  EXPECT_EQ(collision->findSpace("World"), nullptr);
  EXPECT_EQ(collision->findGeom("Pad"), nullptr);
  EXPECT_EQ(ray("Orphan", {0, 1, 0}, {0, -1, 0}, 2).name, "");
}

}  // namespace
