// A world on the shared engine fixture: collision manager, simulation, and the statements the
// world hands to scripts (a test can react to them as a script would).
#pragma once

#include "EngineFixture.h"
#include "world/CollisionManager.h"
#include "world/Simulation.h"

#include <functional>
#include <memory>

class WorldTest : public EngineTest {
protected:
  void SetUp() override {
    EngineTest::SetUp();
    collision = std::make_unique<CollisionManager>();
    WorldContext context;
    context.scene = scene;
    context.collision = collision.get();
    context.runStatement = [this](const std::string& statement) {
      statements.push_back(statement);
      if (script)
        script(statement);
    };
    simulation = std::make_unique<Simulation>(std::move(context));
  }

  void TearDown() override {
    simulation.reset();
    collision.reset();
    EngineTest::TearDown();
  }

  void step(int count = 1) {
    for (int i = 0; i < count; ++i)
      simulation->advance({});
  }

  Actor& actor(const std::string& name) {
    Actor* found = simulation->findActor(name);
    return found ? *found : *simulation->addActor(name);
  }

  void send(const std::string& name, uint32_t time, ActorMessageType type, const std::string& text1 = "",
            const std::string& text2 = "", Ogre::Vector3 vector = Ogre::Vector3::ZERO, float value = 0.0f) {
    simulation->addMessage({time, name, type, text1, text2, vector, value});
  }

  // Sends messages due now and applies them without advancing the clock.
  void apply(const std::string& name, ActorMessageType type, const std::string& text1 = "",
             const std::string& text2 = "", Ogre::Vector3 vector = Ogre::Vector3::ZERO, float value = 0.0f) {
    send(name, simulation->time, type, text1, text2, vector, value);
    simulation->step();
  }

  // An actor with a node under the scene root, optionally with a mesh and a geom in a space.
  Actor& placed(const std::string& name, const Ogre::Vector3& at, const std::string& mesh = "",
                const std::string& space = "") {
    Actor& a = actor(name);
    if (!scene->hasSceneNode("Stage"))
      scene->getRootSceneNode()->createChildSceneNode("Stage");
    apply(name, ActorMessageType::Attach, "Stage");
    apply(name, ActorMessageType::Position, "SetLocal", "", at);
    if (!mesh.empty()) {
      apply(name, ActorMessageType::Mesh, mesh);
      apply(name, ActorMessageType::Collision, mesh, space);
    }
    return a;
  }

  std::unique_ptr<CollisionManager> collision;
  std::unique_ptr<Simulation> simulation;
  std::vector<std::string> statements;
  std::function<void(const std::string&)> script;
};
