// Collision spaces, mesh geoms and the two queries over ODE's OPCODE trimesh collider.
// Mesh data comes from the Ogre mesh's own buffers (read back through their shadow copies).
#include "world/CollisionManager.h"

#include "core/Log.h"

#include <OgreHardwareBuffer.h>
#include <OgreMesh.h>
#include <OgreMeshManager.h>
#include <OgreSceneNode.h>
#include <OgreSubMesh.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <stdexcept>

namespace {

const char collisionGroup[] = "LevelData";

bool finite(const Ogre::Vector3& v) {
  return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z);
}

bool finite(const Ogre::Quaternion& q) {
  return std::isfinite(q.w) && std::isfinite(q.x) && std::isfinite(q.y) && std::isfinite(q.z);
}

Ogre::Vector3 contactPosition(const dContactGeom& contact) {
  return Ogre::Vector3(static_cast<float>(contact.pos[0]), static_cast<float>(contact.pos[1]),
                       static_cast<float>(contact.pos[2]));
}

std::string nodeName(dGeomID geom) {
  auto* node = static_cast<Ogre::SceneNode*>(dGeomGetData(geom));
  return node ? node->getName() : std::string();
}

// Appends a vertex block's positions, four floats each.
void appendPositions(const Ogre::VertexData& data, std::vector<float>& out) {
  const Ogre::VertexElement* position = data.vertexDeclaration->findElementBySemantic(Ogre::VES_POSITION);
  if (!position || (position->getType() != Ogre::VET_FLOAT3 && position->getType() != Ogre::VET_FLOAT4))
    throw std::runtime_error("vertex positions are not floats");
  const Ogre::HardwareVertexBufferSharedPtr& buffer = data.vertexBufferBinding->getBuffer(position->getSource());
  if (data.vertexStart + data.vertexCount > buffer->getNumVertices())
    throw std::runtime_error("vertex range beyond its buffer");
  Ogre::HardwareBufferLockGuard lock(buffer, Ogre::HardwareBuffer::HBL_READ_ONLY);
  const size_t stride = buffer->getVertexSize();
  const auto* vertex = static_cast<const unsigned char*>(lock.pData) + data.vertexStart * stride + position->getOffset();
  for (size_t j = 0; j < data.vertexCount; ++j, vertex += stride) {
    float xyz[3];
    std::memcpy(xyz, vertex, sizeof xyz);
    out.insert(out.end(), {xyz[0], xyz[1], xyz[2], 0.0f});
  }
}

template <class Index>
void appendIndices(const Index* index, size_t count, uint32_t base, size_t blockSize, std::vector<int32_t>& out) {
  for (size_t i = 0; i < count; ++i) {
    // A bad index would make ODE read outside the vertex array.
    if (index[i] >= blockSize)
      throw std::runtime_error("index beyond its vertex block");
    out.push_back(static_cast<int32_t>(base + index[i]));
  }
}

// Appends a sub-mesh's whole triangles, offset by the base of its vertex block.
void appendTriangles(const Ogre::IndexData& data, uint32_t base, size_t blockSize, std::vector<int32_t>& out) {
  const Ogre::HardwareIndexBufferSharedPtr& buffer = data.indexBuffer;
  const size_t count = data.indexCount / 3 * 3;
  if (!buffer || count == 0)
    return;
  if (data.indexStart + count > buffer->getNumIndexes())
    throw std::runtime_error("index range beyond its buffer");
  const size_t size = buffer->getIndexSize();
  Ogre::HardwareBufferLockGuard lock(buffer, data.indexStart * size, count * size, Ogre::HardwareBuffer::HBL_READ_ONLY);
  if (buffer->getType() == Ogre::HardwareIndexBuffer::IT_32BIT)
    appendIndices(static_cast<const uint32_t*>(lock.pData), count, base, blockSize, out);
  else
    appendIndices(static_cast<const uint16_t*>(lock.pData), count, base, blockSize, out);
}

// Each candidate pair of a ray test: the ray and a geom (or nested space) of the tested space.
void rayNearCallback(void* data, dGeomID g1, dGeomID g2) {
  auto& query = *static_cast<CollisionQuery*>(data);
  if (dGeomIsSpace(g1) || dGeomIsSpace(g2)) {
    dSpaceCollide2(g1, g2, data, rayNearCallback);
    return;
  }
  dGeomID hit = dGeomGetClass(g1) == dRayClass ? g2 : g1;
  query.contactCount = dCollide(g1, g2, CollisionQuery::maxContacts, query.contacts, sizeof(dContactGeom));
  for (int i = 0; i < query.contactCount; ++i) {
    Ogre::Vector3 point = contactPosition(query.contacts[i]);
    float distance = query.rayOrigin.distance(point);
    if (!query.hit || distance < query.hitDistance) {
      query.hit = true;
      query.hitDistance = distance;
      query.hitPoint = point;
      query.hitNode = static_cast<Ogre::SceneNode*>(dGeomGetData(hit));
    }
  }
}

