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

TEST(MakeMesh, PlaceholderSlotsRangeAndANewVersion) {
  const Mesh a = MakeMesh({{1, 1, 5}, {2, 2, 7}, {3, 3, 6}}, {TFace{{1, 2, 3}}});
  ASSERT_EQ(a.V.size(), 4u);
  ASSERT_EQ(a.Fc.size(), 2u);
  ASSERT_EQ(a.Vn.size(), 1u);
  EXPECT_EQ(a.V[0].x, 0.0);
  EXPECT_EQ(a.V[0].z, 0.0);
  EXPECT_EQ(a.V[3].z, 6.0);
  EXPECT_EQ(a.Fc[0].corner, (std::array<std::int32_t, 3>{0, 0, 0}));
  EXPECT_EQ(a.Fc[1].corner, (std::array<std::int32_t, 3>{1, 2, 3}));
  EXPECT_EQ(a.zmin, 5.0);
  EXPECT_EQ(a.zmax, 7.0);
  const Mesh b = MakeMesh({});
  EXPECT_EQ(b.V.size(), 1u);
  EXPECT_EQ(b.Fc.size(), 1u);
  EXPECT_NE(a.version, 0u);
  EXPECT_GT(b.version, a.version);
}

TEST(NewMeshVersion, NeverRepeatsAndNeverZero) {
  const std::uint64_t a = NewMeshVersion();
  const std::uint64_t b = NewMeshVersion();
  EXPECT_NE(a, 0u);
  EXPECT_GT(b, a);
}

}  // namespace
}  // namespace quervik
