// Where the main thread's time goes in a frame, for bench/frame_budget.py. Off unless the
// environment variable TQ_FRAME_BUDGET gives a frame count; then every that many frames one log
// line gives each phase's average milliseconds a frame. Off, each call costs one branch.
#pragma once

#include <array>
#include <chrono>
#include <functional>
#include <string>

class FrameBudget {
public:
  // The main loop's phases in their order; the time since the previous mark goes to the phase marked.
  enum Phase { sleep, web, input, statement, state, actors, camera, collisions, sound, statistics, load, render, fader, phases };

  FrameBudget();

  void mark(Phase phase) {
    if (every)
      add(phase);
  }
  void step() {
    if (every)
      ++steps;
  }
  void endFrame() {
    if (every)
      finish();
  }
  // What the engine holds at the line's time (voices, panels...), so a soak sees growth.
  std::function<std::string()> census;

  // Lua statements, timed across whichever phases run them; nested ones count once.
  void luaBegin() {
    if (every && luaDepth++ == 0)
      luaStart = Clock::now();
  }
  void luaEnd() {
    if (every && --luaDepth == 0)
      lua += Clock::now() - luaStart;
  }

private:
  using Clock = std::chrono::steady_clock;
  void add(Phase phase);
  void finish();

  unsigned every = 0;
  unsigned frames = 0;
  unsigned steps = 0;
  int luaDepth = 0;
  Clock::time_point last = Clock::now();
  Clock::time_point luaStart;
  Clock::duration lua{};
  std::array<Clock::duration, phases> spent{};
};
