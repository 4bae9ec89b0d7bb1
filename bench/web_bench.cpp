// Web panels in a real GL window (run under Xvfb) with the real headless Chromium: what a panel
// costs the main thread per frame, with the bare frame as the baseline in the same run; how many
// frames a click takes to reach the page's callback; and how long a start takes to a first picture.
// Frames are paced at 50 per second as the game runs them, so the browser sends what it would in play.
#include "GlWindow.h"
#include "gui/navi/BrowserSession.h"
#include "gui/navi/NaviManager.h"

#include <Ogre.h>
#include <benchmark/benchmark.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <thread>

namespace {

using Clock = std::chrono::steady_clock;
const int width = 1280, height = 720;
const auto frameLength = std::chrono::milliseconds(20);

const char* staticPage = R"page(<html><body style="margin:0;background:linear-gradient(#204080,#80c0ff);
font:48px sans-serif;color:white"><h1 style="margin:80px">Main menu</h1><p style="margin:80px">Play<br>Options<br>Quit</p>
</body></html>)page";
// Something moves in every frame the browser draws.
const char* animatedPage = R"page(<html><body style="margin:0;background:#102030;overflow:hidden">
<div id="box" style="position:absolute;width:300px;height:300px;background:radial-gradient(#ff0,#f40)"></div>
<div id="count" style="position:absolute;left:40px;top:600px;font:48px sans-serif;color:white"></div>
<script>let n = 0; function step(t) { box.style.left = (490 + 400 * Math.sin(t / 300)) + "px";
box.style.top = (210 + 150 * Math.cos(t / 200)) + "px"; count.textContent = ++n; requestAnimationFrame(step); }
requestAnimationFrame(step);</script></body></html>)page";
const char* clickPage = R"page(<html><body style="margin:0;background:#406020" onclick="Callback('clicked')"></body></html>)page";

// One window over an empty scene, and a folder of pages for the panels.
struct Screen : GlWindow {
  Screen() : GlWindow("web_bench", width, height) {
    viewport->setBackgroundColour(Ogre::ColourValue(0.3f, 0.3f, 0.3f));
    pages = std::filesystem::temp_directory_path() / ("web_bench_" + std::to_string(getpid()));
    std::filesystem::create_directories(pages);
    std::ofstream(pages / "static.html") << staticPage;
    std::ofstream(pages / "animated.html") << animatedPage;
    std::ofstream(pages / "click.html") << clickPage;
  }
  ~Screen() { std::filesystem::remove_all(pages); }

  std::filesystem::path pages;
};

Screen& screen() {
  static Screen instance;
  return instance;
}

// The engine's frame as far as panels go: their update, then the render, then the wait for the next step.
struct Frames {
  Clock::time_point next = Clock::now();
  double updateSeconds = 0, renderSeconds = 0;

  void run(NaviLibrary::NaviManager* panels) {
    const auto start = Clock::now();
    if (panels)
      panels->Update();
    const auto updated = Clock::now();
    screen().root->renderOneFrame();
    updateSeconds += std::chrono::duration<double>(updated - start).count();
    renderSeconds += std::chrono::duration<double>(Clock::now() - updated).count();
    next += frameLength;
    std::this_thread::sleep_until(next);
  }
};

// A full-window panel of that page, shown and painted; null if no picture came in 30 s.
NaviLibrary::Navi* paintedPanel(NaviLibrary::NaviManager& panels, const std::string& page, Frames& frames,
                                std::function<void()> onClick = {}) {
  NaviLibrary::Navi* navi = panels.createNavi(page, width, height, NaviLibrary::NaviPosition(0, 0), false, 70,
                                              NaviLibrary::Middle, nullptr);
  navi->loadFile(page);
  navi->setTransparent(true);
  if (onClick)
    navi->bind("Callback", [onClick](NaviLibrary::Navi&, const NaviLibrary::JSArguments&) { onClick(); });
  navi->show(false, 0);
  const auto deadline = Clock::now() + std::chrono::seconds(30);
  while (!navi->painted() && Clock::now() < deadline)
    frames.run(&panels);
  return navi->painted() ? navi : nullptr;
}

const char* pageOf(int64_t kind) {
  return kind == 1 ? "static.html" : "animated.html";
}

// Argument: 0 no panel, 1 a static full-window page, 2 an animated one. The CPU column is the
// main thread's time per frame; the counters split the wall time of a frame's work.
void BM_Frame(benchmark::State& state) {
  NaviLibrary::NaviManager panels(screen().viewport, screen().pages.string(),
                                      std::make_unique<NaviLibrary::BrowserSession>());
  Frames frames;
  if (state.range(0) > 0 && !paintedPanel(panels, pageOf(state.range(0)), frames)) {
    state.SkipWithError("the page never painted");
    return;
  }
  frames.updateSeconds = frames.renderSeconds = 0;
  for (auto _ : state)
    frames.run(&panels);
  const double n = static_cast<double>(state.iterations());
  state.counters["update_ms"] = frames.updateSeconds * 1000 / n;
  state.counters["render_ms"] = frames.renderSeconds * 1000 / n;
}
BENCHMARK(BM_Frame)->Arg(0)->Arg(1)->Arg(2)->Iterations(500)->Unit(benchmark::kMillisecond);

// A left click in the middle of a page whose click calls Callback: frames until the callback ran.
void BM_ClickToCallback(benchmark::State& state) {
  NaviLibrary::NaviManager panels(screen().viewport, screen().pages.string(),
                                      std::make_unique<NaviLibrary::BrowserSession>());
  Frames frames;
  bool called = false;
  if (!paintedPanel(panels, "click.html", frames, [&] { called = true; })) {
    state.SkipWithError("the page never painted");
    return;
  }
  double frameCount = 0;
  for (auto _ : state) {
    called = false;
    const auto start = Clock::now();
    panels.injectMouseMove(width / 2, height / 2);
    panels.injectMouseDown(0);
    panels.injectMouseUp(0);
    int n = 0;
    while (!called && n < 500) {
      frames.run(&panels);
      ++n;
    }
    state.SetIterationTime(std::chrono::duration<double>(Clock::now() - start).count());
    frameCount += n;
    if (!called) {
      state.SkipWithError("the click never reached the page");
      return;
    }
  }
  state.counters["frames"] = frameCount / static_cast<double>(state.iterations());
}
BENCHMARK(BM_ClickToCallback)->Iterations(50)->UseManualTime()->Unit(benchmark::kMillisecond);

// From the manager's construction, which starts the browser, to a full-window page's first picture.
void BM_StartUpToFirstPicture(benchmark::State& state) {
  for (auto _ : state) {
    const auto start = Clock::now();
    NaviLibrary::NaviManager panels(screen().viewport, screen().pages.string(),
                                      std::make_unique<NaviLibrary::BrowserSession>());
    Frames frames;
    const bool painted = paintedPanel(panels, "static.html", frames) != nullptr;
    state.SetIterationTime(std::chrono::duration<double>(Clock::now() - start).count());
    if (!painted) {
      state.SkipWithError("the page never painted");
      return;
    }
  }
}
BENCHMARK(BM_StartUpToFirstPicture)->Iterations(5)->UseManualTime()->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
