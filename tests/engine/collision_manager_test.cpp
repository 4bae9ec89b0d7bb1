// Collision manager on real meshes: collision data from shared and own vertex blocks and 32-bit
// indices, the nearest ray hit over nested spaces, collision tests, bad rays, spaces by name.
#include "EngineFixture.h"
#include "HeadlessOgre.h"

#include <set>
#include <sstream>

namespace {

using V = Ogre::Vector3;

// Geoms come from actors' Collision messages, as in the game (WorldTest::placed).
struct CollisionTest : WorldTest {
  // "name@height" of the hit; "@0.000" for none.
  std::string ray(const std::string& space, const V& origin, const V& direction, float length) {
    CollisionQuery query;
    collision->rayTest(space, origin, direction, length, query);
    char height[32];
    std::snprintf(height, sizeof height, "@%.3f", query.hitPoint.y);
    return (query.hitNode ? query.hitNode->getName() : "") + height;
  }

  std::multiset<std::string> touching(const std::string& a, const std::string& b) {
    std::multiset<std::string> names;
    std::stringstream list(collision->collisionTest(a, b, true));
    for (std::string item; std::getline(list, item, ',');)
      names.insert(item.substr(item.find('\'')));
    return names;
  }
};

TEST_F(CollisionTest, MeshDataJoinsSharedAndOwnVertexBlocks) {
  // Crate: sides and caps share a vertex block, the plank on top has its own.
  collision->createSpace("Props", "");
  placed("Box", V(10, 0, 0), "Crate.mesh", "Props");
  EXPECT_EQ(ray("Props", {10, 10, 0}, {0, -1, 0}, 20), "Box@2.200");
  EXPECT_EQ(ray("Props", {10.9f, 10, 0}, {0, -1, 0}, 20), "Box@2.000");

  makeGrid("Quad32", 1, 2.0f);
  placed("Flat", V(0, -3, 20), "Quad32", "Props");
  EXPECT_EQ(ray("Props", {0.5f, 5, 20.5f}, {0, -1, 0}, 20), "Flat@-3.000");
}

TEST_F(CollisionTest, RayFindsNearestHitOverNestedSpaces) {
  collision->createSpace("World", "");
  collision->createSpace("Inner", "World");
  placed("Low", V::ZERO, "Floor.mesh", "World");
  placed("High", V(0, 5, 0), "Floor.mesh", "Inner");
  EXPECT_EQ(ray("World", {1, 10, 1}, {0, -1, 0}, 100), "High@5.000");
  EXPECT_EQ(ray("World", {1, -10, 1}, {0, 1, 0}, 100), "Low@0.000");
  EXPECT_EQ(ray("World", {1, 10, 1}, {0, -1, 0}, 4), "@0.000");

  // Rays ODE cannot take: no hit and a log line each, never an abort.
  EXPECT_EQ(ray("World", {1, 10, 1}, V::ZERO, 100), "@0.000");
  EXPECT_EQ(ray("World", {1, 10, 1}, {0, -1, 0}, 0), "@0.000");
  EXPECT_EQ(ray("World", {std::numeric_limits<float>::quiet_NaN(), 10, 1}, {0, -1, 0}, 100), "@0.000");
  EXPECT_EQ(logCount("ERROR. Ray test needs a finite origin, a direction and a positive length"), 3);
}

TEST_F(CollisionTest, CollisionTestNamesWhatTouches) {
  collision->createSpace("Props", "");
  collision->createSpace("Heroes", "");
  placed("C1", V::ZERO, "Crate.mesh", "Props");
  placed("C2", V(1.5f, 0, 0), "Crate.mesh", "Props");
  placed("C3", V(20, 0, 0), "Crate.mesh", "Props");
  placed("Hero", V(-1.5f, 0, 0), "Crate.mesh", "Heroes");
  EXPECT_EQ(collision->collisionTest("Heroes", "Props", true), "'C1'");

  apply("Hero", ActorMessageType::Position, "SetLocal", "", V(0.75f, 0, 0));
  const std::multiset<std::string> both{"'C1'", "'C2'"};
  EXPECT_EQ(touching("Hero", "Props"), both);
  EXPECT_EQ(touching("Props", "Hero"), both);  // against a single geom: what touches it
  EXPECT_EQ(touching("Props", "Props").size(), 1u);  // within one space, one name per touching pair
  EXPECT_EQ(collision->collisionTest("Hero", "Nothing", true), "");
}

TEST_F(CollisionTest, SpacesAndGeomsByName) {
  CollisionSpace* world = collision->createSpace("World", "");
  EXPECT_EQ(collision->createSpace("World", "Other"), world);
  // A missing parent gives a usable top-level space.
  CollisionSpace* orphan = collision->createSpace("Orphan", "Missing");
  ASSERT_NE(orphan, nullptr);
  EXPECT_EQ(dGeomGetSpace(reinterpret_cast<dGeomID>(orphan->space)), nullptr);
  placed("Pad", V::ZERO, "Floor.mesh", "Orphan");
  EXPECT_EQ(ray("Orphan", {0, 1, 0}, {0, -1, 0}, 2), "Pad@0.000");

  EXPECT_EQ(collision->createMeshGeom("Ghost", "NoSuch.mesh"), nullptr);
  EXPECT_EQ(logCount("ERROR. No collision data for mesh NoSuch.mesh", true), 1);

  collision->clear();
  EXPECT_EQ(collision->findGeom("Pad"), nullptr);
  EXPECT_EQ(ray("Orphan", {0, 1, 0}, {0, -1, 0}, 2), "@0.000");
}

}  // namespace
