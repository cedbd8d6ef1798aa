// The volume above the level: the plain loop and the per-face index.
#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <initializer_list>
#include <limits>
#include <random>
#include <vector>

#include "analysis/volume.h"

namespace quervik {
namespace {

constexpr double kInf = std::numeric_limits<double>::infinity();
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

// The plain loop, checked against the index on the way.
double Volume(const Mesh& m, double H0) {
  const double plain = CalcVolumen(m, H0);
  const double indexed = VolumeIndex::Build(m).CalcVolumen(H0);
  EXPECT_EQ(std::bit_cast<std::uint64_t>(plain), std::bit_cast<std::uint64_t>(indexed))
      << plain << " vs " << indexed << " at " << H0;
  return plain;
}

//   (0,2) C
//         | \       one face over a right triangle of area 2
//         |   \     .
//   (0,0) A----B (2,0)
TEST(CalcVolumen, PrismOfOneFace) {
  EXPECT_EQ(Volume(MakeMesh({{0, 0, 5}, {2, 0, 5}, {0, 2, 5}}, {TFace{{1, 2, 3}}}), 2), 6.0);
  EXPECT_EQ(Volume(MakeMesh({{0, 0, 5}, {2, 0, 5}, {0, 2, 5}}, {TFace{{1, 3, 2}}}), 2), 6.0)
      << "the corner order does not matter";
  // Sloping face: mean height (5 + 6 + 7) / 3 = 6, so (6 - 2) * 2.
  EXPECT_EQ(Volume(MakeMesh({{0, 0, 5}, {2, 0, 6}, {0, 2, 7}}, {TFace{{1, 2, 3}}}), 2), 8.0);
}

TEST(CalcVolumen, FacesTouchingOrCrossingTheLevelAddNothing) {
  EXPECT_EQ(Volume(MakeMesh({{0, 0, 5}, {2, 0, 5}, {0, 2, 2}}, {TFace{{1, 2, 3}}}), 2), 0.0)
      << "third corner at the level";
  EXPECT_EQ(Volume(MakeMesh({{0, 0, 5}, {2, 0, 5}, {0, 2, 1}}, {TFace{{1, 2, 3}}}), 2), 0.0)
      << "third corner below";
  EXPECT_EQ(Volume(MakeMesh({{0, 0, 1}, {2, 0, 1}, {0, 2, 1}}, {TFace{{1, 2, 3}}}), 2), 0.0)
      << "below";
}

TEST(CalcVolumen, VerticalFaceAddsNothing) {
  const Mesh m = MakeMesh({{0, 0, 5}, {2, 0, 5}, {0, 2, 5}, {1, 0, 90}},
                          {TFace{{1, 2, 4}}, TFace{{1, 2, 3}}, TFace{{2, 1, 4}}});
  EXPECT_EQ(Volume(m, 2), 6.0);
}

//       8-------7      a closed unit cube between heights 1 (1-4) and
//      /|      /|      2 (5-8), twelve faces; seen from the level 0 the
//     5-------6 |      top adds 2 * 1, the bottom 1 * 1, the vertical
//     | 4-----|-3      sides nothing
//     |/      |/
//     1-------2
Mesh UnitCube() {
  return MakeMesh({{0, 0, 1},
                   {1, 0, 1},
                   {1, 1, 1},
                   {0, 1, 1},  //
                   {0, 0, 2},
                   {1, 0, 2},
                   {1, 1, 2},
                   {0, 1, 2}},
                  {TFace{{1, 3, 2}}, TFace{{1, 4, 3}}, TFace{{5, 6, 7}}, TFace{{5, 7, 8}},
                   TFace{{1, 2, 6}}, TFace{{1, 6, 5}}, TFace{{2, 3, 7}}, TFace{{2, 7, 6}},
                   TFace{{3, 4, 8}}, TFace{{3, 8, 7}}, TFace{{4, 1, 5}}, TFace{{4, 5, 8}}});
}

TEST(CalcVolumen, ClosedCubeCountsTopAndBottom) {
  EXPECT_EQ(Volume(UnitCube(), 0), 3.0);
  EXPECT_EQ(Volume(UnitCube(), 1), 1.0) << "the bottom lies in the plane";
  EXPECT_EQ(Volume(UnitCube(), 1.5), 0.5);
  EXPECT_EQ(Volume(UnitCube(), 2), 0.0);
  EXPECT_EQ(Volume(UnitCube(), 2.5), 0.0);
}

TEST(CalcVolumen, SumsInFaceOrder) {
  // One prism of 1e16 and two of 1: added in face order the ones are lost
  // in the rounding; first the ones, then the big one, they are not.
  const Tvertex a{0, 0, 5e15}, b{2, 0, 5e15}, c{0, 2, 5e15};
  const Tvertex d{0, 0, 2}, e{1, 0, 2}, f{0, 1, 2};
  const Mesh big_first =
      MakeMesh({a, b, c, d, e, f}, {TFace{{1, 2, 3}}, TFace{{4, 5, 6}}, TFace{{4, 5, 6}}});
  const Mesh big_last =
      MakeMesh({a, b, c, d, e, f}, {TFace{{4, 5, 6}}, TFace{{4, 5, 6}}, TFace{{1, 2, 3}}});
  EXPECT_EQ(Volume(big_first, 0), 1e16);
  EXPECT_EQ(Volume(big_last, 0), 1.0000000000000002e16);
}

TEST(CalcVolumen, EmptyMeshesAndThePlaceholder) {
  EXPECT_EQ(Volume(Mesh{}, 0), 0.0);
  EXPECT_EQ(Volume(MakeMesh({}, {}), -1), 0.0) << "slot 0 is a face of area 0";
}

TEST(CalcVolumen, FaceNamingAMissingVertexIsSkipped) {
  const Mesh m = MakeMesh({{0, 0, 5}, {2, 0, 5}, {0, 2, 5}},
                          {TFace{{1, 2, 3}}, TFace{{1, 2, 4}}, TFace{{-1, 2, 3}}});
  EXPECT_EQ(Volume(m, 2), 6.0);
}

TEST(CalcVolumen, NonFiniteHeightsAndLevels) {
  const Mesh flat = MakeMesh({{0, 0, 5}, {2, 0, 5}, {0, 2, 5}}, {TFace{{1, 2, 3}}});
  EXPECT_EQ(Volume(flat, kNaN), 0.0) << "no comparison with NaN holds";
  EXPECT_EQ(Volume(flat, kInf), 0.0);
  // At -inf even the placeholder face on the origin is above the level,
  // and its area 0 times the infinite height makes the sum NaN.
  EXPECT_TRUE(std::isnan(Volume(flat, -kInf)));
  EXPECT_EQ(Volume(MakeMesh({{0, 0, kNaN}, {2, 0, 5}, {0, 2, 5}}, {TFace{{1, 2, 3}}}), 2), 0.0);
  EXPECT_EQ(Volume(MakeMesh({{0, 0, kInf}, {2, 0, 5}, {0, 2, 5}}, {TFace{{1, 2, 3}}}), 2), kInf);
  // A vertical face at infinite height: inf * 0 is NaN, and so is the sum.
  EXPECT_TRUE(std::isnan(
      Volume(MakeMesh({{0, 0, kInf}, {2, 0, kInf}, {1, 0, kInf}}, {TFace{{1, 2, 3}}}), 2)));
}

TEST(VolumeIndex, BitIdenticalToThePlainLoopOnRandomMeshes) {
  std::mt19937_64 rng(21);
  std::uniform_real_distribution<double> xy(-50.0, 50.0);
  for (const int heights : {2, 5, 40, 1000}) {
    std::uniform_int_distribution<int> h(0, heights - 1);
    std::uniform_int_distribution<std::int32_t> corner(1, 3000);
    Mesh m;
    m.V.push_back({});
    m.Fc.push_back({});
    for (int i = 0; i < 3000; ++i) m.V.push_back({xy(rng), xy(rng), 0.25 * h(rng) - 1});
    for (int i = 0; i < 20000; ++i) m.Fc.push_back(TFace{{corner(rng), corner(rng), corner(rng)}});
    // Long runs of faces above and below, so that whole blocks are skipped.
    for (int i = 0; i < 500; ++i) m.Fc.push_back(TFace{{1 + i % 7, 2 + i % 5, 3 + i % 3}});
    if (heights == 1000) {  // hostile heights and slots
      for (const double z : {kNaN, kInf, -kInf, 1e308, -0.0}) {
        m.V.push_back({xy(rng), xy(rng), z});
        const auto k = static_cast<std::int32_t>(m.V.size() - 1);
        m.Fc.push_back(TFace{{k, corner(rng), corner(rng)}});
        m.Fc.push_back(TFace{{corner(rng), k, k}});
      }
      m.Fc.push_back(TFace{{1, 2, 99999}});
    }
    m.version = NewMeshVersion();
    const VolumeIndex index = VolumeIndex::Build(m);
    std::vector<double> levels = {-2, -1, -0.0, 0.125, 1e308, -1e308, kInf, -kInf, kNaN};
    for (int k = 0; k < heights && k < 60; ++k) {
      levels.push_back(0.25 * k - 1);
      levels.push_back(0.25 * k - 1 + 0.125);
    }
    for (const double H0 : levels) {
      const double plain = CalcVolumen(m, H0);
      const double indexed = index.CalcVolumen(H0);
      ASSERT_EQ(std::bit_cast<std::uint64_t>(plain), std::bit_cast<std::uint64_t>(indexed))
          << plain << " vs " << indexed << " at " << H0 << " with " << heights << " heights";
    }
  }
}

TEST(VolumeIndex, NeverBuiltGivesZero) {
  EXPECT_EQ(VolumeIndex{}.CalcVolumen(0), 0.0);
}

}  // namespace
}  // namespace quervik
