// Cutting the mesh with the plane z = level.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

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

namespace section_detail {
class ZSpanIndex;
}

// The faces whose height range [min z, max z] contains a level, found
// without visiting the others, in ascending face order. Built once per mesh
// version in linear time; `version` tells which mesh it describes. A built
// index is immutable: copies share it, and any number of threads may use it
// at once.
class SectionIndex {
 public:
  static SectionIndex Build(const Mesh& mesh);
  std::uint64_t version() const { return version_; }

  // Appends to `faces`, in ascending order and each once, the numbers of the
  // faces i >= 1 with min z <= level < max z (every face that LineCut can
  // cut at `level`), plus possibly a few whose height range misses `level`
  // by less than 1/65536 of the height span of the vertices (faces whose top
  // lies exactly at `level`, for one). Faces with a NaN height, a vertex
  // slot outside V or all three heights equal are never cut and never
  // listed; nothing is listed for a NaN level or by an index never built.
  void Candidates(double level, std::vector<std::int32_t>& faces) const;

  // At least the number of faces Candidates(level) lists, and so at least
  // the number of segments of the section at `level`, in a time that does not
  // grow with the faces (a few steps per tier of the index). 0 for an index
  // never built.
  std::size_t CandidateBound(double level) const;

  // True when CalculateContour uses this index for `mesh`: it was built, and
  // for this mesh version.
  bool Serves(const Mesh& mesh) const { return faces_ && version_ == mesh.version; }

 private:
  friend void CalculateContour(const Mesh&, double, TContour&, const SectionIndex*);
  std::uint64_t version_ = 0;
  std::shared_ptr<const section_detail::ZSpanIndex> faces_;
};

// Empties `contour`, sets contour.Level = level and fills it with the
// section of `mesh` (faces 1 … last, in order; the three edge conditions in
// their order). With `index` (built for this mesh version) only the faces
// whose height range contains the level are visited; the result is the
// same, point for point and segment for segment. An index built for another
// mesh version (or never built) is ignored and every face is visited. Safe
// to call from several threads on the same mesh and index, each with its
// own contour; each thread keeps the memory of its merge for its next
// section. A large section (16,384 listed faces or more) that runs while
// no other one does has a helper thread cut some of its faces while the
// calling thread merges the points, with the same result. A face naming a vertex
// slot outside V is skipped.
void CalculateContour(const Mesh& mesh, double level, TContour& contour,
                      const SectionIndex* index = nullptr);

// The number of segments CalculateContour gives at a level, exactly, for
// many levels at little cost: built once from the height ranges of the faces
// (sorted, O(n log n)), each count is two binary searches. A face gives a
// segment exactly when its lowest corner lies at or below the level and its
// highest corner above it (one corner apart from the other two, so two edges
// are cut); faces with a NaN height or a vertex slot outside V give none.
class SectionLineCount {
 public:
  explicit SectionLineCount(const Mesh& mesh);
  std::size_t At(double level) const;

 private:
  std::vector<double> lows_;   // the lowest corner of each face, ascending
  std::vector<double> highs_;  // the highest corner of each face, ascending
};

}  // namespace quervik
