// Faces paired by their edges, and the closed-and-oriented test.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <initializer_list>
#include <tuple>
#include <vector>

#include "model/edge_pairs.h"

namespace quervik {
namespace {

Mesh Faces(int vertices, const std::vector<TFace>& faces) {
  return MakeMesh(std::vector<Tvertex>(static_cast<std::size_t>(vertices)), faces);
}

// The tetrahedron 1-2-3-4 wound outwards.
Mesh Tetra() {
  return Faces(4, {{1, 3, 2}, {1, 2, 4}, {2, 3, 4}, {3, 1, 4}});
}

TEST(EdgePairs, EveryEdgeWithItsFacesInOrder) {
  //   3          two faces sharing the edge 1-3, run 1->3 by face 2 and
  //   | \        3->1 by face 1
  //   1--2  4
  const EdgePairs e = EdgePairs::Build(Faces(4, {{1, 2, 3}, {1, 3, 4}}));
  using Edge = std::tuple<std::int32_t, std::int32_t, std::vector<std::int32_t>, std::vector<bool>>;
  std::vector<Edge> edges;
  e.ForEachEdge([&](std::int32_t lo, std::int32_t hi, std::span<const EdgeUse> uses) {
    Edge edge{lo, hi, {}, {}};
    for (const EdgeUse& u : uses) {
      std::get<2>(edge).push_back(u.face);
      std::get<3>(edge).push_back(u.forward);
    }
    edges.push_back(edge);
  });
  EXPECT_EQ(edges, (std::vector<Edge>{{1, 2, {1}, {true}},
                                      {1, 3, {1, 2}, {false, true}},
                                      {1, 4, {2}, {false}},
                                      {2, 3, {1}, {true}},
                                      {3, 4, {2}, {true}}}));
  EXPECT_EQ(e.vertices(), 5u);
  EXPECT_TRUE(e.From(0).empty());
}

TEST(EdgePairs, ClosedAndOriented) {
  struct Case {
    const char* what;
    Mesh mesh;
    bool closed;
  };
  const std::vector<Case> cases = {
      {"tetrahedron", Tetra(), true},
      {"wound inwards", Faces(4, {{1, 2, 3}, {1, 4, 2}, {2, 4, 3}, {3, 4, 1}}), true},
      {"one face missing", Faces(4, {{1, 3, 2}, {1, 2, 4}, {2, 3, 4}}), false},
      {"one face turned", Faces(4, {{1, 2, 3}, {1, 2, 4}, {2, 3, 4}, {3, 1, 4}}), false},
      {"a face twice: edges used four times",
       Faces(4, {{1, 3, 2}, {1, 2, 4}, {2, 3, 4}, {3, 1, 4}, {1, 3, 2}, {1, 2, 3}}), false},
      {"two faces back to back", Faces(3, {{1, 2, 3}, {1, 3, 2}}), true},
      {"no faces", Faces(3, {}), false},
      // Faces without edges (a vertex twice, a missing slot) are left out.
      {"degenerate extras",
       Faces(4, {{1, 3, 2}, {1, 2, 4}, {2, 3, 4}, {3, 1, 4}, {2, 2, 3}, {1, 2, 9}, {-1, 2, 3}}),
       true},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(EdgePairs::Build(c.mesh).ClosedAndOriented(), c.closed) << c.what;
  }
}

TEST(EdgePairs, AVertexOfManyFacesKeepsThemAscending) {
  // A fan of 100 faces around vertex 1, numbered against the order of their
  // other vertices.
  Mesh m = Faces(102, {});
  for (std::int32_t k = 101; k >= 2; --k) m.Fc.push_back(TFace{{1, k, k + 1}});
  const EdgePairs e = EdgePairs::Build(m);
  const auto from1 = e.From(1);
  ASSERT_EQ(from1.size(), 200u);
  EXPECT_TRUE(std::is_sorted(from1.begin(), from1.end(), [](const EdgeUse& a, const EdgeUse& b) {
    return a.other < b.other || (a.other == b.other && a.face < b.face);
  }));
}

}  // namespace
}  // namespace quervik
