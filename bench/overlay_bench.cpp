// Overlay panels in a real GL window (run under Xvfb): creating and destroying text panels, and
// the cost a panel on screen adds to a frame. Each frame figure has its baseline, the same frame
// with no panels, in the same run; the overlay pass alone is timed too, since the software
// rasteriser here makes the drawn pixels dominate a whole frame.
#include "GlWindow.h"
#include "gui/OverlayMgr.h"

#include <Ogre.h>
#include <Overlay/OgreOverlay.h>
#include <Overlay/OgreOverlayManager.h>
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <memory>
#include <string>

namespace {

// One window with an empty scene, the game's GUI archive and textures, and an OverlayMgr.
struct Screen : GlWindow {
  Screen() : GlWindow("overlay_bench", 1024, 768) {
    const std::string game = TQ_GAME_DIR "/Resource";
    auto& groups = Ogre::ResourceGroupManager::getSingleton();
    groups.addResourceLocation(game + "/Misc/OgreCore.zip", "Zip", "GUI");
    groups.addResourceLocation(game + "/Textures", "FileSystem", "Textures");
    groups.initialiseAllResourceGroups();
    panels = std::make_unique<OverlayMgr>();
  }

  std::unique_ptr<OverlayMgr> panels;
};

Screen& screen() {
  static Screen instance;
  return instance;
}

void BM_CreateAndDestroy1000TextPanels(benchmark::State& state) {
  OverlayMgr& panels = *screen().panels;
  std::vector<std::string> names(1000);
  for (auto _ : state) {
    for (int i = 0; i < 1000; ++i)
      names[i] = panels.createPanel("Score: " + std::to_string(i), 10.0f + i % 700, 10.0f + i % 500);
    for (const std::string& name : names)
      panels.destroyPanel(name);
  }
}
BENCHMARK(BM_CreateAndDestroy1000TextPanels)->Unit(benchmark::kMillisecond);

// Shows n panels for the length of a benchmark.
struct OnScreen {
  explicit OnScreen(int n) {
    for (int i = 0; i < n; ++i)
      screen().panels->createPanel("Panel text " + std::to_string(i), 10.0f + (i % 10) * 78, 10.0f + (i / 10) * 58);
  }
  ~OnScreen() { screen().panels->clear(); }
};

void BM_Frame(benchmark::State& state) {
  OnScreen shown(static_cast<int>(state.range(0)));
  for (auto _ : state)
    screen().root->renderOneFrame();
  state.counters["panels"] = static_cast<double>(state.range(0));
}
BENCHMARK(BM_Frame)->Arg(0)->Arg(100)->Unit(benchmark::kMicrosecond);

// The overlay pass of a frame without the drawing: what every overlay's elements cost the CPU.
void BM_OverlayQueue(benchmark::State& state) {
  OnScreen shown(static_cast<int>(state.range(0)));
  Ogre::Viewport* viewport = screen().window->getViewport(0);
  for (auto _ : state) {
    Ogre::RenderQueue queue;
    Ogre::OverlayManager::getSingleton()._queueOverlaysForRendering(screen().camera, &queue, viewport);
    benchmark::DoNotOptimize(queue);
  }
  state.counters["panels"] = static_cast<double>(state.range(0));
}
BENCHMARK(BM_OverlayQueue)->Arg(0)->Arg(100)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
