// ChainContour: hand-made sections and meshes with exact polylines, and on
// random terrains the promise that every segment lies in exactly one
// polyline, joined the way the polyline says.
#include "section/contour_chain.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <map>
#include <random>
#include <set>
#include <utility>
#include <vector>

#include "bench/common/generators.h"
#include "section/plane_section.h"
#include "test_meshes.h"

namespace quervik {
namespace {

using Chain = std::pair<std::vector<std::int32_t>, bool>;  // points, closed
using Pair = std::pair<std::int32_t, std::int32_t>;

// Chains `c` and checks that every non-degenerate segment (an unordered
// pair) lies in exactly one polyline, that polylines join nothing else, and
// that each runs through points joined to two segments and ends where it
// must: back at its start, or at a point not joined to exactly two.
std::vector<Chain> Chains(const TContour& c) {
  auto key = [](std::int32_t a, std::int32_t b) { return Pair{std::min(a, b), std::max(a, b)}; };
  const auto n = static_cast<std::int32_t>(c.Points.size());
  std::set<Pair> segments;
  for (const TLine& l : c.Contours) {
    if (l.sp != l.ep && std::min(l.sp, l.ep) >= 0 && std::max(l.sp, l.ep) < n) {
      segments.insert(key(l.sp, l.ep));
    }
  }
  std::map<std::int32_t, int> degree;
  for (const Pair& s : segments) ++degree[s.first], ++degree[s.second];
  TContourChains chains;
  ChainContour(c, chains);
  std::map<Pair, int> used;
  std::vector<Chain> out;
  for (const TPolyline& line : chains.Lines) {
    const auto pts = chains.PointsOf(line);
    out.emplace_back(std::vector<std::int32_t>(pts.begin(), pts.end()), line.closed);
    EXPECT_GE(pts.size(), line.closed ? 3u : 2u);
    for (std::size_t i = 0; i + (line.closed ? 0 : 1) < pts.size(); ++i) {
      ++used[key(pts[i], pts[(i + 1) % pts.size()])];
    }
    for (std::size_t i = 1; i + (line.closed ? 0 : 1) < pts.size(); ++i) {
      EXPECT_EQ(degree[pts[i]], 2);
    }
    if (!line.closed) {
      EXPECT_TRUE(degree[pts.front()] != 2 && degree[pts.back()] != 2);
    }
  }
  std::set<Pair> joined;
  for (const auto& [s, count] : used) {
    EXPECT_EQ(count, 1) << s.first << "-" << s.second;
    joined.insert(s);
  }
  EXPECT_EQ(joined, segments);
  return out;
}

TContour Segments(int points, std::vector<Pair> segments) {
  TContour c;
  c.Points.resize(static_cast<std::size_t>(points));
  for (auto [a, b] : segments) c.Contours.push_back({a, b});
  return c;
}

TEST(ChainHandMade, GivesExactlyThesePolylines) {
  // A triangle whose segments run either way closes at the first one's start.
  EXPECT_EQ(Chains(Segments(3, {{1, 2}, {0, 2}, {1, 0}})), (std::vector<Chain>{{{1, 2, 0}, true}}));
  // An open path met in its middle runs in the direction of that segment.
  EXPECT_EQ(Chains(Segments(4, {{1, 2}, {0, 1}, {2, 3}})),
            (std::vector<Chain>{{{0, 1, 2, 3}, false}}));
  // Zero-length, repeated (either way) and out-of-range segments are dropped.
  EXPECT_EQ(Chains(Segments(3, {{0, 0}, {0, 1}, {1, 0}, {0, 1}, {1, 7}, {-1, 1}, {1, 2}, {2, 2}})),
            (std::vector<Chain>{{{0, 1, 2}, false}}));
  // A loop with a tail: the loop closes at the branch point, the tail is apart.
  EXPECT_EQ(Chains(Segments(5, {{1, 2}, {2, 3}, {3, 1}, {1, 0}, {0, 4}})),
            (std::vector<Chain>{{{1, 2, 3}, true}, {{1, 0, 4}, false}}));
}

// A grid of nx × ny cells of 1 × 1, each split from (i, j) to (i+1, j+1),
// with the height z(i, j) at each grid point.
template <typename Z>
Mesh Grid(int nx, int ny, Z z) {
  Mesh m = gen::MakeTerrain(nx, ny);
  for (std::size_t k = 1; k < m.V.size(); ++k) m.V[k].z = z(int(m.V[k].x), int(m.V[k].y));
  ZMinMax(m);
  m.version = NewMeshVersion();
  return m;
}

TContour Cut(const Mesh& m, double level) {
  TContour c;
  CalculateContour(m, level, c);
  return c;
}

std::int32_t At(const TContour& c, double x, double y) {
  for (std::size_t k = 0; k < c.Points.size(); ++k) {
    if (std::fabs(c.Points[k].X - x) + std::fabs(c.Points[k].Y - y) < 1e-9) return std::int32_t(k);
  }
  ADD_FAILURE() << "no point at " << x << ", " << y;
  return -1;
}

std::set<std::int32_t> Ends(const Chain& chain) {
  return {chain.first.front(), chain.first.back()};
}

TEST(ChainMesh, APyramidCutHalfwayIsOneClosedRingOfFourPoints) {
  const Mesh m = MakeMesh({{0, 0, 0}, {4, 0, 0}, {4, 4, 0}, {0, 4, 0}, {2, 2, 4}},
                          {TFace{{1, 2, 5}}, TFace{{2, 3, 5}}, TFace{{3, 4, 5}}, TFace{{4, 1, 5}},
                           TFace{{1, 3, 2}}, TFace{{1, 4, 3}}});
  const std::vector<Chain> chains = Chains(Cut(m, 2));
  ASSERT_EQ(chains.size(), 1u);
  EXPECT_TRUE(chains[0].second);
  EXPECT_EQ(chains[0].first.size(), 4u);
}

TEST(ChainMesh, ALineEndingAtTheBorderOfTheMeshIsOpen) {
  // z = x: the level 0.75 runs from (0.75, 0) to (0.75, 2).
  const TContour c = Cut(Grid(2, 2, [](int i, int) { return i; }), 0.75);
  const std::vector<Chain> chains = Chains(c);
  ASSERT_EQ(chains.size(), 1u);
  EXPECT_FALSE(chains[0].second);
  EXPECT_EQ(Ends(chains[0]), (std::set<std::int32_t>{At(c, 0.75, 0), At(c, 0.75, 2)}));
}

TEST(ChainMesh, TwoLoopsTouchingAtOnePointAreTwoClosedPolylinesFromThere) {
  //   0 0 0 0 0
  //   0 2 1 2 0    two peaks and, between them, a saddle at the level 1:
  //   0 0 0 0 0    the contour is a figure eight through the saddle
  const TContour c =
      Cut(Grid(4, 2, [](int i, int j) { return j != 1  ? 0
                                               : i % 2 ? 2
                                                       : i == 2; }), 1);
  const std::vector<Chain> chains = Chains(c);
  ASSERT_EQ(chains.size(), 2u);
  for (const Chain& loop : chains) {
    EXPECT_TRUE(loop.second);
    EXPECT_EQ(loop.first.front(), At(c, 2, 1));
    EXPECT_EQ(loop.first.size(), 6u);  // the saddle and five midpoints round a peak
  }
}

TEST(ChainMesh, ALevelThroughVerticesDropsItsZeroLengthPieces) {
  // z = y cut at 1: the middle row lies in the plane; faces with one corner
  // there and two above leave zero-length segments.
  const TContour c = Cut(Grid(2, 2, [](int, int j) { return j; }), 1);
  ASSERT_TRUE(std::any_of(c.Contours.begin(), c.Contours.end(),
                          [](const TLine& l) { return l.sp == l.ep; }));
  const std::vector<Chain> chains = Chains(c);
  ASSERT_EQ(chains.size(), 1u);
  EXPECT_EQ(chains[0].first.size(), 3u);
  EXPECT_EQ(Ends(chains[0]), (std::set<std::int32_t>{At(c, 0, 1), At(c, 2, 1)}));
}

TEST(ChainMesh, ANonManifoldEdgeIsWhereThreePolylinesMeet) {
  // Three faces share the edge (0,0,0)-(0,0,2), one of them twice: cut at 1
  // that edge's point has three ways on; the repeated face counts once.
  const Mesh m = MakeMesh({{0, 0, 0}, {0, 0, 2}, {2, 0, 0}, {-1, 2, 0}, {-1, -2, 0}},
                          {TFace{{1, 2, 3}}, TFace{{1, 2, 4}}, TFace{{1, 2, 5}}, TFace{{2, 1, 3}}});
  const TContour c = Cut(m, 1);
  ASSERT_EQ(c.Contours.size(), 4u);
  const std::vector<Chain> chains = Chains(c);
  ASSERT_EQ(chains.size(), 3u);
  for (const Chain& line : chains) {
    EXPECT_FALSE(line.second);
    EXPECT_EQ(line.first.size(), 2u);
    EXPECT_TRUE(Ends(line).count(At(c, 0, 0)));
  }
}

TEST(ChainRandom, EverySegmentLiesInExactlyOnePolyline) {
  std::mt19937_64 rng(12);
  std::uniform_int_distribution<int> h(0, 4);
  for (int round = 0; round < 30; ++round) {
    // Heights from a few whole numbers, cut at whole and half numbers: many
    // vertices in the plane, many saddles; and a soup of random faces.
    const Mesh grid = Grid(12, 9, [&](int, int) { return h(rng); });
    const Mesh soup = test::RandomMesh(rng, 40, 80, 5);
    for (double level = 0; level <= 4; level += 0.5) {
      SCOPED_TRACE(testing::Message() << "round " << round << " level " << level);
      Chains(Cut(grid, level));
      Chains(Cut(soup, level));
    }
  }
  const Mesh terrain = gen::MakeTerrain(60, 40);
  std::uniform_real_distribution<double> level(terrain.zmin, terrain.zmax);
  for (int k = 0; k < 20; ++k) Chains(Cut(terrain, level(rng)));
}

}  // namespace
}  // namespace quervik
