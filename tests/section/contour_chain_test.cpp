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

using testmesh::MakeMesh;

struct Chain {
  std::vector<std::int32_t> points;
  bool closed;
  bool operator==(const Chain&) const = default;
};

std::ostream& operator<<(std::ostream& os, const Chain& c) {
  for (const std::int32_t p : c.points) os << p << ' ';
  return os << (c.closed ? "closed" : "open");
}

// Every non-degenerate segment (as an unordered pair) lies in exactly one
// polyline, polylines join nothing else, and each ends where it must: at a
// point not joined to exactly two segments, or back at its start.
void ExpectValidChains(const TContour& c, const TContourChains& chains) {
  using Pair = std::pair<std::int32_t, std::int32_t>;
  auto key = [](std::int32_t a, std::int32_t b) { return Pair{std::min(a, b), std::max(a, b)}; };
  const auto n = static_cast<std::int32_t>(c.Points.size());
  std::set<Pair> segments;
  for (const TLine& l : c.Contours) {
    if (l.sp != l.ep && l.sp >= 0 && l.ep >= 0 && l.sp < n && l.ep < n) {
      segments.insert(key(l.sp, l.ep));
    }
  }
  std::map<std::int32_t, int> degree;
  for (const Pair& s : segments) {
    ++degree[s.first];
    ++degree[s.second];
  }
  std::map<Pair, int> used;
  for (const TPolyline& line : chains.Lines) {
    const auto pts = chains.PointsOf(line);
    ASSERT_GE(pts.size(), line.closed ? 3u : 2u);
    const std::size_t joins = line.closed ? pts.size() : pts.size() - 1;
    for (std::size_t i = 0; i < joins; ++i) {
      ++used[key(pts[i], pts[(i + 1) % pts.size()])];
    }
    // Inside a polyline every point is joined to exactly two segments.
    for (std::size_t i = 1; i + 1 < pts.size(); ++i) EXPECT_EQ(degree[pts[i]], 2);
    if (line.closed) {
      EXPECT_EQ(degree[pts.back()], 2);
    } else {
      EXPECT_NE(degree[pts.front()], 2);
      EXPECT_NE(degree[pts.back()], 2);
    }
  }
  for (const auto& [s, count] : used) {
    EXPECT_TRUE(segments.count(s)) << "joins " << s.first << "-" << s.second;
    EXPECT_EQ(count, 1) << s.first << "-" << s.second;
  }
  EXPECT_EQ(used.size(), segments.size());
}

std::vector<Chain> Chains(const TContour& c) {
  TContourChains chains;
  ChainContour(c, chains);
  ExpectValidChains(c, chains);
  std::vector<Chain> out;
  for (const TPolyline& line : chains.Lines) {
    const auto pts = chains.PointsOf(line);
    out.push_back({{pts.begin(), pts.end()}, line.closed});
  }
  return out;
}

TContour Segments(int points, std::vector<std::pair<int, int>> segments) {
  TContour c;
  c.Points.resize(static_cast<std::size_t>(points));
  for (auto [a, b] : segments) c.Contours.push_back({a, b});
  return c;
}

struct HandMade {
  const char* what;
  TContour contour;
  std::vector<Chain> expected;
};

void PrintTo(const HandMade& h, std::ostream* os) {
  *os << h.what;
}

class ChainHandMade : public ::testing::TestWithParam<HandMade> {};

TEST_P(ChainHandMade, GivesExactlyThesePolylines) {
  EXPECT_EQ(Chains(GetParam().contour), GetParam().expected) << GetParam().what;
}

