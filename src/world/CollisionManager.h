// Named collision spaces and triangle-mesh geoms over ODE, for queries only (no bodies, no
// physics): geoms follow scene nodes, a ray finds the nearest hit in a space, a collision test
// names the scene nodes whose geoms touch. Collision data is built once per Ogre mesh.
#pragma once

#include "core/NamedMap.h"

#include <OgreVector.h>
#include <ode/ode.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace Ogre {
class SceneNode;
}

// An ODE simple space; it never destroys the geoms in it.
struct CollisionSpace {
  explicit CollisionSpace(dSpaceID parent);
  ~CollisionSpace();
  CollisionSpace(const CollisionSpace&) = delete;
  CollisionSpace& operator=(const CollisionSpace&) = delete;

  dSpaceID space;
};

// A triangle-mesh geom and the scene node it follows; the node is also the geom's user data,
// which is how a contact is traced back to a name.
struct GeomBinding {
  explicit GeomBinding(dGeomID geom) : geom(geom) {}
  ~GeomBinding();
  GeomBinding(const GeomBinding&) = delete;
  GeomBinding& operator=(const GeomBinding&) = delete;

  void follow(Ogre::SceneNode* followed);

  dGeomID geom;
  Ogre::SceneNode* node = nullptr;
};

// One mesh's triangles in ODE's layout. ODE reads the arrays in place, so they live as long as
// the record.
struct MeshCollisionData {
  MeshCollisionData(std::vector<float> vertices, std::vector<int32_t> indices);
  ~MeshCollisionData();
  MeshCollisionData(const MeshCollisionData&) = delete;
  MeshCollisionData& operator=(const MeshCollisionData&) = delete;

  std::vector<float> vertices;  // x, y, z and one unused float per vertex (stride 16)
  std::vector<int32_t> indices;  // three per triangle, into the whole vertex array
  dTriMeshDataID data;
};

// What one ray or collision test found.
struct CollisionQuery {
  static const int maxContacts = 20;

  dContactGeom contacts[maxContacts];
  Ogre::Vector3 rayOrigin = Ogre::Vector3::ZERO;
  dGeomID tested = nullptr;  // second operand of the running collision test
  bool hit = false;  // a hit can lie exactly at the origin, so the point alone cannot say
  float hitDistance = 0.0f;  // from rayOrigin, while a ray test runs
  Ogre::Vector3 hitPoint = Ogre::Vector3::ZERO;  // (0, 0, 0) when nothing was hit
  int contactCount = 0;
  Ogre::SceneNode* hitNode = nullptr;
  std::string hitName;
  std::string hitList;  // every reported name in single quotes, separated by ", "
};

class CollisionManager {
public:
  CollisionManager();
  ~CollisionManager();
  CollisionManager(const CollisionManager&) = delete;
  CollisionManager& operator=(const CollisionManager&) = delete;

  // An existing name returns its space whatever the parent. A parent that is not a space gives
  // a top-level space and a log line.
  CollisionSpace* createSpace(const std::string& name, const std::string& parentName);
  CollisionSpace* findSpace(const std::string& name) const;

  // A new geom in no space; an existing name returns its binding unchanged. Null (after a log
  // line) when the mesh cannot be loaded or holds no usable triangles.
  GeomBinding* createMeshGeom(const std::string& geomName, const std::string& meshName);
  GeomBinding* findGeom(const std::string& name) const;
  void removeGeom(const std::string& name);

  // Built on first use from the mesh manager (loading from "LevelData" when needed), then cached.
  MeshCollisionData* getMeshData(const std::string& meshName);

  // Moves the geom to its node's world placement, as the node's derived transform has it: the
  // caller refreshes or marks the node first.
  void syncGeom(const GeomBinding& binding);

  // Nearest hit of the ray in the space and its nested spaces, written to the query; true if
  // anything was hit.
  bool rayTest(const std::string& spaceName, const Ogre::Vector3& origin, const Ogre::Vector3& direction,
               float length, CollisionQuery& result);

  // Names of what touches: one unquoted name, or with asList every touching pair's name quoted.
  std::string collisionTest(const std::string& nameA, const std::string& nameB, bool asList);

  void clear();

  CollisionQuery query;  // shared by collision tests and the hero's ground ray

private:
  // The space of that name, else the geom of that name, else null.
  dGeomID resolve(const std::string& name) const;
  std::unique_ptr<MeshCollisionData> buildMeshData(const std::string& meshName);

  core::NamedMap<MeshCollisionData> meshes;
  core::NamedMap<CollisionSpace> spaces;
  core::NamedMap<GeomBinding> geoms;
  dGeomID ray;  // the one ray geom every ray test reuses
};
