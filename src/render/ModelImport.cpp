// glTF 2.0 and OBJ through the Open Asset Import Library, as codecs Ogre's Mesh::load picks by the
// name's extension. Files come through the mesh's resource group (buffers, textures and .mtl
// beside the model), the whole file is checked before anything is made, and glTF's right-handed,
// Y-up, metre, counter-clockwise conventions are Ogre's: positions go in as they are.
#include "render/ModelImport.h"

#include "core/Text.h"

#include <Ogre.h>
#include <OgreCodec.h>
#include <assimp/GltfMaterial.h>
#include <assimp/IOStream.hpp>
#include <assimp/IOSystem.hpp>
#include <assimp/Importer.hpp>
#include <assimp/postprocess.h>
#include <assimp/scene.h>
#include <nlohmann/json.hpp>

#include <algorithm>
#include <cstring>
#include <limits>
#include <map>
#include <unordered_map>

namespace render {

namespace {

const char* const modelTypes[] = {"gltf", "glb", "obj"};
// Blend indices are bytes and Ogre blends at most four bones a vertex.
constexpr unsigned maxBones = OGRE_MAX_NUM_BONES;
constexpr unsigned maxWeights = OGRE_MAX_BLEND_WEIGHTS;
// Far beyond any game model; a count past it is damage, not art.
constexpr size_t maxVertices = size_t(1) << 24;
constexpr size_t maxTriangles = size_t(1) << 24;

struct Refusal : std::runtime_error {
  using std::runtime_error::runtime_error;
};

[[noreturn]] void refuse(const std::string& why) {
  throw Refusal(why);
}

// Assimp's reads and seeks on an Ogre stream.
class StreamIO : public Assimp::IOStream {
public:
  explicit StreamIO(Ogre::DataStreamPtr stream) : stream(std::move(stream)) {}
  size_t Read(void* buffer, size_t size, size_t count) override {
    if (size == 0 || count > SIZE_MAX / size)
      return 0;
    return stream->read(buffer, size * count) / size;
  }
  size_t Write(const void*, size_t, size_t) override { return 0; }
  aiReturn Seek(size_t offset, aiOrigin origin) override {
    const size_t size = stream->size();
    const size_t base = origin == aiOrigin_SET ? 0 : origin == aiOrigin_CUR ? stream->tell() : size;
    size_t target;
    if (origin == aiOrigin_END) {
      if (offset > size)
        return aiReturn_FAILURE;
      target = size - offset;
    } else {
      if (offset > size || base > size - offset)
        return aiReturn_FAILURE;
      target = base + offset;
    }
    stream->seek(target);
    return aiReturn_SUCCESS;
  }
  size_t Tell() const override { return stream->tell(); }
  size_t FileSize() const override { return stream->size(); }
  void Flush() override {}

private:
  Ogre::DataStreamPtr stream;
};

// The model's own bytes under its name, every other file from the model's group; remembers the
// first file asked for that is not there, which is the best reason when the import then fails.
class GroupIO : public Assimp::IOSystem {
public:
  GroupIO(const std::string& group, const std::string& name, Ogre::MemoryDataStreamPtr data)
      : group(group), name(name), data(std::move(data)) {}

  static std::string resourceName(const char* file) {
    std::string path(file ? file : "");
    while (path.compare(0, 2, "./") == 0)
      path.erase(0, 2);
    return path;
  }
  bool Exists(const char* file) const override {
    const std::string path = resourceName(file);
    return path == name || (!path.empty() && Ogre::ResourceGroupManager::getSingleton().resourceExists(group, path));
  }
  char getOsSeparator() const override { return '/'; }
  Assimp::IOStream* Open(const char* file, const char* mode) override {
    if (!mode || std::strpbrk(mode, "wa+"))
      return nullptr;
    const std::string path = resourceName(file);
    if (path == name)  // a fresh view each time: assimp may open it twice
      return new StreamIO(std::make_shared<Ogre::MemoryDataStream>(data->getPtr(), data->size(), false, true));
    if (!Exists(file)) {
      if (missing.empty())
        missing = path;
      return nullptr;
    }
    return new StreamIO(Ogre::ResourceGroupManager::getSingleton().openResource(path, group));
  }
  void Close(Assimp::IOStream* file) override { delete file; }