INSTANTIATE_TEST_SUITE_P(
    Sections, ChainHandMade,
    ::testing::Values(
        HandMade{"nothing", Segments(3, {}), {}},
        HandMade{"a triangle whose segments run either way, closed at the first segment's start",
                 Segments(3, {{1, 2}, {0, 2}, {1, 0}}),
                 {{{1, 2, 0}, true}}},
        HandMade{"an open path found from its middle runs in the direction of that segment",
                 Segments(4, {{1, 2}, {0, 1}, {2, 3}}),
                 {{{0, 1, 2, 3}, false}}},
        HandMade{"zero-length, repeated (either way) and out-of-range segments are dropped",
                 Segments(3, {{0, 0}, {0, 1}, {1, 0}, {0, 1}, {1, 7}, {-1, 1}, {1, 2}, {2, 2}}),
                 {{{0, 1, 2}, false}}},
        HandMade{"three ways from one point are three polylines, in segment order",
                 Segments(4, {{1, 0}, {0, 2}, {3, 0}}),
                 {{{1, 0}, false}, {{0, 2}, false}, {{3, 0}, false}}},
        HandMade{"a loop with a tail: the loop closes at the branch point",
                 Segments(5, {{1, 2}, {2, 3}, {3, 1}, {1, 0}, {0, 4}}),
                 {{{1, 2, 3}, true}, {{1, 0, 4}, false}}}));

// The square pyramid: base (0,0)-(4,4) at 0, apex (2,2) at 4.
Mesh Pyramid() {
  return MakeMesh({{0, 0, 0}, {4, 0, 0}, {4, 4, 0}, {0, 4, 0}, {2, 2, 4}},
                  {TFace{{1, 2, 5}}, TFace{{2, 3, 5}}, TFace{{3, 4, 5}}, TFace{{4, 1, 5}},
                   TFace{{1, 3, 2}}, TFace{{1, 4, 3}}});
}

// A grid of nx × ny cells of 1 × 1, each split from (i, j) to (i+1, j+1),
// with the height z(i, j) at each grid point.
template <typename Z>
Mesh Grid(int nx, int ny, Z z) {
  Mesh m;
  m.V.push_back({});
  m.Fc.push_back({});
  m.Vn.push_back({});
  for (int j = 0; j <= ny; ++j) {
    for (int i = 0; i <= nx; ++i) m.V.push_back({double(i), double(j), double(z(i, j))});
  }
  auto id = [nx](int i, int j) { return static_cast<std::int32_t>(j * (nx + 1) + i + 1); };
  for (int j = 0; j < ny; ++j) {
    for (int i = 0; i < nx; ++i) {
      m.Fc.push_back(TFace{{id(i, j), id(i + 1, j), id(i + 1, j + 1)}});
      m.Fc.push_back(TFace{{id(i, j), id(i + 1, j + 1), id(i, j + 1)}});
    }
  }
  ZMinMax(m);
  m.version = NewMeshVersion();
  return m;
}

std::int32_t IndexOf(const TContour& c, double x, double y) {
  for (std::size_t k = 0; k < c.Points.size(); ++k) {
    if (std::fabs(c.Points[k].X - x) < 1e-9 && std::fabs(c.Points[k].Y - y) < 1e-9) {
      return static_cast<std::int32_t>(k);
    }
  }
  ADD_FAILURE() << "no point at " << x << ", " << y;
  return -1;
}

TEST(ChainMesh, APyramidCutHalfwayIsOneClosedRing) {
  TContour c;
  CalculateContour(Pyramid(), 2, c);
  const std::vector<Chain> chains = Chains(c);
  ASSERT_EQ(chains.size(), 1u);
  EXPECT_TRUE(chains[0].closed);
  EXPECT_EQ(chains[0].points.size(), 4u);  // the four midpoints, not five
}

TEST(ChainMesh, ALineEndingAtTheBorderOfTheMeshIsOpen) {
  // z = x on 2 × 2 cells: the level 0.75 runs from (0.75, 0) to (0.75, 2).
  TContour c;
  CalculateContour(Grid(2, 2, [](int i, int) { return i; }), 0.75, c);
  const std::vector<Chain> chains = Chains(c);
  ASSERT_EQ(chains.size(), 1u);
  EXPECT_FALSE(chains[0].closed);
  const std::set<std::int32_t> ends{chains[0].points.front(), chains[0].points.back()};
  EXPECT_EQ(ends, (std::set<std::int32_t>{IndexOf(c, 0.75, 0), IndexOf(c, 0.75, 2)}));
}

