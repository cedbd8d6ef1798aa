// Chaining a section into polylines: the section's segments joined end to
// end at their shared (merged) points, as a CAD user expects contour lines.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "section/contour.h"

namespace quervik {

// One polyline of a chained section: its points are
// TContourChains::Points[begin, end), indices into the section's Points.
// A closed polyline does not repeat its first point at the end; it has at
// least 3 points, an open one at least 2.
struct TPolyline {
  std::size_t begin = 0;
  std::size_t end = 0;
  bool closed = false;
};

struct TContourChains {
  std::vector<std::int32_t> Points;  // point indices, polyline after polyline
  std::vector<TPolyline> Lines;

  std::span<const std::int32_t> PointsOf(const TPolyline& line) const {
    return {Points.data() + line.begin, line.end - line.begin};
  }
  std::size_t ClosedCount() const;
};

// Chains the segments of `contour` into polylines and puts them into
// `chains` (emptied first; its capacity is reused).
//
// Segments of zero length (sp = ep), repeated segments (the same two points,
// in either direction; the first one counts) and segments naming a point
// that `contour` does not have are dropped; every other segment lies in
// exactly one polyline. A polyline runs from point to point as long as the
// point it reaches is joined to exactly two segments; it ends where it
// closes (back at its first point: closed) or at a point joined to one
// segment (the border of the mesh) or to three or more (where contours
// touch: each way on from there is a polyline of its own). Two loops that
// touch at one point are thus two closed polylines, each starting there.
//
// The order is fixed: the polylines in the order of their first segment in
// the section, each running in the direction of that segment; an open one
// starts at its end before that segment, a closed one at that segment's
// start point, or at its point joined to more than two segments if it has
// one. Takes time linear in the number of points and segments.
void ChainContour(const TContour& contour, TContourChains& chains);

}  // namespace quervik
