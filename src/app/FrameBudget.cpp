#include "app/FrameBudget.h"

#include "core/Log.h"

#include <cstdio>
#include <cstdlib>

namespace {
const char* const phaseNames[] = {"sleep",      "web",    "input",  "statement", "state",
                                  "actors",     "camera", "collisions", "sound", "statistics",
                                  "load",       "render", "fader"};
static_assert(sizeof(phaseNames) / sizeof(phaseNames[0]) == FrameBudget::phases, "a name for every phase");
}  // namespace

FrameBudget::FrameBudget() {
  if (const char* value = std::getenv("TQ_FRAME_BUDGET")) {
    const long frameCount = std::strtol(value, nullptr, 10);
    every = frameCount > 0 && frameCount < 1000000 ? static_cast<unsigned>(frameCount) : 0;
  }
}

void FrameBudget::add(Phase phase) {
  const Clock::time_point now = Clock::now();
  spent[phase] += now - last;
  last = now;
}

void FrameBudget::finish() {
  if (++frames < every)
    return;
  const auto perFrame = [this](Clock::duration spentTime) {
    char text[32];
    std::snprintf(text, sizeof text, "%.3f", std::chrono::duration<double, std::milli>(spentTime).count() / frames);
    return std::string(text);
  };
  Clock::duration total{};
  std::string line = "Frame budget: " + std::to_string(frames) + " frames, " + std::to_string(steps) +
                     " steps, ms a frame:";
  for (int phase = 0; phase < phases; ++phase) {
    line += std::string(" ") + phaseNames[phase] + " " + perFrame(spent[phase]);
    total += spent[phase];
  }
  line += " lua " + perFrame(lua) + " total " + perFrame(total);
  core::log(census ? line + "; " + census() : line);
  frames = steps = 0;
  lua = {};
  spent = {};
}
