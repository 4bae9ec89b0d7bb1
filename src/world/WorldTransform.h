// Ogre caches a node's derived (world) transform until the next render, and moving or turning a
// parent does not mark its children, so a child read in the same frame reports where it was
// before. refreshed() marks the node and each ancestor out of date: Ogre's derived getters and its
// world-space moves then recompute from the current local transforms. Every world read or
// world-space move of a node that scripts can have moved goes through it, except in a step's
// actor pass, where no script runs: there each node is marked once, and a node that moves marks
// what is below it (markTree).
#pragma once

#include <OgreNode.h>

#include <vector>

inline Ogre::Node& refreshed(Ogre::Node& node) {
  for (Ogre::Node* n = &node; n; n = n->getParent())
    n->needUpdate();
  return node;
}

inline Ogre::Vector3 worldPosition(Ogre::Node& node) {
  return refreshed(node)._getDerivedPosition();
}

// Marks the node and everything below it out of date; pending is scratch space, kept by the
// caller so a step allocates nothing. Without recursion: scripts can nest nodes deeply.
inline void markTree(Ogre::Node& top, std::vector<Ogre::Node*>& pending) {
  pending.assign(1, &top);
  while (!pending.empty()) {
    Ogre::Node* node = pending.back();
    pending.pop_back();
    node->needUpdate();
    pending.insert(pending.end(), node->getChildren().begin(), node->getChildren().end());
  }
}
