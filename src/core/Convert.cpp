// Defined-for-every-input number conversions (see Convert.h).
#include "core/Convert.h"

#include <cfloat>
#include <cmath>

namespace convert {

uint32_t toUInt32(double value) {
  if (!std::isfinite(value))
    return 0;
  // fmod is exact, so this is the truncated value modulo 2^32 even for huge magnitudes.
  double wrapped = std::fmod(std::trunc(value), 4294967296.0);
  if (wrapped < 0)
    wrapped += 4294967296.0;
  return static_cast<uint32_t>(wrapped);
}

int32_t toInt32(double value) {
  return static_cast<int32_t>(toUInt32(value));
}

float toFloat(double value) {
  if (std::isnan(value))
    return 0.0f;
  if (value > FLT_MAX)
    return FLT_MAX;
  if (value < -FLT_MAX)
    return -FLT_MAX;
  return static_cast<float>(value);
}

}  // namespace convert
