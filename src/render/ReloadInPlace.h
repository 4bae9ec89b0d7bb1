// Game data saved while the game runs, taken in without a level load where Ogre allows it:
// material, particle and compositor scripts are parsed again, textures, meshes and skeletons
// read again. Objects made from the old definitions keep them, except materials, which change
// under everything that uses them.
#pragma once

#include <string>

namespace render {

// Whether the file name is one of those kinds.
bool reloadsInPlace(const std::string& fileName);
// Takes the saved file in; the one log line that says what happened.
std::string reloadInPlace(const std::string& fileName);

}  // namespace render
