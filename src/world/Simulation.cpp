// The fixed-step world: message queue, actors, callbacks, splines and the hero probe.
// Scripts run inside a step (Script messages, callbacks) and may add or remove anything here,
// so nothing holds an actor or a reference into a container across a statement.
#include "world/Simulation.h"

#include "core/Log.h"
#include "core/Step.h"
#include "world/CollisionManager.h"
#include "world/WorldTransform.h"

#include <OgreEntity.h>
#include <OgreSceneManager.h>
#include <OgreSceneNode.h>

namespace {

// Bounds on one step, so a script that keeps queueing due Script messages or registering
// callbacks from inside callbacks slows the game down instead of hanging it.
const size_t maxMessagesPerStep = 100000;
const size_t maxCallbacksPerStep = 100000;

}  // namespace

Simulation::Simulation(WorldContext worldContext)
    : context(worldContext), heroProbe(std::make_unique<HeroGroundProbe>(context)) {}

Simulation::~Simulation() {
  destroyActors();
}

Actor* Simulation::addActor(const std::string& name) {
  if (findActor(name)) {
    core::log("ERROR. Duplicate Actor name: " + name);
    return nullptr;
  }
  orderStale = true;
  return core::addNamed(actorList, name, std::make_unique<Actor>(name, context));
}

Actor* Simulation::findActor(const std::string& name) const {
  return core::findNamed(actorList, name);
}

void Simulation::removeActor(const std::string& name) {
  // Out of the list first, then destroyed.
  auto removed = actorList.extract(name);
  if (!removed.empty()) {
    orderStale = true;
    destroyActor(std::move(removed.mapped()));
  }
}

void Simulation::destroyActor(std::unique_ptr<Actor> actor) {
  if (actor->node)
    releaseOthers(*actor->node);
}

void Simulation::releaseOthers(Ogre::SceneNode& node) {
  // Backwards: a released child leaves the list.
  for (unsigned short i = node.numChildren(); i-- > 0;) {
    auto* child = static_cast<Ogre::SceneNode*>(node.getChild(i));
    const Actor* owner = findActor(child->getName());
    if (owner && owner->node == child)
      node.removeChild(child);
    else
      releaseOthers(*child);
  }
  for (unsigned short i = node.numAttachedObjects(); i-- > 0;) {
    Ogre::MovableObject* object = node.getAttachedObject(i);
    const Actor* owner = findActor(object->getName());
    if (owner && owner->entity == object)
      node.detachObject(object);
  }
}

void Simulation::addMessage(ActorMessage message) {
  _messages.push_back(std::move(message));
}

void Simulation::registerCollisionCallback(CollisionCallback callback) {
  _collisionCallbacks.push_back(std::move(callback));
}

Spline* Simulation::createSpline(const std::string& name) {
  if (findSpline(name)) {
    core::log("ERROR. Duplicate Spline name: " + name);
    return nullptr;
  }
  return core::addNamed(_splines, name, std::make_unique<Spline>());
}

Spline* Simulation::findSpline(const std::string& name) const {
  return core::findNamed(_splines, name);
}

void Simulation::advance() {
  time += core::stepMs;
  step();
}

void Simulation::settle() {
  runCollisionCallbacks();
  heroProbe->update();
}

void Simulation::step() {
  // Due messages leave the queue as they run; waiting ones move down over the gaps in order, so a
  // step costs one pass however many messages fall due. Everything before the scan position is
  // waiting, so after a Script message the scan simply goes on: a restart from the front would
  // meet the same due messages, including those the statement appended.
  size_t kept = 0;
  size_t next = 0;
  size_t handled = 0;
  while (next < _messages.size()) {
    if (_messages[next].time > time) {
      if (kept != next)
        _messages[kept] = std::move(_messages[next]);
      ++kept;
      ++next;
      continue;
    }
    if (handled++ == maxMessagesPerStep) {
      core::log("ERROR. Too many actor messages due in one step, the rest wait for the next step");
      break;
    }
    ActorMessage message = std::move(_messages[next++]);
    Actor* actor = findActor(message.actorName);
    if (!actor) {
      core::log("Error: Actormessage with invalid actor! (" + message.actorName + ")");
      continue;
    }
    actor->handleMessage(message);
  }
  _messages.erase(_messages.begin() + static_cast<std::ptrdiff_t>(kept),
                  _messages.begin() + static_cast<std::ptrdiff_t>(next));

  // No script runs from here to the step's end, so a node read here needs marking out of date
  // only once: its ancestors the first time an actor below them comes, its own node at its turn,
  // and what is below a node that moves, when it moves.
  markedThisStep.clear();
  const Ogre::Node* lastParent = nullptr;
  if (orderStale) {
    updateOrder.clear();
    for (auto& entry : actorList)
      updateOrder.push_back(entry.second.get());
    orderStale = false;
  }
  for (size_t i = 0; i < updateOrder.size(); ++i) {
    // The actors, their nodes and geoms lie apart in memory: ask for them a few turns ahead.
    if (i + 8 < updateOrder.size())
      __builtin_prefetch(updateOrder[i + 8]);
    if (i + 4 < updateOrder.size()) {
      const Actor* ahead = updateOrder[i + 4];
      __builtin_prefetch(ahead->node);
      __builtin_prefetch(ahead->geom);
    }
    if (i + 2 < updateOrder.size() && updateOrder[i + 2]->geom)
      __builtin_prefetch(updateOrder[i + 2]->geom->geom);
    Actor* actor = updateOrder[i];
    if (actor->node) {
      actor->node->needUpdate();
      Ogre::Node* parent = actor->node->getParent();
      if (parent != lastParent) {  // most actors share their parent with the one before
        for (Ogre::Node* above = parent; above && markedThisStep.insert(above).second; above = above->getParent())
          above->needUpdate();
        lastParent = parent;
      }
    }
    if (actor->update() && !actor->node->getChildren().empty())
      markTree(*actor->node, pendingNodes);
    if (actor->geom)
      context.collision.syncGeom(*actor->geom);
  }
}

void Simulation::runCollisionCallbacks() {
  // By index: callbacks registered by a statement are appended and evaluated in this pass too.
  for (size_t i = 0; i < _collisionCallbacks.size(); ++i) {
    if (i == maxCallbacksPerStep) {
      core::log("ERROR. Too many collision callbacks in one step, the rest wait for the next step");
      break;
    }
    const CollisionCallback& callback = _collisionCallbacks[i];
    std::string result = context.collision.collisionTest(callback.nameA, callback.nameB, callback.asTable);
    if (result.empty())
      continue;
    std::string statement = callback.asTable ? callback.functionName + "({" + result + "})"
                                             : callback.functionName + "('" + result + "')";
    context.scripts.run(statement);
  }
}

void Simulation::clear() {
  heroProbe = std::make_unique<HeroGroundProbe>(context);
  core::log("delete ActorList");
  destroyActors();
  core::log("delete _messages");
  _messages.clear();
  core::log("delete _splines");
  _splines.clear();
  core::log("delete _collisionCallbacks");
  _collisionCallbacks.clear();
  time = 0;
}

void Simulation::destroyActors() {
  orderStale = true;
  while (!actorList.empty())
    destroyActor(std::move(actorList.extract(actorList.begin()).mapped()));
}
