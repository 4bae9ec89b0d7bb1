// Actor messages and the per-step update on real meshes, materials, skeletons and particles:
// placement modes, continuous motion, temporary materials, effects, and bad input that must only
// log.
#include "WorldFixture.h"

#include <OgreAnimationState.h>
#include <OgreEntity.h>
#include <OgreParticleEmitter.h>
#include <OgreParticleSystem.h>
#include <OgreSubEntity.h>

namespace {

using Type = ActorMessageType;

class ActorTest : public WorldTest {
protected:
  Ogre::SceneNode* parentAt(const std::string& name, const Ogre::Vector3& at, float yawDegrees) {
    Ogre::SceneNode* node = scene->getRootSceneNode()->createChildSceneNode(name, at);
    node->yaw(Ogre::Degree(yawDegrees));
    return node;
  }

  static void expectNear(const Ogre::Vector3& actual, const Ogre::Vector3& expected) {
    EXPECT_LT(actual.distance(expected), 1e-4) << actual << " instead of " << expected;
  }

  std::string materialOf(const Actor& a) { return a.entity->getSubEntity(0)->getMaterialName(); }
};

TEST_F(ActorTest, AttachKeepsWorldPlacementOrLocalValues) {
  parentAt("Turned", Ogre::Vector3(10, 0, 0), 90);
  Actor& kept = placed("Kept", Ogre::Vector3(1, 2, 3));
  Actor& local = placed("Local", Ogre::Vector3(1, 2, 3));
  apply("Kept", Type::Rotation, "SetLocal", "", Ogre::Vector3(0, 0, 5), 30);
  Ogre::Quaternion turned = kept.node->_getDerivedOrientation();

  apply("Kept", Type::Attach, "Turned", "Keep");
  apply("Local", Type::Attach, "Turned", "Local");
  EXPECT_EQ(kept.node->getParent(), scene->getSceneNode("Turned"));
  expectNear(kept.node->_getDerivedPosition(), Ogre::Vector3(1, 2, 3));
  EXPECT_TRUE(kept.node->_getDerivedOrientation().equals(turned, Ogre::Degree(0.01f)));
  expectNear(local.node->_getDerivedPosition(), Ogre::Vector3(10 + 3, 2, -1));

  // A missing target leaves the node detached; a target below the node itself is refused.
  apply("Local", Type::Attach, "Nowhere");
  EXPECT_EQ(local.node->getParent(), nullptr);
  EXPECT_EQ(logCount("ERROR. Trying to attach actor to non existing scenenode: Nowhere"), 1);
  kept.node->createChildSceneNode("BelowKept");
  apply("Kept", Type::Attach, "BelowKept");
  EXPECT_EQ(logCount("ERROR. Trying to attach actor below its own scenenode: BelowKept"), 1);
}

TEST_F(ActorTest, PositionAndRotationModes) {
  parentAt("Turned", Ogre::Vector3(10, 0, 0), 90);
  Actor& a = actor("A");
  apply("A", Type::Position, "SetWorld", "", Ogre::Vector3(1, 2, 3));
  EXPECT_EQ(logCount("ERROR. Trying to set position for actor with no scenenode: A"), 1);
  apply("A", Type::Rotation, "SetLocal", "", Ogre::Vector3::UNIT_Y, 10);
  EXPECT_EQ(logCount("ERROR. Trying to set position for actor with no scenenode: A"), 2);

  apply("A", Type::Attach, "Turned");
  apply("A", Type::Position, "SetWorld", "", Ogre::Vector3(1, 2, 3));
  expectNear(a.node->_getDerivedPosition(), Ogre::Vector3(1, 2, 3));
  apply("A", Type::Position, "MoveLocal", "", Ogre::Vector3(0, 0, 1));  // local +z is world +x here
  expectNear(a.node->_getDerivedPosition(), Ogre::Vector3(2, 2, 3));
  apply("A", Type::Position, "SetLocal", "", Ogre::Vector3(0, 0, 1));
  expectNear(a.node->_getDerivedPosition(), Ogre::Vector3(11, 0, 0));

  // The axis is normalised: length 5 turns by the same angle; Set* discards earlier turns.
  apply("A", Type::Rotation, "SetLocal", "", Ogre::Vector3(0, 5, 0), 90);
  Ogre::Quaternion fromLong = a.node->getOrientation();
  apply("A", Type::Rotation, "AddLocal", "", Ogre::Vector3::UNIT_X, 45);
  apply("A", Type::Rotation, "SetLocal", "", Ogre::Vector3::UNIT_Y, 90);
  EXPECT_TRUE(fromLong.equals(a.node->getOrientation(), Ogre::Degree(0.01f)));
  EXPECT_TRUE(fromLong.equals(Ogre::Quaternion(Ogre::Degree(90), Ogre::Vector3::UNIT_Y), Ogre::Degree(0.01f)));
}

TEST_F(ActorTest, VelocitySpinAndFacing) {
  Actor& a = placed("A", Ogre::Vector3::ZERO);
  send("A", 0, Type::Velocity, "", "", Ogre::Vector3(50, 0, 0));
  apply("A", Type::Spin, "", "", Ogre::Vector3::UNIT_Y, 90);
  step(49);  // plus the step that applied them
  expectNear(a.node->getPosition(), Ogre::Vector3(50, 0, 0));
  EXPECT_TRUE(a.node->getOrientation().equals(Ogre::Quaternion(Ogre::Degree(90), Ogre::Vector3::UNIT_Y),
                                              Ogre::Degree(0.05f)));
  apply("A", Type::Velocity);
  apply("A", Type::Spin);
  Ogre::Vector3 stopped = a.node->getPosition();
  Ogre::Quaternion still = a.node->getOrientation();
  step(5);
  EXPECT_EQ(a.node->getPosition(), stopped);
  EXPECT_EQ(a.node->getOrientation(), still);

  // With facing on, the node's -Y turns along the velocity; without, it does not turn.
  Actor& facing = placed("Facing", Ogre::Vector3::ZERO);
  apply("Facing", Type::Mesh, "Crate.mesh", "1");
  apply("Facing", Type::Velocity, "", "", Ogre::Vector3(1, 0, 0));
  expectNear(facing.node->getOrientation() * Ogre::Vector3::NEGATIVE_UNIT_Y, Ogre::Vector3::UNIT_X);
  Actor& plain = placed("Plain", Ogre::Vector3::ZERO);
  apply("Plain", Type::Mesh, "Crate.mesh", "0");
  apply("Plain", Type::Velocity, "", "", Ogre::Vector3(1, 0, 0));
  EXPECT_EQ(plain.node->getOrientation(), Ogre::Quaternion::IDENTITY);
}

TEST_F(ActorTest, TemporaryMaterialRevertsAfterItsSteps) {
  Actor& a = placed("A", Ogre::Vector3::ZERO, "Crate.mesh");
  auto stepsWorn = [&](float duration) {
    apply("A", Type::Material, "Flash/White", "", Ogre::Vector3::ZERO, duration);
    int steps = 0;
    while (materialOf(a) == "Flash/White" && steps < 100) {
      step();
      ++steps;
    }
    return steps;
  };
  // The applying step counts as the first.
  EXPECT_EQ(stepsWorn(1.0f) + 1, 20);
  EXPECT_EQ(materialOf(a), "Crate/Sides");
  EXPECT_EQ(a.node->getAttachedObject(0), a.entity);
  EXPECT_EQ(stepsWorn(0.1f) + 1, 2);

  // A permanent material becomes the one a temporary one falls back to.
  apply("A", Type::Material, "Hero/Blue", "", Ogre::Vector3::ZERO, 0);
  stepsWorn(0.2f);
  EXPECT_EQ(materialOf(a), "Hero/Blue");
  apply("A", Type::Material, "Flash/White", "2");
  EXPECT_EQ(a.entity->getSubEntity(2)->getMaterialName(), "Flash/White");
  EXPECT_EQ(materialOf(a), "Hero/Blue");
}

TEST_F(ActorTest, AnimationAndParticles) {
  Actor& a = placed("Flag", Ogre::Vector3::ZERO, "Flag.mesh");
  apply("Flag", Type::Animation, "Wave", "", Ogre::Vector3::ZERO, 0);
  EXPECT_EQ(a.animationSpeed, 1.0f);
  ASSERT_NE(a.animationState, nullptr);
  step(25);
  EXPECT_NEAR(a.animationState->getTimePosition(), 0.5f + 0.02f, 1e-4);  // the applying step advanced it too
  apply("Flag", Type::Animation);
  EXPECT_FALSE(a.animationState->getEnabled());

  apply("Flag", Type::Particles, "Sparkle");
  ASSERT_NE(a.particleSystem, nullptr);
  EXPECT_EQ(a.particleSystem->getName(), "Flag_particle");
  EXPECT_TRUE(a.particleSystem->getParentSceneNode()->getParentSceneNode() == a.node);
  apply("Flag", Type::Particles, "FadeOut");
  EXPECT_FALSE(a.particleSystem->getEmitter(0)->getEnabled());
  apply("Flag", Type::Particles, "");
  EXPECT_EQ(a.particleSystem, nullptr);
  EXPECT_EQ(a.node->numChildren(), 0u);
}

TEST_F(ActorTest, BadInputOnlyLogs) {
  Actor& a = placed("A", Ogre::Vector3::ZERO, "Crate.mesh");
  apply("A", Type::Material, "NoSuch/Material");
  apply("A", Type::Particles, "NoSuchTemplate");
  apply("A", Type::Animation, "NoSuchAnimation");
  apply("A", Type::Mesh, "NoSuch.mesh");
  apply("A", Type::Attach, "Stage");
  apply("A", Type::Mesh, "Crate.mesh");
  apply("A", static_cast<Type>(12));
  apply("A", static_cast<Type>(-1));
  EXPECT_EQ(logCountStarting("ERROR. Mesh message for actor A failed: "), 1);
  EXPECT_EQ(logCount("ERROR. No such material for actor A: NoSuch/Material"), 1);
  EXPECT_EQ(logCountStarting("ERROR. Particles message for actor A failed: "), 1);
  EXPECT_EQ(logCountStarting("ERROR. Animation message for actor A failed: "), 1);
  EXPECT_EQ(logCount("Error. Unknown ActorMessageType: 12"), 1);
  EXPECT_EQ(logCount("Error. Unknown ActorMessageType: -1"), 1);

  // The actor still works, and its name is free again once it is removed.
  apply("A", Type::Position, "SetLocal", "", Ogre::Vector3(4, 0, 0));
  EXPECT_EQ(a.node->getPosition(), Ogre::Vector3(4, 0, 0));
  ASSERT_NE(a.entity, nullptr);
  simulation->removeActor("A");
  EXPECT_FALSE(scene->hasSceneNode("A"));
  EXPECT_FALSE(scene->hasEntity("A"));
  EXPECT_EQ(collision->findGeom("A"), nullptr);
  placed("A", Ogre::Vector3::ZERO, "Crate.mesh");
}

TEST_F(ActorTest, GeomFollowsItsNodeOnceAttached) {
  collision->createSpace("World", "");
  Actor& a = actor("A");
  apply("A", Type::Collision, "Floor.mesh", "World");
  ASSERT_NE(a.geom, nullptr);
  step(2);
  EXPECT_EQ(logCount("ERROR. Update called on geom with no scenenode associated"), 3);
  placed("A", Ogre::Vector3(0, 7, 0));
  CollisionQuery query;
  collision->rayTest("World", Ogre::Vector3(0, 20, 0), Ogre::Vector3::NEGATIVE_UNIT_Y, 50, query);
  EXPECT_NEAR(query.hitPoint.y, 7.0f, 1e-4);
  EXPECT_EQ(query.hitNode, a.node);

  // A script moves the parent between steps: the geom follows at the next step.
  scene->getSceneNode("Stage")->setPosition(0, 0, 100);
  step();
  EXPECT_TRUE(collision->rayTest("World", Ogre::Vector3(0, 20, 100), Ogre::Vector3::NEGATIVE_UNIT_Y, 50, query));
  EXPECT_EQ(query.hitNode, a.node);
}

TEST_F(ActorTest, SoundFollowsTheNodeAndStops) {
  std::vector<std::string> calls;
  uint32_t channels = 0;
  WorldContext context;
  context.scene = scene;
  context.collision = collision.get();
  context.play3DSound = [&](const std::string& file, int volume, bool loop) {
    calls.push_back("play " + file + " " + std::to_string(volume) + (loop ? " loop" : ""));
    return ++channels;
  };
  context.stopSound = [&](uint32_t channel) { calls.push_back("stop " + std::to_string(channel)); };
  context.placeSound = [&](uint32_t channel, const Ogre::Vector3& at) {
    calls.push_back("at " + std::to_string(channel) + " " + Ogre::StringConverter::toString(at));
  };
  Simulation sounding(context);
  Actor& a = *sounding.addActor("Bell");
  scene->getRootSceneNode()->createChildSceneNode("Tower", Ogre::Vector3(0, 5, 0));
  sounding.addMessage({0, "Bell", Type::Attach, "Tower", ""});
  sounding.addMessage({0, "Bell", Type::Sound, "ding.wav", "Loop", Ogre::Vector3::ZERO, 200.9f});
  sounding.addMessage({0, "Bell", Type::Sound, "dong.wav", "", Ogre::Vector3::ZERO, 100});
  sounding.step();
  EXPECT_EQ(a.soundChannel, 2u);
  sounding.removeActor("Bell");
  EXPECT_EQ(calls, (std::vector<std::string>{"play ding.wav 200 loop", "stop 1", "play dong.wav 100", "at 2 0 5 0",
                                             "stop 2"}));
}

}  // namespace
