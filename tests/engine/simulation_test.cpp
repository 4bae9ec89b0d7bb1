// The simulation: message order and due times, messages addressed by name, statements that change
// the queue or the actors while a step runs, collision callbacks, clear, splines and the hero probe.
#include "EngineFixture.h"

#include <OgreSceneNode.h>

namespace {

using Type = ActorMessageType;

using SimulationTest = WorldTest;

TEST_F(SimulationTest, MessagesRunInInsertionOrderOnceDueOnWhicheverActorHasTheName) {
  actor("A");
  send("A", 100, Type::Script, "first()");
  send("A", 40, Type::Script, "second()");
  send("A", 60, Type::Position, "SetLocal");
  step();
  EXPECT_TRUE(statements.empty());
  step();
  EXPECT_EQ(statements, (std::vector<std::string>{"second()"}));
  // A made again under the name gets the messages: this one finds it without a node yet.
  simulation->removeActor("A");
  actor("A");
  step(3);
  EXPECT_EQ(logCount("ERROR. Trying to set position for actor with no scenenode: A"), 1);
  EXPECT_EQ(statements, (std::vector<std::string>{"second()", "first()"}));

  // Both overdue: both in the next step, in the order they were added.
  statements.clear();
  send("A", 40, Type::Script, "forty()");
  send("A", 20, Type::Script, "twenty()");
  step();
  EXPECT_EQ(statements, (std::vector<std::string>{"forty()", "twenty()"}));
  EXPECT_TRUE(simulation->messages().empty());
}

TEST_F(SimulationTest, StatementsMayChangeQueueAndActorsDuringTheStep) {
  actor("A");
  actor("B");
  script = [&](const std::string& statement) {
    if (statement == "chain()")
      send("B", 0, Type::Script, "chained()");
    if (statement == "removeSelf()")
      simulation->removeActor("A");
  };
  send("A", 20, Type::Script, "chain()");
  send("A", 20, Type::Script, "removeSelf()");
  send("A", 20, Type::Velocity, "", "", Ogre::Vector3::UNIT_X);
  step();
  EXPECT_EQ(statements, (std::vector<std::string>{"chain()", "removeSelf()", "chained()"}));
  EXPECT_EQ(logCount("Error: Actormessage with invalid actor! (A)"), 1);

  // A statement that keeps queueing itself ends the step instead of hanging it.
  script = [&](const std::string&) { send("B", 0, Type::Script, "again()"); };
  send("B", 0, Type::Script, "again()");
  step();
  EXPECT_EQ(logCount("ERROR. Too many actor messages due in one step, the rest wait for the next step"), 1);
  EXPECT_EQ(simulation->messages().size(), 1u);
}

TEST_F(SimulationTest, CollisionCallbacksFireEveryStepWhileTouching) {
  collision->createSpace("Props", "");
  placed("Hero", Ogre::Vector3(-1.5f, 0, 0), "Crate.mesh");
  placed("Door", Ogre::Vector3(0, 0, 0), "Crate.mesh", "Props");
  simulation->registerCollisionCallback({"Hero", "Props", "Touch", false});
  simulation->registerCollisionCallback({"Hero", "Props", "TouchAll", true});
  script = [&](const std::string& statement) {
    if (statement == "Touch('Door')" && statements.size() == 1)
      simulation->registerCollisionCallback({"Hero", "Props", "Late", false});
  };
  step(2);
  EXPECT_EQ(statements, (std::vector<std::string>{"Touch('Door')", "TouchAll({'Door'})", "Late('Door')",
                                                  "Touch('Door')", "TouchAll({'Door'})", "Late('Door')"}));
  statements.clear();
  apply("Hero", Type::Position, "SetLocal", "", Ogre::Vector3(-5, 0, 0));
  step(3);
  EXPECT_TRUE(statements.empty());

  // A callback removing what it touched: the later callbacks of the pass find nothing.
  apply("Hero", Type::Position, "SetLocal", "", Ogre::Vector3(-1.5f, 0, 0));
  script = [&](const std::string&) { simulation->removeActor("Door"); };
  step(2);
  EXPECT_EQ(statements, (std::vector<std::string>{"Touch('Door')"}));
}

// The step reads each node's world placement as the actors before it left it, in name order: C,
// then the moving M, then P, both below the plain node Joint below M.
TEST_F(SimulationTest, GeomsFollowWhatActorsBeforeThemMovedInTheSameStep) {
  placed("M", Ogre::Vector3::ZERO);
  scene->getSceneNode("M")->createChildSceneNode("Joint", Ogre::Vector3(0, 5, 0));
  for (const char* name : {"C", "P"}) {
    actor(name);
    apply(name, Type::Attach, "Joint");
    apply(name, Type::Collision, "Crate.mesh", "");
  }
  apply("M", Type::Velocity, "", "", Ogre::Vector3(50, 0, 0));  // a unit a step
  step(3);
  auto geomX = [&](const char* name) { return dGeomGetPosition(simulation->findActor(name)->geom->geom)[0]; };
  EXPECT_FLOAT_EQ(geomX("P"), 4.0f);
  EXPECT_FLOAT_EQ(geomX("C"), 3.0f);
  EXPECT_FLOAT_EQ(static_cast<float>(dGeomGetPosition(simulation->findActor("P")->geom->geom)[1]), 5.0f);
}

// After a clear, the same actors in the same places meet no old message or callback.
TEST_F(SimulationTest, ClearEmptiesTheWorld) {
  collision->createSpace("Props", "");
  placed("A", Ogre::Vector3::ZERO, "Crate.mesh");
  send("A", 200, Type::Script, "later()");
  simulation->createSpline("Path");
  simulation->registerCollisionCallback({"A", "Props", "Touch", false});
  simulation->clear();
  EXPECT_EQ(simulation->findSpline("Path"), nullptr);
  placed("A", Ogre::Vector3::ZERO, "Crate.mesh");
  placed("B", Ogre::Vector3(1, 0, 0), "Crate.mesh", "Props");
  step(15);
  EXPECT_TRUE(statements.empty());
}

// Outside 0..1 a spline stays on its ends instead of reading past the points.
TEST_F(SimulationTest, SplinesClampToTheirEnds) {
  Spline* path = simulation->createSpline("Path");
  EXPECT_EQ(path->interpolate(0.5f), Ogre::Vector3::ZERO);  // no points yet
  path->curve.addPoint(Ogre::Vector3(0, 0, 0));
  path->curve.addPoint(Ogre::Vector3(10, 0, 0));
  EXPECT_EQ(path->interpolate(7.0f), Ogre::Vector3(10, 0, 0));
  EXPECT_EQ(path->interpolate(-3.0f), Ogre::Vector3(0, 0, 0));
}

struct HeroProbeTest : WorldTest {
  void SetUp() override {
    WorldTest::SetUp();
    collision->createSpace("World", "");
    placed("Floor", Ogre::Vector3(0, 0, 0), "Floor.mesh", "World");
    Ogre::SceneNode* stage = scene->getRootSceneNode()->createChildSceneNode("Shifted", Ogre::Vector3(5, 0, 0));
    hero = stage->createChildSceneNode("Quibbo");
  }

