// Actor message handlers and the per-step update. Handlers that reach the scene manager can meet
// a missing mesh, animation, particle template or a taken name; each such failure is one log
// line and the actor carries on as it was.
#include "world/Actor.h"

#include "core/Convert.h"
#include "core/Errors.h"
#include "core/Log.h"
#include "core/Step.h"
#include "world/CollisionManager.h"
#include "world/LevelScene.h"
#include "world/WorldTransform.h"

#include <OgreAnimationState.h>
#include <OgreEntity.h>
#include <OgreMaterialManager.h>
#include <OgreParticleEmitter.h>
#include <OgreParticleSystem.h>
#include <OgreRenderQueue.h>
#include <OgreSceneManager.h>
#include <OgreSceneNode.h>
#include <OgreStringConverter.h>
#include <OgreSubEntity.h>

#include <exception>

namespace {

// A temporary material wears off by this much a step, not by the step time: one second lasts 20 steps.
const float materialStep = 0.05f;
const float epsilon = 0.00001f;

const char* typeName(ActorMessageType type) {
  static const char* const names[] = {"Attach",   "Position", "Rotation", "Mesh",  "Collision", "Velocity",
                                      "Spin",     "Script",   "Material", "Sound", "Particles", "Animation"};
  auto index = static_cast<int32_t>(type);
  return index >= 0 && index < 12 ? names[index] : "Unknown";
}

// Position and Rotation share it.
const char noNodeForPlacement[] = "ERROR. Trying to set position for actor with no scenenode: ";

// Transform space of continuous motion: "AddLocal", "AddParent", anything else world.
Ogre::Node::TransformSpace motionSpace(const std::string& mode) {
  if (mode == "AddLocal")
    return Ogre::Node::TS_LOCAL;
  if (mode == "AddParent")
    return Ogre::Node::TS_PARENT;
  return Ogre::Node::TS_WORLD;
}

bool isWithin(const Ogre::Node* node, const Ogre::Node* ancestor) {
  for (; node; node = node->getParent())
    if (node == ancestor)
      return true;
  return false;
}

}  // namespace

Actor::Actor(std::string actorName, const WorldContext& worldContext)
    : name(std::move(actorName)), context(worldContext) {}

Actor::~Actor() {
  if (soundChannel && context.voices)
    context.voices->stop(soundChannel);
  destroyParticles();
  if (entity)
    context.scene.destroyEntity(entity);
  if (geom)
    context.collision.removeGeom(name);
  if (node)
    destroyNodeTree(context.scene, node);
}

void Actor::handleMessage(const ActorMessage& message) {
  if (message.type == ActorMessageType::Script) {
    context.scripts.run(message.text1);
    return;
  }
  if (node)
    refreshed(*node);  // world-space modes read the parents' current placement
  try {
    switch (message.type) {
      case ActorMessageType::Attach: attach(message); break;
      case ActorMessageType::Position: setPosition(message); break;
      case ActorMessageType::Rotation: setRotation(message); break;
      case ActorMessageType::Mesh: setMesh(message); break;
      case ActorMessageType::Collision: setCollision(message); break;
      case ActorMessageType::Velocity: setVelocity(message); break;
      case ActorMessageType::Spin: setSpin(message); break;
      case ActorMessageType::Material: setMaterial(message.text1, message.text2, message.value); break;
      case ActorMessageType::Sound: playSound(message); break;
      case ActorMessageType::Particles: setParticles(message); break;
      case ActorMessageType::Animation: setAnimation(message); break;
      default:
        core::log("Error. Unknown ActorMessageType: " + std::to_string(static_cast<int32_t>(message.type)));
    }
  } catch (...) {
    core::log("ERROR. " + std::string(typeName(message.type)) + " message for actor " + name + " failed: " +
              core::describeCurrentException());
  }
}

void Actor::attach(const ActorMessage& message) {
  Ogre::Affine3 world = node ? node->_getFullTransform() : Ogre::Affine3::IDENTITY;
  if (node && node->getParent())
    node->getParent()->removeChild(node);
  Ogre::SceneNode* target = context.scene.getSceneNode(message.text1, false);
  if (!target) {
    core::log("ERROR. Trying to attach actor to non existing scenenode: " + message.text1);
    return;
  }
  // A node below itself would make every transform update recurse for ever.
  if (node && isWithin(target, node)) {
    core::log("ERROR. Trying to attach actor below its own scenenode: " + message.text1);
    return;
  }
  if (!node) {
    node = target->createChildSceneNode(name, Ogre::Vector3::ZERO, Ogre::Quaternion::IDENTITY);
    if (entity)
      node->attachObject(entity);
  } else {
    if (message.text2 == "Keep" || message.text2.empty()) {
      Ogre::Affine3 local = refreshed(*target)._getFullTransform().inverse() * world;
      node->setPosition(local.getTrans());
      node->setOrientation(Ogre::Quaternion(local.linear()));
    }
    target->addChild(node);
  }
  if (geom) {
    geom->follow(node);
    refreshed(*node);
    context.collision.syncGeom(*geom);
  }
}

