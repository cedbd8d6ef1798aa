#include "analysis/clipped_volume.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>

#include "analysis/clipped_face.h"
#include "core/parallel_blocks.h"
#include "model/edge_pairs.h"

namespace quervik {

namespace {

using volume_detail::FaceParts;
using volume_detail::PartsAt;

struct Corner {
  double z;
  std::int32_t vertex;
};

bool Before(const Corner& p, const Corner& q) {
  return p.z < q.z || (p.z == q.z && p.vertex < q.vertex);
}

bool Finite(const Tvertex& p) {
  return std::isfinite(p.x) && std::isfinite(p.y) && std::isfinite(p.z);
}

// The face with its corners sorted by height (ties by vertex number) and its
// projected area, signed by the right-hand rule over the file's corner
// order. The area is computed from the sorted corners and its sign set by
// the parity of the sort, so that every corner order of the same face gives
// the same bits and the opposite winding exactly the negated area.
bool MakeFace(const Mesh& mesh, std::size_t i, ClippedFace& face) {
  const Tvertex* p[3];
  if (!FaceVertices(mesh, i, p[0], p[1], p[2])) return false;
  if (!Finite(*p[0]) || !Finite(*p[1]) || !Finite(*p[2])) return false;
  std::array<Corner, 3> c{};
  std::array<const Tvertex*, 3> v{};
  for (int k = 0; k < 3; ++k) {
    c[static_cast<std::size_t>(k)] = Corner{p[k]->z, mesh.Fc[i][k + 1]};
    v[static_cast<std::size_t>(k)] = p[k];
  }
  bool odd = false;
  auto order = [&](std::size_t j, std::size_t k) {
    if (Before(c[k], c[j])) {
      std::swap(c[j], c[k]);
      std::swap(v[j], v[k]);
      odd = !odd;
    }
  };
  order(0, 1);
  order(1, 2);
  order(0, 1);
  const double area =
      ((v[1]->x - v[0]->x) * (v[2]->y - v[0]->y) - (v[2]->x - v[0]->x) * (v[1]->y - v[0]->y)) / 2;
  if (area == 0 || !std::isfinite(area)) return false;
  face = ClippedFace{c[0].z, c[1].z, c[2].z, odd ? -area : area};
  return true;
}

struct Sums {
  double above3 = 0;
  double below3 = 0;
  double area_above = 0;
  double area_below = 0;