  float heroHeight() { return hero->_getDerivedPosition().y; }

  Ogre::SceneNode* hero = nullptr;
};

TEST_F(HeroProbeTest, FallsHalfAUnitPerStepReportsTheLandingAndSnapsSmallStepsSilently) {
  hero->setPosition(0, 3.2f, 0);
  step(6);
  EXPECT_NEAR(heroHeight(), 0.2f, 1e-5f);
  step();
  EXPECT_EQ(statements, (std::vector<std::string>{"HitGround(3.2)"}));
  EXPECT_FLOAT_EQ(heroHeight(), 0.0f);
  EXPECT_FLOAT_EQ(hero->_getDerivedPosition().x, 5.0f);
  step(10);  // standing still is no landing

  // Ground exactly at the origin is ground too.
  hero->setPosition(-5, 3, 0);  // world (0, 3, 0): the floor is hit at (0, 0, 0)
  step(6);
  EXPECT_EQ(statements, (std::vector<std::string>{"HitGround(3.2)", "HitGround(3)"}));

  // Small steps down and up snap silently; with nothing below, the hero hovers.
  hero->setPosition(0, 0.3f, 0);
  step();
  EXPECT_FLOAT_EQ(heroHeight(), 0.0f);
  hero->setPosition(0, -5, 0);  // floor 5 above: within the ray's first 10 units
  step();
  EXPECT_FLOAT_EQ(heroHeight(), 0.0f);
  hero->setPosition(30, 3, 0);
  step(3);
  EXPECT_FLOAT_EQ(heroHeight(), 3.0f);
  EXPECT_EQ(statements.size(), 2u);
}

TEST_F(HeroProbeTest, LandingScriptMayRemoveTheHero) {
  actor("Quibbo");
  hero->getParentSceneNode()->removeAndDestroyChild(hero);
  placed("Quibbo", Ogre::Vector3(1, 2, 1));
  script = [&](const std::string&) { simulation->removeActor("Quibbo"); };
  step(5);
  EXPECT_EQ(statements, (std::vector<std::string>{"HitGround(2)"}));
  EXPECT_FALSE(scene->hasSceneNode("Quibbo"));
}

}  // namespace