  std::string missing;

private:
  std::string group, name;
  Ogre::MemoryDataStreamPtr data;
};

// The imported scene, checked; owns the importer that owns the scene.
struct Import {
  Assimp::Importer importer;
  const aiScene* scene = nullptr;
};

std::string folderOf(const std::string& name) {
  const size_t slash = name.rfind('/');
  return slash == std::string::npos ? std::string() : name.substr(0, slash + 1);
}

std::string lowerExtension(const std::string& name) {
  std::string base, extension;
  Ogre::StringUtil::splitBaseFilename(name, base, extension);
  Ogre::StringUtil::toLowerCase(extension);
  return extension;
}

// The glTF document's JSON: a .gltf's whole text, a .glb's first chunk; empty when there is none.
std::string gltfJson(const std::string& extension, Ogre::MemoryDataStream& data) {
  const char* bytes = reinterpret_cast<const char*>(data.getPtr());
  if (extension == "gltf")
    return std::string(bytes, data.size());
  uint32_t length = 0;
  if (data.size() < 20 || std::memcmp(bytes, "glTF", 4) != 0 || std::memcmp(bytes + 16, "JSON", 4) != 0)
    return {};
  std::memcpy(&length, bytes + 12, 4);
  return length <= data.size() - 20 ? std::string(bytes + 20, length) : std::string();
}

// What the glTF reader of Debian's assimp 5.2 reads past its buffers or crashes on, checked first.
void checkGltf(const std::string& json) {
  using Json = nlohmann::json;
  // What this parser refuses, the importer's lenient one may take and then misread.
  const Json doc = Json::parse(json, nullptr, false);
  if (!doc.is_object())
    refuse("not glTF 2.0 JSON");
  const Json none = Json::array();
  const Json& accessors = doc.contains("accessors") && doc["accessors"].is_array() ? doc["accessors"] : none;
  auto accessor = [&](const Json& index) -> const Json* {
    if (!index.is_number_unsigned() || index.get<size_t>() >= accessors.size() || !accessors[index.get<size_t>()].is_object())
      return nullptr;
    return &accessors[index.get<size_t>()];
  };
  auto field = [](const Json* item, const char* key) { return item && item->contains(key) ? (*item)[key] : Json(); };
  for (const Json& skin : doc.contains("skins") && doc["skins"].is_array() ? doc["skins"] : none) {
    const Json* matrices = accessor(skin.is_object() ? field(&skin, "inverseBindMatrices") : Json());
    const Json joints = skin.is_object() ? field(&skin, "joints") : Json();
    if (!matrices || field(matrices, "type") != "MAT4" || field(matrices, "componentType") != 5126 ||
        !joints.is_array() || !field(matrices, "count").is_number_unsigned() ||
        field(matrices, "count").get<size_t>() < joints.size())
      refuse("a skin without an inverse bind matrix for each joint");
  }
  for (const Json& mesh : doc.contains("meshes") && doc["meshes"].is_array() ? doc["meshes"] : none) {
    const Json primitives = mesh.is_object() ? field(&mesh, "primitives") : Json();
    for (const Json& primitive : primitives.is_array() ? primitives : none) {
      const Json attributes = primitive.is_object() ? field(&primitive, "attributes") : Json();
      if (!attributes.is_object())
        continue;
      const Json vertices = field(accessor(field(&attributes, "POSITION")), "count");
      for (const auto& [semantic, index] : attributes.items()) {
        const Json* values = accessor(index);
        if (!values || field(values, "count") != vertices)
          refuse("attribute " + semantic + " does not have one value for each vertex");
        if ((semantic.rfind("JOINTS_", 0) == 0 || semantic.rfind("WEIGHTS_", 0) == 0) && field(values, "type") != "VEC4")
          refuse("attribute " + semantic + " is not four values a vertex");
      }
    }
  }
}

void readScene(Import& import, const std::string& name, const std::string& group, Ogre::MemoryDataStreamPtr data) {
  const std::string extension = lowerExtension(name);
  if (extension != "obj")
    checkGltf(gltfJson(extension, *data));
  auto* io = new GroupIO(group, name, std::move(data));
  import.importer.SetIOHandler(io);  // the importer owns it from here
  unsigned flags = aiProcess_Triangulate | aiProcess_GenSmoothNormals | aiProcess_ValidateDataStructure |
                   aiProcess_FlipUVs;  // assimp turns glTF's top-left texture origin upside down; Ogre's is top-left
  if (extension == "obj")
    flags |= aiProcess_JoinIdenticalVertices;  // OBJ gives every face its own corners
  import.scene = import.importer.ReadFile(name, flags);
  if (!import.scene)
    refuse(io->missing.empty() ? std::string(import.importer.GetErrorString()) : "missing file " + io->missing);
  if (!io->missing.empty())
    refuse("missing file " + io->missing);
}

// Every node of the scene, parents first; the bones of a skeleton are these, one each.
struct Nodes {
  std::vector<const aiNode*> list;
  std::vector<int> parent;
  std::vector<aiMatrix4x4> world;  // at rest
  std::vector<std::string> boneName;  // unique, as Ogre's bones must be
  std::unordered_map<std::string, unsigned> byName;  // the first node of a name

  explicit Nodes(const aiNode* root) { add(root, -1); }

