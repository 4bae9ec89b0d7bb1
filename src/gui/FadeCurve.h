// The fade's arithmetic, in fade units: a frame advances it by a fixed step, so one unit lasts
// 20 frames at any frame rate. The opacity is applied before it is stepped.
#pragma once

#include <cmath>

enum class FadeState { None = 0, FadingIn = 1, FadingOut = 2 };

struct FadeCurve {
  double alpha = 0.0;  // 0 clear, 1 covered
  double elapsed = 0.0;
  double duration = 0.0;
  FadeState state = FadeState::None;

  void start(bool fadeIn, double length) {
    double d = std::fabs(length);
    // A NaN or infinite length would leave the fade running for ever at a NaN or fixed opacity.
    if (!(d >= 0.000001) || std::isinf(d))
      d = 1.0;
    duration = d;
    elapsed = fadeIn ? d : 0.0;
    alpha = fadeIn ? 1.0 : 0.0;
    state = fadeIn ? FadeState::FadingIn : FadeState::FadingOut;
  }

  // Advances one frame; returns true when a fade-in has just ended (its cover goes away).
  bool step(double by) {
    if (state == FadeState::FadingIn) {
      elapsed -= by;
      alpha = elapsed / duration;
      if (alpha < 0.0) {
        state = FadeState::None;
        return true;
      }
    } else if (state == FadeState::FadingOut) {
      elapsed += by;
      alpha = elapsed / duration;
      if (alpha > 1.0)
        state = FadeState::None;
    }
    return false;
  }
};
