// The camera's critically damped spring x'' = (T - x) - 2x', one explicit step per simulation
// step on the elapsed game-clock time. Kept free of Ogre so the arithmetic can be unit tested.
#pragma once

#include <cstdint>

namespace camera_spring {

const float stiffness = 3.75f;  // per second, divided by the dampening

// Step factor for dt milliseconds: t x 3.75 / dampening. A value of 1 or more snaps.
inline float factor(uint32_t dtMs, float dampening) {
  float t = static_cast<float>(dtMs) / 1000.0f;
  return t * stiffness / dampening;
}

// One step toward target; V is any vector type with +, - and scalar *. A k of 1 or more puts the
// position on the target and stops it; so does a negative or NaN k (a dampening of 0 or less),
// which the spring cannot run and which would otherwise fling the camera away.
template <class V>
void step(V& position, V& velocity, const V& target, float k, const V& zero) {
  if (!(k >= 0.0f) || k >= 1.0f) {
    position = target;
    velocity = zero;
    return;
  }
  V acceleration = (target - position) - velocity * 2.0f;
  position = position + velocity * k;
  velocity = velocity + acceleration * k;
}

}  // namespace camera_spring
