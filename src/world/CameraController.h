// The game's one camera: it hangs on "_CameraNode", which chases the level's "_FollowCamera1"
// with a damped spring, and keeps looking at "look_at_node" through auto-tracking. Scripts can
// destroy both nodes at any time (with their actors, or a level): the controller listens to them
// and lets go of a node as it goes.
#pragma once

#include <OgreNode.h>
#include <OgreRay.h>
#include <OgreVector.h>

#include <cstdint>
#include <functional>

namespace Ogre {
class Camera;
class SceneManager;
class SceneNode;
}  // namespace Ogre

class CameraController : private Ogre::Node::Listener {
public:
  // The clock is the game clock in milliseconds; the spring steps on its elapsed time.
  CameraController(Ogre::SceneManager& scene, std::function<uint32_t()> clock);
  ~CameraController() override;
  CameraController(const CameraController&) = delete;
  CameraController& operator=(const CameraController&) = delete;

  // After a level load: follow the new level's nodes.
  void attachToLevel();
  // Before a level load: stop following, drop the old level's nodes.
  void release();
  // The game states' hold on the camera. follow: look at lookAt (no tracking when null) and
  // chase followNode (standing still when null); stopFollowing: a free camera.
  void follow(Ogre::SceneNode* lookAt, Ogre::SceneNode* followNode);
  void stopFollowing();
  // One spring step; does nothing unless following a node.
  void update();
  // The ray through window pixel (x, y).
  Ogre::Ray cameraRay(float x, float y, unsigned windowWidth, unsigned windowHeight) const;

  void setDampening(float value) { dampening = value; }
  Ogre::Camera& camera() const { return *ogreCamera; }
  Ogre::SceneNode& node() const { return *cameraNode; }

private:
  void nodeDestroyed(const Ogre::Node* node) override;
  // Listens to the nodes it follows and looks at, and to no others.
  void watch(Ogre::SceneNode* lookAt, Ogre::SceneNode* follow);

  Ogre::SceneManager& scene;
  std::function<uint32_t()> clock;
  bool following = false;
  uint32_t lastUpdateTime = 0;
  float dampening = 0.5f;
  Ogre::Vector3 velocity = Ogre::Vector3::ZERO;
  Ogre::Camera* ogreCamera = nullptr;
  Ogre::SceneNode* cameraNode = nullptr;
  Ogre::SceneNode* followNode = nullptr;
  Ogre::SceneNode* lookAtNode = nullptr;  // what auto-tracking aims at
};
