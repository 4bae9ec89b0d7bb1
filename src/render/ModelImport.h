// Models from modelling tools: a mesh named *.gltf, *.glb or *.obj loads through the Open Asset
// Import Library wherever a .mesh does (entities, actors, collision data), from any resource
// group and through Ogre's archives. Its materials, skeleton and animations become Ogre's own.
// A file the loader cannot take fails the load with Ogre's exception, "Model <file> refused: <why>",
// so callers see what a missing .mesh gives them.
#pragma once

#include <memory>
#include <string>
#include <vector>

namespace Ogre {
class Codec;
}

namespace render {

// Whether a mesh name is one the model loader reads.
bool isModelFile(const std::string& name);

// Mesh loading for those names, for as long as the object lives; one per Ogre root, made after it.
class ModelImport {
public:
  ModelImport();
  ~ModelImport();
  ModelImport(const ModelImport&) = delete;
  ModelImport& operator=(const ModelImport&) = delete;

private:
  std::vector<std::unique_ptr<Ogre::Codec>> codecs;
};

}  // namespace render
