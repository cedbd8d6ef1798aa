#include "model/face_normals.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <initializer_list>
#include <limits>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "core/errors.h"

namespace quervik {
namespace {

std::vector<std::int32_t> List(const VertexFaceIndex& vp, size_t k) {
  const auto s = vp[k];
  return {s.begin(), s.end()};
}

std::vector<Tvect3D> Normals(const Mesh& m) {
  std::vector<Tvect3D> Fn;
  CalcFaceNormals(m, Fn);
  return Fn;
}

using Ints = std::vector<std::int32_t>;

// ---- face normals ----------------------------------------------------------

TEST(CalcFaceNormals, FollowsTheRightHandRuleOverTheCornerOrder) {
  //  3
  //  | \      (1,2,3) runs counter-clockwise seen from +z
  //  1--2
  const Mesh m = MakeMesh({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}, {{1, 2, 3}, {1, 3, 2}, {2, 3, 1}});
  const std::vector<Tvect3D> Fn = Normals(m);
  ASSERT_EQ(Fn.size(), m.Fc.size());
  EXPECT_EQ(Fn[0], (Tvect3D{0, 0, 0}));
  EXPECT_EQ(Fn[1], (Tvect3D{0, 0, 1}));
  EXPECT_EQ(Fn[2], (Tvect3D{0, 0, -1}));
  EXPECT_EQ(Fn[3], (Tvect3D{0, 0, 1}));  // same cycle, other start
}

TEST(CalcFaceNormals, IsAUnitVectorWhateverTheSizeOfTheFace) {
  // One tilted plane (normal (1, 2, 2) / 3); faces scaled by powers of two
  // scale every step exactly, so the normals agree to the last bit.
  const double big = 1048576.0, tiny = 1.0 / 1048576.0;
  Mesh m = MakeMesh({{2, -1, 0},
                     {0, -1, 1},
                     {0, 0, 0},
                     {2 * big, -1 * big, 0},
                     {0, -1 * big, 1 * big},
                     {2 * tiny, -1 * tiny, 0},
                     {0, -1 * tiny, 1 * tiny}},
                    {{3, 2, 1}, {3, 5, 4}, {3, 7, 6}});
  const std::vector<Tvect3D> Fn = Normals(m);
  ASSERT_EQ(Fn.size(), 4u);
  EXPECT_EQ(Fn[2], Fn[1]);
  EXPECT_EQ(Fn[3], Fn[1]);
  EXPECT_NEAR(Fn[1][0], 1.0 / 3, 1e-15);
  EXPECT_NEAR(Fn[1][1], 2.0 / 3, 1e-15);
  EXPECT_NEAR(Fn[1][2], 2.0 / 3, 1e-15);

  // Sizes that are not powers of two, away from the origin: equal up to
  // rounding.
  Mesh n = MakeMesh({{1000, 1000, 5},
                     {1000 + 3e6, 1000 + 1e6, 5 + 2e6},
                     {1000 - 1e6, 1000 + 4e6, 5},
                     {1000, 1000, 5 + 1e-4},
                     {1000 + 3e-6, 1000 + 1e-6, 5 + 1e-4 + 2e-6},
                     {1000 - 1e-6, 1000 + 4e-6, 5 + 1e-4}},
                    {{1, 2, 3}, {4, 5, 6}});
  const std::vector<Tvect3D> nFn = Normals(n);
  for (size_t c = 0; c < 3; ++c) EXPECT_NEAR(nFn[2][c], nFn[1][c], 1e-6) << c;
}

TEST(CalcFaceNormals, AFaceWithoutAreaGetsTheZeroVectorAndIsCounted) {
  // Face 3 names vertex 1 twice, face 4 has three corners on one line, face 5
  // a corner at infinity; the faces after them still get their normals.
  const double inf = std::numeric_limits<double>::infinity();
  Mesh m = MakeMesh({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {2, 0, 0}, {inf, 0, 0}},
                    {{1, 2, 3}, {1, 3, 2}, {1, 1, 2}, {1, 2, 4}, {1, 5, 3}, {1, 2, 3}});
  std::vector<Tvect3D> Fn;
  EXPECT_EQ(CalcFaceNormals(m, Fn), 3u);
  const std::vector<Tvect3D> expected = {{}, {0, 0, 1}, {0, 0, -1}, {}, {}, {}, {0, 0, 1}};
  EXPECT_EQ(Fn, expected);
  for (size_t i = 1; i < m.Fc.size(); ++i) {
    EXPECT_EQ(HasFaceNormal(Fn[i]), i <= 2 || i == 6) << i;
  }

  Mesh line = MakeMesh({{0, 0, 0}, {1, 1, 1}, {3, 3, 3}}, {{1, 2, 3}});
  EXPECT_EQ(CalcFaceNormals(line, Fn), 1u);
  EXPECT_EQ(Fn.size(), 2u);
  // A tiny face still has its normal.
  Mesh tiny = MakeMesh({{0, 0, 0}, {1e-160, 0, 0}, {0, 1e-160, 0}}, {{1, 2, 3}});
  EXPECT_EQ(CalcFaceNormals(tiny, Fn), 0u);
  EXPECT_EQ(Fn[1], (Tvect3D{0, 0, 1}));
}

TEST(CalcFaceNormals, WithoutFacesLeavesOnlyThePlaceholder) {
  Mesh m = MakeMesh({{0, 0, 0}, {1, 0, 0}}, {});
  std::vector<Tvect3D> Fn(7, Tvect3D{1, 1, 1});  // the normals of an earlier mesh
  CalcFaceNormals(m, Fn);
  ASSERT_EQ(Fn.size(), 1u);
  EXPECT_EQ(Fn[0], (Tvect3D{0, 0, 0}));

  Mesh nothingLoaded;
  CalcFaceNormals(nothingLoaded, Fn);
  EXPECT_EQ(Fn.size(), 1u);
}

TEST(CalcFaceNormals, ACornerOutsideTheVerticesIsRefusedNotRead) {
  Mesh m = MakeMesh({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}, {{1, 2, 3}, {1, 2, 4}});
  try {
    Normals(m);
    FAIL() << "no error";
  } catch (const Error& e) {
    EXPECT_STREQ(e.what(), "Fläche 2: Eckpunkt 4 existiert nicht");
  }
  Mesh negative = MakeMesh({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}, {{1, -2, 3}});
  EXPECT_THROW(Normals(negative), Error);
}

// ---- vertex-face index -----------------------------------------------------

TEST(SetVertexFacePointers, ListsTheFacesOfEveryVertexAscending) {
  //  3---4
  //  | \ |    faces (1,2,3) and (2,4,3); vertices 5 and 6 unused
  //  1---2
  Mesh m = MakeMesh({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {1, 1, 0}, {5, 5, 5}, {6, 6, 6}},
                    {{1, 2, 3}, {2, 4, 3}});
  const VertexFaceIndex vp = setVertexFacePointers(m);
  ASSERT_EQ(vp.size(), m.V.size());
  EXPECT_EQ(List(vp, 0), Ints{});
  EXPECT_EQ(List(vp, 1), (Ints{1}));
  EXPECT_EQ(List(vp, 2), (Ints{1, 2}));
  EXPECT_EQ(List(vp, 3), (Ints{1, 2}));
  EXPECT_EQ(List(vp, 4), (Ints{2}));
  EXPECT_EQ(List(vp, 5), Ints{});
  EXPECT_EQ(List(vp, 6), Ints{});

  const VertexFaceIndex again = setVertexFacePointers(m);
  EXPECT_EQ(again.start, vp.start);
  EXPECT_EQ(again.faces, vp.faces);
}

TEST(SetVertexFacePointers, AVertexNamedTwiceByAFaceListsItOnce) {
  Mesh m = MakeMesh({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}, {{1, 1, 2}, {3, 2, 3}, {2, 2, 2}});
  const VertexFaceIndex vp = setVertexFacePointers(m);
  EXPECT_EQ(List(vp, 1), (Ints{1}));
  EXPECT_EQ(List(vp, 2), (Ints{1, 2, 3}));
  EXPECT_EQ(List(vp, 3), (Ints{2}));
  std::vector<Tvect3D> Fn;
  EXPECT_EQ(CalcFaceNormals(m, Fn), 3u);
}

TEST(SetVertexFacePointers, AMissingCornerIsListedUnderThePlaceholder) {
  Mesh m = MakeMesh({{1, 0, 0}, {0, 1, 0}}, {{1, 2, 0}, {0, 1, 2}});
  const VertexFaceIndex vp = setVertexFacePointers(m);
  EXPECT_EQ(List(vp, 0), (Ints{1, 2}));
  EXPECT_EQ(List(vp, 1), (Ints{1, 2}));
}

TEST(SetVertexFacePointers, ASecondMeshListsOnlyItsOwnFaces) {
  Mesh m = MakeMesh({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {1, 1, 0}, {2, 2, 0}},
                    {{1, 2, 3}, {2, 4, 3}, {3, 4, 5}, {1, 2, 5}});
  ASSERT_EQ(setVertexFacePointers(m).size(), 6u);

  // A new load replaces V and Fc: the index of the new mesh knows nothing
  // of the old one.
  const Mesh second = MakeMesh({{0, 0, 0}, {0, 1, 0}, {1, 0, 0}}, {{3, 2, 1}});
  m.V = second.V;
  m.Fc = second.Fc;
  const VertexFaceIndex vp = setVertexFacePointers(m);
  ASSERT_EQ(vp.size(), 4u);
  EXPECT_EQ(List(vp, 0), Ints{});
  for (size_t k = 1; k <= 3; ++k) EXPECT_EQ(List(vp, k), (Ints{1})) << k;
  EXPECT_EQ(vp.faces.size(), 3u);
}

TEST(SetVertexFacePointers, WithoutFacesEveryListIsEmpty) {
  Mesh m = MakeMesh({{0, 0, 0}, {1, 0, 0}}, {});
  const VertexFaceIndex vp = setVertexFacePointers(m);
  ASSERT_EQ(vp.size(), 3u);
  for (size_t k = 0; k < 3; ++k) EXPECT_TRUE(vp[k].empty()) << k;

  Mesh nothingLoaded;
  EXPECT_EQ(setVertexFacePointers(nothingLoaded).size(), 0u);
}

TEST(SetVertexFacePointers, ACornerOutsideTheVerticesIsRefusedNotWritten) {
  Mesh m = MakeMesh({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}, {{1, 2, 3}, {7, 2, 3}});
  try {
    setVertexFacePointers(m);
    FAIL() << "no error";
  } catch (const Error& e) {
    EXPECT_STREQ(e.what(), "Fläche 2: Eckpunkt 7 existiert nicht");
  }
  Mesh negative = MakeMesh({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}, {{1, 2, -1}});
  EXPECT_THROW(setVertexFacePointers(negative), Error);
}

TEST(SetVertexFacePointers, AgreesWithABruteForceScanOnRandomMeshes) {
  std::mt19937 rng(7);
  for (int round = 0; round < 200; ++round) {
    const int nv = std::uniform_int_distribution<int>(0, 20)(rng);
    const int nf = std::uniform_int_distribution<int>(0, 60)(rng);
    Mesh m;
    m.V.resize(static_cast<size_t>(nv) + 1);
    m.Fc.push_back({});
    std::uniform_int_distribution<std::int32_t> corner(0, nv);
    for (int i = 0; i < nf; ++i) m.Fc.push_back(TFace{{corner(rng), corner(rng), corner(rng)}});
    const VertexFaceIndex vp = setVertexFacePointers(m);
    ASSERT_EQ(vp.size(), m.V.size());
    for (size_t k = 0; k < m.V.size(); ++k) {
      Ints expected;
      for (size_t i = 1; i < m.Fc.size(); ++i) {
        const TFace& f = m.Fc[i];
        const auto v = static_cast<std::int32_t>(k);
        if (f[1] == v || f[2] == v || f[3] == v) expected.push_back(static_cast<std::int32_t>(i));
      }
      ASSERT_EQ(List(vp, k), expected) << "round " << round << " vertex " << k;
    }
  }
}

}  // namespace
}  // namespace quervik
