// The volume above the section level: the sum over all faces lying entirely
// (strictly) above the level of the vertical prism between the face and the
// level, (mean z - level) * projected area. Faces that touch or cross the
// level add nothing. There is no density: the "Masse" is this volume.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "model/mesh.h"

namespace quervik {

// The plain loop over face slots 0 … last (slot 0 is the placeholder face on
// the origin and adds nothing), summing in face order. A face naming a
// vertex slot outside V is skipped.
double CalcVolumen(const Mesh& mesh, double H0);

// Per face, once per mesh: projected area, mean height and lowest height,
// computed with the same arithmetic as the plain loop, so that a volume is
// one streaming pass that skips faces not entirely above the level. The
// index describes the mesh as it was built from; whoever keeps it builds it
// again when the mesh changes. Its result is bit-identical to CalcVolumen(mesh, H0), NaN and
// infinite heights included. A built index is immutable and may be used by
// several threads at once; an index never built gives 0.
class VolumeIndex {
 public:
  static VolumeIndex Build(const Mesh& mesh);
  double CalcVolumen(double H0) const;

 private:
  // Face slot i at position i. A face with a NaN height (never entirely
  // above any level) or a missing vertex has low_ = NaN.
  std::vector<double> low_;
  std::vector<double> mean_;
  std::vector<double> area_;
  // Highest non-NaN low_ of each block of kBlock faces (-inf if none): a
  // block whose highest lowest corner is not above the level adds nothing.
  static constexpr std::size_t kBlock = 64;
  std::vector<double> block_high_;
};

}  // namespace quervik
