#include "model/mesh.h"

#include <gtest/gtest.h>

namespace quervik {
namespace {

TEST(ZMinMax, PlaceholderNeverTakesPart) {
  Mesh m;
  m.V = {{0, 0, 0}, {1, 1, 5}, {2, 2, 7}, {3, 3, 6}};
  ZMinMax(m);
  EXPECT_EQ(m.zmin, 5.0);
  EXPECT_EQ(m.zmax, 7.0);
  m.V = {{0, 0, 0}, {1, 1, -5}, {2, 2, -7}};
  ZMinMax(m);
  EXPECT_EQ(m.zmin, -7.0);
  EXPECT_EQ(m.zmax, -5.0);
}

TEST(ZMinMax, NoVerticesGivesZeroAndZero) {
  Mesh m;
  m.zmin = 3;
  m.zmax = 4;
  ZMinMax(m);  // length 0, before any load
  EXPECT_EQ(m.zmin, 0.0);
  EXPECT_EQ(m.zmax, 0.0);
  m.V = {{0, 0, 0}};
  m.zmin = 3;
  ZMinMax(m);  // only the placeholder
  EXPECT_EQ(m.zmin, 0.0);
  EXPECT_EQ(m.zmax, 0.0);
}

TEST(NewMeshVersion, NeverRepeatsAndNeverZero) {
  const std::uint64_t a = NewMeshVersion();
  const std::uint64_t b = NewMeshVersion();
  EXPECT_NE(a, 0u);
  EXPECT_GT(b, a);
}

}  // namespace
}  // namespace quervik
