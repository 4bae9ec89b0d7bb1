// What a level load wipes from the scene and what it leaves.
#include "EngineFixture.h"
#include "world/LevelScene.h"

#include <OgreEntity.h>
#include <OgreParticleSystem.h>

namespace {

class LevelSceneTest : public EngineTest {};

TEST_F(LevelSceneTest, OnlyTheLevelsObjectsAreDestroyed) {
  Ogre::SceneNode* root = scene->getRootSceneNode();
  Ogre::SceneNode* level = root->createChildSceneNode("LevelRoot");
  level->createChildSceneNode("Deep")->createChildSceneNode("Deeper")->attachObject(
      scene->createEntity("LevelCrate", "Crate.mesh"));
  level->attachObject(scene->createParticleSystem("LevelSparks", "Sparkle"));
  scene->createEntity("Loose", "Crate.mesh");
  root->createChildSceneNode("Background")->attachObject(scene->createEntity("Backdrop", "Crate.mesh"));
  root->createChildSceneNode("Made")->attachObject(scene->createParticleSystem("Smoke", "Sparkle"));

  destroyLevelScene(*scene);

  EXPECT_FALSE(scene->hasSceneNode("LevelRoot"));
  EXPECT_FALSE(scene->hasSceneNode("Deeper"));
  EXPECT_FALSE(scene->hasEntity("LevelCrate"));
  EXPECT_FALSE(scene->hasParticleSystem("LevelSparks"));
  EXPECT_FALSE(scene->hasEntity("Loose"));
  ASSERT_TRUE(scene->hasEntity("Backdrop"));
  EXPECT_EQ(scene->getEntity("Backdrop")->getParentSceneNode(), scene->getSceneNode("Background"));
  ASSERT_TRUE(scene->hasParticleSystem("Smoke"));
  EXPECT_TRUE(scene->getParticleSystem("Smoke")->isAttached());

  destroyLevelScene(*scene);  // no LevelRoot now: one line, nothing else goes
  EXPECT_EQ(logCount("LoadLevel: no scene node LevelRoot to clear"), 1);
  EXPECT_TRUE(scene->hasEntity("Backdrop"));
}

}  // namespace