TEST(ChainMesh, TwoLoopsTouchingAtOnePointAreTwoClosedPolylinesFromThere) {
  //   0 0 0 0 0
  //   0 2 1 2 0    two peaks and, between them, a saddle at the level 1:
  //   0 0 0 0 0    the contour is a figure eight through the saddle
  const int z[3][5] = {{0, 0, 0, 0, 0}, {0, 2, 1, 2, 0}, {0, 0, 0, 0, 0}};
  TContour c;
  CalculateContour(Grid(4, 2, [&](int i, int j) { return z[j][i]; }), 1, c);
  const std::int32_t saddle = IndexOf(c, 2, 1);
  const std::vector<Chain> chains = Chains(c);
  ASSERT_EQ(chains.size(), 2u);
  for (const Chain& loop : chains) {
    EXPECT_TRUE(loop.closed);
    EXPECT_EQ(loop.points.front(), saddle);
    EXPECT_EQ(loop.points.size(), 6u);  // the saddle and five midpoints round a peak
  }
}

TEST(ChainMesh, ALevelThroughVerticesDropsItsZeroLengthPieces) {
  // z = y on 2 × 2 cells cut at 1: the middle row lies in the plane. Faces
  // with one corner there and two above leave zero-length segments.
  TContour c;
  CalculateContour(Grid(2, 2, [](int, int j) { return j; }), 1, c);
  ASSERT_TRUE(std::any_of(c.Contours.begin(), c.Contours.end(),
                          [](const TLine& l) { return l.sp == l.ep; }));
  const std::vector<Chain> chains = Chains(c);
  ASSERT_EQ(chains.size(), 1u);
  EXPECT_FALSE(chains[0].closed);
  EXPECT_EQ(chains[0].points.size(), 3u);
  const std::set<std::int32_t> ends{chains[0].points.front(), chains[0].points.back()};
  EXPECT_EQ(ends, (std::set<std::int32_t>{IndexOf(c, 0, 1), IndexOf(c, 2, 1)}));
}

TEST(ChainMesh, ANonManifoldEdgeIsWhereThreePolylinesMeet) {
  // Three faces share the edge from (0,0,0) to (0,0,2), one of them twice:
  // cut at 1 the edge's point has three ways on, and the repeated face's
  // segment counts once.
  const Mesh m = MakeMesh({{0, 0, 0}, {0, 0, 2}, {2, 0, 0}, {-1, 2, 0}, {-1, -2, 0}},
                          {TFace{{1, 2, 3}}, TFace{{1, 2, 4}}, TFace{{1, 2, 5}}, TFace{{2, 1, 3}}});
  TContour c;
  CalculateContour(m, 1, c);
  ASSERT_EQ(c.Contours.size(), 4u);
  const std::int32_t edge = IndexOf(c, 0, 0);
  const std::vector<Chain> chains = Chains(c);
  ASSERT_EQ(chains.size(), 3u);
  for (const Chain& line : chains) {
    EXPECT_FALSE(line.closed);
    EXPECT_EQ(line.points.size(), 2u);
    EXPECT_TRUE(line.points.front() == edge || line.points.back() == edge);
  }
}

TEST(ChainRandom, EverySegmentLiesInExactlyOnePolyline) {
  std::mt19937_64 rng(12);
  for (int round = 0; round < 30; ++round) {
    // Heights from a few whole numbers, cut at whole and half numbers: many
    // vertices lie in the plane, many saddles touch.
    std::uniform_int_distribution<int> h(0, 4);
    const Mesh grid = Grid(12, 9, [&](int, int) { return h(rng); });
    std::mt19937_64 soupRng(rng());
    const Mesh soup = testmesh::RandomMesh(soupRng, 40, 80, 5);
    for (const Mesh* m : {&grid, &soup}) {
      for (double level = 0; level <= 4; level += 0.5) {
        TContour c;
        CalculateContour(*m, level, c);
        SCOPED_TRACE(testing::Message() << "round " << round << " level " << level);
        Chains(c);
      }
    }
  }
  const Mesh terrain = gen::MakeTerrain(60, 40);
  std::uniform_real_distribution<double> level(terrain.zmin, terrain.zmax);
  for (int k = 0; k < 20; ++k) {
    TContour c;
    CalculateContour(terrain, level(rng), c);
    Chains(c);
  }
}

}  // namespace
}  // namespace quervik
