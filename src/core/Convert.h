// Number conversions for values that come from scripts. Lua numbers are doubles and scripts can
// hand over NaN, infinities or 1e300; every conversion here is defined for all of them.
#pragma once

#include <cstdint>

namespace convert {

// Truncates toward zero and wraps to 32 bits; NaN and infinities give 0.
int32_t toInt32(double value);

// The same wrap, read as unsigned (times in milliseconds).
uint32_t toUInt32(double value);

// Narrows to single precision; values beyond the float range become +-FLT_MAX and NaN becomes 0,
// so nothing downstream (scene nodes, collision) ever sees a NaN from a script.
float toFloat(double value);

}  // namespace convert
