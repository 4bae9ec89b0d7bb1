// The world's cost over the bare work it wraps, side by side in one run: a simulation step of
// moving, spinning actors with geoms against a loop doing the same node and geom updates, and a
// ray test into a space holding a 100,000-triangle mesh against the same dCollide made directly.
#include "world/CollisionManager.h"
#include "world/Simulation.h"

#include <Ogre.h>
#include <OgreDefaultHardwareBufferManager.h>
#include <benchmark/benchmark.h>

#include <memory>
#include <vector>

namespace {

// A mesh of a grid of cells x cells quads (two triangles each) spanning size x size at y = 0.
void makeGrid(const std::string& name, int cells, float size) {
  Ogre::MeshPtr mesh = Ogre::MeshManager::getSingleton().createManual(name, "General");
  Ogre::SubMesh* sub = mesh->createSubMesh();
  sub->useSharedVertices = false;
  sub->vertexData = new Ogre::VertexData();
  const int side = cells + 1;
  sub->vertexData->vertexCount = side * side;
  sub->vertexData->vertexDeclaration->addElement(0, 0, Ogre::VET_FLOAT3, Ogre::VES_POSITION);
  std::vector<float> positions;
  for (int z = 0; z < side; ++z)
    for (int x = 0; x < side; ++x)
      positions.insert(positions.end(), {size * x / cells - size / 2, 0.0f, size * z / cells - size / 2});
  auto& buffers = Ogre::HardwareBufferManager::getSingleton();
  auto vertices = buffers.createVertexBuffer(12, side * side, Ogre::HardwareBuffer::HBU_STATIC_WRITE_ONLY, true);
  vertices->writeData(0, positions.size() * sizeof(float), positions.data());
  sub->vertexData->vertexBufferBinding->setBinding(0, vertices);
  std::vector<uint32_t> indices;
  for (int z = 0; z < cells; ++z)
    for (int x = 0; x < cells; ++x) {
      uint32_t a = z * side + x, b = a + 1, c = a + side + 1, d = a + side;
      indices.insert(indices.end(), {a, d, c, a, c, b});
    }
  sub->indexData->indexCount = indices.size();
  sub->indexData->indexBuffer = buffers.createIndexBuffer(Ogre::HardwareIndexBuffer::IT_32BIT, indices.size(),
                                                          Ogre::HardwareBuffer::HBU_STATIC_WRITE_ONLY, true);
  sub->indexData->indexBuffer->writeData(0, indices.size() * sizeof(uint32_t), indices.data());
  mesh->_setBounds(Ogre::AxisAlignedBox(-size / 2, -1, -size / 2, size / 2, 1, size / 2));
  mesh->load();
}

// Ogre without a render system, as in the engine tests, and ODE.
struct Engine {
  Engine() {
    logs = std::make_unique<Ogre::LogManager>();
    logs->createLog("world_bench.log", true, false, true);
    root = std::make_unique<Ogre::Root>("", "", "");
    buffers = std::make_unique<Ogre::DefaultHardwareBufferManager>();
    dInitODE2(0);
    makeGrid("Tile", 2, 2.0f);
    makeGrid("Terrain", 224, 200.0f);  // 100,352 triangles
  }
  ~Engine() {
    dCloseODE();
    root.reset();
    buffers.reset();
  }

  std::unique_ptr<Ogre::LogManager> logs;
  std::unique_ptr<Ogre::Root> root;
  std::unique_ptr<Ogre::DefaultHardwareBufferManager> buffers;
};

Engine& engine() {
  static Engine instance;
  return instance;
}

// A scene manager, a collision manager and a simulation, torn down in that order's reverse.
struct World {
  World() : scene(Ogre::Root::getSingleton().createSceneManager()) {
    WorldContext context;
    context.scene = scene;
    context.collision = &collision;
    context.runStatement = [](const std::string&) {};
    simulation = std::make_unique<Simulation>(std::move(context));
    collision.createSpace("Props", "");
  }
  ~World() {
    simulation.reset();
    collision.clear();
    Ogre::Root::getSingleton().destroySceneManager(scene);
  }

