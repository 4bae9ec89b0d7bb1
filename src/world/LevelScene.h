// What the level's scripts leave in the scene, and how it goes: a node with everything made
// below it (an actor's node, "LevelRoot"), and at a level load the entities and particle systems
// that hang on no node at all. Nodes outside "LevelRoot" (the background, nodes a script made
// under the root) keep their objects across loads.
#pragma once

namespace Ogre {
class SceneManager;
class SceneNode;
}  // namespace Ogre

// Destroys the node, every node below it, and the entities and particle systems on them; any
// other object on them is only detached. Children that must outlive it are detached first.
void destroyNodeTree(Ogre::SceneManager& scene, Ogre::SceneNode* node);

// "LevelRoot" with its tree, and the entities and particle systems on no node.
void destroyLevelScene(Ogre::SceneManager& scene);
