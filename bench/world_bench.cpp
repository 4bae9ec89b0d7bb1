// The world's cost over the bare work it wraps, side by side in one run: a simulation step of
// moving, spinning actors with geoms against a loop doing the same node and geom updates, and a
// ray test into a space holding a 100,000-triangle mesh against the same dCollide made directly.
#include "HeadlessOgre.h"
#include "world/CollisionManager.h"
#include "world/Simulation.h"

#include <Ogre.h>
#include <benchmark/benchmark.h>

#include <memory>
#include <vector>

namespace {

// The engine tests' window-less Ogre, with the benchmark's meshes.
struct Engine {
  Engine() {
    makeGrid("Tile", 2, 2.0f);
    makeGrid("Terrain", 224, 200.0f);  // 100,352 triangles
  }
  HeadlessOgre ogre{"world_bench.log"};
};

Engine& engine() {
  static Engine instance;
  return instance;
}

// A scene manager, a collision manager and a simulation, torn down in that order's reverse.
struct World {
  World() : scene(Ogre::Root::getSingleton().createSceneManager()) {
    simulation = std::make_unique<Simulation>(WorldContext{*scene, collision, nothing, nullptr});
    collision.createSpace("Props", "");
  }
  ~World() {
    simulation.reset();
    collision.clear();
    Ogre::Root::getSingleton().destroySceneManager(scene);
  }

  // Statements go nowhere: the benchmark's actors run none.
  struct : ScriptSink {
    void run(const std::string&) override {}
  } nothing;
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
