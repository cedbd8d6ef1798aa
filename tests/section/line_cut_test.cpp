// LineCut: which edges the plane cuts, and where.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "section/plane_section.h"

namespace quervik {
namespace {

constexpr double kInf = std::numeric_limits<double>::infinity();
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

struct CutCase {
  const char* name;
  double z1, z2, level;
  bool found;
};

class LineCutFound : public ::testing::TestWithParam<CutCase> {};

// An end lying in the plane counts as below it; a horizontal edge is never
// cut; the rule is the same in both directions.
TEST_P(LineCutFound, DecidesByTheInclusiveExclusiveRule) {
  const CutCase& c = GetParam();
  EXPECT_EQ(LineCut(0, 0, 1, 1, c.z1, c.z2, c.level).Found, c.found) << c.name;
  EXPECT_EQ(LineCut(1, 1, 0, 0, c.z2, c.z1, c.level).Found, c.found) << c.name << " reversed";
}

INSTANTIATE_TEST_SUITE_P(
    Edges, LineCutFound,
    ::testing::Values(
        CutCase{"below to above", 0, 2, 1, true}, CutCase{"above to below", 2, 0, 1, true},
        CutCase{"first end in the plane, second above", 1, 2, 1, true},
        CutCase{"first end in the plane, second below", 1, 0, 1, false},
        CutCase{"second end in the plane, first above", 2, 1, 1, true},
        CutCase{"both above", 2, 3, 1, false}, CutCase{"both below", -1, 0, 1, false},
        CutCase{"horizontal in the plane", 1, 1, 1, false},
        CutCase{"horizontal above", 2, 2, 1, false},
        CutCase{"level at the upper end", 0, 1, 1, false}, CutCase{"NaN end", kNaN, 2, 1, false},
        CutCase{"NaN level", 0, 2, kNaN, false}, CutCase{"infinite upper end", 0, kInf, 1, true},
        CutCase{"level +inf", 0, kInf, kInf, false},
        CutCase{"-0 end in the plane 0", -0.0, 1, 0, true}));

TEST(LineCut, PointIsMeasuredFromTheFirstEnd) {
  // fraction = (0 - 1) / (0 - 4) = 0.25 along (0,0)-(10,20).
  const TLineCut c = LineCut(0, 0, 10, 20, 0, 4, 1);
  ASSERT_TRUE(c.Found);
  EXPECT_EQ(c.ContourPt.X, 2.5);
  EXPECT_EQ(c.ContourPt.Y, 5.0);
  // The same edge entered from the other end meets the same point.
  const TLineCut r = LineCut(10, 20, 0, 0, 4, 0, 1);
  EXPECT_EQ(r.ContourPt.X, 2.5);
  EXPECT_EQ(r.ContourPt.Y, 5.0);
}

TEST(LineCut, EndInThePlaneGivesThatEndExactly) {
  const TLineCut a = LineCut(3.3, -7.1, 9.9, 4.4, 2.5, 7.0, 2.5);
  ASSERT_TRUE(a.Found);
  EXPECT_EQ(a.ContourPt.X, 3.3);
  EXPECT_EQ(a.ContourPt.Y, -7.1);
  const TLineCut b = LineCut(3.3, -7.1, 9.9, 4.4, 7.0, 2.5, 2.5);
  ASSERT_TRUE(b.Found);
  EXPECT_EQ(b.ContourPt.X, 9.9);
  EXPECT_EQ(b.ContourPt.Y, 4.4);
}

TEST(LineCut, DirectionOfTheEdgeShowsInTheRounding) {
  // The two faces sharing an edge cut it in opposite directions; the two
  // results differ in the last bit, which the point merge has to absorb.
  const TLineCut ab = LineCut(9.8, 4.9, 2.0, 9.7, 2.5, 0.2, 0.45);
  const TLineCut ba = LineCut(2.0, 9.7, 9.8, 4.9, 0.2, 2.5, 0.45);
  ASSERT_TRUE(ab.Found);
  ASSERT_TRUE(ba.Found);
  EXPECT_EQ(ab.ContourPt.X, 2.8478260869565224);
  EXPECT_EQ(ab.ContourPt.Y, 9.178260869565218);
  EXPECT_EQ(ba.ContourPt.X, 2.847826086956522);
  EXPECT_EQ(ba.ContourPt.Y, 9.178260869565216);
}

TEST(LineCut, InfiniteUpperEndCutsAtTheLowerEnd) {
  // fraction = (0 - 0.5) / (0 - inf) = +0: the crossing is the finite end.
  const TLineCut c = LineCut(1, 2, 5, 6, 0, kInf, 0.5);
  ASSERT_TRUE(c.Found);
  EXPECT_EQ(c.ContourPt.X, 1.0);
  EXPECT_EQ(c.ContourPt.Y, 2.0);
}

}  // namespace
}  // namespace quervik
