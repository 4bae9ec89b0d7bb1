// Script numbers to engine numbers, and the camera spring they drive: truncation toward zero,
// 32-bit wrap, and defined results for NaN, infinities and huge values.
#include "core/Convert.h"
#include "world/CameraSpring.h"

#include <gtest/gtest.h>

#include <cfloat>
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

// A one-dimensional stand-in for the engine's vector type.
struct V1 {
  float x;
  V1 operator+(V1 o) const { return {x + o.x}; }
  V1 operator-(V1 o) const { return {x - o.x}; }
  V1 operator*(float k) const { return {x * k}; }
};

TEST(CameraSpring, LargeOrUnusableFactorsSnapOntoTheTarget) {
  for (float k : {1.0f, -0.3f, std::numeric_limits<float>::quiet_NaN()}) {
    V1 position{0}, velocity{3}, target{10};
    camera_spring::step(position, velocity, target, k, V1{0});
    EXPECT_EQ(position.x, 10.0f) << k;
    EXPECT_EQ(velocity.x, 0.0f) << k;
  }
  V1 position{4}, velocity{2}, target{10};
  camera_spring::step(position, velocity, target, 0.0f, V1{0});  // no time passed
  EXPECT_EQ(position.x, 4.0f);
  EXPECT_EQ(velocity.x, 2.0f);
}

}  // namespace
