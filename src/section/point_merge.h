// Merging section points: a new point is merged with the stored point of
// lowest index whose X and Y both lie within the tolerance (a difference
// equal to the tolerance matches; the test is per axis, a square, not a
// circle). A hash grid finds it without scanning every point, and returns
// exactly the point the linear scan returns. The grid's memory is kept from
// one section to the next: an object used for many sections allocates and
// clears nothing after the first large one.
#pragma once

#include <cstddef>
#include <cstdint>

#include "section/contour.h"

namespace quervik {

class PointMerge {
 public:
  explicit PointMerge(double PtTolerance = kPtTolerance);
  ~PointMerge();
  PointMerge(const PointMerge&) = delete;
  PointMerge& operator=(const PointMerge&) = delete;

  // Forgets every point; call when the contour's points are emptied. Takes
  // constant time (apart from the points' own lists) and keeps the memory.
  void Clear();

  // Sizes the lookup grid for the segments to come from a sample of them:
  // points[0] to points[1], points[2] to points[3], … Only while no point
  // is stored (until the next Clear()); changes no result, only how many
  // cells a lookup visits and how many points it compares.
  void SizeCells(const TPunkt* points, std::size_t n);

  // Makes room for about `points` points, so that adding them does not
  // grow the lookup table step by step; a table far larger than that (left
  // by an earlier, larger section) is given back. Changes no result.
  void Reserve(std::size_t points);

  // Adds the segments from points[0] to points[1], points[2] to points[3],
  // … (n even): the same as AddContourPoint for every point in order and a
  // TLine (sp, ep, AE = 0) appended for each pair, but with the table
  // lookups of many points waiting for memory together.
  void AddSegments(TContour& contour, const TPunkt* points, std::size_t n);

  // The index in contour.Points of the point that P merges with; appends P
  // (X, Y, Z = 0, ln = 0) when no stored point matches. `contour` must hold
  // exactly the points added through this object since the last Clear().
  std::int32_t AddContourPoint(TContour& contour, const TPunkt& P);

 private:
  struct Grid;
  Grid* grid_;
  double tolerance_;
};

// The plain linear scan, kept as the reference the grid is tested against.
std::int32_t AddContourPointLinear(TContour& contour, const TPunkt& P, double PtTolerance);

}  // namespace quervik
