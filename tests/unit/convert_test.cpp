// Script numbers to engine numbers, and the camera spring they drive: truncation toward zero,
// 32-bit wrap, and defined results for NaN, infinities and huge values.
#include "core/Convert.h"
#include "world/CameraSpring.h"

#include <gtest/gtest.h>

#include <cfloat>
#include <complex>
#include <limits>

namespace {

const double inf = std::numeric_limits<double>::infinity();
const double nan = std::numeric_limits<double>::quiet_NaN();

TEST(Convert, TruncatesTowardZeroWrapsEvenHugeValuesAndMakesNonFiniteOnesSafe) {
  EXPECT_EQ(convert::toInt32(-9.9), -9);
  EXPECT_EQ(convert::toInt32(2147483648.0), INT32_MIN);
  EXPECT_EQ(convert::toInt32(4294967296.0 + 5), 5);
  EXPECT_EQ(convert::toUInt32(-1.0), 4294967295u);
  EXPECT_EQ(convert::toInt32(1e300), 0);  // a multiple of 2^32
  EXPECT_EQ(convert::toInt32(nan), 0);
  EXPECT_EQ(convert::toUInt32(-inf), 0u);
  EXPECT_EQ(convert::toFloat(nan), 0.0f);
  EXPECT_EQ(convert::toFloat(inf), FLT_MAX);
  EXPECT_EQ(convert::toFloat(-1e300), -FLT_MAX);
}

// std::complex stands in for the engine's vector type: it has +, - and scalar *.
using V = std::complex<float>;

TEST(CameraSpring, LargeOrUnusableFactorsSnapOntoTheTarget) {
  for (float k : {1.0f, -0.3f, std::numeric_limits<float>::quiet_NaN()}) {
    V position = 0, velocity = 3;
    camera_spring::step(position, velocity, V(10), k, V(0));
    EXPECT_EQ(position, V(10)) << k;
    EXPECT_EQ(velocity, V(0)) << k;
  }
  V position = 4, velocity = 2;
  camera_spring::step(position, velocity, V(10), 0.0f, V(0));  // no time passed
  EXPECT_EQ(position, V(4));
  EXPECT_EQ(velocity, V(2));
}

}  // namespace