// Each candidate pair of a collision test; g1 comes from the first operand, g2 from the second.
void contactNearCallback(void* data, dGeomID g1, dGeomID g2) {
  auto& query = *static_cast<CollisionQuery*>(data);
  if (dGeomIsSpace(g1) || dGeomIsSpace(g2)) {
    dSpaceCollide2(g1, g2, data, contactNearCallback);
    return;
  }
  query.contactCount = dCollide(g1, g2, CollisionQuery::maxContacts, query.contacts, sizeof(dContactGeom));
  if (query.contactCount == 0)
    return;
  query.hitPoint = contactPosition(query.contacts[0]);
  // Against a space, report the member lying directly in it; against a single geom, report
  // what touches that geom.
  dGeomID reported;
  if (dGeomIsSpace(query.tested))
    reported = dGeomGetSpace(g2) == reinterpret_cast<dSpaceID>(query.tested) ? g2 : g1;
  else
    reported = g2 == query.tested ? g1 : g2;
  query.hitNode = static_cast<Ogre::SceneNode*>(dGeomGetData(reported));
  query.hitName = nodeName(reported);
  if (!query.hitList.empty())
    query.hitList += ", ";
  query.hitList += "'" + query.hitName + "'";
}

}  // namespace

CollisionSpace::CollisionSpace(dSpaceID parent) : space(dSimpleSpaceCreate(parent)) {
  dSpaceSetCleanup(space, 0);
}

CollisionSpace::~CollisionSpace() {
  dSpaceDestroy(space);
}

GeomBinding::~GeomBinding() {
  dGeomDestroy(geom);
}

void GeomBinding::follow(Ogre::SceneNode* followed) {
  node = followed;
  dGeomSetData(geom, followed);
}

MeshCollisionData::MeshCollisionData(std::vector<float> vertexArray, std::vector<int32_t> indexArray)
    : vertices(std::move(vertexArray)), indices(std::move(indexArray)), data(dGeomTriMeshDataCreate()) {
  dGeomTriMeshDataBuildSingle(data, vertices.data(), 4 * sizeof(float), static_cast<int>(vertices.size() / 4),
                              indices.data(), static_cast<int>(indices.size()), 3 * sizeof(int32_t));
}

MeshCollisionData::~MeshCollisionData() {
  dGeomTriMeshDataDestroy(data);
}

CollisionManager::CollisionManager() : ray(dCreateRay(nullptr, 1.0)) {}

CollisionManager::~CollisionManager() {
  dGeomDestroy(ray);
  clear();
}

CollisionSpace* CollisionManager::createSpace(const std::string& name, const std::string& parentName) {
  if (CollisionSpace* existing = findSpace(name))
    return existing;
  dSpaceID parent = nullptr;
  if (!parentName.empty()) {
    if (CollisionSpace* found = findSpace(parentName))
      parent = found->space;
    else
      core::log("ERROR. No such parent collision space: " + parentName + " (" + name + " made top-level)");
  }
  return core::addNamed(spaces, name, std::make_unique<CollisionSpace>(parent));
}

CollisionSpace* CollisionManager::findSpace(const std::string& name) const {
  return core::findNamed(spaces, name);
}

GeomBinding* CollisionManager::createMeshGeom(const std::string& geomName, const std::string& meshName) {
  if (GeomBinding* existing = findGeom(geomName))
    return existing;
  MeshCollisionData* mesh = getMeshData(meshName);
  if (!mesh)
    return nullptr;
  return core::addNamed(geoms, geomName,
                        std::make_unique<GeomBinding>(dCreateTriMesh(nullptr, mesh->data, nullptr, nullptr, nullptr)));
}

GeomBinding* CollisionManager::findGeom(const std::string& name) const {
  return core::findNamed(geoms, name);
}

void CollisionManager::removeGeom(const std::string& name) {
  geoms.erase(name);
}

dGeomID CollisionManager::resolve(const std::string& name) const {
  if (CollisionSpace* space = findSpace(name))
    return reinterpret_cast<dGeomID>(space->space);
  if (GeomBinding* binding = findGeom(name))
    return binding->geom;
  return nullptr;
}

MeshCollisionData* CollisionManager::getMeshData(const std::string& meshName) {
  if (MeshCollisionData* cached = core::findNamed(meshes, meshName))
    return cached;
  std::unique_ptr<MeshCollisionData> built;
  try {
    built = buildMeshData(meshName);
  } catch (const std::exception& e) {
    core::log("ERROR. No collision data for mesh " + meshName + ": " + e.what());
    return nullptr;
  }
  return core::addNamed(meshes, meshName, std::move(built));
}

