// Loading a 100,000-triangle model: the same grid as a glTF binary through the model loader and
// as Ogre's own .mesh (written by Ogre from the loaded glTF), on the window-less Ogre, in one run.
#include "HeadlessOgre.h"

#include <Ogre.h>
#include <OgreMeshSerializer.h>
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>

#include <unistd.h>

namespace {

const char group[] = "Bench";
std::string folder;

// 224 x 224 quads: 100,352 triangles over 50,625 vertices, with normals, as a modelling tool writes it.
void writeModels() {
  folder = (std::filesystem::temp_directory_path() / ("tq_model_bench_" + std::to_string(getpid()))).string();
  std::filesystem::create_directories(folder);
  std::vector<float> positions, normals;
  std::vector<uint32_t> indices;
  gridGeometry(224, 100.0f, positions, indices);
  for (size_t i = 0; i < positions.size(); i += 3)
    normals.insert(normals.end(), {0.0f, 1.0f, 0.0f});
  writeGlb(folder + "/Grid.glb", positions, indices, "", normals);
  auto& groups = Ogre::ResourceGroupManager::getSingleton();
  groups.createResourceGroup(group, true);
  groups.addResourceLocation(folder, "FileSystem", group);
  groups.initialiseResourceGroup(group);
  Ogre::MeshPtr mesh = Ogre::MeshManager::getSingleton().load("Grid.glb", group);
  Ogre::MeshSerializer().exportMesh(mesh.get(), folder + "/Grid.mesh");
  Ogre::MeshManager::getSingleton().remove(mesh);
  // Indexed again, so the new file is found.
  groups.removeResourceLocation(folder, group);
  groups.addResourceLocation(folder, "FileSystem", group);
}

// One load from the file to a mesh ready to draw, and its removal.
void loadOnce(const char* name) {
  Ogre::MeshManager& meshes = Ogre::MeshManager::getSingleton();
  Ogre::MeshPtr mesh = meshes.load(name, group);
  meshes.remove(mesh);
}

void Load(benchmark::State& state, const char* name) {
  for (auto _ : state)
    loadOnce(name);
}

BENCHMARK_CAPTURE(Load, Glb, "Grid.glb")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Load, Mesh, "Grid.mesh")->Unit(benchmark::kMillisecond);

// The two alternate in rounds, so a change in the machine's load falls on both; the figure is the
// median round of each.
void printRatio() {
  auto seconds = [](const char* name) {
    auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < 5; ++i)
      loadOnce(name);
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count() / 5;
  };
  std::vector<double> glb, mesh;
  for (int round = 0; round < 15; ++round) {
    glb.push_back(seconds("Grid.glb"));
    mesh.push_back(seconds("Grid.mesh"));
  }
  auto median = [](std::vector<double>& v) {
    std::nth_element(v.begin(), v.begin() + v.size() / 2, v.end());
    return v[v.size() / 2];
  };
  const double g = median(glb), m = median(mesh);
  std::printf("%-40s glb %8.2f ms, mesh %8.2f ms: %.2fx\n", "load 100k triangles, .glb / .mesh", g * 1e3, m * 1e3,
              g / m);
}

}  // namespace

int main(int argc, char** argv) {
  HeadlessOgre ogre("model_bench.log");
  writeModels();
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  printRatio();
  std::filesystem::remove_all(folder);
  return 0;
}
