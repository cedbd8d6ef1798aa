#include "analysis/crease_edges.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <initializer_list>
#include <numbers>
#include <random>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "bench/common/generators.h"
#include "core/errors.h"
#include "core/number_format.h"
#include "core/progress.h"
#include "model/vector_math.h"

namespace quervik {
namespace {

using Edges = std::vector<Tbruchkante>;
using Ints = std::vector<std::int32_t>;

//      8-------7
//     /|      /|     vertices 1..8 at the corners of the unit cube,
//    5-------6 |     two faces per side, all wound outwards
//    | 4-----|-3
//    |/      |/
//    1-------2
Mesh MakeCube() {
  return MakeMesh(
      {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}, {0, 0, 1}, {1, 0, 1}, {1, 1, 1}, {0, 1, 1}},
      {{1, 3, 2},
       {1, 4, 3},  // bottom
       {5, 6, 7},
       {5, 7, 8},  // top
       {1, 2, 6},
       {1, 6, 5},  // front
       {4, 8, 7},
       {4, 7, 3},  // back
       {1, 5, 8},
       {1, 8, 4},  // left
       {2, 3, 7},
       {2, 7, 6}});  // right
}

// A closed tetrahedron with scrambled vertex numbers: 4 at the origin, 2 on
// x, 3 on y, 1 on z. Face 1 is the slanted one; the three others lie in the
// coordinate planes. Normals of two axis faces meet at 90 degrees, the
// slanted one meets each at about 125.3 degrees.
Mesh MakeTetrahedron() {
  return MakeMesh({{0, 0, 1}, {1, 0, 0}, {0, 1, 0}, {0, 0, 0}},
                  {{2, 3, 1}, {4, 3, 2}, {4, 2, 1}, {4, 1, 3}});
}

// Two faces hinged on the edge 1-2 (the x axis): face 1 in the plane z = 0,
// face 2 turned so that the normals are `degrees` apart.
Mesh MakeHinge(double degrees) {
  const double a = degrees / 180 * std::numbers::pi;
  return MakeMesh({{0, 0, 0}, {1, 0, 0}, {0.5, 1, 0}, {0.5, -std::cos(a), std::sin(a)}},
                  {{1, 2, 3}, {2, 1, 4}});
}

// The angle as typed, read with the process-wide separator.
Edges Find(const Mesh& m, std::string_view angle) {
  return BruchkanteFinden(m, StrToFloat(angle)).Bruchkanten;
}

std::string Text(const Edges& e) {
  std::string s;
  for (const Tbruchkante& k : e) {
    s += '(';
    s += std::to_string(k[0]);
    s += ',';
    s += std::to_string(k[1]);
    s += ')';
  }
  return s;
}

class CreaseTest : public ::testing::Test {
 protected:
  void SetUp() override { SetDecimalSeparator('.'); }
  void TearDown() override { SetDecimalSeparator('.'); }
};

// ---- Schnittmenge ----------------------------------------------------------

TEST(Schnittmenge, KeepsTheValuesInBothListsAscending) {
  struct Case {
    Ints a, b, expected;
  };
  const Case cases[] = {
      {{}, {}, {}},
      {{1, 2, 3}, {}, {}},
      {{}, {4}, {}},
      {{1, 3, 5, 7}, {2, 3, 4, 7, 9}, {3, 7}},
      {{2, 3, 4, 7, 9}, {1, 3, 5, 7}, {3, 7}},
      {{1, 2, 3}, {1, 2, 3}, {1, 2, 3}},
      {{1, 3, 5}, {2, 4, 6}, {}},
      {{5}, {1, 2, 3, 4, 5}, {5}},
      {{1, 2, 3, 4, 5}, {1}, {1}},
      {{0, 10, 20, 30}, {10, 30, 40}, {10, 30}},
  };
  for (const Case& c : cases) EXPECT_EQ(Schnittmenge(c.a, c.b), c.expected);
}

// ---- detection -------------------------------------------------------------

TEST_F(CreaseTest, TheCubeGivesItsTwelveEdgesAndNoDiagonal) {
  const Mesh cube = MakeCube();
  const CreaseEdges found = BruchkanteFinden(cube, 85);
  // Face by face, pairs (1st,2nd), (1st,3rd), (2nd,3rd), lower number first.
  EXPECT_EQ(Text(found.Bruchkanten),
            "(1,2)(2,3)(1,4)(3,4)(5,6)(6,7)(5,8)(7,8)(2,6)(1,5)(4,8)(3,7)");
  EXPECT_EQ(found.skippedFaces, 0u);
  // Above 90 degrees neither the edges (cosine 0) nor the diagonals count.
  EXPECT_TRUE(Find(MakeCube(), "90.5").empty());
}

TEST_F(CreaseTest, TheOrderFollowsTheFacesAndThePairsWithinAFace) {
  // Every edge of the tetrahedron is a crease at 85 degrees; face 1 gives
  // its three in the order (1st,2nd), (1st,3rd), (2nd,3rd).
  EXPECT_EQ(Text(Find(MakeTetrahedron(), "85")), "(2,3)(1,2)(1,3)(3,4)(2,4)(1,4)");
  // At 100 degrees only the edges of the slanted face.
  EXPECT_EQ(Text(Find(MakeTetrahedron(), "100")), "(2,3)(1,2)(1,3)");
  EXPECT_EQ(Text(Find(MakeTetrahedron(), "130")), "");

  // An open pyramid with scrambled numbers: apex 3, base 5-1-4-2. The base
  // edges are boundary edges; every slope edge is found once, from the
  // lowest face that holds it, with the lower number first.
  Mesh pyramid = MakeMesh({{1, -1, 0}, {-1, 1, 0}, {0, 0, 1}, {1, 1, 0}, {-1, -1, 0}},
                          {{5, 1, 3}, {1, 4, 3}, {4, 2, 3}, {2, 5, 3}});
  EXPECT_EQ(Text(Find(pyramid, "30")), "(3,5)(1,3)(3,4)(2,3)");
  EXPECT_EQ(Text(Find(pyramid, "1e-9")), "(3,5)(1,3)(3,4)(2,3)");
  EXPECT_EQ(Text(Find(pyramid, "61")), "");  // the slopes meet at 60 degrees
}

TEST_F(CreaseTest, AFlatConsistentlyWoundSurfaceHasNoCrease) {
  // A fan of 12 faces around a centre, once in the plane z = 0 and once
  // tilted (normal (1, 2, 2) / 3).
  for (bool tilted : {false, true}) {
    Mesh m;
    m.V.push_back({});
    m.Fc.push_back({});
    m.V.push_back({0, 0, 0});
    const int n = 12;
    for (int s = 0; s < n; ++s) {
      const double t = 2 * std::numbers::pi * s / n;
      const double r = 1 + 0.3 * (s % 3);  // uneven, still flat
      const double u = r * std::cos(t), v = r * std::sin(t);
      if (tilted) {
        // u along (2, -1, 0) / sqrt 5, v along (2, 4, -5) / sqrt 45
        m.V.push_back({(2 * u) / std::sqrt(5.0) + (2 * v) / std::sqrt(45.0),
                       -u / std::sqrt(5.0) + (4 * v) / std::sqrt(45.0),
                       (-5 * v) / std::sqrt(45.0)});
      } else {
        m.V.push_back({u, v, 0});
      }
    }
    for (int s = 0; s < n; ++s) m.Fc.push_back(TFace{{1, 2 + s, 2 + (s + 1) % n}});
    for (const char* angle : {"0.001", "0.5", "1", "45", "85", "90", "135", "179.9"}) {
      EXPECT_TRUE(Find(m, angle).empty()) << angle << (tilted ? " tilted" : " flat");
    }
    if (!tilted) {
      // cos(1e-9 degrees) is exactly 1, as are the cosines: the test is strict.
      EXPECT_TRUE(Find(m, "1e-9").empty());
    }
  }
}

TEST_F(CreaseTest, OppositeWindingIsACreaseAtEveryThresholdBelow180) {
  //  3---4
  //  | \ |   (1,2,3) faces up, (2,3,4) faces down
  //  1---2
  const Mesh m = MakeMesh({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {1, 1, 0}}, {{1, 2, 3}, {2, 3, 4}});
  for (const char* angle : {"1e-9", "1", "90", "179", "179.999"}) {
    EXPECT_EQ(Text(Find(m, angle)), "(2,3)") << angle;
  }
  EXPECT_EQ(Text(Find(m, "180")), "");  // cosine -1 is not below cos 180 = -1
}

TEST_F(CreaseTest, TheThresholdIsStrict) {
  EXPECT_EQ(Text(Find(MakeHinge(30.25), "30")), "(1,2)");
  EXPECT_EQ(Text(Find(MakeHinge(30.25), "30.5")), "");
  EXPECT_EQ(Text(Find(MakeHinge(29.75), "30")), "");
  // Normals at exactly 90 degrees (cosine 0): cos(90 degrees) in floating
  // point is 6e-17, so the edge counts at 90 but not at 89.
  const Mesh square =
      MakeMesh({{0, 0, 0}, {1, 0, 0}, {0.5, 1, 0}, {0.5, 0, 1}}, {{1, 2, 3}, {2, 1, 4}});
  EXPECT_EQ(Text(Find(square, "90")), "(1,2)");
  EXPECT_EQ(Text(Find(square, "90.001")), "");
  EXPECT_EQ(Text(Find(square, "89")), "(1,2)");
}

TEST_F(CreaseTest, BoundaryEdgesAreNeverCreases) {
  const Mesh single = MakeMesh({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}, {{1, 2, 3}});
  for (const char* angle : {"1e-9", "45", "179"}) EXPECT_TRUE(Find(single, angle).empty());
  // A right-angled fold: only the shared edge.
  EXPECT_EQ(Text(Find(MakeHinge(90), "45")), "(1,2)");
}

TEST_F(CreaseTest, AnEdgeOfThreeFacesIsJudgedByTheTwoLowest) {
  // Edge 1-2 on the x axis; A = (1,2,4) and B = (2,1,3) lie in z = 0, both
  // facing up; C = (1,2,5) stands upright.
  const std::initializer_list<Tvertex> v = {
      {0, 0, 0}, {1, 0, 0}, {0.5, -1, 0}, {0.5, 1, 0}, {0.5, 0, 1}};
  const TFace A{1, 2, 4}, B{2, 1, 3}, C{1, 2, 5};
  EXPECT_EQ(Text(Find(MakeMesh(v, {A, B, C}), "45")), "");
  EXPECT_EQ(Text(Find(MakeMesh(v, {A, C, B}), "45")), "(1,2)");
  EXPECT_EQ(Text(Find(MakeMesh(v, {C, A, B}), "45")), "(1,2)");
}

// The index and the normals handed in are those of the mesh: the search
// reads them and nothing else, and leaves the mesh as it was.
TEST_F(CreaseTest, TheSearchIsAPureFunctionOfMeshIndexAndNormals) {
  const Mesh cube = MakeCube();
  const VertexFaceIndex vp = setVertexFacePointers(cube);
  std::vector<Tvect3D> Fn;
  EXPECT_EQ(CalcFaceNormals(cube, Fn), 0u);
  EXPECT_EQ(vp.size(), cube.V.size());
  EXPECT_EQ(Fn.size(), cube.Fc.size());
  const Mesh before = cube;
  const CreaseEdges a = BruchkanteFinden(cube, vp, Fn, 85);
  const CreaseEdges b = BruchkanteFinden(cube, vp, Fn, 85);
  EXPECT_EQ(Text(a.Bruchkanten), Text(b.Bruchkanten));
  EXPECT_EQ(Text(a.Bruchkanten), Text(Find(cube, "85")));
  EXPECT_EQ(cube.V.size(), before.V.size());
  EXPECT_EQ(cube.Fc.size(), before.Fc.size());
  EXPECT_EQ(cube.version, before.version);
}

TEST_F(CreaseTest, NoMeshOrNoFacesFindsNothing) {
  const Mesh nothing;
  EXPECT_TRUE(BruchkanteFinden(nothing, 85).Bruchkanten.empty());
  const Mesh noFaces = MakeMesh({{0, 0, 0}, {1, 1, 1}}, {});
  const CreaseEdges found = BruchkanteFinden(noFaces, 85);
  EXPECT_TRUE(found.Bruchkanten.empty());
  EXPECT_EQ(found.skippedFaces, 0u);
  EXPECT_EQ(setVertexFacePointers(noFaces).size(), 3u);
}

TEST_F(CreaseTest, FacesWithoutAreaAreSkippedAndCounted) {
  // The cube with faces of zero area added: one naming a vertex twice on
  // the edge 1-2, one with three corners on the edge 2-3 (vertex 9 is its
  // middle), both before the cube's faces, and one again on 1-2 at the end.
  // Each edge is judged by its first two faces with an area, so the result
  // is the cube's.
  Mesh m = MakeCube();
  m.V.push_back({1, 0.5, 0});
  m.Fc.insert(m.Fc.begin() + 1, {TFace{{1, 2, 2}}, TFace{{2, 9, 3}}});
  m.Fc.push_back(TFace{{2, 1, 1}});
  const CreaseEdges found = BruchkanteFinden(m, 85);
  EXPECT_EQ(found.skippedFaces, 3u);
  EXPECT_EQ(Text(found.Bruchkanten), Text(Find(MakeCube(), "85")));

  // A fold whose first face on the edge has no area: the edge is judged by
  // the two faces after it.
  Mesh fold = MakeHinge(90);
  fold.Fc.insert(fold.Fc.begin() + 1, TFace{{1, 2, 1}});
  const CreaseEdges folded = BruchkanteFinden(fold, 45);
  EXPECT_EQ(folded.skippedFaces, 1u);
  EXPECT_EQ(Text(folded.Bruchkanten), "(1,2)");
  EXPECT_EQ(BruchkanteFinden(MakeCube(), 85).skippedFaces, 0u);
}

TEST_F(CreaseTest, AnAngleOutsideZeroToOneHundredEightyIsRefused) {
  const Mesh m = MakeCube();
  const VertexFaceIndex vp = setVertexFacePointers(m);
  std::vector<Tvect3D> Fn;
  CalcFaceNormals(m, Fn);
  for (const double bad : {0.0, -0.0, -10.0, 180.001, 270.0, 360.0, std::nan("")}) {
    for (int way = 0; way < 3; ++way) {
      try {
        if (way == 0) CreaseCosine(bad);
        if (way == 1) BruchkanteFinden(m, bad);
        if (way == 2) BruchkanteFinden(m, vp, Fn, bad);
        ADD_FAILURE() << "accepted " << bad << " (way " << way << ")";
      } catch (const Error& e) {
        EXPECT_STREQ(e.what(), "Der Kantenwinkel muss größer als 0° und höchstens 180° sein")
            << bad;
      }
    }
  }
  EXPECT_EQ(Find(MakeCube(), "180").size(), 0u);
  EXPECT_EQ(Find(MakeCube(), "1e-300").size(), 12u);
  EXPECT_EQ(CreaseCosine(180), -1.0);
}

// The window reads the angle as typed, with the process-wide separator.
TEST_F(CreaseTest, TheThresholdIsStrictAtTheTypedAngle) {
  SetDecimalSeparator('.');
  EXPECT_EQ(Text(Find(MakeHinge(30.25), "30.5")), "");
  EXPECT_EQ(Text(Find(MakeHinge(30.75), "30.5")), "(1,2)");
  SetDecimalSeparator(',');
  EXPECT_EQ(Text(Find(MakeHinge(30.25), "30,5")), "");
  EXPECT_EQ(Text(Find(MakeHinge(30.75), "30,5")), "(1,2)");
}

// The detection as written down for people: a fresh Schnittmenge per pair
// and a linear scan of the list for duplicates.
Edges QuadraticReference(const Mesh& m, double degrees) {
  // Faces without area are left out, as if they were not in the mesh.
  std::vector<Tvect3D> Fn(1);
  std::vector<bool> flat(1, true);
  for (size_t i = 1; i < m.Fc.size(); ++i) {
    const Tvertex& A = m.V[static_cast<size_t>(m.Fc[i][1])];
    const Tvertex& B = m.V[static_cast<size_t>(m.Fc[i][2])];
    const Tvertex& C = m.V[static_cast<size_t>(m.Fc[i][3])];
    const Tvect3D n =
        Kreuzprodukt({B.x - A.x, B.y - A.y, B.z - A.z}, {C.x - A.x, C.y - A.y, C.z - A.z});
    flat.push_back(n == Tvect3D{0, 0, 0});
    Fn.push_back(flat.back() ? n : NormVect(n));
  }
  std::vector<Ints> lists(m.V.size());
  for (size_t i = 1; i < m.Fc.size(); ++i) {
    for (int c = 1; c <= 3 && !flat[i]; ++c) {
      Ints& l = lists[static_cast<size_t>(m.Fc[i][c])];
      if (l.empty() || l.back() != static_cast<std::int32_t>(i))
        l.push_back(static_cast<std::int32_t>(i));
    }
  }
  const double cosMaxwinkel = std::cos(degrees / 180 * std::numbers::pi);
  Edges out;
  for (size_t i = 1; i < m.Fc.size(); ++i) {
    if (flat[i]) continue;
    const TFace& f = m.Fc[i];
    for (auto [x, y] : {std::pair{1, 2}, std::pair{1, 3}, std::pair{2, 3}}) {
      std::int32_t p1 = f[x], p2 = f[y];
      const Ints sm = Schnittmenge(lists[static_cast<size_t>(p1)], lists[static_cast<size_t>(p2)]);
      if (sm.size() < 2) continue;
      const double c = WinkelVect(Fn[static_cast<size_t>(sm[0])], Fn[static_cast<size_t>(sm[1])]);
      if (c >= cosMaxwinkel) continue;
      if (p1 > p2) std::swap(p1, p2);
      bool doppelt = false;
      for (const Tbruchkante& k : out) doppelt = doppelt || (k[0] == p1 && k[1] == p2);
      if (!doppelt) out.push_back({p1, p2});
    }
  }
  return out;
}

TEST_F(CreaseTest, AgreesWithTheQuadraticReferenceOnRandomMeshes) {
  // Few vertices and many faces: edges shared by two, three or more faces,
  // the same face twice, both windings, coplanar neighbours (small integer
  // coordinates), faces on the placeholder vertex 0 and faces without area.
  std::mt19937 rng(2024);
  size_t creases = 0;
  for (int round = 0; round < 400; ++round) {
    const int nv = std::uniform_int_distribution<int>(3, 14)(rng);
    const int nf = std::uniform_int_distribution<int>(1, 90)(rng);
    Mesh m;
    m.V.push_back({});
    m.Fc.push_back({});
    std::uniform_int_distribution<int> coord(-2, 2);
    for (int k = 0; k < nv; ++k)
      m.V.push_back({double(coord(rng)), double(coord(rng)), double(coord(rng)) * 0.5});
    std::uniform_int_distribution<std::int32_t> corner(0, nv);
    while (static_cast<int>(m.Fc.size()) <= nf) {
      const TFace f{{corner(rng), corner(rng), corner(rng)}};
      const Tvertex &A = m.V[static_cast<size_t>(f[1])], &B = m.V[static_cast<size_t>(f[2])],
                    &C = m.V[static_cast<size_t>(f[3])];
      const Tvect3D n =
          Kreuzprodukt({B.x - A.x, B.y - A.y, B.z - A.z}, {C.x - A.x, C.y - A.y, C.z - A.z});
      // Faces without area are kept now and then: they must be skipped.
      if (n[0] == 0 && n[1] == 0 && n[2] == 0 && rng() % 4 != 0) continue;
      m.Fc.push_back(f);
      if (rng() % 8 == 0) m.Fc.push_back(f);  // the same face again
    }
    for (const char* angle : {"1e-9", "10", "45", "89.5", "90", "120", "179", "180"}) {
      const Edges expected = QuadraticReference(m, StrToFloat(angle));
      ASSERT_EQ(Text(Find(m, angle)), Text(expected)) << "round " << round << " angle " << angle;
      creases += expected.size();
    }
  }
  EXPECT_GT(creases, 10000u);  // the comparison saw plenty of edges

  // Very many faces at one vertex: the apex and the base centre of a cone
  // join 2000 faces each; a vertex of it doubled gives faces without area.
  Mesh cone = gen::MakeCone(2000);
  cone.Fc[77] = TFace{{cone.Fc[77][1], cone.Fc[77][2], cone.Fc[77][2]}};
  for (const char* angle : {"0.1", "30", "90", "179"}) {
    EXPECT_EQ(Text(Find(cone, angle)), Text(QuadraticReference(cone, StrToFloat(angle)))) << angle;
  }
}

// The search reports (0, total) first and (total, total) last, the steps
// being the entries of the vertex-face index, and on the way for a large
// mesh; Cancelled thrown from it ends the search.
TEST_F(CreaseTest, ProgressOnTheWayAndCancel) {
  const Mesh cone = gen::MakeCone(50000);  // 100,000 faces, 300,000 entries
  std::vector<std::pair<std::size_t, std::size_t>> calls;
  const CreaseEdges found = BruchkanteFinden(
      cone, 30, [&](std::size_t done, std::size_t total) { calls.emplace_back(done, total); });
  EXPECT_EQ(found.Bruchkanten.size(), 50000u);  // the rim
  ASSERT_EQ(calls.size(), 3u);
  EXPECT_EQ(calls[0], std::make_pair(std::size_t{0}, std::size_t{300000}));
  EXPECT_GE(calls[1].first, std::size_t{1} << 18);
  EXPECT_LT(calls[1].first, 300000u);
  EXPECT_EQ(calls[2], std::make_pair(std::size_t{300000}, std::size_t{300000}));
  for (const std::size_t stopAt : {0u, 1u, 2u}) {
    std::size_t seen = 0;
    EXPECT_THROW(BruchkanteFinden(cone, 30,
                                  [&](std::size_t, std::size_t) {
                                    if (seen++ == stopAt) throw Cancelled();
                                  }),
                 Cancelled);
    EXPECT_EQ(seen, stopAt + 1);
  }
}

}  // namespace
}  // namespace quervik
