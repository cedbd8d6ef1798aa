// PolygonSplitter: the fan for convex polygons, a true triangulation for
// simple ones, and k - 2 triangles whatever the corners.
#include "model/polygon_split.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <random>
#include <vector>

namespace quervik {
namespace {

using Poly = std::vector<Tvertex>;

std::vector<PolygonTriangle> Fan(size_t k) {
  std::vector<PolygonTriangle> fan;
  for (std::uint32_t i = 1; i + 1 < k; ++i) fan.push_back({0, i, i + 1});
  return fan;
}

// Twice the signed area of the polygon (or triangle) seen from +z.
double Area2(const Poly& p) {
  double a = 0;
  for (size_t i = 0; i < p.size(); ++i) {
    const Tvertex& s = p[i];
    const Tvertex& t = p[(i + 1) % p.size()];
    a += s.x * t.y - s.y * t.x;
  }
  return a;
}

bool Inside(const Poly& p, double x, double y) {
  bool in = false;
  for (size_t i = 0, j = p.size() - 1; i < p.size(); j = i++) {
    if ((p[i].y > y) != (p[j].y > y) &&
        x < (p[j].x - p[i].x) * (y - p[i].y) / (p[j].y - p[i].y) + p[i].x)
      in = !in;
  }
  return in;
}

// k - 2 triangles of distinct corners; for a simple polygon in the plane
// z = 0 also: each turns as the polygon does, they add up to its area, and
// each lies inside it.
void ExpectSplit(const Poly& p, const std::vector<PolygonTriangle>& tris, bool simple) {
  ASSERT_EQ(tris.size(), p.size() - 2);
  for (const PolygonTriangle& t : tris) {
    for (const std::uint32_t c : t) ASSERT_LT(c, p.size());
    ASSERT_TRUE(t[0] != t[1] && t[1] != t[2] && t[0] != t[2]);
  }
  if (!simple) return;
  const double whole = Area2(p);
  double sum = 0;
  for (const PolygonTriangle& t : tris) {
    const Poly tri{p[t[0]], p[t[1]], p[t[2]]};
    const double a = Area2(tri);
    EXPECT_GE(a * whole, 0.0);
    sum += a;
    if (std::fabs(a) > 1e-9 * std::fabs(whole)) {
      EXPECT_TRUE(
          Inside(p, (tri[0].x + tri[1].x + tri[2].x) / 3, (tri[0].y + tri[1].y + tri[2].y) / 3));
    }
  }
  EXPECT_NEAR(sum, whole, 1e-9 * std::fabs(whole));
}

std::vector<PolygonTriangle> SplitOf(const Poly& p) {
  PolygonSplitter splitter;
  std::vector<PolygonTriangle> tris;
  splitter.Split(p, tris);
  return tris;
}

// Rotated out of every coordinate plane and moved far away, as a scanned
// polygon would lie.
Poly Tilted(const Poly& p) {
  Poly out;
  const double c = std::cos(0.7), s = std::sin(0.7);
  for (const Tvertex& v : p) {
    const double y = c * v.y - s * v.z, z = s * v.y + c * v.z;
    out.push_back({5.6e6 + c * v.x + s * z, 3.25e6 + y, 100 - s * v.x + c * z});
  }
  return out;
}

TEST(PolygonSplit, ConvexPolygonsGiveTheFan) {
  const Poly hexagon{{2, 0, 0}, {1, 2, 0}, {-1, 2, 0}, {-2, 0, 0}, {-1, -2, 0}, {1, -2, 0}};
  const Poly cases[] = {
      {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}},
      {{0, 0, 0}, {0, 1, 0}, {1, 1, 0}, {1, 0, 0}},             // clockwise from above
      {{0, 0, 0}, {1, 0, 0.1}, {1, 1, 0}, {0, 1, 0.1}},         // not planar
      {{0, 0, 0}, {0, 0, 1}, {0, 1, 1}, {0, 1, 0}},             // a wall
      {{0, 0, 0}, {1, 0, 0}, {2, 0, 0}, {2, 1, 0}, {0, 1, 0}},  // straight corner
      {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {1, 1, 0}, {0, 1, 0}},  // repeated corner
      {{0, 0, 0}, {1, 0, 0}, {2, 0, 0}, {3, 0, 0}},             // no area
      {{5, 5, 5}, {5, 5, 5}, {5, 5, 5}, {5, 5, 5}},             // one point
      {{0, 0, 0}, {1, 1, 0}, {1, 0, 0}, {0, 1, 0}},             // bow tie, parts cancel
      hexagon,
      Tilted(hexagon),
  };
  for (const Poly& p : cases) {
    PolygonSplitter splitter;
    EXPECT_TRUE(splitter.GivesFan(p)) << p.size();
    EXPECT_EQ(SplitOf(p), Fan(p.size()));
  }
}

// An arrow head, an L, a pentagram and a polygon turning back on its edge
// are not convex.
TEST(PolygonSplit, OtherPolygonsAreCutIntoEars) {
  const Poly dart{{0, 0, 0}, {2, 1, 0}, {4, 0, 0}, {2, 4, 0}};
  const Poly ell{{0, 0, 0}, {2, 0, 0}, {2, 1, 0}, {1, 1, 0}, {1, 2, 0}, {0, 2, 0}};
  Poly star;
  for (int i = 0; i < 5; ++i) {
    const double a = i * 4 * std::numbers::pi / 5;
    star.push_back({std::cos(a), std::sin(a), 0});
  }
  const Poly spike{{0, 0, 0}, {2, 0, 0}, {2, 2, 0}, {1, 2, 0}, {1, 3, 0}, {1, 2, 0}, {0, 2, 0}};
  PolygonSplitter splitter;
  for (const Poly& p : {dart, ell, Tilted(ell)}) {
    EXPECT_FALSE(splitter.GivesFan(p));
    ExpectSplit(p, SplitOf(p), p[0].x == 0);
  }
  // The dart's fan would cover the notch; its only ear split does not.
  EXPECT_EQ(SplitOf(dart), (std::vector<PolygonTriangle>{{3, 0, 1}, {3, 1, 2}}));
  for (const Poly& p : {star, spike}) {
    EXPECT_FALSE(splitter.GivesFan(p));
    ExpectSplit(p, SplitOf(p), false);
  }
}

// Star-shaped polygons with random radii are simple and mostly not convex;
// one splitter serves them all, small and large.
TEST(PolygonSplit, RandomSimplePolygons) {
  std::mt19937 rng(7);
  std::uniform_real_distribution<double> radius(0.2, 1.0);
  PolygonSplitter splitter;
  std::vector<PolygonTriangle> tris;
  for (const int k : {4, 5, 6, 7, 9, 12, 20, 50, 200, 3000}) {
    for (int round = 0; round < (k < 100 ? 40 : 2); ++round) {
      Poly p;
      for (int i = 0; i < k; ++i) {
        const double a = 2 * std::numbers::pi * i / k;
        const double r = radius(rng);
        p.push_back({r * std::cos(a), r * std::sin(a), 0});
      }
      if (round % 2) std::reverse(p.begin(), p.end());
      splitter.Split(p, tris);
      ExpectSplit(p, tris, true);
      if (::testing::Test::HasFailure()) return;
    }
  }
}

// Whatever the corners: crossing edges, one line, huge and tiny numbers.
TEST(PolygonSplit, AnyCornersGiveKMinusTwoTriangles) {
  std::mt19937 rng(11);
  PolygonSplitter splitter;
  std::vector<PolygonTriangle> tris;
  for (const double scale : {1.0, 1e300, 1e-310}) {
    for (const int k : {4, 5, 8, 31, 400, 20000}) {
      Poly p;
      std::uniform_int_distribution<int> small(-3, 3);
      for (int i = 0; i < k; ++i) {
        p.push_back(
            {scale * small(rng), scale * small(rng), (i % 3 == 0) ? scale * small(rng) : 0});
      }
      splitter.Split(p, tris);
      ExpectSplit(p, tris, false);
    }
  }
  // Corners apart by subnormal steps in x only.
  Poly thin;
  for (int i = 0; i < 40; ++i) thin.push_back({(i % 3) * 1e-320, (i % 7) * 1.0, 0});
  splitter.Split(thin, tris);
  ExpectSplit(thin, tris, false);
  // A comb of 2000 teeth: many reflex corners, ears only at the tips.
  Poly comb;
  for (int i = 0; i < 2000; ++i) {
    comb.push_back({2.0 * i, 0, 0});
    comb.push_back({2.0 * i + 1, 1000, 0});
  }
  comb.push_back({4000, -1, 0});
  comb.push_back({0, -1, 0});
  splitter.Split(comb, tris);
  ExpectSplit(comb, tris, true);
}

}  // namespace
}  // namespace quervik
