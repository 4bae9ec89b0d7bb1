// Actor messages and the per-step update on real meshes, skeletons and particles: placement modes,
// motion, temporary materials, effects, and bad input that only logs. Sound is the e2e tier's.
#include "EngineFixture.h"

#include <OgreAnimationState.h>
#include <OgreEntity.h>
#include <OgreMesh.h>
#include <OgreParticleEmitter.h>
#include <OgreParticleSystem.h>
#include <OgreSubEntity.h>

namespace {

using Type = ActorMessageType;
using V = Ogre::Vector3;

void expectNear(const V& actual, const V& expected) {
  EXPECT_LT(actual.distance(expected), 1e-4) << actual << " instead of " << expected;
}

const Ogre::Quaternion yaw90(Ogre::Degree(90), V::UNIT_Y);
const Ogre::Degree close(0.01f);

struct ActorTest : WorldTest {
  // A node at (10, 0, 0) turned 90 degrees about y: its local +z is world +x.
  Ogre::SceneNode* turned() {
    Ogre::SceneNode* node = scene->getRootSceneNode()->createChildSceneNode("Turned", V(10, 0, 0));
    node->yaw(Ogre::Degree(90));
    return node;
  }
  std::string materialOf(const Actor& a, int sub = 0) { return a.entity->getSubEntity(sub)->getMaterialName(); }
};

TEST_F(ActorTest, AttachKeepsWorldPlacementOrLocalValues) {
  Ogre::SceneNode* target = turned();
  Actor& kept = placed("Kept", V(1, 2, 3));
  Actor& local = placed("Local", V(1, 2, 3));
  apply("Kept", Type::Rotation, "SetLocal", "", V(0, 0, 5), 30);
  Ogre::Quaternion turn = kept.node->_getDerivedOrientation();
  apply("Kept", Type::Attach, "Turned", "Keep");
  apply("Local", Type::Attach, "Turned", "Local");
  EXPECT_EQ(kept.node->getParent(), target);
  expectNear(kept.node->_getDerivedPosition(), V(1, 2, 3));
  EXPECT_TRUE(kept.node->_getDerivedOrientation().equals(turn, close));
  expectNear(local.node->_getDerivedPosition(), V(13, 2, -1));

  // A missing target leaves the node detached; a target below the node itself is refused.
  apply("Local", Type::Attach, "Nowhere");
  EXPECT_EQ(local.node->getParent(), nullptr);
  EXPECT_EQ(logCount("ERROR. Trying to attach actor to non existing scenenode: Nowhere"), 1);
  kept.node->createChildSceneNode("BelowKept");
  apply("Kept", Type::Attach, "BelowKept");
  EXPECT_EQ(logCount("ERROR. Trying to attach actor below its own scenenode: BelowKept"), 1);
}

TEST_F(ActorTest, PositionAndRotationModes) {
  turned();
  Actor& a = actor("A");
  apply("A", Type::Position, "SetWorld", "", V(1, 2, 3));
  apply("A", Type::Rotation, "SetLocal", "", V::UNIT_Y, 10);
  EXPECT_EQ(logCount("ERROR. Trying to set position for actor with no scenenode: A"), 2);

  apply("A", Type::Attach, "Turned");
  apply("A", Type::Position, "SetWorld", "", V(1, 2, 3));
  expectNear(a.node->_getDerivedPosition(), V(1, 2, 3));
  apply("A", Type::Position, "MoveLocal", "", V(0, 0, 1));
  expectNear(a.node->_getDerivedPosition(), V(2, 2, 3));
  apply("A", Type::Position, "SetLocal", "", V(0, 0, 1));
  expectNear(a.node->_getDerivedPosition(), V(11, 0, 0));

  // The axis is normalised, so length 5 turns by the same angle; Set* discards earlier turns.
  apply("A", Type::Rotation, "SetLocal", "", V(0, 5, 0), 90);
  EXPECT_TRUE(a.node->getOrientation().equals(yaw90, close));
  apply("A", Type::Rotation, "AddLocal", "", V::UNIT_X, 45);
  apply("A", Type::Rotation, "SetLocal", "", V::UNIT_Y, 90);
  EXPECT_TRUE(a.node->getOrientation().equals(yaw90, close));
}

TEST_F(ActorTest, VelocitySpinAndFacing) {
  Actor& a = placed("A", V::ZERO);
  send("A", 0, Type::Velocity, "", "", V(50, 0, 0));
  apply("A", Type::Spin, "", "", V::UNIT_Y, 90);
  step(49);  // plus the step that applied them
  expectNear(a.node->getPosition(), V(50, 0, 0));
  EXPECT_TRUE(a.node->getOrientation().equals(yaw90, Ogre::Degree(0.05f)));
  apply("A", Type::Velocity);
  V stopped = a.node->getPosition();
  step(5);
  EXPECT_EQ(a.node->getPosition(), stopped);

  // With facing on, the node's -Y turns along the velocity.
  Actor& facing = placed("Facing", V::ZERO);
  apply("Facing", Type::Mesh, "Crate.mesh", "1");
  apply("Facing", Type::Velocity, "", "", V(1, 0, 0));
  expectNear(facing.node->getOrientation() * V::NEGATIVE_UNIT_Y, V::UNIT_X);
}

TEST_F(ActorTest, TemporaryMaterialRevertsAfterItsSteps) {
  Actor& a = placed("A", V::ZERO, "Crate.mesh");
  // Steps worn, the applying one included.
  auto stepsWorn = [&](float duration) {
    apply("A", Type::Material, "Flash/White", "", V::ZERO, duration);
    int steps = 1;
    for (; materialOf(a) == "Flash/White" && steps < 100; ++steps)
      step();
    return steps;
  };
  EXPECT_EQ(stepsWorn(1.0f), 20);
  EXPECT_EQ(materialOf(a), "Crate/Sides");
  EXPECT_EQ(a.node->getAttachedObject(0), a.entity);

  // A permanent material becomes the one a temporary one falls back to.
  apply("A", Type::Material, "Hero/Blue", "", V::ZERO, 0);
  stepsWorn(0.2f);
  EXPECT_EQ(materialOf(a), "Hero/Blue");
  apply("A", Type::Material, "Flash/White", "2");
  EXPECT_EQ(materialOf(a, 2), "Flash/White");
  EXPECT_EQ(materialOf(a), "Hero/Blue");
}

TEST_F(ActorTest, AnimationAndParticles) {
  Actor& a = placed("Flag", V::ZERO, "Flag.mesh");
  apply("Flag", Type::Animation, "Wave", "", V::ZERO, 0);  // speed 0 plays at 1
  ASSERT_NE(a.animationState(), nullptr);
  step(25);
  EXPECT_NEAR(a.animationState()->getTimePosition(), 0.5f + 0.02f, 1e-4);  // the applying step advanced it too
  // A mesh saved while the game runs is reloaded, and its entities make new animation states at
  // their next drawing; the animation plays on from the start.
  a.entity->getMesh()->reload();
  a.entity->_initialise(true);
  step(5);
  ASSERT_NE(a.animationState(), nullptr);
  EXPECT_TRUE(a.animationState()->getEnabled());
  EXPECT_NEAR(a.animationState()->getTimePosition(), 0.1f, 1e-4);
  apply("Flag", Type::Animation);
  EXPECT_EQ(a.animationState(), nullptr);
  EXPECT_FALSE(a.entity->getAnimationState("Wave")->getEnabled());

  apply("Flag", Type::Particles, "Sparkle");
  ASSERT_NE(a.particleSystem, nullptr);
  EXPECT_EQ(a.particleSystem->getParentSceneNode()->getParentSceneNode(), a.node);
  apply("Flag", Type::Particles, "FadeOut");
  EXPECT_FALSE(a.particleSystem->getEmitter(0)->getEnabled());
  apply("Flag", Type::Particles, "");
  EXPECT_EQ(a.particleSystem, nullptr);
  EXPECT_EQ(a.node->numChildren(), 0u);
}

TEST_F(ActorTest, BadInputOnlyLogs) {
  Actor& a = placed("A", V::ZERO, "Crate.mesh");
  apply("A", Type::Material, "NoSuch/Material");
  apply("A", Type::Particles, "NoSuchTemplate");
  apply("A", Type::Animation, "NoSuchAnimation");
  apply("A", Type::Mesh, "NoSuch.mesh");
  apply("A", Type::Mesh, "Crate.mesh");
  apply("A", static_cast<Type>(12));
  EXPECT_EQ(logCount("ERROR. Mesh message for actor A failed: ", true), 1);
  EXPECT_EQ(logCount("ERROR. No such material for actor A: NoSuch/Material"), 1);
  EXPECT_EQ(logCount("ERROR. Particles message for actor A failed: ", true), 1);
  EXPECT_EQ(logCount("ERROR. Animation message for actor A failed: ", true), 1);
  EXPECT_EQ(logCount("Error. Unknown ActorMessageType: 12"), 1);

  // The actor still takes a mesh, and its names are free again once it is removed.
  ASSERT_NE(a.entity, nullptr);
  simulation->removeActor("A");
  EXPECT_FALSE(scene->hasSceneNode("A"));
  EXPECT_FALSE(scene->hasEntity("A"));
  EXPECT_EQ(collision->findGeom("A"), nullptr);
}

TEST_F(ActorTest, GeomFollowsItsNodeOnceAttached) {
  collision->createSpace("World", "");
  Actor& a = actor("A");
  apply("A", Type::Collision, "Floor.mesh", "World");
  ASSERT_NE(a.geom, nullptr);
  step(2);
  EXPECT_EQ(logCount("ERROR. Update called on geom with no scenenode associated"), 3);
  placed("A", V(0, 7, 0));
  CollisionQuery query;
  collision->rayTest("World", V(0, 20, 0), V::NEGATIVE_UNIT_Y, 50, query);
  EXPECT_NEAR(query.hitPoint.y, 7.0f, 1e-4);
  EXPECT_EQ(query.hitNode, a.node);

  // A script moves the parent between steps: the geom follows at the next step.
  scene->getSceneNode("Stage")->setPosition(0, 0, 100);
  step();
  EXPECT_TRUE(collision->rayTest("World", V(0, 20, 100), V::NEGATIVE_UNIT_Y, 50, query));
  EXPECT_EQ(query.hitNode, a.node);
}

}  // namespace