  void add(const aiNode* node, int up) {
    const int index = static_cast<int>(list.size());
    list.push_back(node);
    parent.push_back(up);
    world.push_back(up < 0 ? node->mTransformation : world[up] * node->mTransformation);
    std::string bone = node->mName.C_Str();
    if (bone.empty() || byName.count(bone))
      bone += "#" + std::to_string(index);
    byName.emplace(node->mName.C_Str(), static_cast<unsigned>(index));
    boneName.push_back(bone);
    for (unsigned i = 0; i < node->mNumChildren; ++i)
      add(node->mChildren[i], index);
  }
};

// What the whole file needs checked before anything is made.
void check(const aiScene& scene, const Nodes& nodes, bool skeletal) {
  if (scene.mNumMeshes == 0 || (scene.mFlags & AI_SCENE_FLAGS_INCOMPLETE))
    refuse("no mesh in the file");
  if (skeletal && nodes.list.size() > maxBones)
    refuse("more than " + std::to_string(maxBones) + " nodes for the skeleton's bones");
  size_t vertices = 0, triangles = 0;
  for (unsigned m = 0; m < scene.mNumMeshes; ++m) {
    const aiMesh& mesh = *scene.mMeshes[m];
    if (mesh.mPrimitiveTypes & (aiPrimitiveType_POINT | aiPrimitiveType_LINE))
      refuse("mesh " + std::to_string(m) + " is made of points or lines, not triangles");
    vertices += mesh.mNumVertices;
    triangles += mesh.mNumFaces;
    if (vertices > maxVertices || triangles > maxTriangles)
      refuse("more than " + std::to_string(maxVertices) + " vertices or triangles");
    for (unsigned f = 0; f < mesh.mNumFaces; ++f) {
      const aiFace& face = mesh.mFaces[f];
      if (face.mNumIndices != 3)
        refuse("mesh " + std::to_string(m) + " has a face that is not a triangle");
      for (unsigned k = 0; k < 3; ++k)
        if (face.mIndices[k] >= mesh.mNumVertices)
          refuse("mesh " + std::to_string(m) + " has an index past its vertices");
    }
    std::vector<unsigned char> weights(mesh.mNumVertices);
    for (unsigned b = 0; b < mesh.mNumBones; ++b) {
      const aiBone& bone = *mesh.mBones[b];
      if (!nodes.byName.count(bone.mName.C_Str()))
        refuse("bone " + std::string(bone.mName.C_Str()) + " has no node");
      for (unsigned w = 0; w < bone.mNumWeights; ++w) {
        const aiVertexWeight& weight = bone.mWeights[w];
        if (weight.mVertexId >= mesh.mNumVertices)
          refuse("bone " + std::string(bone.mName.C_Str()) + " weighs a vertex that is not there");
        if (weight.mWeight > 0.0f && ++weights[weight.mVertexId] > maxWeights)
          refuse("a vertex of mesh " + std::to_string(m) + " has more than " + std::to_string(maxWeights) +
                 " bones");
      }
    }
  }
}

aiColor4D materialColour(const aiMaterial& material, const char* key, unsigned type, unsigned index,
                         const aiColor4D& otherwise) {
  aiColor4D colour;
  return material.Get(key, type, index, colour) == aiReturn_SUCCESS ? colour : otherwise;
}

// A material's base colour texture: the embedded picture's index, or a file's resource name.
struct TextureRef {
  int embedded = -1;
  std::string file;
  bool any() const { return embedded >= 0 || !file.empty(); }
};

TextureRef baseTexture(const aiScene& scene, const aiMaterial& material, const std::string& folder) {
  aiString path;
  TextureRef ref;
  if (material.GetTexture(aiTextureType_BASE_COLOR, 0, &path) != aiReturn_SUCCESS &&
      material.GetTexture(aiTextureType_DIFFUSE, 0, &path) != aiReturn_SUCCESS)
    return ref;
  const auto embedded = scene.GetEmbeddedTextureAndIndex(path.C_Str());
  if (embedded.first)
    ref.embedded = embedded.second;
  else if (path.C_Str()[0] == '*')
    refuse("material " + std::string(material.GetName().C_Str()) + " names embedded picture " + path.C_Str() +
           ", which the file lacks");
  else
    ref.file = folder + GroupIO::resourceName(path.C_Str());
  return ref;
}

// Embedded pictures decoded before anything is made, so a damaged one refuses the model cleanly.
std::map<int, Ogre::Image> decodePictures(const aiScene& scene, const std::vector<TextureRef>& refs) {
  std::map<int, Ogre::Image> pictures;
  for (const TextureRef& ref : refs) {
    if (ref.embedded < 0 || pictures.count(ref.embedded))
      continue;
    const aiTexture& texture = *scene.mTextures[ref.embedded];
    Ogre::Image& image = pictures[ref.embedded];
    try {
      if (texture.mHeight == 0) {  // a file's bytes: PNG, JPEG
        auto bytes = std::make_shared<Ogre::MemoryDataStream>(texture.pcData, texture.mWidth, false, true);
        image.load(bytes, texture.achFormatHint[0] ? texture.achFormatHint : "png");
      } else {
        const size_t size = size_t(texture.mWidth) * texture.mHeight * 4;
        auto* copy = OGRE_ALLOC_T(Ogre::uchar, size, Ogre::MEMCATEGORY_GENERAL);
        std::memcpy(copy, texture.pcData, size);
        image.loadDynamicImage(copy, texture.mWidth, texture.mHeight, 1, Ogre::PF_BYTE_BGRA, true);
      }
    } catch (const Ogre::Exception& e) {
      refuse("embedded picture " + std::to_string(ref.embedded) + " cannot be read: " + e.getDescription());
    }
  }
  return pictures;
}

std::string materialName(const std::string& model, const aiMaterial& material, unsigned index,
                         std::map<std::string, unsigned>& used) {
  std::string name = material.GetName().C_Str();
  if (name.empty() || used.count(name))
    name = std::to_string(index);
  used.emplace(name, index);
  return model + "/" + name;
}

// One Ogre material per material of the file, made again in place when the model reloads, so
// entities keep theirs. Base colour tints the lit surface; vertex colours, when a primitive has
// them, carry the factor (see fillColours) and the material tracks them instead.
void makeMaterial(const std::string& name, const std::string& group, const aiMaterial& source, bool tracksColours,
                  const std::string& texture) {
  Ogre::MaterialManager& materials = Ogre::MaterialManager::getSingleton();
  Ogre::MaterialPtr material = materials.getByName(name, group);
  if (!material)
    material = materials.create(name, group);
  material->removeAllTechniques();
  Ogre::Pass* pass = material->createTechnique()->createPass();

  const aiColor4D white(1, 1, 1, 1);
  const aiColor4D base =
      materialColour(source, AI_MATKEY_BASE_COLOR, materialColour(source, AI_MATKEY_COLOR_DIFFUSE, white));
  const aiColor4D emissive = materialColour(source, AI_MATKEY_COLOR_EMISSIVE, aiColor4D(0, 0, 0, 1));
  float opacity = 1.0f;
  source.Get(AI_MATKEY_OPACITY, opacity);
  const Ogre::ColourValue colour(base.r, base.g, base.b, base.a * opacity);
  pass->setDiffuse(colour);
  pass->setAmbient(colour.r, colour.g, colour.b);
  pass->setSpecular(0, 0, 0, 1);
  pass->setSelfIllumination(emissive.r, emissive.g, emissive.b);
  if (tracksColours)
    pass->setVertexColourTracking(Ogre::TVC_DIFFUSE | Ogre::TVC_AMBIENT);
  if (!texture.empty())
    pass->createTextureUnitState(texture);

  aiString alphaMode;
  const std::string mode = source.Get(AI_MATKEY_GLTF_ALPHAMODE, alphaMode) == aiReturn_SUCCESS
                               ? alphaMode.C_Str()
                               : (colour.a < 1.0f ? "BLEND" : "OPAQUE");
  if (mode == "BLEND") {
    pass->setSceneBlending(Ogre::SBT_TRANSPARENT_ALPHA);
    pass->setDepthWriteEnabled(false);
  } else if (mode == "MASK") {
    float cutoff = 0.5f;
    source.Get(AI_MATKEY_GLTF_ALPHACUTOFF, cutoff);
    pass->setAlphaRejectSettings(Ogre::CMPF_GREATER_EQUAL,
                                 static_cast<unsigned char>(std::clamp(cutoff, 0.0f, 1.0f) * 255.0f), true);
  }
  int twoSided = 0;
  if (source.Get(AI_MATKEY_TWOSIDED, twoSided) == aiReturn_SUCCESS && twoSided) {
    pass->setCullingMode(Ogre::CULL_NONE);
    pass->setManualCullingMode(Ogre::MANUAL_CULL_NONE);
  }
  material->load();
}

Ogre::Vector3 toOgre(const aiVector3D& v) {
  return {v.x, v.y, v.z};
}

Ogre::Quaternion toOgre(const aiQuaternion& q) {
  return {q.w, q.x, q.y, q.z};
}

// Ogre plays a bone's key on top of its rest pose (position added, rotation and scale multiplied
// after it); glTF keys are the whole local transform, so each key is taken relative to the rest.
struct Rest {
  Ogre::Vector3 position, scale;
  Ogre::Quaternion orientation;
};

Rest restOf(const aiMatrix4x4& local) {
  aiVector3D scale, position;
  aiQuaternion rotation;
  local.Decompose(scale, rotation, position);
  return {toOgre(position), toOgre(scale), toOgre(rotation)};
}

template <class Key, class Value, class Blend>
Value sample(const Key* keys, unsigned count, double time, unsigned& cursor, Value rest, Blend blend) {
  if (count == 0)
    return rest;
  while (cursor + 1 < count && keys[cursor + 1].mTime <= time)
    ++cursor;
  const Key& a = keys[cursor];
  if (time <= a.mTime || cursor + 1 >= count)
    return a.mValue;
  const Key& b = keys[cursor + 1];
  const double span = b.mTime - a.mTime;
  return blend(a.mValue, b.mValue, span > 0 ? static_cast<float>((time - a.mTime) / span) : 0.0f);
}

void addAnimation(Ogre::Skeleton& skeleton, const aiAnimation& source, const std::string& name, const Nodes& nodes,
                  const std::vector<Rest>& rests) {
  const double ticks = source.mTicksPerSecond > 0 ? source.mTicksPerSecond : 25.0;
  double last = 0;
  for (unsigned c = 0; c < source.mNumChannels; ++c) {
    const aiNodeAnim& channel = *source.mChannels[c];
    if (channel.mNumPositionKeys)
      last = std::max(last, channel.mPositionKeys[channel.mNumPositionKeys - 1].mTime);
    if (channel.mNumRotationKeys)
      last = std::max(last, channel.mRotationKeys[channel.mNumRotationKeys - 1].mTime);
    if (channel.mNumScalingKeys)
      last = std::max(last, channel.mScalingKeys[channel.mNumScalingKeys - 1].mTime);
  }
  // A pose of one instant still needs a length: Ogre wraps time by it.
  const double length = std::max(std::max(source.mDuration, last) / ticks, 1e-3);
  Ogre::Animation* animation = skeleton.createAnimation(name, static_cast<Ogre::Real>(length));
  for (unsigned c = 0; c < source.mNumChannels; ++c) {
    const aiNodeAnim& channel = *source.mChannels[c];
    const auto node = nodes.byName.find(channel.mNodeName.C_Str());
    if (node == nodes.byName.end())
      continue;  // animates nothing of this model
    const auto bone = static_cast<unsigned short>(node->second);
    const Rest& rest = rests[bone];
    std::vector<double> times;
    for (unsigned k = 0; k < channel.mNumPositionKeys; ++k)
      times.push_back(channel.mPositionKeys[k].mTime);
    for (unsigned k = 0; k < channel.mNumRotationKeys; ++k)
      times.push_back(channel.mRotationKeys[k].mTime);
    for (unsigned k = 0; k < channel.mNumScalingKeys; ++k)
      times.push_back(channel.mScalingKeys[k].mTime);
    std::sort(times.begin(), times.end());
    times.erase(std::unique(times.begin(), times.end()), times.end());
    Ogre::NodeAnimationTrack* track = animation->createNodeTrack(bone, skeleton.getBone(bone));
    unsigned p = 0, r = 0, s = 0;
    for (double time : times) {
      const aiVector3D position = sample(channel.mPositionKeys, channel.mNumPositionKeys, time, p,
                                         aiVector3D(rest.position.x, rest.position.y, rest.position.z),
                                         [](const aiVector3D& a, const aiVector3D& b, float t) { return a + (b - a) * t; });
      const aiQuaternion rotation = sample(
          channel.mRotationKeys, channel.mNumRotationKeys, time, r,
          aiQuaternion(rest.orientation.w, rest.orientation.x, rest.orientation.y, rest.orientation.z),
          [](const aiQuaternion& a, const aiQuaternion& b, float t) {
            aiQuaternion out;
            aiQuaternion::Interpolate(out, a, b, t);
            return out;
          });
      const aiVector3D scale = sample(channel.mScalingKeys, channel.mNumScalingKeys, time, s,
                                      aiVector3D(rest.scale.x, rest.scale.y, rest.scale.z),
                                      [](const aiVector3D& a, const aiVector3D& b, float t) { return a + (b - a) * t; });
      Ogre::TransformKeyFrame* key = track->createNodeKeyFrame(static_cast<Ogre::Real>(time / ticks));
      key->setTranslate(toOgre(position) - rest.position);
      Ogre::Quaternion turn = toOgre(rotation);
      turn.normalise();
      key->setRotation(rest.orientation.Inverse() * turn);
      auto ratio = [](float v, float r) { return r != 0.0f ? v / r : 1.0f; };
      key->setScale({ratio(scale.x, rest.scale.x), ratio(scale.y, rest.scale.y), ratio(scale.z, rest.scale.z)});
    }
  }
}

// Bones, one per node at its rest transform, and the file's animations under their names.
void fillSkeleton(Ogre::Skeleton& skeleton, const aiScene& scene, const Nodes& nodes) {
  std::vector<Rest> rests;
  for (size_t i = 0; i < nodes.list.size(); ++i) {
    Ogre::Bone* bone = skeleton.createBone(nodes.boneName[i], static_cast<unsigned short>(i));
    rests.push_back(restOf(nodes.list[i]->mTransformation));
    bone->setPosition(rests.back().position);
    bone->setOrientation(rests.back().orientation);
    bone->setScale(rests.back().scale);
    if (nodes.parent[i] >= 0)
      skeleton.getBone(static_cast<unsigned short>(nodes.parent[i]))->addChild(bone);
  }
  skeleton.setBindingPose();
  std::map<std::string, unsigned> used;
  for (unsigned a = 0; a < scene.mNumAnimations; ++a) {
    std::string name = scene.mAnimations[a]->mName.C_Str();
    if (name.empty() || used.count(name))
      name = "Animation" + std::to_string(a);
    used.emplace(name, a);
    addAnimation(skeleton, *scene.mAnimations[a], name, nodes, rests);
  }
}

// Skeletons are filled while their model imports; a later reload of the skeleton alone (Ogre
// unloads resources with their group) reads the model again.
class SkeletonLoader : public Ogre::ManualResourceLoader {
public:
  void loadResource(Ogre::Resource* resource) override {
    auto& skeleton = static_cast<Ogre::Skeleton&>(*resource);
    if (pending) {
      fillSkeleton(skeleton, *pending->scene, *pending->nodes);
      return;
    }
    const std::string model = skeleton.getOrigin();
    Import import;
    try {
      Ogre::DataStreamPtr stream = Ogre::ResourceGroupManager::getSingleton().openResource(model, skeleton.getGroup());
      readScene(import, model, skeleton.getGroup(), std::make_shared<Ogre::MemoryDataStream>(stream));
    } catch (const Refusal& refusal) {
      OGRE_EXCEPT(Ogre::Exception::ERR_INVALIDPARAMS, "Model " + model + " refused: " + refusal.what());
    }
    fillSkeleton(skeleton, *import.scene, Nodes(import.scene->mRootNode));
  }

