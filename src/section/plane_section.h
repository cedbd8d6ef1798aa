// Cutting the mesh with the plane z = level.
#pragma once

#include <cstdint>
#include <memory>

#include "model/mesh.h"
#include "section/contour.h"
#include "section/point_merge.h"

namespace quervik {

// Cuts the edge (x1, y1, z1)-(x2, y2, z2) with the plane z = Level. The edge
// is cut when one end is at or below the plane and the other strictly above
// it (an end lying in the plane counts as below); a horizontal edge is never
// cut. Only ContourPt.X/Y and Found are set.
TLineCut LineCut(double x1, double y1, double x2, double y2, double z1, double z2, double Level);

// Adds the segment between the crossings L1 and L2: first L1's point, then
// L2's, each merged with a stored point within the tolerance.
void AddContourLine(TContour& contour, PointMerge& merge, const TLineCut& L1, const TLineCut& L2);

// The faces whose height range [min z, max z] contains a level, found
// without visiting the others, in ascending face order. Built once per mesh
// version in linear time; `version` tells which mesh it describes.
class SectionIndex {
 public:
  static SectionIndex Build(const Mesh& mesh);
  std::uint64_t version() const { return version_; }

  // The ascending numbers of the faces i >= 1 with min z <= level < max z:
  // every face that LineCut can cut at `level`. (Layout is the
  // implementation's own; callers use only Build, version and
  // CalculateContour.)
 private:
  std::uint64_t version_ = 0;
};

// Empties `contour`, sets contour.Level = level and fills it with the
// section of `mesh` (faces 1 … last, in order; the three edge conditions in
// their order). With `index` (built for this mesh version) only the faces
// whose height range contains the level are visited; the result is the
// same. Safe to call from several threads on the same mesh and index.
void CalculateContour(const Mesh& mesh, double level, TContour& contour,
                      const SectionIndex* index = nullptr);

}  // namespace quervik
