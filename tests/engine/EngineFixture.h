// The engine tier's fixture on the process's HeadlessOgre (EngineEnvironment.cpp): a fresh scene,
// its log lines, and a simulation whose statements are kept; `script` reacts as a script would.
#pragma once

#include "world/CollisionManager.h"
#include "world/Simulation.h"

#include <OgreRoot.h>
#include <OgreSceneManager.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <memory>

// The engine's log lines since the test began.
std::vector<std::string>& engineLog();

struct WorldTest : ::testing::Test, ScriptSink {
  void SetUp() override {
    scene = Ogre::Root::getSingleton().createSceneManager();
    engineLog().clear();
    collision = std::make_unique<CollisionManager>();
    simulation = std::make_unique<Simulation>(WorldContext{*scene, *collision, *this, nullptr});
  }
  void TearDown() override {
    simulation.reset();
    collision.reset();
    Ogre::Root::getSingleton().destroySceneManager(scene);
  }
  void run(const std::string& statement) override {
    statements.push_back(statement);
    if (script)
      script(statement);
  }

  void step(int count = 1) {
    for (int i = 0; i < count; ++i) {
      simulation->advance();
      simulation->settle();
    }
  }

  Actor& actor(const std::string& name) {
    Actor* found = simulation->findActor(name);
    return found ? *found : *simulation->addActor(name);
  }

  void send(const std::string& name, uint32_t time, ActorMessageType type, const std::string& text1 = "",
            const std::string& text2 = "", Ogre::Vector3 vector = Ogre::Vector3::ZERO, float value = 0.0f) {
    simulation->addMessage({time, name, type, text1, text2, vector, value});
  }

  // Sends a message due now and applies it without advancing the clock.
  template <class... Rest>
  void apply(const std::string& name, ActorMessageType type, const Rest&... rest) {
    send(name, simulation->time, type, rest...);
    simulation->step();
  }

  // An actor on node "Stage" below the scene root, optionally with a mesh and its geom in a space.
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

  // How many log lines are exactly this text, or (prefix) start with it.
  static long logCount(const std::string& line, bool prefix = false) {
    return std::count_if(engineLog().begin(), engineLog().end(),
                         [&](const std::string& l) { return prefix ? l.rfind(line, 0) == 0 : l == line; });
  }

  Ogre::SceneManager* scene = nullptr;
  std::vector<std::string> statements;
  std::function<void(const std::string&)> script;
  std::unique_ptr<CollisionManager> collision;
  std::unique_ptr<Simulation> simulation;
};