  struct Pending {
    const aiScene* scene;
    const Nodes* nodes;
  };
  const Pending* pending = nullptr;
};

SkeletonLoader skeletonLoader;

// How a vertex lands in the mesh: the matrix that takes it to the model's space at rest, and,
// with a skeleton, the bones that move it.
struct Placement {
  aiMatrix4x4 matrix;
  aiMatrix3x3 normals;
  bool identity;  // most models: nothing to do per vertex
};

Placement placement(const aiMatrix4x4& matrix) {
  aiMatrix3x3 normals(matrix);
  normals.Inverse().Transpose();
  return {matrix, normals, matrix.IsIdentity()};
}

void writeVertices(Ogre::Mesh& mesh, Ogre::SubMesh& sub, const aiMesh& source, const std::vector<Placement>& places,
                   const std::vector<unsigned>& placeOf, bool colours, const aiColor4D& factor,
                   Ogre::AxisAlignedBox& bounds) {
  const size_t count = source.mNumVertices;
  auto* data = new Ogre::VertexData();
  sub.useSharedVertices = false;
  sub.vertexData = data;
  data->vertexCount = count;
  // Positions and normals alone in the first buffer: software skinning rewrites that buffer only.
  Ogre::VertexDeclaration& declaration = *data->vertexDeclaration;
  size_t offset = 0;
  offset += declaration.addElement(0, offset, Ogre::VET_FLOAT3, Ogre::VES_POSITION).getSize();
  declaration.addElement(0, offset, Ogre::VET_FLOAT3, Ogre::VES_NORMAL);
  const bool uvs = source.HasTextureCoords(0);
  const Ogre::VertexElementType colourType = Ogre::VertexElement::getBestColourVertexElementType();
  size_t extraSize = 0;
  if (uvs)
    extraSize += declaration.addElement(1, extraSize, Ogre::VET_FLOAT2, Ogre::VES_TEXTURE_COORDINATES, 0).getSize();
  if (colours)
    extraSize += declaration.addElement(1, extraSize, colourType, Ogre::VES_DIFFUSE).getSize();

  auto& buffers = Ogre::HardwareBufferManager::getSingleton();
  std::vector<float> main(count * 6);
  Ogre::Vector3 low(std::numeric_limits<float>::max()), high(-std::numeric_limits<float>::max());
  for (size_t v = 0; v < count; ++v) {
    const Placement& place = places[placeOf[v]];
    const aiVector3D p = place.identity ? source.mVertices[v] : place.matrix * source.mVertices[v];
    aiVector3D n = !source.mNormals ? aiVector3D(0, 1, 0)
                   : place.identity ? source.mNormals[v]
                                    : place.normals * source.mNormals[v];
    n.NormalizeSafe();
    std::copy_n(&p.x, 3, &main[v * 6]);
    std::copy_n(&n.x, 3, &main[v * 6 + 3]);
    low.makeFloor(Ogre::Vector3(p.x, p.y, p.z));
    high.makeCeil(Ogre::Vector3(p.x, p.y, p.z));
  }
  if (count > 0)
    bounds.merge(Ogre::AxisAlignedBox(low, high));
  auto positions = buffers.createVertexBuffer(declaration.getVertexSize(0), count, mesh.getVertexBufferUsage(),
                                              mesh.isVertexBufferShadowed());
  positions->writeData(0, positions->getSizeInBytes(), main.data(), true);
  data->vertexBufferBinding->setBinding(0, positions);
  if (extraSize == 0)
    return;
  std::vector<unsigned char> extra(count * extraSize);
  for (size_t v = 0; v < count; ++v) {
    unsigned char* at = &extra[v * extraSize];
    if (uvs) {
      const float uv[2] = {source.mTextureCoords[0][v].x, source.mTextureCoords[0][v].y};
      std::memcpy(at, uv, sizeof uv);
      at += sizeof uv;
    }
    if (colours) {
      // glTF multiplies vertex colour by the base colour; Ogre's tracking takes the colour alone.
      const aiColor4D c = source.HasVertexColors(0) ? source.mColors[0][v] : aiColor4D(1, 1, 1, 1);
      const Ogre::ColourValue value(c.r * factor.r, c.g * factor.g, c.b * factor.b, c.a * factor.a);
      const Ogre::uint32 packed = Ogre::VertexElement::convertColourValue(value.saturateCopy(), colourType);
      std::memcpy(at, &packed, sizeof packed);
    }
  }
  auto attributes = buffers.createVertexBuffer(extraSize, count, mesh.getVertexBufferUsage(),
                                               mesh.isVertexBufferShadowed());
  attributes->writeData(0, attributes->getSizeInBytes(), extra.data(), true);
  data->vertexBufferBinding->setBinding(1, attributes);
}

void writeIndices(Ogre::Mesh& mesh, Ogre::SubMesh& sub, const aiMesh& source) {
  const size_t count = size_t(source.mNumFaces) * 3;
  // 16 bits while every vertex fits, 32 past 65,535.
  const bool wide = source.mNumVertices > 65535;
  auto buffer = Ogre::HardwareBufferManager::getSingleton().createIndexBuffer(
      wide ? Ogre::HardwareIndexBuffer::IT_32BIT : Ogre::HardwareIndexBuffer::IT_16BIT, count,
      mesh.getIndexBufferUsage(), mesh.isIndexBufferShadowed());
  if (wide) {
    std::vector<Ogre::uint32> indices(count);
    for (unsigned f = 0; f < source.mNumFaces; ++f)
      std::copy_n(source.mFaces[f].mIndices, 3, &indices[f * 3]);
    buffer->writeData(0, buffer->getSizeInBytes(), indices.data(), true);
  } else {
    std::vector<Ogre::uint16> indices(count);
    for (unsigned f = 0; f < source.mNumFaces; ++f)
      for (unsigned k = 0; k < 3; ++k)
        indices[f * 3 + k] = static_cast<Ogre::uint16>(source.mFaces[f].mIndices[k]);
    buffer->writeData(0, buffer->getSizeInBytes(), indices.data(), true);
  }
  sub.indexData->indexBuffer = buffer;
  sub.indexData->indexStart = 0;
  sub.indexData->indexCount = count;
}

// One sub-mesh per primitive and node that shows it. Without a skeleton the node's transform is
// baked in; with one, each vertex is bound to the bones that move it, at the pose Ogre binds in.
void addSubMesh(Ogre::Mesh& mesh, const aiMesh& source, unsigned node, const Nodes& nodes, bool skeletal,
                const std::string& material, bool colours, const aiColor4D& factor, Ogre::AxisAlignedBox& bounds) {
  Ogre::SubMesh* sub = mesh.createSubMesh();
  sub->operationType = Ogre::RenderOperation::OT_TRIANGLE_LIST;
  sub->setMaterialName(material, mesh.getGroup());
  std::vector<Placement> places{placement(nodes.world[node])};
  std::vector<unsigned> placeOf(source.mNumVertices, 0);
  std::vector<Ogre::VertexBoneAssignment> assignments;
  if (skeletal && source.mNumBones > 0) {
    // A skinned vertex sits where its heaviest bone's rest pose and the inverse bind matrix put it.
    std::vector<float> heaviest(source.mNumVertices, -1.0f);
    for (unsigned b = 0; b < source.mNumBones; ++b) {
      const aiBone& bone = *source.mBones[b];
      const auto handle = static_cast<unsigned short>(nodes.byName.at(bone.mName.C_Str()));
      places.push_back(placement(nodes.world[handle] * bone.mOffsetMatrix));
      for (unsigned w = 0; w < bone.mNumWeights; ++w) {
        const aiVertexWeight& weight = bone.mWeights[w];
        if (weight.mWeight <= 0.0f)
          continue;
        assignments.push_back({weight.mVertexId, handle, weight.mWeight});
        if (weight.mWeight > heaviest[weight.mVertexId]) {
          heaviest[weight.mVertexId] = weight.mWeight;
          placeOf[weight.mVertexId] = static_cast<unsigned>(places.size() - 1);
        }
      }
    }
  } else if (skeletal) {
    for (unsigned v = 0; v < source.mNumVertices; ++v)
      assignments.push_back({v, static_cast<unsigned short>(node), 1.0f});
  }
  writeVertices(mesh, *sub, source, places, placeOf, colours, factor, bounds);
  writeIndices(mesh, *sub, source);
  for (const Ogre::VertexBoneAssignment& assignment : assignments)
    sub->addBoneAssignment(assignment);
  if (!assignments.empty())
    sub->_compileBoneAssignments();
}

void build(Ogre::Mesh& mesh, const aiScene& scene) {
  const std::string& name = mesh.getName();
  const std::string& group = mesh.getGroup();
  bool skinned = false;
  for (unsigned m = 0; m < scene.mNumMeshes; ++m)
    skinned = skinned || scene.mMeshes[m]->mNumBones > 0;
  const bool skeletal = skinned || scene.mNumAnimations > 0;
  const Nodes nodes(scene.mRootNode);
  check(scene, nodes, skeletal);

  // Materials: which need vertex colours, and their textures, all checked before any is made.
  std::vector<bool> tracks(scene.mNumMaterials, false);
  for (unsigned m = 0; m < scene.mNumMeshes; ++m)
    if (scene.mMeshes[m]->HasVertexColors(0) && scene.mMeshes[m]->mMaterialIndex < scene.mNumMaterials)
      tracks[scene.mMeshes[m]->mMaterialIndex] = true;
  std::vector<TextureRef> textures;
  for (unsigned i = 0; i < scene.mNumMaterials; ++i) {
    textures.push_back(baseTexture(scene, *scene.mMaterials[i], folderOf(name)));
    const std::string& file = textures.back().file;
    if (!file.empty() && !Ogre::ResourceGroupManager::getSingleton().resourceExists(group, file) &&
        !Ogre::ResourceGroupManager::getSingleton().resourceExistsInAnyGroup(file))
      refuse("missing texture " + file);
  }
  // Without a texture manager (no render system) pictures are neither decoded nor made.
  Ogre::TextureManager* textureManager = Ogre::TextureManager::getSingletonPtr();
  std::map<int, Ogre::Image> pictures;
  if (textureManager)
    pictures = decodePictures(scene, textures);

  for (auto& [index, image] : pictures) {
    const std::string textureName = name + "/texture" + std::to_string(index);
    if (Ogre::TexturePtr old = textureManager->getByName(textureName, group))
      textureManager->remove(old);
    textureManager->loadImage(textureName, group, image);
  }
  std::vector<std::string> materialNames;
  std::map<std::string, unsigned> used;
  for (unsigned i = 0; i < scene.mNumMaterials; ++i) {
    const TextureRef& texture = textures[i];
    materialNames.push_back(materialName(name, *scene.mMaterials[i], i, used));
    const std::string textureName =
        texture.embedded >= 0 ? (textureManager ? name + "/texture" + std::to_string(texture.embedded) : "")
                              : texture.file;
    makeMaterial(materialNames.back(), group, *scene.mMaterials[i], tracks[i], textureName);
  }

  if (skeletal) {
    Ogre::SkeletonManager& skeletons = Ogre::SkeletonManager::getSingleton();
    const std::string skeletonName = name + "/skeleton";
    Ogre::SkeletonPtr skeleton = skeletons.getByName(skeletonName, group);
    if (!skeleton) {
      skeleton = skeletons.create(skeletonName, group, true, &skeletonLoader);
      skeleton->_notifyOrigin(name);
    }
    skeleton->unload();
    const SkeletonLoader::Pending pending{&scene, &nodes};
    skeletonLoader.pending = &pending;
    try {
      skeleton->load();
    } catch (...) {
      skeletonLoader.pending = nullptr;
      throw;
    }
    skeletonLoader.pending = nullptr;
    mesh._notifySkeleton(skeleton);
  }

  Ogre::AxisAlignedBox bounds;
  for (size_t n = 0; n < nodes.list.size(); ++n) {
    const aiNode& node = *nodes.list[n];
    for (unsigned k = 0; k < node.mNumMeshes; ++k) {
      if (node.mMeshes[k] >= scene.mNumMeshes)
        continue;  // the validation step has refused such a node already
      const aiMesh& source = *scene.mMeshes[node.mMeshes[k]];
      if (source.mNumFaces == 0)
        continue;
      const unsigned materialIndex = source.mMaterialIndex < scene.mNumMaterials ? source.mMaterialIndex : 0;
      const aiMaterial& material = *scene.mMaterials[materialIndex];
      const aiColor4D factor = materialColour(material, AI_MATKEY_BASE_COLOR,
                                              materialColour(material, AI_MATKEY_COLOR_DIFFUSE, aiColor4D(1, 1, 1, 1)));
      addSubMesh(mesh, source, static_cast<unsigned>(n), nodes, skeletal, materialNames[materialIndex],
                 tracks[materialIndex], factor, bounds);
    }
  }
  if (mesh.getNumSubMeshes() == 0 || bounds.isNull())
    refuse("no mesh in the file");
  if (skeletal) {
    // Animation moves the parts beyond their rest box, and Ogre culls by the mesh's box.
    const Ogre::Real grow = bounds.getSize().length() * 0.5f;
    bounds.setExtents(bounds.getMinimum() - Ogre::Vector3(grow), bounds.getMaximum() + Ogre::Vector3(grow));
  }
  mesh._setBounds(bounds);
  mesh._setBoundingSphereRadius((bounds.getMaximum() - bounds.getMinimum()).length() / 2);
}

class ModelCodec : public Ogre::Codec {
public:
  explicit ModelCodec(std::string type) : type(std::move(type)) {}
  Ogre::String getType() const override { return type; }
  Ogre::String magicNumberToFileExt(const char*, size_t) const override { return ""; }