  void Add(double weight, const FaceParts& p) {
    above3 += weight * p.above3;
    below3 += weight * p.below3;
    area_above += weight * p.area_above;
    area_below += weight * p.area_below;
  }
};

}  // namespace

ClippedVolumeIndex ClippedVolumeIndex::Build(const Mesh& mesh) {
  ClippedVolumeIndex index;
  // The edge pairing and the faces are independent: one thread each.
  auto build = [&](std::size_t task) {
    if (task == 0) {
      index.closed_ = EdgePairs::Build(mesh).ClosedAndOriented();
      return;
    }
    index.faces_.reserve(mesh.Fc.size());
    ClippedFace face;
    for (std::size_t i = 1; i < mesh.Fc.size(); ++i) {
      if (MakeFace(mesh, i, face)) index.faces_.push_back(face);
    }
  };
  ParallelBlocks(2, 0, build);
  if (index.faces_.empty()) return index;

  index.lowest_ = std::numeric_limits<double>::infinity();
  index.highest_ = -index.lowest_;
  for (const ClippedFace& f : index.faces_) {
    index.lowest_ = std::min(index.lowest_, f.lo);
    index.highest_ = std::max(index.highest_, f.hi);
  }

  if (index.closed_) {
    // Outwards when the enclosed volume comes out positive; heights about
    // the lowest corner keep the products small.
    const double ref = index.lowest_;
    double volume3 = 0;
    for (const ClippedFace& f : index.faces_)
      volume3 += f.weight * (((f.lo - ref) + (f.mid - ref)) + (f.hi - ref));
    if (volume3 < 0) {
      for (ClippedFace& f : index.faces_) f.weight = -f.weight;
    }
  } else {
    for (ClippedFace& f : index.faces_) f.weight = std::fabs(f.weight);
  }

  const std::size_t n = index.faces_.size();
  index.blocks_.reserve((n + kBlock - 1) / kBlock);
  for (std::size_t first = 0; first < n; first += kBlock) {
    const std::size_t last = std::min(n, first + kBlock);
    BlockSums s{index.faces_[first].lo, index.faces_[first].hi, 0, 0, 0};
    for (std::size_t i = first; i < last; ++i) {
      s.lo_min = std::min(s.lo_min, index.faces_[i].lo);
      s.hi_max = std::max(s.hi_max, index.faces_[i].hi);
    }
    for (std::size_t i = first; i < last; ++i) {
      const ClippedFace& f = index.faces_[i];
      s.weight += f.weight;
      s.up3 += f.weight * (((f.lo - s.lo_min) + (f.mid - s.lo_min)) + (f.hi - s.lo_min));
      s.down3 += f.weight * (((s.hi_max - f.lo) + (s.hi_max - f.mid)) + (s.hi_max - f.hi));
    }
    index.blocks_.push_back(s);
  }
  return index;
}

VolumeFigures ClippedVolumeIndex::At(double level, unsigned threads) const {
  // Work is split into at most kMaxParts fixed parts of whole blocks: the
  // split depends on the face count only, never on the threads.
  constexpr std::size_t kMaxParts = 1024;
  constexpr std::size_t kMinBlocksPerPart = 64;
  const std::size_t nblocks = blocks_.size();
  const std::size_t perPart = std::max(kMinBlocksPerPart, (nblocks + kMaxParts - 1) / kMaxParts);
  const std::size_t parts = (nblocks + perPart - 1) / perPart;
  std::array<Sums, kMaxParts> partial;

  auto work = [&](std::size_t part) {
    Sums s;
    const std::size_t bEnd = std::min(nblocks, (part + 1) * perPart);
    for (std::size_t b = part * perPart; b < bEnd; ++b) {
      const BlockSums& bs = blocks_[b];
      if (level < bs.lo_min) {
        s.above3 += bs.up3 + 3 * (bs.lo_min - level) * bs.weight;
        s.area_above += bs.weight;
        continue;
      }
      if (level > bs.hi_max) {
        s.below3 += bs.down3 + 3 * (level - bs.hi_max) * bs.weight;
        s.area_below += bs.weight;
        continue;
      }
      const std::size_t fEnd = std::min(faces_.size(), (b + 1) * kBlock);
      for (std::size_t i = b * kBlock; i < fEnd; ++i) {
        s.Add(faces_[i].weight, PartsAt(faces_[i], level));
      }
    }
    partial[part] = s;
  };
  ParallelBlocks(parts, threads, work);

  Sums total;
  for (std::size_t p = 0; p < parts; ++p) {
    total.above3 += partial[p].above3;
    total.below3 += partial[p].below3;
    total.area_above += partial[p].area_above;
    total.area_below += partial[p].area_below;
  }
  VolumeFigures r;
  r.level = level;
  r.closed = closed_;
  r.above = total.above3 / 3;
  r.area_above = total.area_above;
  // For a solid the part below is bounded by the faces' undersides: the
  // signed sums come out negative.
  // 0.0 - x rather than -x: no -0 in the results.
  r.below = closed_ ? 0.0 - total.below3 / 3 : total.below3 / 3;
  r.area_below = closed_ ? 0.0 - total.area_below : total.area_below;
  // Away from a solid its cross-section is empty; the signed areas of its
  // faces add up to 0 only up to rounding.
  if (closed_ && (level < lowest_ || level > highest_)) r.area_above = r.area_below = 0;
  return r;
}

VolumeFigures ClippedVolume(const Mesh& mesh, double level) {
  return ClippedVolumeIndex::Build(mesh).At(level);
}

}  // namespace quervik