std::unique_ptr<MeshCollisionData> CollisionManager::buildMeshData(const std::string& meshName) {
  Ogre::MeshManager& meshManager = Ogre::MeshManager::getSingleton();
  Ogre::MeshPtr mesh = meshManager.getByName(meshName, Ogre::RGN_AUTODETECT);
  // Shadow copies keep the buffers readable whatever the render system does with them.
  if (!mesh || !mesh->isLoaded())
    mesh = meshManager.load(meshName, collisionGroup, Ogre::HardwareBuffer::HBU_STATIC_WRITE_ONLY,
                            Ogre::HardwareBuffer::HBU_STATIC_WRITE_ONLY, true, true);

  // Vertex blocks go in sub-mesh order; the shared block where it is first used.
  std::vector<float> vertices;
  std::vector<int32_t> indices;
  const size_t noBlock = std::numeric_limits<size_t>::max();
  size_t sharedBase = noBlock;
  for (unsigned short i = 0; i < mesh->getNumSubMeshes(); ++i) {
    const Ogre::SubMesh& sub = *mesh->getSubMesh(i);
    const Ogre::VertexData* block = sub.useSharedVertices ? mesh->sharedVertexData : sub.vertexData;
    if (!block)
      throw std::runtime_error("sub-mesh without vertex data");
    size_t base = vertices.size() / 4;
    if (sub.useSharedVertices && sharedBase != noBlock)
      base = sharedBase;
    else {
      if (sub.useSharedVertices)
        sharedBase = base;
      appendPositions(*block, vertices);
    }
    if (sub.operationType != Ogre::RenderOperation::OT_TRIANGLE_LIST) {
      core::log("ERROR. Collision data of mesh " + meshName + " skips sub-mesh " + std::to_string(i) +
                   ": not a triangle list");
      continue;
    }
    appendTriangles(*sub.indexData, static_cast<uint32_t>(base), block->vertexCount, indices);
  }
  if (indices.empty())
    throw std::runtime_error("no triangles");
  if (vertices.size() / 4 > static_cast<size_t>(std::numeric_limits<int>::max()) ||
      indices.size() > static_cast<size_t>(std::numeric_limits<int>::max()))
    throw std::runtime_error("too many vertices");
  return std::make_unique<MeshCollisionData>(std::move(vertices), std::move(indices));
}

void CollisionManager::syncGeom(const GeomBinding& binding) {
  if (!binding.node) {
    core::log("ERROR. Update called on geom with no scenenode associated");
    return;
  }
  const Ogre::Vector3& position = binding.node->_getDerivedPosition();
  const Ogre::Quaternion& orientation = binding.node->_getDerivedOrientation();
  // ODE asserts on NaN; such a geom stays where it was.
  if (!finite(position) || !finite(orientation)) {
    core::log("ERROR. Geom not moved, scenenode is not at a finite place: " + binding.node->getName());
    return;
  }
  dGeomSetPosition(binding.geom, position.x, position.y, position.z);
  dQuaternion q = {orientation.w, orientation.x, orientation.y, orientation.z};
  dGeomSetQuaternion(binding.geom, q);
}

bool CollisionManager::rayTest(const std::string& spaceName, const Ogre::Vector3& origin,
                               const Ogre::Vector3& direction, float length, CollisionQuery& result) {
  result.hit = false;
  result.hitPoint = Ogre::Vector3::ZERO;
  result.hitNode = nullptr;
  CollisionSpace* space = findSpace(spaceName);
  if (!space)
    return false;
  // ODE aborts on a zero direction and its bounds break on infinities.
  if (!finite(origin) || !finite(direction) || direction == Ogre::Vector3::ZERO || !std::isfinite(length) ||
      !(length > 0.0f)) {
    core::log("ERROR. Ray test needs a finite origin, a direction and a positive length");
    return false;
  }
  dGeomRaySet(ray, origin.x, origin.y, origin.z, direction.x, direction.y, direction.z);
  dGeomRaySetLength(ray, length);
  result.rayOrigin = origin;
  dSpaceCollide2(ray, reinterpret_cast<dGeomID>(space->space), &result, rayNearCallback);
  return result.hit;
}

std::string CollisionManager::collisionTest(const std::string& nameA, const std::string& nameB, bool asList) {
  dGeomID a = resolve(nameA);
  dGeomID b = resolve(nameB);
  query.hitPoint = Ogre::Vector3::ZERO;
  query.hitNode = nullptr;
  query.hitName.clear();
  query.hitList.clear();
  query.tested = b;
  if (a && b)
    dSpaceCollide2(a, b, &query, contactNearCallback);
  return asList ? query.hitList : query.hitName;
}

void CollisionManager::clear() {
  // Geoms reference spaces and mesh data, so they go first.
  geoms.clear();
  spaces.clear();
  meshes.clear();
}
