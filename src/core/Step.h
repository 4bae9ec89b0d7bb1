// The world's fixed step: 20 ms of simulation time, so rates given per second are applied as a
// fiftieth each step.
#pragma once

#include <cstdint>

namespace core {

constexpr uint32_t stepMs = 20;
constexpr float stepsPerSecond = 1000.0f / stepMs;

}  // namespace core
