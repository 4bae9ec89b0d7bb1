// The world clock and owner of everything a level's scripts create at run time: actors by name,
// the queue of actor messages, collision callbacks, splines and the hero ground probe.
#pragma once

#include "world/Actor.h"
#include "world/HeroGroundProbe.h"
#include "world/Spline.h"
#include "world/WorldContext.h"

#include <cstdint>
#include <map>
#include <memory>
#include <string>
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
  using ActorList = std::map<std::string, std::unique_ptr<Actor>>;

  explicit Simulation(WorldContext context);
  ~Simulation();
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

  // One step; the caller has already advanced time.
  void step();
  void runCollisionCallbacks();
  void updateHeroProbe();
  // Empties the world and restarts the clock at 0.
  void clear();

  const ActorList& actors() const { return actorList; }
  const std::vector<ActorMessage>& messages() const { return _messages; }

  uint32_t time = 0;  // simulation time in ms: when the next step is due

private:
  WorldContext context;  // actors and the probe borrow it, so it is declared before them
  std::unique_ptr<HeroGroundProbe> heroProbe;
  ActorList actorList;
  std::vector<ActorMessage> _messages;  // in the order they were added, not by time
  std::vector<CollisionCallback> _collisionCallbacks;
  std::map<std::string, std::unique_ptr<Spline>> _splines;
};