  void decode(const Ogre::DataStreamPtr& input, const Ogre::Any& output) const override {
    Ogre::Mesh* mesh = Ogre::any_cast<Ogre::Mesh*>(output);
    std::string why;
    try {
      auto data = std::dynamic_pointer_cast<Ogre::MemoryDataStream>(input);
      if (!data)
        data = std::make_shared<Ogre::MemoryDataStream>(input);
      Import import;
      readScene(import, mesh->getName(), mesh->getGroup(), data);
      build(*mesh, *import.scene);
      return;
    } catch (const Refusal& refusal) {
      why = refusal.what();
    } catch (const std::bad_alloc&) {
      why = "out of memory";
    } catch (const Ogre::Exception&) {
      discardSubMeshes(*mesh);  // a failed load leaves the mesh as it found it, for the next try
      throw;
    } catch (const std::exception& e) {
      why = e.what();
    }
    discardSubMeshes(*mesh);
    OGRE_EXCEPT(Ogre::Exception::ERR_INVALIDPARAMS, "Model " + mesh->getName() + " refused: " + why);
  }

private:
  static void discardSubMeshes(Ogre::Mesh& mesh) {
    while (mesh.getNumSubMeshes() > 0)
      mesh.destroySubMesh(0);
  }
  std::string type;
};

}  // namespace

bool isModelFile(const std::string& name) {
  const std::string extension = lowerExtension(name);
  return std::find(std::begin(modelTypes), std::end(modelTypes), extension) != std::end(modelTypes);
}

ModelImport::ModelImport() {
  for (const char* type : modelTypes) {
    codecs.push_back(std::make_unique<ModelCodec>(type));
    Ogre::Codec::registerCodec(codecs.back().get());
  }
}

ModelImport::~ModelImport() {
  for (const auto& codec : codecs)
    Ogre::Codec::unregisterCodec(codec.get());
}

}  // namespace render
