// Actors: named objects of the world that scripts drive with timed messages instead of touching
// the scene graph. An actor only points at its scene node, entity and particle system (the scene
// manager owns them) and at its geom (the collision manager owns it); it asks them to create and
// destroy those objects.
#pragma once

#include "world/WorldContext.h"

#include <OgreNode.h>
#include <OgreVector.h>

#include <cstdint>
#include <string>

namespace Ogre {
class AnimationState;
class Entity;
class ParticleSystem;
class SceneNode;
}  // namespace Ogre
struct GeomBinding;

// The values scripts pass to AddActorMessage; any other value only logs an error.
enum class ActorMessageType : int32_t {
  Attach = 0,
  Position = 1,
  Rotation = 2,
  Mesh = 3,
  Collision = 4,
  Velocity = 5,
  Spin = 6,
  Script = 7,
  Material = 8,
  Sound = 9,
  Particles = 10,
  Animation = 11,
};

// A queued instruction for one actor. It names its actor rather than pointing at it: when it
// falls due it goes to whichever actor has that name then.
struct ActorMessage {
  uint32_t time = 0;  // simulation ms at which it is due
  std::string actorName;
  ActorMessageType type = ActorMessageType::Attach;
  std::string text1;
  std::string text2;
  Ogre::Vector3 vector = Ogre::Vector3::ZERO;
  float value = 0.0f;
};

class Actor {
public:
  Actor(std::string name, const WorldContext& context);
  ~Actor();
  Actor(const Actor&) = delete;
  Actor& operator=(const Actor&) = delete;

  // Applies one due message. A Script message may remove this very actor, so nothing touches
  // the actor after its statement has run.
  void handleMessage(const ActorMessage& message);
  // One 20 ms step of motion, sound position, temporary material and animation, reading the node's
  // world placement as the step's marking left it. True when the node moved.
  bool update();

  // What a step and the tests read; the rest of the state is the handlers' own.
  const std::string name;
  Ogre::Vector3 velocity = Ogre::Vector3::ZERO;  // units per second
  Ogre::Vector3 spinAxis = Ogre::Vector3::ZERO;  // not normalised
  float spinRate = 0.0f;  // degrees per second
  float animationSpeed = 1.0f;
  Ogre::SceneNode* node = nullptr;
  Ogre::Entity* entity = nullptr;
  // The animation playing, found by its name each time: a mesh or skeleton reloaded in place
  // gives the entity new animation states. Null when none plays.
  Ogre::AnimationState* animationState() const;
  Ogre::ParticleSystem* particleSystem = nullptr;
  GeomBinding* geom = nullptr;
  uint32_t soundChannel = 0;

private:
  std::string animation;
  void attach(const ActorMessage& message);
  void setPosition(const ActorMessage& message);
  void setRotation(const ActorMessage& message);
  void setMesh(const ActorMessage& message);
  void setCollision(const ActorMessage& message);
  void setVelocity(const ActorMessage& message);
  void setSpin(const ActorMessage& message);
  void setMaterial(const std::string& material, const std::string& subEntity, float duration);
  void playSound(const ActorMessage& message);
  void setParticles(const ActorMessage& message);
  void setAnimation(const ActorMessage& message);
  void restoreMaterial();
  void destroyEntity();
  void destroyParticles();

  const WorldContext& context;
  Ogre::Node::TransformSpace moveSpace = Ogre::Node::TS_WORLD;
  Ogre::Node::TransformSpace spinSpace = Ogre::Node::TS_WORLD;
  std::string meshName;
  std::string baseMaterial;  // restored when a temporary material ends; empty: the mesh's own
  float materialTimer = 0.0f;  // seconds left of a temporary material
  bool faceDirection = false;  // Velocity also turns the node's -Y along the motion
  Ogre::SceneNode* particleNode = nullptr;  // unnamed child of node carrying the particle system
};
