// CalculateContour and AddContourLine on small meshes with exact results.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>
#include <tuple>
#include <utility>
#include <vector>

#include "section/plane_section.h"
#include "test_meshes.h"

namespace quervik {
namespace {

using test::PointsOf;
using test::SegmentsOf;
using test::XY;
using Segments = std::vector<std::pair<std::int32_t, std::int32_t>>;

constexpr double kInf = std::numeric_limits<double>::infinity();
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

// Runs the section with and without the index; both must agree exactly.
TContour Section(const Mesh& m, double level) {
  TContour plain, indexed;
  CalculateContour(m, level, plain);
  const SectionIndex index = SectionIndex::Build(m);
  CalculateContour(m, level, indexed, &index);
  EXPECT_EQ(test::BitsOf(plain), test::BitsOf(indexed));
  EXPECT_EQ(SegmentsOf(plain), SegmentsOf(indexed));
  return plain;
}

//   C (0,2)
//   | \        one triangle A, B, C; the heights vary per test
//   |   \      .
//   A----B     A (0,0), B (2,0)
Mesh Triangle(double za, double zb, double zc) {
  return MakeMesh({{0, 0, za}, {2, 0, zb}, {0, 2, zc}}, {TFace{{1, 2, 3}}});
}

TEST(CalculateContour, FaceNotCrossingThePlaneGivesNothing) {
  EXPECT_TRUE(Section(Triangle(1, 1, 2), 0.5).Contours.empty()) << "above";
  EXPECT_TRUE(Section(Triangle(0, -1, 0), 0).Contours.empty()) << "at or below";
  EXPECT_TRUE(Section(Triangle(-3, -2, -1), 0).Contours.empty()) << "below";
  EXPECT_TRUE(Section(Triangle(0, 0, 0), 0).Contours.empty()) << "in the plane";
  EXPECT_TRUE(Section(Triangle(0, -1, -1), 0).Points.empty()) << "one in, two below";
}

TEST(CalculateContour, OneVertexInThePlaneTwoAboveGivesAZeroLengthSegment) {
  // A–B and C–A are both cut at A itself; the two points merge.
  const TContour c = Section(Triangle(0, 1, 1), 0);
  EXPECT_EQ(PointsOf(c), (std::vector<XY>{{0, 0}}));
  EXPECT_EQ(SegmentsOf(c), (Segments{{0, 0}}));
}

TEST(CalculateContour, ZeroZeroOneAtOneHalfJoinsTheTwoMidpoints) {
  // A–B is horizontal; B–C is cut at its midpoint (1,1), C–A at (0,1).
  const TContour c = Section(Triangle(0, 0, 1), 0.5);
  EXPECT_EQ(c.Level, 0.5);
  EXPECT_EQ(PointsOf(c), (std::vector<XY>{{1, 1}, {0, 1}}));
  EXPECT_EQ(SegmentsOf(c), (Segments{{0, 1}}));
}

TEST(CalculateContour, ZeroOneTwoAtOneRunsFromBToTheMidpointOfCA) {
  // B lies in the plane and counts as below: A–B is not cut, B–C is cut at
  // B, C–A at its midpoint.
  const TContour c = Section(Triangle(0, 1, 2), 1);
  EXPECT_EQ(PointsOf(c), (std::vector<XY>{{2, 0}, {0, 1}}));
  EXPECT_EQ(SegmentsOf(c), (Segments{{0, 1}}));
}

TEST(CalculateContour, VertexInThePlaneOneAboveOneBelow) {
  // A in the plane, B above, C below: from A to the crossing of B–C.
  const TContour c = Section(Triangle(0, 1, -1), 0);
  EXPECT_EQ(PointsOf(c), (std::vector<XY>{{0, 0}, {1, 1}}));
  EXPECT_EQ(SegmentsOf(c), (Segments{{0, 1}}));
}

//        C (1,1) z = 1
//       / \          face 1: A, B, C (C above the plane)
//  A (0,0)---B (2,0) the edge A–B lies in the plane z = 0
//       \ /          face 2: B, A, D (D below the plane)
//        D (1,-1) z = -1
TEST(CalculateContour, EdgeInThePlaneIsEmittedOnceByTheFaceAboveIt) {
  const Mesh m = MakeMesh({{0, 0, 0}, {2, 0, 0}, {1, 1, 1}, {1, -1, -1}},
                          {TFace{{1, 2, 3}}, TFace{{2, 1, 4}}});
  const TContour c = Section(m, 0);
  // Face 1: A–B horizontal, B–C cut at B, C–A cut at A.
  EXPECT_EQ(PointsOf(c), (std::vector<XY>{{2, 0}, {0, 0}}));
  EXPECT_EQ(SegmentsOf(c), (Segments{{0, 1}}));
}

// A frustum standing on the plane z = 0, seen from above:
//
//   b4 (0,4) +-----------+ b3 (4,4)
//            | t4     t3 |
//            |  +-----+  |   bottom b1..b4 at z = 0 (vertices 1-4)
//            |  |     |  |   top    t1..t4 at z = 2 (vertices 5-8),
//            |  +-----+  |          t1 (1,1), t2 (3,1), t3 (3,3), t4 (1,3)
//            | t1     t2 |
//   b1 (0,0) +-----------+ b2 (4,0)
//
// Faces 1-2 the bottom, 3-4 the top, then per side i (b_i, b_j, t_j) and
// (b_i, t_j, t_i) with j the next corner.
Mesh Frustum() {
  return MakeMesh({{0, 0, 0},
                   {4, 0, 0},
                   {4, 4, 0},
                   {0, 4, 0},  //
                   {1, 1, 2},
                   {3, 1, 2},
                   {3, 3, 2},
                   {1, 3, 2}},
                  {TFace{{1, 3, 2}}, TFace{{1, 4, 3}}, TFace{{5, 6, 7}}, TFace{{5, 7, 8}},
                   TFace{{1, 2, 6}}, TFace{{1, 6, 5}}, TFace{{2, 3, 7}}, TFace{{2, 7, 6}},
                   TFace{{3, 4, 8}}, TFace{{3, 8, 7}}, TFace{{4, 1, 5}}, TFace{{4, 5, 8}}});
}

TEST(CalculateContour, CutAtAFlatBottomGivesItsOutline) {
  const TContour c = Section(Frustum(), 0);
  // Side faces with two bottom corners give the bottom edges (from b_j to
  // b_i), those with one bottom corner a zero-length segment at it; the
  // bottom faces give nothing.
  EXPECT_EQ(PointsOf(c), (std::vector<XY>{{4, 0}, {0, 0}, {4, 4}, {0, 4}}));
  EXPECT_EQ(SegmentsOf(c),
            (Segments{{0, 1}, {1, 1}, {2, 0}, {0, 0}, {3, 2}, {2, 2}, {1, 3}, {3, 3}}));
}

TEST(CalculateContour, SegmentsInFaceOrderPointsInTheOrderMet) {
  const TContour c = Section(Frustum(), 1);
  EXPECT_EQ(c.Level, 1.0);
  EXPECT_EQ(PointsOf(c), (std::vector<XY>{{3.5, 0.5},
                                          {1.5, 0.5},
                                          {0.5, 0.5},
                                          {3.5, 3.5},
                                          {3.5, 1.5},
                                          {0.5, 3.5},
                                          {2.5, 3.5},
                                          {0.5, 2.5}}));
  EXPECT_EQ(SegmentsOf(c),
            (Segments{{0, 1}, {1, 2}, {3, 4}, {4, 0}, {5, 6}, {6, 3}, {2, 7}, {7, 5}}));
  for (const TPunkt& p : c.Points) {
    EXPECT_EQ(p.Z, 0.0);
    EXPECT_EQ(p.ln, 0);
  }
  for (const TLine& l : c.Contours) EXPECT_EQ(l.AE, 0);
}

TEST(CalculateContour, LevelOutsideTheMeshGivesAnEmptySection) {
  EXPECT_TRUE(Section(Frustum(), 2).Points.empty());  // the top is not cut
  EXPECT_TRUE(Section(Frustum(), -0.5).Points.empty());
  EXPECT_TRUE(Section(Frustum(), kNaN).Points.empty());
  EXPECT_TRUE(Section(Frustum(), kInf).Points.empty());
}

TEST(CalculateContour, EmptiesThePreviousSectionAndSetsTheLevel) {
  TContour c;
  CalculateContour(Frustum(), 1, c);
  ASSERT_EQ(c.Points.size(), 8u);
  CalculateContour(Frustum(), 7.25, c);
  EXPECT_EQ(c.Level, 7.25);
  EXPECT_TRUE(c.Points.empty());
  EXPECT_TRUE(c.Contours.empty());
}

TEST(CalculateContour, MeshWithoutFacesGivesNothing) {
  Mesh none;  // before the first load: every array empty
  TContour c;
  c.Points.resize(3);
  CalculateContour(none, 1, c);
  EXPECT_TRUE(c.Points.empty());
  const Mesh placeholders_only = MakeMesh({}, {});
  CalculateContour(placeholders_only, 0, c);
  EXPECT_TRUE(c.Points.empty());
  EXPECT_EQ(c.Level, 0.0);
}

// Points merge within the tolerance per axis, whichever faces they come
// from: (0.01, 0.015) joins (0,0); (0.01, 0.03) does not.
TEST(CalculateContour, CrossingsOfUnrelatedFacesMergeWithinTheTolerance) {
  const Mesh m = MakeMesh({{0, 0, 0},
                           {1, 0, 1},
                           {0, 1, 1},  // face 1
                           {0.01, 0.015, 0},
                           {3, 3, 1},
                           {-3, 3, 1},  // face 2
                           {0.01, 0.03, 0},
                           {3, -3, 1},
                           {-3, -3, 1}},  // face 3
                          {TFace{{1, 2, 3}}, TFace{{4, 5, 6}}, TFace{{7, 8, 9}}});
  const TContour c = Section(m, 0);
  EXPECT_EQ(PointsOf(c), (std::vector<XY>{{0, 0}, {0.01, 0.03}}));
  EXPECT_EQ(SegmentsOf(c), (Segments{{0, 0}, {0, 0}, {1, 1}}));
}

TEST(CalculateContour, FaceNamingAMissingVertexIsSkipped) {
  const Mesh m = MakeMesh({{0, 0, 0}, {2, 0, 0}, {0, 2, 1}},
                          {TFace{{1, 2, 99}}, TFace{{-4, 2, 3}}, TFace{{1, 2, 3}}});
  const TContour c = Section(m, 0.5);
  EXPECT_EQ(PointsOf(c), (std::vector<XY>{{1, 1}, {0, 1}}));
  EXPECT_EQ(SegmentsOf(c), (Segments{{0, 1}}));
}

TEST(CalculateContour, NonFiniteHeights) {
  // A NaN height cuts no edge at that corner: the face gives nothing.
  EXPECT_TRUE(Section(Triangle(0, kNaN, 1), 0.5).Points.empty());
  // Two corners at +inf: A–B is cut at A, C–A yields 0 * NaN, a NaN point,
  // which never merges with anything and is stored each time it occurs.
  const Mesh m =
      MakeMesh({{0, 0, 0}, {2, 0, kInf}, {0, 2, kInf}}, {TFace{{1, 2, 3}}, TFace{{1, 2, 3}}});
  const TContour c = Section(m, 1);
  ASSERT_EQ(c.Points.size(), 3u);
  EXPECT_EQ(c.Points[0].X, 0.0);
  EXPECT_EQ(c.Points[0].Y, 0.0);
  EXPECT_TRUE(std::isnan(c.Points[1].X) && std::isnan(c.Points[1].Y));
  EXPECT_TRUE(std::isnan(c.Points[2].X) && std::isnan(c.Points[2].Y));
  EXPECT_EQ(SegmentsOf(c), (Segments{{0, 1}, {0, 2}}));
}

// The section by the rule itself: faces in order, each crossing compared
// with every stored point.
TContour SectionByTheScan(const Mesh& m, double level) {
  TContour c;
  c.Level = level;
  for (std::size_t i = 1; i < m.Fc.size(); ++i) {
    const Tvertex *A, *B, *C;
    if (!FaceVertices(m, i, A, B, C)) continue;
    const TLineCut l1 = LineCut(A->x, A->y, B->x, B->y, A->z, B->z, level);
    const TLineCut l2 = LineCut(B->x, B->y, C->x, C->y, B->z, C->z, level);
    const TLineCut l3 = LineCut(C->x, C->y, A->x, A->y, C->z, A->z, level);
    const TLineCut *P = nullptr, *Q = nullptr;
    if (!l1.Found && l2.Found && l3.Found) {
      P = &l2, Q = &l3;
    } else if (!l2.Found && l1.Found && l3.Found) {
      P = &l1, Q = &l3;
    } else if (!l3.Found && l1.Found && l2.Found) {
      P = &l1, Q = &l2;
    } else {
      continue;
    }
    TLine line;
    line.sp = AddContourPointLinear(c, P->ContourPt, kPtTolerance);
    line.ep = AddContourPointLinear(c, Q->ContourPt, kPtTolerance);
    c.Contours.push_back(line);
  }
  return c;
}

TEST(CalculateContour, SameAsTheScanOnMeshesOfEverySizeOneAfterAnother) {
  // Large and small sections in turn on one thread, which keeps the merge's
  // memory from one to the next; thousands of segments, so that they are
  // merged in many batches.
  std::mt19937_64 rng(21);
  for (const auto& [nv, nf, heights] :
       {std::tuple{3000, 6000, 8}, {10, 30, 3}, {2000, 4000, 5}, {400, 900, 40}, {3000, 6000, 2}}) {
    const Mesh m = test::RandomMesh(rng, nv, nf, heights);
    for (const double level : {0.0, 0.25, 0.5, 1.0}) {
      SCOPED_TRACE(::testing::Message() << nf << " faces, level " << level);
      const TContour want = SectionByTheScan(m, level);
      const TContour got = Section(m, level);
      ASSERT_EQ(test::BitsOf(got), test::BitsOf(want));
      ASSERT_EQ(SegmentsOf(got), SegmentsOf(want));
    }
  }
}

TEST(AddContourLine, TwoDistinctPointsOnAnEmptySection) {
  TContour c;
  PointMerge merge;
  const TLineCut a = LineCut(0, 0, 2, 0, 0, 2, 1);  // (1, 0)
  const TLineCut b = LineCut(0, 0, 0, 2, 0, 2, 1);  // (0, 1)
  AddContourLine(c, merge, a, b);
  EXPECT_EQ(PointsOf(c), (std::vector<XY>{{1, 0}, {0, 1}}));
  EXPECT_EQ(SegmentsOf(c), (Segments{{0, 1}}));
  // Neither a zero-length nor a repeated segment is filtered.
  AddContourLine(c, merge, b, b);
  AddContourLine(c, merge, a, b);
  EXPECT_EQ(SegmentsOf(c), (Segments{{0, 1}, {1, 1}, {0, 1}}));
  EXPECT_EQ(c.Points.size(), 2u);
}

}  // namespace
}  // namespace quervik