void Actor::setPosition(const ActorMessage& message) {
  if (!node) {
    core::log(noNodeForPlacement + name);
    return;
  }
  const std::string& mode = message.text1;
  const Ogre::Vector3& v = message.vector;
  if (mode == "MoveLocal")
    node->translate(v, Ogre::Node::TS_LOCAL);
  else if (mode == "MoveParent")
    node->translate(v, Ogre::Node::TS_PARENT);
  else if (mode == "MoveWorld")
    node->translate(v, Ogre::Node::TS_WORLD);
  else if (mode == "SetLocal")
    node->setPosition(v);
  else if (Ogre::Node* parent = node->getParent()) {
    Ogre::Vector3 offset = v - worldPosition(*parent);
    node->setPosition(Ogre::Vector3::ZERO);
    node->translate(offset, Ogre::Node::TS_WORLD);
  } else
    node->setPosition(v);
}

void Actor::setRotation(const ActorMessage& message) {
  Ogre::Vector3 axis = message.vector.normalisedCopy();
  if (!node) {
    core::log(noNodeForPlacement + name);
    return;
  }
  const std::string& mode = message.text1;
  Ogre::Radian angle(message.value * Ogre::Math::fDeg2Rad);
  if (mode == "AddLocal")
    node->rotate(axis, angle, Ogre::Node::TS_LOCAL);
  else if (mode == "AddParent")
    node->rotate(axis, angle, Ogre::Node::TS_PARENT);
  else if (mode == "AddWorld")
    node->rotate(axis, angle, Ogre::Node::TS_WORLD);
  else {
    node->setOrientation(Ogre::Quaternion::IDENTITY);
    if (mode == "SetLocal")
      node->rotate(axis, angle, Ogre::Node::TS_LOCAL);
    else if (mode == "SetParent")
      node->rotate(axis, angle, Ogre::Node::TS_PARENT);
    else
      node->rotate(axis, angle, Ogre::Node::TS_WORLD);
  }
}

void Actor::setMesh(const ActorMessage& message) {
  if (!message.text2.empty() && message.text2[0] == '1')
    faceDirection = true;
  if (entity) {
    destroyEntity();
    if (message.text1.empty()) {
      meshName.clear();
      return;
    }
  }
  if (message.text1.empty())
    return;
  entity = context.scene.createEntity(name, message.text1);
  meshName = message.text1;
  if (node)
    node->attachObject(entity);
}

void Actor::setCollision(const ActorMessage& message) {
  if (geom) {
    context.collision.removeGeom(name);
    geom = nullptr;
  }
  if (message.text1.empty())
    return;
  geom = context.collision.createMeshGeom(name, message.text1);
  if (!geom)
    return;
  if (node)
    geom->follow(node);
  if (CollisionSpace* space = context.collision.findSpace(message.text2))
    dSpaceAdd(space->space, geom->geom);
}

void Actor::setVelocity(const ActorMessage& message) {
  velocity = message.vector;
  moveSpace = motionSpace(message.text1);
  if (!node || !faceDirection)
    return;
  node->setFixedYawAxis(true, Ogre::Vector3::UNIT_Y);
  if (velocity != Ogre::Vector3::ZERO)
    node->setDirection(velocity * 1000.0f, Ogre::Node::TS_PARENT, Ogre::Vector3::NEGATIVE_UNIT_Y);
}

void Actor::setSpin(const ActorMessage& message) {
  // Steps of spin add rounding; a fresh spin starts from a clean unit quaternion.
  if (node) {
    Ogre::Quaternion orientation = node->getOrientation();
    orientation.normalise();
    node->setOrientation(orientation);
  }
  spinAxis = message.vector;
  spinRate = message.value;
  spinSpace = motionSpace(message.text1);
}

