// The world's cost over the bare work it wraps, side by side in one run: a simulation step of
// moving, spinning actors with geoms against a loop doing the same node and geom updates, and a
// ray test into a space holding a 100,000-triangle mesh against the same dCollide made directly.
#include "HeadlessOgre.h"
#include "world/CollisionManager.h"
#include "world/Simulation.h"

#include <Ogre.h>
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <memory>
#include <type_traits>
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

Ogre::Vector3 placeOf(int i) {
  return Ogre::Vector3(static_cast<float>(i % 100) * 3, 0, static_cast<float>(i / 100) * 3);
}

// count moving, spinning actors with geoms; each run() is one simulation step.
struct EngineStep {
  explicit EngineStep(int count) {
    world.scene->getRootSceneNode()->createChildSceneNode("Stage");
    for (int i = 0; i < count; ++i) {
      std::string name = "Actor" + std::to_string(i);
      world.simulation->addActor(name);
      world.simulation->addMessage({0, name, ActorMessageType::Attach, "Stage", "", Ogre::Vector3::ZERO, 0});
      world.simulation->addMessage({0, name, ActorMessageType::Position, "SetLocal", "", placeOf(i), 0});
      world.simulation->addMessage({0, name, ActorMessageType::Collision, "Tile", "Props", Ogre::Vector3::ZERO, 0});
      world.simulation->addMessage({0, name, ActorMessageType::Velocity, "", "", velocity, 0});
      world.simulation->addMessage({0, name, ActorMessageType::Spin, "", "", spinAxis, spinRate});
    }
    world.simulation->step();
  }
  void run() {
    world.simulation->time += 20;
    world.simulation->step();
  }
  World world;
};

// The same node and geom updates as a plain loop over a vector, in the order they were made or in
// the order of the actors' names.
struct BareLoop {
  using Object = std::pair<Ogre::SceneNode*, dGeomID>;
  explicit BareLoop(int count, bool inNameOrder = false) {
    Ogre::SceneNode* stage = world.scene->getRootSceneNode()->createChildSceneNode("Stage");
    MeshCollisionData* tile = world.collision.getMeshData("Tile");
    for (int i = 0; i < count; ++i) {
      dGeomID geom = dCreateTriMesh(world.collision.findSpace("Props")->space, tile->data, nullptr, nullptr, nullptr);
      objects.emplace_back(stage->createChildSceneNode(placeOf(i)), geom);
    }
    if (inNameOrder) {  // the order of the engine's pass: "Actor1", "Actor10", "Actor100", ...
      std::vector<std::pair<std::string, Object>> named;
      for (int i = 0; i < count; ++i)
        named.emplace_back("Actor" + std::to_string(i), objects[static_cast<size_t>(i)]);
      std::sort(named.begin(), named.end());
      for (size_t i = 0; i < named.size(); ++i)
        objects[i] = named[i].second;
    }
  }
  ~BareLoop() {
    for (auto& object : objects)
      dGeomDestroy(object.second);
  }
  void run() {
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
  World world;
  std::vector<Object> objects;
};

// Rays straight down onto the terrain at a spread of points.
Ogre::Vector3 rayOrigin(int64_t i) {
  return Ogre::Vector3(static_cast<float>(i % 97) - 48.5f, 20.0f, static_cast<float>(i % 89) - 44.5f);
}

struct EngineRay {
  EngineRay() {
    GeomBinding* terrain = world.collision.createMeshGeom("Terrain", "Terrain");
    terrain->follow(world.scene->getRootSceneNode()->createChildSceneNode("Ground"));
    dSpaceAdd(world.collision.findSpace("Props")->space, terrain->geom);
    world.collision.syncGeom(*terrain);
  }
  void run() {
    world.collision.rayTest("Props", rayOrigin(i++), Ogre::Vector3::NEGATIVE_UNIT_Y, 100.0f, query);
    benchmark::DoNotOptimize(query.hitPoint);
  }
  World world;
  CollisionQuery query;
  int64_t i = 0;
};

struct BareRay {
  BareRay() {
    terrain = dCreateTriMesh(nullptr, world.collision.getMeshData("Terrain")->data, nullptr, nullptr, nullptr);
  }
  ~BareRay() {
    dGeomDestroy(ray);
    dGeomDestroy(terrain);
  }
  void run() {
    Ogre::Vector3 origin = rayOrigin(i++);
    dGeomRaySet(ray, origin.x, origin.y, origin.z, 0, -1, 0);
    dGeomRaySetLength(ray, 100.0);
    benchmark::DoNotOptimize(dCollide(ray, terrain, CollisionQuery::maxContacts, contacts, sizeof(dContactGeom)));
  }
  World world;
  dGeomID terrain;
  dGeomID ray = dCreateRay(nullptr, 1.0);
  dContactGeom contacts[CollisionQuery::maxContacts];
  int64_t i = 0;
};

template <class Work>
void Measure(benchmark::State& state) {
  engine();
  auto run = [&state](Work& work) {
    for (auto _ : state)
      work.run();
  };
  if constexpr (std::is_constructible_v<Work, int>) {
    Work work(static_cast<int>(state.range(0)));
    run(work);
  } else {
    Work work;
    run(work);
  }
}

// The engine and its baseline alternate in rounds, so a change in the machine's load falls on both;
// the figure is the median round of each.
template <class Engine, class Bare>
void printRatio(const char* what, int calls, Engine& measured, Bare& baseline) {
  auto seconds = [calls](auto& work) {
    auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < calls; ++i)
      work.run();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count() / calls;
  };
  std::vector<double> engineRounds, bareRounds;
  for (int round = 0; round < 21; ++round) {
    engineRounds.push_back(seconds(measured));
    bareRounds.push_back(seconds(baseline));
  }
  auto median = [](std::vector<double>& v) {
    std::nth_element(v.begin(), v.begin() + v.size() / 2, v.end());
    return v[v.size() / 2];
  };
  double e = median(engineRounds), b = median(bareRounds);
  std::printf("%-40s engine %10.3f us, baseline %10.3f us: %.2fx\n", what, e * 1e6, b * 1e6, e / b);
}

}  // namespace

BENCHMARK_TEMPLATE(Measure, EngineStep)->Name("SimulationStep")->Arg(1000)->Arg(10000)->Unit(benchmark::kMicrosecond);
BENCHMARK_TEMPLATE(Measure, BareLoop)->Name("BareNodeAndGeomLoop")->Arg(1000)->Arg(10000)->Unit(benchmark::kMicrosecond);
BENCHMARK_TEMPLATE(Measure, EngineRay)->Name("RayTest")->Unit(benchmark::kMicrosecond);
BENCHMARK_TEMPLATE(Measure, BareRay)->Name("BareRayCollide")->Unit(benchmark::kMicrosecond);

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  engine();
  {
    EngineStep step(1000);
    BareLoop bare(1000);
    printRatio("step, 1,000 actors / bare loop", 20, step, bare);
  }
  {
    EngineStep step(10000);
    BareLoop bare(10000), byName(10000, true);
    printRatio("step, 10,000 actors / bare loop", 4, step, bare);
    printRatio("step, 10,000 actors / bare, name order", 4, step, byName);
  }
  EngineRay ray;
  BareRay bareRay;
  printRatio("ray into 100k triangles / dCollide", 20000, ray, bareRay);
  return 0;
}
