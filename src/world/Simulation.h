// The world clock and owner of everything a level's scripts create at run time: actors by name,
// the queue of actor messages, collision callbacks, splines and the hero ground probe.
#pragma once

#include "core/NamedMap.h"
#include "world/Actor.h"
#include "world/HeroGroundProbe.h"
#include "world/Spline.h"
#include "world/WorldContext.h"

#include <cstdint>
#include <memory>
#include <string>
#include <unordered_set>
#include <vector>

// A script function called while two named objects touch.
struct CollisionCallback {
  std::string nameA;
  std::string nameB;
  std::string functionName;
  bool asTable = false;  // pass every touching name as a table instead of one name
};

class Simulation {
public:
  using ActorList = core::NamedMap<Actor>;

  explicit Simulation(WorldContext context);
  ~Simulation();  // quietly: a logged clear() comes first where the log is wanted
  Simulation(const Simulation&) = delete;
  Simulation& operator=(const Simulation&) = delete;

  // Null (after a log line) when the name is taken.
  Actor* addActor(const std::string& name);
  Actor* findActor(const std::string& name) const;
  // Queued messages for the name stay queued; they reach a later actor of the same name.
  void removeActor(const std::string& name);
  void addMessage(ActorMessage message);
  void registerCollisionCallback(CollisionCallback callback);
  // Null (after a log line) when the name is taken.
  Spline* createSpline(const std::string& name);
  Spline* findSpline(const std::string& name) const;

  // One whole 20 ms step in the engine's order is: advance() (the clock, then step()), what
  // follows the actors (the camera spring), then settle() (the collision callbacks, the hero
  // ground probe).
  void advance();
  void settle();
  // Due messages, then every actor's update; the clock is not moved (a level load's extra step).
  void step();
  // Empties the world and restarts the clock at 0, logging each part.
  void clear();

  const ActorList& actors() const { return actorList; }
  const std::vector<ActorMessage>& messages() const { return _messages; }

  uint32_t time = 0;  // simulation time in ms: when the next step is due

private:
  void runCollisionCallbacks();
  void destroyActors();
  // An actor goes with everything made below its node, except what other actors own.
  void destroyActor(std::unique_ptr<Actor> actor);
  // Detaches the nodes and entities of other actors from below the node: they stay with them.
  void releaseOthers(Ogre::SceneNode& node);

  WorldContext context;  // actors and the probe borrow it, so it is declared before them
  std::unique_ptr<HeroGroundProbe> heroProbe;
  ActorList actorList;
  std::vector<ActorMessage> _messages;  // in the order they were added, not by time
  std::vector<CollisionCallback> _collisionCallbacks;
  core::NamedMap<Spline> _splines;
  // The actors in name order, the order of the step's pass, kept while no actor comes or goes.
  std::vector<Actor*> updateOrder;
  bool orderStale = false;
  std::unordered_set<Ogre::Node*> markedThisStep;  // the actors' ancestors the step has marked
  std::vector<Ogre::Node*> pendingNodes;  // scratch space of the marking below a node that moved
};
