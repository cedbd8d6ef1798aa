#include "model/polygon_faces.h"

#include <algorithm>
#include <new>
#include <stdexcept>

namespace quervik {

void PolygonFaces::Grow(std::size_t needed, std::uint64_t moreTriangles) {
  const std::size_t size = mesh_.Fc.size();
  const std::uint64_t most = mesh_.Fc.max_size() - size - needed;
  try {
    mesh_.Fc.reserve(size + needed + static_cast<std::size_t>(std::min(moreTriangles, most)));
    return;
  } catch (const std::bad_alloc&) {
    // More address space than the system hands out at once (a bound from
    // a file of many gigabytes): grow step by step instead.
  } catch (const std::length_error&) {
  }
  mesh_.Fc.reserve(size + needed + size / 2);
}

void PolygonFaces::Polygon(std::span<const std::int32_t> corners, bool verticesKnown,
                           std::uint64_t moreTriangles) {
  const std::size_t k = corners.size();
  const std::size_t slot = mesh_.Fc.size();
  if (mesh_.Fc.capacity() - slot < k - 2) Grow(k - 2, moreTriangles);
  for (std::size_t i = 1; i + 1 < k; ++i) {
    mesh_.Fc.push_back(TFace{{corners[0], corners[i], corners[i + 1]}});
  }
  if (k == 3) return;
  if (verticesKnown) {
    Split(slot, k);
  } else {
    waiting_.emplace_back(slot, k);
  }
}

void PolygonFaces::Finish() {
  for (const auto& [slot, k] : waiting_) Split(slot, k);
  waiting_.clear();
}

// Gathers the corners of the polygon whose fan starts at `slot` and writes
// its triangles over the fan when they are not the fan.
void PolygonFaces::Split(std::size_t slot, std::size_t k) {
  corners_.clear();
  points_.clear();
  corners_.push_back(mesh_.Fc[slot][1]);
  corners_.push_back(mesh_.Fc[slot][2]);
  for (std::size_t t = 0; t + 2 < k; ++t) corners_.push_back(mesh_.Fc[slot + t][3]);
  for (const std::int32_t c : corners_) points_.push_back(mesh_.V[static_cast<std::size_t>(c)]);
  if (splitter_.GivesFan(points_)) return;
  splitter_.Split(points_, triangles_);
  for (std::size_t t = 0; t < triangles_.size(); ++t) {
    TFace& f = mesh_.Fc[slot + t];
    for (int j = 0; j < 3; ++j) f[j + 1] = corners_[triangles_[t][static_cast<std::size_t>(j)]];
  }
}

}  // namespace quervik
