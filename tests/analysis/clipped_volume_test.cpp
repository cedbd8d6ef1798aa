// The exact volumes above and below a level, and the height-volume curve.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <bit>
#include <cmath>
#include <cstdint>
#include <random>
#include <vector>

#include "../../bench/common/generators.h"
#include "analysis/clipped_volume.h"
#include "analysis/volume_curve.h"
#include "core/errors.h"

namespace quervik {
namespace {

//       8-------7      the box [0,2] x [0,3] x [1,5], twelve faces wound
//      /|      /|      outwards: 24 enclosed, cross-section 6
//     5-------6 |
//     | 4-----|-3
//     |/      |/
//     1-------2
Mesh Box() {
  return MakeMesh(
      {{0, 0, 1}, {2, 0, 1}, {2, 3, 1}, {0, 3, 1}, {0, 0, 5}, {2, 0, 5}, {2, 3, 5}, {0, 3, 5}},
      {{1, 3, 2},
       {1, 4, 3},
       {5, 6, 7},
       {5, 7, 8},
       {1, 2, 6},
       {1, 6, 5},
       {2, 3, 7},
       {2, 7, 6},
       {3, 4, 8},
       {3, 8, 7},
       {4, 1, 5},
       {4, 5, 8}});
}

// The corner tetrahedron x, y, z >= 0, x + y + z <= 1: 1/6 enclosed.
Mesh Tetrahedron() {
  return MakeMesh({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {0, 0, 1}},
                  {{1, 3, 2}, {1, 2, 4}, {2, 3, 4}, {3, 1, 4}});
}

// |x| + |y| + |z| <= 1: 4/3 enclosed, the middle cut a square of area 2.
Mesh Octahedron() {
  return MakeMesh(
      {{1, 0, 0}, {0, 1, 0}, {-1, 0, 0}, {0, -1, 0}, {0, 0, 1}, {0, 0, -1}},
      {{1, 2, 5}, {2, 3, 5}, {3, 4, 5}, {4, 1, 5}, {2, 1, 6}, {3, 2, 6}, {4, 3, 6}, {1, 4, 6}});
}

// The four sides of a pyramid over [0,4]^2 with its apex at (2, 2, 4), no
// base: an open surface.
Mesh OpenPyramid() {
  return MakeMesh({{0, 0, 0}, {4, 0, 0}, {4, 4, 0}, {0, 4, 0}, {2, 2, 4}},
                  {{1, 2, 5}, {2, 3, 5}, {3, 4, 5}, {4, 1, 5}});
}

struct Expected {
  double above, below, area_above, area_below;
};

struct SolidCase {
  const char* name;
  Mesh (*make)();
  bool closed;
  std::vector<double> levels;
  Expected (*expected)(double level);
};

double Clamp01(double t) {
  return std::clamp(t, 0.0, 1.0);
}

const SolidCase kSolids[] = {
    {"box",
     Box,
     true,
     {-3, 0.5, 2.5, 4.75, 9},
     [](double h) {
       const double t = Clamp01((h - 1) / 4), inside = (h > 1 && h < 5) ? 6 : 0;
       return Expected{24 * (1 - t), 24 * t, inside, inside};
     }},
    {"tetrahedron",
     Tetrahedron,
     true,
     {-1, 0.25, 0.5, 0.9, 2},
     [](double h) {
       const double r = 1 - Clamp01(h), inside = (h > 0 && h < 1) ? r * r / 2 : 0;
       return Expected{r * r * r / 6, (1 - r * r * r) / 6, inside, inside};
     }},
    {"octahedron",
     Octahedron,
     true,
     {-2, -0.5, 0, 0.3, 1.5},
     [](double h) {
       const double r = 1 - std::fabs(std::clamp(h, -1.0, 1.0));
       const double cap = 2 * r * r * r / 3, area = 2 * r * r;
       return h >= 0 ? Expected{cap, 4.0 / 3 - cap, area, area}
                     : Expected{4.0 / 3 - cap, cap, area, area};
     }},
    // Open: the volume between the sides and the plane; below the apex the
    // plane lies over the whole 4 x 4 square.
    {"open pyramid",
     OpenPyramid,
     false,
     {-1, 1, 2, 3.5, 5},
     [](double h) {
       const double s = 4 - std::clamp(h, 0.0, 4.0);
       const double above = s * s * s / 3 + 16 * std::max(0.0, -h);
       const double below = h <= 0 ? 0 : 16 * h - 64.0 / 3 + above;
       return Expected{above, below, h < 4 ? s * s : 0, h > 0 ? 16 - s * s : 0};
     }},
};

TEST(ClippedVolume, AnalyticSolidsBelowThroughAndAbove) {
  for (const SolidCase& c : kSolids) {
    const Mesh m = c.make();
    const ClippedVolumeIndex index = ClippedVolumeIndex::Build(m);
    EXPECT_EQ(index.closed(), c.closed) << c.name;
    for (const double h : c.levels) {
      const VolumeFigures f = index.At(h);
      const Expected e = c.expected(h);
      SCOPED_TRACE(std::string(c.name) + " at " + std::to_string(h));
      EXPECT_EQ(f.level, h);
      EXPECT_EQ(f.closed, c.closed);
      EXPECT_NEAR(f.above, e.above, 1e-13);
      EXPECT_NEAR(f.below, e.below, 1e-13);
      EXPECT_NEAR(f.area_above, e.area_above, 1e-13);
      EXPECT_NEAR(f.area_below, e.area_below, 1e-13);
    }
  }
}

// Every face's corners rotated at random, and mirrored: every face
// (`mirror` 2, a closed mesh turned inside out), at random (1, an open
// surface in any corner order) or none (0).
Mesh Reordered(Mesh m, std::mt19937_64& rng, int mirror) {
  for (std::size_t i = 1; i < m.Fc.size(); ++i) {
    auto& c = m.Fc[i].corner;
    std::rotate(c.begin(), c.begin() + static_cast<long>(rng() % 3), c.end());
    if (mirror == 2 || (mirror == 1 && rng() % 2)) std::swap(c[0], c[1]);
  }
  return m;
}

std::array<std::uint64_t, 5> Bits(const VolumeFigures& f) {
  return {std::bit_cast<std::uint64_t>(f.above), std::bit_cast<std::uint64_t>(f.below),
          std::bit_cast<std::uint64_t>(f.area_above), std::bit_cast<std::uint64_t>(f.area_below),
          f.closed};
}

TEST(ClippedVolume, CornerOrderAndWindingChangeNoBit) {
  std::mt19937_64 rng(5);
  const Mesh sphere = gen::MakeSphere(12, 18, 10.0);
  const Mesh terrain = gen::MakeTerrain(20, 20);
  for (const double h : {-3.0, 0.0, 4.5, 49.0, 63.25}) {
    const VolumeFigures s = ClippedVolume(sphere, h), t = ClippedVolume(terrain, h);
    ASSERT_TRUE(s.closed);
    ASSERT_FALSE(t.closed);
    EXPECT_EQ(Bits(ClippedVolume(Reordered(sphere, rng, 0), h)), Bits(s)) << h;
    EXPECT_EQ(Bits(ClippedVolume(Reordered(sphere, rng, 2), h)), Bits(s)) << h;
    EXPECT_EQ(Bits(ClippedVolume(Reordered(terrain, rng, 1), h)), Bits(t)) << h;
    EXPECT_EQ(s.area_below, h > 10 ? 0.0 : s.area_below) << "signed areas cancel exactly";
  }
  // Turning a single face of the sphere around opens it: the figures are
  // then those of a surface, counted with unsigned areas; under the sphere
  // both halves add their prisms down to the level.
  Mesh oneFlipped = sphere;
  std::swap(oneFlipped.Fc[7].corner[0], oneFlipped.Fc[7].corner[1]);
  const VolumeFigures o = ClippedVolume(oneFlipped, -20);
  EXPECT_FALSE(o.closed);
  EXPECT_GT(o.above, 2.5 * ClippedVolume(sphere, -20).above);
}

TEST(ClippedVolume, WhatContributesNothing) {
  // One face of area 2 at height 5, then a vertical face, a face naming a
  // vertex twice, one naming a missing vertex, one with a NaN corner.
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const Mesh m = MakeMesh({{0, 0, 5}, {2, 0, 5}, {0, 2, 5}, {1, 0, 90}, {1, 1, nan}},
                          {{1, 2, 3}, {1, 2, 4}, {1, 1, 3}, {1, 2, 9}, {1, 2, 5}});
  const VolumeFigures f = ClippedVolume(m, 2);
  EXPECT_EQ(f.above, 6.0);
  EXPECT_EQ(f.area_above, 2.0);
  EXPECT_EQ(f.below, 0.0);
  EXPECT_FALSE(f.closed);
  // A face lying in the plane has no part above nor below.
  const VolumeFigures inPlane = ClippedVolume(m, 5);
  EXPECT_EQ(inPlane.above, 0.0);
  EXPECT_EQ(inPlane.area_above + inPlane.area_below, 0.0);
  EXPECT_EQ(ClippedVolume(Mesh{}, 1).above, 0.0);
  EXPECT_TRUE(std::isnan(ClippedVolume(m, nan).above));
}

// A terrain lifted to real heights, integrated numerically: the surface is
// sampled at the centres of a fine grid of 1/200 x 1/200 cells, its height
// interpolated in the triangle holding the sample.
TEST(ClippedVolume, TerrainAgainstFineNumericalIntegration) {
  constexpr int kCells = 6, kSub = 200;
  Mesh m = gen::MakeTerrain(kCells, kCells);
  for (Tvertex& v : m.V) v.z += 350;
  ZMinMax(m);
  auto H = [&](int i, int j) { return m.V[static_cast<std::size_t>(j * (kCells + 1) + i + 1)].z; };
  const ClippedVolumeIndex index = ClippedVolumeIndex::Build(m);
  for (const double t : {0.25, 0.5, 0.8}) {
    const double level = m.zmin + t * (m.zmax - m.zmin), dA = 1.0 / (kSub * kSub);
    double above = 0, below = 0, areaAbove = 0;
    for (int j = 0; j < kCells; ++j) {
      for (int i = 0; i < kCells; ++i) {
        for (int b = 0; b < kSub; ++b) {
          for (int a = 0; a < kSub; ++a) {
            const double u = (a + 0.5) / kSub, v = (b + 0.5) / kSub;
            // The faces of a cell: 00, 10, 11 (u >= v) and 00, 11, 01.
            const double z =
                u >= v
                    ? H(i, j) + u * (H(i + 1, j) - H(i, j)) + v * (H(i + 1, j + 1) - H(i + 1, j))
                    : H(i, j) + v * (H(i, j + 1) - H(i, j)) + u * (H(i + 1, j + 1) - H(i, j + 1));
            above += std::max(0.0, z - level) * dA;
            below += std::max(0.0, level - z) * dA;
            areaAbove += z > level ? dA : 0;
          }
        }
      }
    }
    const VolumeFigures f = index.At(level);
    EXPECT_NEAR(f.above, above, 1e-5 * kCells * kCells) << level;
    EXPECT_NEAR(f.below, below, 1e-5 * kCells * kCells) << level;
    EXPECT_NEAR(f.area_above, areaAbove, 1e-3 * kCells * kCells) << level;
    EXPECT_NEAR(f.area_above + f.area_below, kCells * kCells, 1e-9) << level;
  }
}

TEST(ClippedVolume, SameBitsForAnyThreadCount) {
  const Mesh m = gen::MakeTerrain(150, 150);  // 45,000 faces: several parts
  const ClippedVolumeIndex index = ClippedVolumeIndex::Build(m);
  for (const double h : {30.0, 50.0, 71.5}) {
    const VolumeFigures one = index.At(h, 1), all = index.At(h, 0), two = index.At(h, 2);
    for (const VolumeFigures& f : {all, two}) {
      EXPECT_EQ(std::bit_cast<std::uint64_t>(f.above), std::bit_cast<std::uint64_t>(one.above));
      EXPECT_EQ(std::bit_cast<std::uint64_t>(f.area_below),
                std::bit_cast<std::uint64_t>(one.area_below));
    }
  }
}

TEST(VolumeCurve, LevelsAreTheMultiplesOfTheStepInTheRange) {
  EXPECT_EQ(CurveLevels(0.2, 3.0, 1), (std::vector<double>{1, 2, 3}));
  EXPECT_EQ(CurveLevels(-2.5, -0.5, 1), (std::vector<double>{-2, -1}));
  EXPECT_EQ(CurveLevels(-0.5, 0.5, 0.25), (std::vector<double>{-0.5, -0.25, 0, 0.25, 0.5}));
  EXPECT_EQ(CurveLevels(0.2, 0.3, 1), std::vector<double>{});
  EXPECT_EQ(CurveLevels(0, 0, 7), std::vector<double>{0});
  EXPECT_EQ(CurveLevels(0, 0.999999, 1e-6).size(), 1000000u);
  for (const double bad : {0.0, -1.0, std::numeric_limits<double>::quiet_NaN()}) {
    try {
      CurveLevels(0, 1, bad);
      ADD_FAILURE() << bad;
    } catch (const Error& e) {
      EXPECT_STREQ(e.what(), "Die Schrittweite muss größer als 0 sein");
    }
  }
  for (const double tiny : {1e-7, 1e-300}) {
    try {
      CurveLevels(0, 1, tiny);
      ADD_FAILURE() << tiny;
    } catch (const Error& e) {
      EXPECT_STREQ(e.what(), "Die Schrittweite ist zu klein: mehr als 1000000 Schnitte");
    }
  }
}

// Every row of the curve against the single computation at its level, on a
// terrain lifted to real heights and on a closed sphere, with random steps
// and offsets, so that levels fall anywhere between the corners and pieces
// are both clipped directly and swept.
TEST(VolumeCurve, AgreesWithSingleLevelsAtRandomLevels) {
  std::mt19937_64 rng(3);
  std::uniform_real_distribution<double> unit(0.0, 1.0);
  Mesh terrain = gen::MakeTerrain(60, 40);
  Mesh sphere = gen::MakeSphere(10, 16, 30.0);
  for (int round = 0; round < 6; ++round) {
    for (Mesh* m : {&terrain, &sphere}) {
      Mesh lifted = *m;
      const double lift = m == &terrain ? 350 + 100 * unit(rng) : 60 * unit(rng) - 30;
      for (Tvertex& v : lifted.V) v.z += lift;
      ZMinMax(lifted);
      const ClippedVolumeIndex index = ClippedVolumeIndex::Build(lifted);
      double scale = 0, areas = 0;
      for (const ClippedFace& f : index.faces()) areas += std::fabs(f.weight);
      scale = areas * (lifted.zmax - lifted.zmin);
      const double span = lifted.zmax - lifted.zmin;
      const double step = span * (round % 2 ? 0.002 + 0.01 * unit(rng) : 0.05 + 0.2 * unit(rng));
      const std::vector<VolumeFigures> curve = VolumeCurve(index, lifted.zmin, lifted.zmax, step);
      ASSERT_EQ(curve.size(), CurveLevels(lifted.zmin, lifted.zmax, step).size());
      ASSERT_FALSE(curve.empty());
      for (const VolumeFigures& c : curve) {
        const VolumeFigures s = index.At(c.level);
        SCOPED_TRACE("level " + std::to_string(c.level) + " step " + std::to_string(step));
        EXPECT_EQ(c.closed, s.closed);
        EXPECT_NEAR(c.above, s.above, 1e-12 * scale);
        EXPECT_NEAR(c.below, s.below, 1e-12 * scale);
        EXPECT_NEAR(c.area_above, s.area_above, 1e-12 * areas);
        EXPECT_NEAR(c.area_below, s.area_below, 1e-12 * areas);
      }
    }
  }
}

// The figures the curve's CSV is made of (curve_export_test writes them).
TEST(VolumeCurve, TheBoxAtTwoLevels) {
  const Mesh m = Box();
  const std::vector<VolumeFigures> rows = VolumeCurve(ClippedVolumeIndex::Build(m), 1, 5, 2.5);
  ASSERT_EQ(rows.size(), 2u);
  const double expected[2][5] = {{2.5, 6, 15, 9, 6}, {5, 0, 0, 24, 0}};
  for (std::size_t i = 0; i < 2; ++i) {
    const VolumeFigures& r = rows[i];
    EXPECT_EQ((std::array<double, 5>{r.level, r.area_above, r.above, r.below, r.area_below}),
              (std::array<double, 5>{expected[i][0], expected[i][1], expected[i][2], expected[i][3],
                                     expected[i][4]}))
        << i;
  }
}

}  // namespace
}  // namespace quervik
