#include "analysis/volume.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace quervik {

namespace {

// The prism of every face is computed by these two, in the plain loop and
// in the index alike, so both give the same bits.
inline double ProjectedArea(const Tvertex& p0, const Tvertex& p1, const Tvertex& p2) {
  return std::fabs((p1.y - p2.y) * p0.x + (p2.y - p0.y) * p1.x + (p0.y - p1.y) * p2.x) / 2;
}

inline double MeanHeight(const Tvertex& p0, const Tvertex& p1, const Tvertex& p2) {
  return ((p0.z + p1.z) + p2.z) / 3;
}

}  // namespace

double CalcVolumen(const Mesh& mesh, double H0) {
  double masse = 0;
  for (std::size_t i = 0; i < mesh.Fc.size(); ++i) {
    const Tvertex *p0, *p1, *p2;
    if (!FaceVertices(mesh, i, p0, p1, p2)) continue;
    const double A = ProjectedArea(*p0, *p1, *p2);
    if (p0->z > H0 && p1->z > H0 && p2->z > H0)
      masse = masse + (MeanHeight(*p0, *p1, *p2) - H0) * A;
  }
  return masse;
}

VolumeIndex VolumeIndex::Build(const Mesh& mesh) {
  constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
  VolumeIndex index;
  const std::size_t n = mesh.Fc.size();
  index.low_.reserve(n);
  index.mean_.reserve(n);
  index.area_.reserve(n);
  index.block_high_.assign((n + kBlock - 1) / kBlock, -std::numeric_limits<double>::infinity());
  for (std::size_t i = 0; i < n; ++i) {
    const Tvertex *p0, *p1, *p2;
    if (!FaceVertices(mesh, i, p0, p1, p2)) {
      index.low_.push_back(kNaN);
      index.mean_.push_back(0.0);
      index.area_.push_back(0.0);
      continue;
    }
    index.area_.push_back(ProjectedArea(*p0, *p1, *p2));
    index.mean_.push_back(MeanHeight(*p0, *p1, *p2));
    // "All three strictly above H0" is "the lowest is above H0" unless a
    // height is NaN; then no comparison holds, and neither does NaN > H0.
    if (std::isnan(p0->z) || std::isnan(p1->z) || std::isnan(p2->z)) {
      index.low_.push_back(kNaN);
      continue;
    }
    const double low = std::min(p0->z, std::min(p1->z, p2->z));
    index.low_.push_back(low);
    double& high = index.block_high_[i / kBlock];
    high = std::max(high, low);
  }
  return index;
}

double VolumeIndex::CalcVolumen(double H0) const {
  double masse = 0;
  const std::size_t n = low_.size();
  for (std::size_t b = 0; b < block_high_.size(); ++b) {
    if (!(block_high_[b] > H0)) continue;
    const std::size_t end = std::min(n, (b + 1) * kBlock);
    for (std::size_t i = b * kBlock; i < end; ++i) {
      if (low_[i] > H0) masse = masse + (mean_[i] - H0) * area_[i];
    }
  }
  return masse;
}

}  // namespace quervik
