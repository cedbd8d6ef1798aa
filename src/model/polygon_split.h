// Splitting a polygon face (k >= 3 corners) into the k - 2 triangles the mesh
// holds. The OBJ reader splits its faces with it; any reader of polygon
// faces should, so that the same polygon always gives the same triangles.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "model/mesh.h"

namespace quervik {

// One triangle of a split polygon: three corner places 0 … k-1 of the
// polygon, in the polygon's own turning sense, so that the triangle's normal
// (right-hand rule) points to the side the polygon's normal points to.
using PolygonTriangle = std::array<std::uint32_t, 3>;

// Splits polygons. The polygon is seen along its area normal (Newell's sum
// of the cross products of its corners), which is its own plane when the
// corners lie in one plane and the plane that fits it best when they do not.
//
// - A polygon that is convex in that view becomes the fan (0,1,2), (0,2,3),
//   …, (0,k-2,k-1), in this order. Corners lying on the straight line between
//   their neighbours, repeated corners and corners turning inwards by less
//   than a billionth of a radian still count as convex; a corner that turns
//   back on its edge does not, nor does a star whose edges go round twice.
// - A polygon without area (all corners on one line or in one point, or
//   crossing itself so that its parts cancel exactly) has no view and
//   becomes the fan as well.
// - Any other polygon is split by cutting off ears (a convex corner whose
//   triangle with its two neighbours holds no other corner), until three
//   corners are left. A simple polygon gives a triangulation of its area.
//   When no ear is left (a polygon crossing itself, or rounding at corners
//   that nearly touch), a convex corner, or failing that the next corner, is
//   cut off anyway. The search for ears is bounded by 256 steps per corner,
//   enough for any polygon that is not made to exhaust it; after that the
//   remaining corners are cut off in turn without looking for ears.
//
// Always exactly k - 2 triangles, always in time bounded by the number of
// corners, whatever the coordinates (any finite values: very large and very
// small ones are scaled by a power of two, so no product overflows).
//
// A splitter keeps its working memory between calls: one splitter splits
// any number of polygons without allocating once it has seen the largest.
class PolygonSplitter {
 public:
  // The most corners Split takes: corner places must fit PolygonTriangle.
  static constexpr std::size_t kMaxSplitCorners = 0xFFFFFFFF;

  // Replaces the content of `triangles` with the k - 2 triangles of the
  // polygon whose corner points are `corners`, in order
  // (3 <= k <= kMaxSplitCorners).
  void Split(std::span<const Tvertex> corners, std::vector<PolygonTriangle>& triangles);

  // Whether Split gives the fan for these corners (k >= 3): the polygon is
  // convex as described above, or has no area. A polygon of more than
  // kMaxSplitCorners corners (a line of gigabytes) is left as the fan.
  bool GivesFan(std::span<const Tvertex> corners);

 private:
  void Project(std::span<const Tvertex> corners);
  bool ConvexInView() const;
  void CutEars(std::vector<PolygonTriangle>& triangles);
  double Turn(std::uint32_t a, std::uint32_t b, std::uint32_t c) const;
  bool IsEar(std::uint32_t a, std::uint32_t b, std::uint32_t c);
  void BuildGrid();

  // The corners seen along the normal, counter-clockwise: u_[i], v_[i].
  bool hasView_ = false;
  std::vector<double> u_, v_;
  // The ring of corners not yet cut off.
  std::vector<std::uint32_t> prev_, next_;
  // A uniform grid over the corners that were reflex or straight at the
  // start: only such a corner can lie in an ear's triangle, and corners only
  // become more convex as neighbours are cut off.
  std::uint32_t gridSide_ = 0;
  double gridU0_ = 0, gridV0_ = 0, gridScaleU_ = 0, gridScaleV_ = 0;
  std::vector<std::uint32_t> cellStart_, cellItems_;
  std::vector<std::uint8_t> cut_;
  std::uint64_t steps_ = 0;
};

}  // namespace quervik
