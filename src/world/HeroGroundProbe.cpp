// The hero's vertical placement, one ray per simulation step.
#include "world/HeroGroundProbe.h"

#include "world/CollisionManager.h"
#include "world/WorldTransform.h"

#include <OgreSceneManager.h>
#include <OgreSceneNode.h>

#include <locale>
#include <sstream>

namespace {

const char heroName[] = "Quibbo";
const char groundSpace[] = "World";
const float rayStartAbove = 10.0f;
const float rayLength = 100.0f;
const float fallPerStep = 0.5f;
const float landingThreshold = 0.4f;

// printf's "%g": six significant digits, whatever the process locale.
std::string general(float value) {
  std::ostringstream text;
  text.imbue(std::locale::classic());
  text << value;
  return text.str();
}

void placeAtWorld(Ogre::SceneNode& node, const Ogre::Vector3& target) {
  if (Ogre::Node* parent = node.getParent())
    node.setPosition(parent->_getDerivedOrientation().Inverse() * (target - parent->_getDerivedPosition()));
  else
    node.setPosition(target);
}

}  // namespace

void HeroGroundProbe::update() {
  // Looked up every step: scripts can remove the hero's node at any time.
  Ogre::SceneNode* hero = context.scene.getSceneNode(heroName, false);
  if (!hero)
    return;
  const Ogre::Vector3 p = worldPosition(*hero);
  CollisionQuery& query = context.collision.query;
  if (!context.collision.rayTest(groundSpace, p + Ogre::Vector3(0.0f, rayStartAbove, 0.0f),
                                  Ogre::Vector3::NEGATIVE_UNIT_Y, rayLength, query))
    return;  // no ground below, or no space "World": the hero stays where it is
  const Ogre::Vector3 ground = query.hitPoint;

  if (ground.y < p.y - fallPerStep) {
    fallDistance += fallPerStep;
    placeAtWorld(*hero, Ogre::Vector3(ground.x, p.y - fallPerStep, ground.z));
    return;
  }
  fallDistance += p.y - ground.y;
  const float fallen = fallDistance;
  fallDistance = 0.0f;
  if (fallen > landingThreshold) {
    context.scripts.run("HitGround(" + general(fallen) + ")");
    hero = context.scene.getSceneNode(heroName, false);  // HitGround may have removed or moved it
    if (!hero)
      return;
    refreshed(*hero);
  }
  placeAtWorld(*hero, ground);
}