  Ogre::SceneManager* scene;
  CollisionManager collision;
  std::unique_ptr<Simulation> simulation;
};

const Ogre::Vector3 velocity(3, 0, 1);
const Ogre::Vector3 spinAxis(0, 1, 0);
const float spinRate = 45.0f;

void BM_SimulationStep(benchmark::State& state) {
  engine();
  World world;
  world.scene->getRootSceneNode()->createChildSceneNode("Stage");
  for (int i = 0; i < state.range(0); ++i) {
    std::string name = "Actor" + std::to_string(i);
    world.simulation->addActor(name);
    Ogre::Vector3 at(static_cast<float>(i % 100) * 3, 0, static_cast<float>(i / 100) * 3);
    world.simulation->addMessage({0, name, ActorMessageType::Attach, "Stage", "", Ogre::Vector3::ZERO, 0});
    world.simulation->addMessage({0, name, ActorMessageType::Position, "SetLocal", "", at, 0});
    world.simulation->addMessage({0, name, ActorMessageType::Collision, "Tile", "Props", Ogre::Vector3::ZERO, 0});
    world.simulation->addMessage({0, name, ActorMessageType::Velocity, "", "", velocity, 0});
    world.simulation->addMessage({0, name, ActorMessageType::Spin, "", "", spinAxis, spinRate});
  }
  world.simulation->step();
  for (auto _ : state) {
    world.simulation->time += 20;
    world.simulation->step();
  }
}

void BM_BareNodeAndGeomLoop(benchmark::State& state) {
  engine();
  World world;
  Ogre::SceneNode* stage = world.scene->getRootSceneNode()->createChildSceneNode("Stage");
  MeshCollisionData* tile = world.collision.getMeshData("Tile");
  std::vector<std::pair<Ogre::SceneNode*, dGeomID>> objects;
  for (int i = 0; i < state.range(0); ++i) {
    Ogre::Vector3 at(static_cast<float>(i % 100) * 3, 0, static_cast<float>(i / 100) * 3);
    dGeomID geom = dCreateTriMesh(world.collision.findSpace("Props")->space, tile->data, nullptr, nullptr, nullptr);
    objects.emplace_back(stage->createChildSceneNode(at), geom);
  }
  for (auto _ : state) {
    for (auto& [node, geom] : objects) {
      node->translate(velocity / 50.0f, Ogre::Node::TS_WORLD);
      node->rotate(spinAxis, Ogre::Degree(spinRate / 50.0f), Ogre::Node::TS_WORLD);
      const Ogre::Vector3& p = node->_getDerivedPosition();
      const Ogre::Quaternion& q = node->_getDerivedOrientation();
      dGeomSetPosition(geom, p.x, p.y, p.z);
      dQuaternion dq = {q.w, q.x, q.y, q.z};
      dGeomSetQuaternion(geom, dq);
    }
  }
  for (auto& object : objects)
    dGeomDestroy(object.second);
}

// Rays straight down onto the terrain at a spread of points.
Ogre::Vector3 rayOrigin(int64_t i) {
  return Ogre::Vector3(static_cast<float>(i % 97) - 48.5f, 20.0f, static_cast<float>(i % 89) - 44.5f);
}

void BM_RayTest(benchmark::State& state) {
  engine();
  World world;
  GeomBinding* terrain = world.collision.createMeshGeom("Terrain", "Terrain");
  terrain->follow(world.scene->getRootSceneNode()->createChildSceneNode("Ground"));
  dSpaceAdd(world.collision.findSpace("Props")->space, terrain->geom);
  world.collision.syncGeom(*terrain);
  CollisionQuery query;
  int64_t i = 0;
  for (auto _ : state) {
    world.collision.rayTest("Props", rayOrigin(i++), Ogre::Vector3::NEGATIVE_UNIT_Y, 100.0f, query);
    benchmark::DoNotOptimize(query.hitPoint);
  }
}

void BM_BareRayCollide(benchmark::State& state) {
  engine();
  World world;
  MeshCollisionData* data = world.collision.getMeshData("Terrain");
  dGeomID terrain = dCreateTriMesh(nullptr, data->data, nullptr, nullptr, nullptr);
  dGeomID ray = dCreateRay(nullptr, 1.0);
  dContactGeom contacts[CollisionQuery::maxContacts];
  int64_t i = 0;
  for (auto _ : state) {
    Ogre::Vector3 origin = rayOrigin(i++);
    dGeomRaySet(ray, origin.x, origin.y, origin.z, 0, -1, 0);
    dGeomRaySetLength(ray, 100.0);
    int count = dCollide(ray, terrain, CollisionQuery::maxContacts, contacts, sizeof(dContactGeom));
    benchmark::DoNotOptimize(count);
  }
  dGeomDestroy(ray);
  dGeomDestroy(terrain);
}

}  // namespace

BENCHMARK(BM_SimulationStep)->Arg(1000)->Arg(10000)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_BareNodeAndGeomLoop)->Arg(1000)->Arg(10000)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_RayTest)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_BareRayCollide)->Unit(benchmark::kMicrosecond);

BENCHMARK_MAIN();
