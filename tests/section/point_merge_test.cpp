// PointMerge: the grid must return exactly what the linear scan returns.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <random>
#include <vector>

#include "section/point_merge.h"
#include "test_meshes.h"

namespace quervik {
namespace {

using test::BitsOf;

constexpr double kInf = std::numeric_limits<double>::infinity();
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kMax = std::numeric_limits<double>::max();
constexpr double kTol = kPtTolerance;

TPunkt Pt(double x, double y) {
  TPunkt p;
  p.X = x;
  p.Y = y;
  return p;
}

// Adds the points, taken in pairs, as segments: in `batch` points per call.
void AddAsSegments(PointMerge& merge, TContour& c, const std::vector<TPunkt>& points,
                   std::size_t batch) {
  const std::size_t n = points.size() & ~std::size_t{1};
  for (std::size_t start = 0; start < n; start += batch) {
    merge.AddSegments(c, points.data() + start, std::min(batch, n - start));
  }
}

// AddSegments must give what the scan gives point by point: the same
// stored points and, per pair, a line between the two indices; with all
// pairs in one call, one pair per call, or in between; and with the cells
// sized from the points themselves or from segments far shorter or longer.
void ExpectSegmentsSameAsScan(const std::vector<TPunkt>& points, double tol) {
  const std::size_t n = points.size() & ~std::size_t{1};
  TContour scan;
  std::vector<std::int32_t> want;
  for (std::size_t i = 0; i < n; ++i) want.push_back(AddContourPointLinear(scan, points[i], tol));
  struct Run {
    std::size_t batch;
    double segment;  // < 0: cells sized from the points; 0: not sized
  };
  for (const Run run :
       {Run{n, 0}, Run{2, 0}, Run{6, -1}, Run{n, -1}, Run{2, 0.04}, Run{6, 4.5}, Run{n, 1e6}}) {
    if (run.batch == 0) continue;
    SCOPED_TRACE(::testing::Message()
                 << run.batch << " points per call, cells for segments of " << run.segment);
    TContour c;
    PointMerge merge(tol);
    if (run.segment < 0) merge.SizeCells(points.data(), n);
    if (run.segment > 0) {
      const TPunkt sample[] = {Pt(0, 0), Pt(run.segment, 0)};
      merge.SizeCells(sample, 2);
    }
    AddAsSegments(merge, c, points, run.batch);
    ASSERT_EQ(BitsOf(c), BitsOf(scan));
    ASSERT_EQ(c.Contours.size(), n / 2);
    for (std::size_t i = 0; i < n / 2; ++i) {
      ASSERT_EQ(c.Contours[i].sp, want[2 * i]) << "segment " << i;
      ASSERT_EQ(c.Contours[i].ep, want[2 * i + 1]) << "segment " << i;
      ASSERT_EQ(c.Contours[i].AE, 0);
    }
  }
}

// Feeds the points to the grid and to the scan and requires the same index
// for every point and the same stored points at the end; the same for the
// points added as segments.
void ExpectSameAsScan(const std::vector<TPunkt>& points, double tol = kTol) {
  TContour grid, scan;
  PointMerge merge(tol);
  for (std::size_t i = 0; i < points.size(); ++i) {
    const std::int32_t g = merge.AddContourPoint(grid, points[i]);
    const std::int32_t s = AddContourPointLinear(scan, points[i], tol);
    ASSERT_EQ(g, s) << "point " << i << " (" << points[i].X << ", " << points[i].Y << ")";
  }
  ASSERT_EQ(BitsOf(grid), BitsOf(scan));
  ExpectSegmentsSameAsScan(points, tol);
}

TEST(PointMerge, TheToleranceIsASquareAndItsEdgeMatches) {
  TContour c;
  PointMerge merge;
  EXPECT_EQ(merge.AddContourPoint(c, Pt(0, 0)), 0);
  EXPECT_EQ(merge.AddContourPoint(c, Pt(0.01, 0.015)), 0);
  EXPECT_EQ(merge.AddContourPoint(c, Pt(0.01, 0.03)), 1);
  EXPECT_EQ(merge.AddContourPoint(c, Pt(0.02, -0.02)), 0) << "difference equal to the tolerance";
  EXPECT_EQ(merge.AddContourPoint(c, Pt(0.0199, 0.0199)), 0) << "corner of the square";
  // 0.52 - 0.5 is 0.020000000000000018 in doubles: just outside.
  EXPECT_EQ(merge.AddContourPoint(c, Pt(0.5, 0)), 2);
  EXPECT_EQ(merge.AddContourPoint(c, Pt(0.52, 0)), 3);
  ASSERT_EQ(c.Points.size(), 4u);
  EXPECT_EQ(c.Points[1].X, 0.01);
  EXPECT_EQ(c.Points[1].Y, 0.03);
}

TEST(PointMerge, TheLowestMatchingIndexWins) {
  TContour c;
  PointMerge merge;
  EXPECT_EQ(merge.AddContourPoint(c, Pt(0, 0)), 0);
  EXPECT_EQ(merge.AddContourPoint(c, Pt(0.03, 0)), 1);
  EXPECT_EQ(merge.AddContourPoint(c, Pt(0.06, 0)), 2);
  EXPECT_EQ(merge.AddContourPoint(c, Pt(0.015, 0)), 0);   // also within 0.02 of point 1
  EXPECT_EQ(merge.AddContourPoint(c, Pt(0.045, 0)), 1);   // also within 0.02 of point 2
  EXPECT_EQ(merge.AddContourPoint(c, Pt(0.0601, 0)), 2);  // nearer to 2 than anything else
  EXPECT_EQ(c.Points.size(), 3u);
}

TEST(PointMerge, StoresXAndYOnly) {
  TContour c;
  PointMerge merge;
  TPunkt p = Pt(1.5, -2.5);
  p.Z = 7;
  p.ln = 3;
  EXPECT_EQ(merge.AddContourPoint(c, p), 0);
  EXPECT_EQ(c.Points[0].X, 1.5);
  EXPECT_EQ(c.Points[0].Y, -2.5);
  EXPECT_EQ(c.Points[0].Z, 0.0);
  EXPECT_EQ(c.Points[0].ln, 0);
  TPunkt far_below = Pt(1.5, -2.5);
  far_below.Z = -1000;
  EXPECT_EQ(merge.AddContourPoint(c, far_below), 0) << "Z is not compared";
}

TEST(PointMerge, ClearForgetsThePoints) {
  TContour c;
  PointMerge merge;
  for (int i = 0; i < 100; ++i) merge.AddContourPoint(c, Pt(i * 0.1, 0));
  c.Points.clear();
  merge.Clear();
  EXPECT_EQ(merge.AddContourPoint(c, Pt(5, 0)), 0);
  EXPECT_EQ(merge.AddContourPoint(c, Pt(0, 0)), 1);
}

// Random points in a square of the given side (dense: many merge).
std::vector<TPunkt> RandomPoints(std::mt19937_64& rng, std::size_t n, double side) {
  std::uniform_real_distribution<double> d(-side / 2, side / 2);
  std::vector<TPunkt> pts;
  for (std::size_t i = 0; i < n; ++i) pts.push_back(Pt(d(rng), d(rng)));
  return pts;
}

TEST(PointMerge, OneMergeServesSectionsOfEverySizeOneAfterAnother) {
  // As a thread keeps it: the table grows for a large section and is given
  // back after it, and nothing of an earlier section is seen by a later
  // one, also when the generation count comes round to the same value.
  std::mt19937_64 rng(6);
  PointMerge kept;
  const auto section = [&](const std::vector<TPunkt>& pts, std::size_t reserve) {
    TContour c, fresh_c;
    kept.Clear();
    kept.Reserve(reserve);
    AddAsSegments(kept, c, pts, 512);
    PointMerge fresh;
    AddAsSegments(fresh, fresh_c, pts, 512);
    EXPECT_EQ(BitsOf(c), BitsOf(fresh_c));
    EXPECT_EQ(test::SegmentsOf(c), test::SegmentsOf(fresh_c));
  };
  section(RandomPoints(rng, 3000, 2.0), 3000);
  section(RandomPoints(rng, 90000, 40.0), 90000);  // a table of megabytes
  section(RandomPoints(rng, 40, 0.5), 40);         // given back
  section(RandomPoints(rng, 5000, 3.0), 10);       // grows while adding
  const std::vector<TPunkt> later = RandomPoints(rng, 3000, 2.0);
  section(RandomPoints(rng, 3000, 2.0), 3000);
  // 65535 generations on (the last Clear in `section`): the same one again.
  for (int i = 0; i < 65534; ++i) kept.Clear();
  section(later, 3000);
  ExpectSegmentsSameAsScan(later, kTol);
}

TEST(PointMerge, NonFinitePointsNeverMatch) {
  TContour c;
  PointMerge merge;
  EXPECT_EQ(merge.AddContourPoint(c, Pt(kNaN, 0)), 0);
  EXPECT_EQ(merge.AddContourPoint(c, Pt(kNaN, 0)), 1);
  EXPECT_EQ(merge.AddContourPoint(c, Pt(kInf, 0)), 2);
  EXPECT_EQ(merge.AddContourPoint(c, Pt(kInf, 0)), 3) << "inf - inf is NaN";
  EXPECT_EQ(merge.AddContourPoint(c, Pt(0, -kInf)), 4);
  EXPECT_EQ(merge.AddContourPoint(c, Pt(0, 0)), 5);
  EXPECT_EQ(merge.AddContourPoint(c, Pt(0, 0)), 5);
}

TEST(PointMergeVersusScan, RandomDensePoints) {
  std::mt19937_64 rng(1);
  for (const double side : {0.2, 1.0, 5.0}) {
    std::uniform_real_distribution<double> d(-side / 2, side);
    std::vector<TPunkt> pts;
    for (int i = 0; i < 6000; ++i) pts.push_back(Pt(d(rng), d(rng)));
    ExpectSameAsScan(pts);
  }
}

TEST(PointMergeVersusScan, PointsNearTheOriginCellsBorders) {
  // Points within a few ulps of the borders of the cells around the first
  // point, at and just inside the tolerance of each other, where the
  // lookup decides from the point's place in its cell which neighbours to
  // look at; the first point (setting the origin) at several places.
  std::mt19937_64 rng(7);
  for (const double first : {0.0, -1e-300, 0.16, -0.16, 1234.56, -98765.4321}) {
    std::vector<TPunkt> pts = {Pt(first, first)};
    for (int m = -6; m <= 6; ++m) {
      const double b = first + m * 0.16;  // cells of 8 tolerances
      for (const double off : {0.0, kTol, -kTol, kTol / 2, 0.0027, -0.0027}) {
        double x = b + off;
        for (int step = 0; step < 3; ++step, x = std::nextafter(x, kInf)) {
          pts.push_back(Pt(x, first));
          pts.push_back(Pt(first + 0.5, x));
          pts.push_back(Pt(x, x));
          pts.push_back(Pt(x + kTol, x - kTol));
        }
      }
    }
    ExpectSameAsScan(pts);
    std::shuffle(pts.begin() + 1, pts.end(), rng);
    ExpectSameAsScan(pts);
  }
}

TEST(PointMergeVersusScan, PointsExactlyOneToleranceApart) {
  // The same lattice reached by different roundings (k * 0.02, k / 50 and
  // a running sum), so that differences land on, just below and just above
  // the tolerance.
  std::vector<TPunkt> pts;
  double sum = -1.0;
  for (int k = -50; k <= 50; ++k, sum += kTol) {
    for (int j = -3; j <= 3; ++j) {
      pts.push_back(Pt(k * kTol, j * kTol));
      pts.push_back(Pt(k / 50.0, j / 50.0));
      pts.push_back(Pt(sum, j * kTol + 0.5));
      pts.push_back(Pt(k * kTol + 0.3, sum));
    }
  }
  std::mt19937_64 rng(2);
  ExpectSameAsScan(pts);
  std::shuffle(pts.begin(), pts.end(), rng);
  ExpectSameAsScan(pts);
}

TEST(PointMergeVersusScan, PointsOnCellBorders) {
  // Borders of cells of any size that is a small multiple of a hundredth,
  // and the neighbouring doubles on either side.
  std::vector<TPunkt> pts;
  for (int m = -40; m <= 40; ++m) {
    const double b = m * 0.01;
    for (const double x : {std::nextafter(std::nextafter(b, -kInf), -kInf),
                           std::nextafter(b, -kInf), b, std::nextafter(b, kInf)}) {
      pts.push_back(Pt(x, 0.37));
      pts.push_back(Pt(0.37, x));
      pts.push_back(Pt(x, x));
      pts.push_back(Pt(x + kTol, -x));
      pts.push_back(Pt(-x, x - kTol));
    }
  }
  std::mt19937_64 rng(3);
  for (int round = 0; round < 4; ++round) {
    ExpectSameAsScan(pts);
    std::shuffle(pts.begin(), pts.end(), rng);
  }
}

TEST(PointMergeVersusScan, LargeAndHugeCoordinates) {
  // Magnitudes where the spacing of doubles approaches and then passes the
  // tolerance, and the far end of the double range.
  std::vector<TPunkt> pts;
  std::mt19937_64 rng(4);
  std::uniform_int_distribution<int> step(-6, 6);
  // (2^30 and 2^40 times a few plausible cell sizes among them.)
  for (const double m :
       {1e6, 4.294967296e7, 8.589934592e7, 1.7179869184e8, 1e9, 3e10, 8.796093022208e10,
        1.7592186044416e11, 1e12, 4.5e15, 1e15, 1e18, 1e300, kMax}) {
    for (const double sign : {1.0, -1.0}) {
      for (int i = 0; i < 120; ++i) {
        const double x = sign * m + step(rng) * 0.01;
        const double y = (i % 3 == 0) ? x : (i % 3 == 1 ? 0.01 * step(rng) : -x);
        pts.push_back(Pt(x, y));
        pts.push_back(Pt(std::nextafter(x, kInf), y));
        pts.push_back(Pt(y, x));
      }
    }
  }
  pts.push_back(Pt(kMax, kMax));
  pts.push_back(Pt(-kMax, kMax));
  pts.push_back(Pt(kMax, -kMax));
  pts.push_back(Pt(std::numeric_limits<double>::denorm_min(), -0.0));
  ExpectSameAsScan(pts);
  for (int round = 0; round < 3; ++round) {
    std::shuffle(pts.begin(), pts.end(), rng);
    ExpectSameAsScan(pts);
  }
}

TEST(PointMergeVersusScan, DuplicatesZerosAndNonFinite) {
  std::vector<TPunkt> pts;
  for (int i = 0; i < 5; ++i) {
    pts.push_back(Pt(0.0, 0.0));
    pts.push_back(Pt(-0.0, -0.0));
    pts.push_back(Pt(kNaN, 0.0));
    pts.push_back(Pt(0.0, kNaN));
    pts.push_back(Pt(kInf, kInf));
    pts.push_back(Pt(-kInf, 1.0));
    pts.push_back(Pt(1.0, 1.0));
    pts.push_back(Pt(1.0, 1.0));
    pts.push_back(Pt(0.99, 1.02));
    pts.push_back(Pt(kMax, 0.0));
  }
  ExpectSameAsScan(pts);
}

TEST(PointMergeVersusScan, OtherTolerances) {
  std::mt19937_64 rng(5);
  std::uniform_int_distribution<int> q(-20, 20);
  std::vector<TPunkt> pts;
  for (int i = 0; i < 2000; ++i) pts.push_back(Pt(q(rng) * 0.25, q(rng) * 0.25));
  pts.push_back(Pt(1e300, -1e300));
  pts.push_back(Pt(kNaN, 1));
  for (const double tol :
       {0.0, -0.0, -1.0, 0.25, 0.5, 3.0, 1e-300, 5e-324, 1e300, kMax, kInf, kNaN}) {
    SCOPED_TRACE(tol);
    ExpectSameAsScan(pts, tol);
  }
}

}  // namespace
}  // namespace quervik
