// The fixed-step world: message queue, actors, callbacks, splines and the hero probe.
#include "world/Simulation.h"

#include "app/GameApp.h"

Simulation::Simulation(WorldContext worldContext) : context(std::move(worldContext)) {}

Simulation::~Simulation() {
  clear();
}

void Simulation::step() {}

void Simulation::runCollisionCallbacks() {}

void Simulation::updateHeroProbe() {}

void Simulation::clear() {
  GameApp::log("Remove overlays");
  GameApp::log("delete ActorList");
  GameApp::log("delete _messages");
  GameApp::log("delete _splines");
  GameApp::log("delete _collisionCallbacks");
  time = 0;
}
