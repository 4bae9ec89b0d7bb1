// Ogre caches a node's derived (world) transform until the next render, and moving or turning a
// parent does not mark its children, so a child read in the same frame reports where it was
// before. refreshed() marks the node and each ancestor out of date: Ogre's derived getters and its
// world-space moves then recompute from the current local transforms. Every world read or
// world-space move of a node that scripts can have moved goes through it.
#pragma once

#include <OgreNode.h>

inline Ogre::Node& refreshed(Ogre::Node& node) {
  for (Ogre::Node* n = &node; n; n = n->getParent())
    n->needUpdate();
  return node;
}

inline Ogre::Vector3 worldPosition(Ogre::Node& node) {
  return refreshed(node)._getDerivedPosition();
}
