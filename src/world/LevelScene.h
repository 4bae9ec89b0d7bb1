// The part of the scene a level load wipes: "LevelRoot" with every node below it and what hangs
// on them, and the entities and particle systems that hang on no node at all. Nodes outside
// "LevelRoot" (the background, nodes a script made under the root) keep their objects.
#pragma once

namespace Ogre {
class SceneManager;
}

void destroyLevelScene(Ogre::SceneManager& scene);