void Actor::setMaterial(const std::string& material, const std::string& subEntity, float duration) {
  if (!entity)
    return;
  if (material == "CastNoShadow") {
    entity->setCastShadows(false);
    return;
  }
  if (!Ogre::MaterialManager::getSingleton().resourceExists(material, Ogre::RGN_AUTODETECT)) {
    core::log("ERROR. No such material for actor " + name + ": " + material);
    return;
  }
  if (subEntity.empty())
    entity->setMaterialName(material);
  else {
    int index = Ogre::StringConverter::parseInt(subEntity);
    if (index >= 0 && static_cast<size_t>(index) < entity->getNumSubEntities())
      entity->getSubEntity(index)->setMaterialName(material);
  }
  materialTimer = duration;
  if (duration == 0.0f)
    baseMaterial = material;
}

void Actor::playSound(const ActorMessage& message) {
  if (soundChannel) {
    if (context.voices)
      context.voices->stop(soundChannel);
    soundChannel = 0;
  }
  if (!message.text1.empty() && context.voices)
    soundChannel = context.voices->play3D(message.text1, convert::toInt32(message.value), message.text2 == "Loop");
}

void Actor::setParticles(const ActorMessage& message) {
  if (!node)
    return;
  if (message.text1 == "FadeOut") {
    if (particleSystem)
      for (unsigned short i = 0; i < particleSystem->getNumEmitters(); ++i)
        particleSystem->getEmitter(i)->setEnabled(false);
    return;
  }
  destroyParticles();
  if (message.text1.empty())
    return;
  particleSystem = context.scene.createParticleSystem(name + "_particle", message.text1);
  if (message.text1 == "GlobalSingleSparkle")
    particleSystem->setRenderQueueGroup(Ogre::RENDER_QUEUE_OVERLAY);
  particleNode = node->createChildSceneNode(Ogre::Vector3::ZERO, Ogre::Quaternion::IDENTITY);
  particleNode->attachObject(particleSystem);
}

Ogre::AnimationState* Actor::animationState() const {
  if (!entity || animation.empty())
    return nullptr;
  Ogre::AnimationStateSet* states = entity->getAllAnimationStates();
  return states && states->hasAnimationState(animation) ? states->getAnimationState(animation) : nullptr;
}

void Actor::setAnimation(const ActorMessage& message) {
  animationSpeed = message.value < epsilon ? 1.0f : message.value;
  if (!entity)
    return;
  if (Ogre::AnimationState* playing = animationState())
    playing->setEnabled(false);
  animation.clear();
  if (message.text1.empty())
    return;
  Ogre::AnimationState* state = entity->getAnimationState(message.text1);
  state->setTimePosition(0.0f);
  state->setEnabled(true);
  animation = message.text1;
}

bool Actor::update() {
  if (!node)
    return false;
  bool moved = false;
  if (velocity != Ogre::Vector3::ZERO) {
    node->translate(velocity / core::stepsPerSecond, moveSpace);
    moved = true;
  }
  if (spinRate != 0.0f) {
    node->rotate(spinAxis, Ogre::Degree(spinRate / core::stepsPerSecond), spinSpace);
    moved = true;
  }
  if (soundChannel && context.voices)
    context.voices->place(soundChannel, node->_getDerivedPosition());
  if (entity) {
    if (materialTimer > epsilon) {
      materialTimer -= materialStep;
      if (materialTimer <= epsilon)
        restoreMaterial();
    }
    if (Ogre::AnimationState* playing = animationState()) {
      if (!playing->getEnabled())
        playing->setEnabled(true);  // the entity was made again from a reloaded mesh
      playing->addTime(animationSpeed / core::stepsPerSecond);
    }
  }
  return moved;
}

// A fresh entity is the one way back to the mesh's own materials.
void Actor::restoreMaterial() {
  materialTimer = 0.0f;
  destroyEntity();
  try {
    entity = context.scene.createEntity(name, meshName);
    if (!baseMaterial.empty())
      setMaterial(baseMaterial, "", 0.0f);
    node->attachObject(entity);
  } catch (...) {
    core::log("ERROR. Restoring the material of actor " + name + " failed: " + core::describeCurrentException());
  }
}

void Actor::destroyEntity() {
  entity->detachFromParent();
  context.scene.destroyEntity(entity);
  entity = nullptr;
  animation.clear();
}

void Actor::destroyParticles() {
  if (particleSystem) {
    context.scene.destroyParticleSystem(particleSystem);
    particleSystem = nullptr;
  }
  if (particleNode) {
    context.scene.destroySceneNode(particleNode);
    particleNode = nullptr;
  }
}
