#include "section/z_span_index.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <limits>

namespace quervik::section_detail {

namespace {

constexpr std::uint32_t kQMax = 0xffffffffU;

// Tier 0 never has more buckets than this (memory for the bucket starts).
constexpr int kMinShift = 6;  // at most 2^26 buckets

// Faces sampled to estimate the typical height extent of a face.
constexpr std::size_t kSamples = 4096;

// The lowest and highest height of face i; false for a face that can never
// be cut: a NaN height leaves both edges at that corner uncut and so at
// most one cut edge; equal heights cut no edge; a missing vertex slot is
// skipped by the section.
inline bool FaceRange(const Mesh& mesh, std::size_t i, double& mn, double& mx) {
  const TFace& f = mesh.Fc[i];
  const std::size_t nv = mesh.V.size();
  const auto a = static_cast<std::size_t>(static_cast<std::uint32_t>(f[1]));
  const auto b = static_cast<std::size_t>(static_cast<std::uint32_t>(f[2]));
  const auto c = static_cast<std::size_t>(static_cast<std::uint32_t>(f[3]));
  if (a >= nv || b >= nv || c >= nv) return false;
  const double za = mesh.V[a].z, zb = mesh.V[b].z, zc = mesh.V[c].z;
  if (std::isnan(za) || std::isnan(zb) || std::isnan(zc)) return false;
  mn = std::min(za, std::min(zb, zc));
  mx = std::max(za, std::max(zb, zc));
  return mn < mx;
}

inline std::uint64_t BucketAt(std::uint32_t q, int shift) {
  return static_cast<std::uint64_t>(q) >> shift;
}

// Bits dropped from an offset within a bucket of 2^shift quanta so that it
// fits 16 bits.
inline int OffsetDrop(int shift) {
  return std::max(0, shift - 16);
}

// Quantum q as an offset within bucket b of 2^shift quanta, clamped to the
// bucket and cut to 16 bits. Monotone in q, so comparing offsets of one
// bucket never drops a face that a comparison of quanta would keep.
inline std::uint16_t OffsetIn(std::uint32_t q, std::uint64_t b, int shift) {
  const std::uint64_t base = b << shift;
  const std::uint64_t top = base + ((std::uint64_t{1} << shift) - 1);
  const std::uint64_t c = std::clamp<std::uint64_t>(q, base, top);
  return static_cast<std::uint16_t>((c - base) >> OffsetDrop(shift));
}

}  // namespace

std::uint32_t ZSpanIndex::Quantum(double h) const {
  // Monotone in h: the subtraction and the multiplication by a
  // non-negative factor are each rounded, which keeps the order, and so do
  // the clamping and the truncation.
  if (!(h >= zlo_)) return 0;  // NaN included
  if (h > zhi_) return kQMax;
  const double u = (h - zlo_) * scale_;
  constexpr double kTop = static_cast<double>(kQMax - 2);
  return 1 + static_cast<std::uint32_t>(u < kTop ? u : kTop);
}

ZSpanIndex ZSpanIndex::Build(const Mesh& mesh) {
  ZSpanIndex index;
  const std::size_t nf = mesh.Fc.size();

  double zlo = std::numeric_limits<double>::infinity();
  double zhi = -zlo;
  for (std::size_t v = 1; v < mesh.V.size(); ++v) {
    const double z = mesh.V[v].z;
    if (std::isfinite(z)) {
      zlo = std::min(zlo, z);
      zhi = std::max(zhi, z);
    }
  }
  if (zlo <= zhi) {
    index.zlo_ = zlo;
    index.zhi_ = zhi;
    const double span = zhi - zlo;
    if (span > 0 && std::isfinite(span)) index.scale_ = static_cast<double>(kQMax - 2) / span;
  }

  // Tier 0's bucket height: the power of two of quanta just above the
  // median extent of a sample of faces, so that most faces sit in one
  // bucket of it, some in two.
  std::vector<std::uint32_t> extents;
  extents.reserve(kSamples + 1);
  const std::size_t stride = std::max<std::size_t>(1, nf / kSamples);
  for (std::size_t i = 1; i < nf; i += stride) {
    double mn, mx;
    if (FaceRange(mesh, i, mn, mx)) extents.push_back(index.Quantum(mx) - index.Quantum(mn));
  }
  int shift0 = 32;
  if (!extents.empty()) {
    auto mid = extents.begin() + static_cast<std::ptrdiff_t>(extents.size() / 2);
    std::nth_element(extents.begin(), mid, extents.end());
    shift0 = static_cast<int>(std::bit_width(*mid));
  }
  // No more buckets than about half the faces, and than kMinShift allows.
  const int by_faces = 32 - std::max(0, static_cast<int>(std::bit_width(nf / 2)) - 1);
  shift0 = std::clamp(shift0, std::max(kMinShift, by_faces), 32);
  std::size_t total = 0;
  for (int s = shift0; s <= 32; ++s) {
    index.tiers_.push_back(Tier{s, total});
    total += static_cast<std::size_t>(BucketAt(kQMax, s)) + 1;
  }

  // Where face i goes: the quanta of its range, its tier (the finest at
  // which the range touches at most two buckets) and its first bucket g;
  // false for a face that is never cut. Worked out once to count the
  // entries per bucket and once more to store them, which costs less than
  // memory for it per face (12 bytes a face: a quarter of the mesh's arrays).
  struct Place {
    std::uint32_t ql, qh;  // the quanta of the lowest and highest corner
    int shift;             // the tier's bucket shift
    std::size_t g;         // the first bucket
    bool two;              // … and the one after it too
  };
  const int last = static_cast<int>(index.tiers_.size()) - 1;
  auto place = [&](std::size_t i, Place& p) {
    double mn, mx;
    if (!FaceRange(mesh, i, mn, mx)) return false;
    const std::uint32_t ql = p.ql = index.Quantum(mn);
    const std::uint32_t qh = p.qh = index.Quantum(mx);
    int k = 0;
    const std::uint64_t d0 = BucketAt(qh, shift0) - BucketAt(ql, shift0);
    if (d0 > 1) {
      k = std::min(last, static_cast<int>(std::bit_width(d0)) - 1);
      while (BucketAt(qh, shift0 + k) - BucketAt(ql, shift0 + k) > 1) ++k;
    }
    p.shift = shift0 + k;
    const std::uint64_t bl = BucketAt(ql, p.shift);
    p.two = BucketAt(qh, p.shift) > bl;
    p.g = index.tiers_[static_cast<std::size_t>(k)].first + bl;
    return true;
  };

  // Pass 1: the count of entries per bucket.
  std::vector<std::uint32_t> counts(total + 1, 0);
  for (std::size_t i = 1; i < nf; ++i) {
    Place p;
    if (!place(i, p)) continue;
    ++counts[p.g];
    if (p.two) ++counts[p.g + 1];
  }
  std::uint32_t sum = 0;
  for (std::size_t g = 0; g <= total; ++g) {
    const std::uint32_t c = counts[g];
    counts[g] = sum;
    sum += c;
  }
  index.starts_ = counts;

  // Pass 2: the entries, in face order within each bucket.
  index.entries_.reset(new Entry[sum]);
  index.entry_count_ = sum;
  Entry* entries = index.entries_.get();
  for (std::size_t i = 1; i < nf; ++i) {
    Place p;
    if (!place(i, p)) continue;
    const auto face = static_cast<std::int32_t>(i);
    if (p.ql == 0) index.below_.push_back(face);
    if (p.qh == kQMax) index.above_.push_back(face);
    const std::uint64_t b = BucketAt(p.ql, p.shift);
    for (std::uint64_t k = 0; k < (p.two ? 2u : 1u); ++k) {
      entries[counts[p.g + k]++] =
          Entry{face, OffsetIn(p.ql, b + k, p.shift), OffsetIn(p.qh, b + k, p.shift)};
    }
  }
  return index;
}

std::size_t ZSpanIndex::CandidateBound(double level) const {
  if (std::isnan(level)) return 0;
  const std::uint32_t q = Quantum(level);
  std::size_t bound = 0;
  for (const Tier& t : tiers_) {
    const std::size_t g = t.first + static_cast<std::size_t>(BucketAt(q, t.shift));
    bound += starts_[g + 1] - starts_[g];
  }
  return bound;
}

void ZSpanIndex::Candidates(double level, std::vector<std::int32_t>& faces) const {
  std::vector<std::int32_t> work;
  Candidates(level, faces, work);
}

void ZSpanIndex::Candidates(double level, std::vector<std::int32_t>& faces,
                            std::vector<std::int32_t>& work) const {
  if (std::isnan(level) || tiers_.empty()) return;
  const std::uint32_t q = Quantum(level);
  // Below or above every finite height only faces reaching an infinite
  // height can be cut; the offsets cannot tell them from faces at the
  // lowest or highest vertex.
  if (q == 0 || q == kQMax) {
    const std::vector<std::int32_t>& listed = q == 0 ? below_ : above_;
    faces.insert(faces.end(), listed.begin(), listed.end());
    return;
  }
  // One ascending run per tier, gathered after what `faces` holds.
  const std::size_t base = faces.size();
  std::vector<std::size_t> runs;  // boundaries, counted from base
  runs.push_back(0);
  for (const Tier& t : tiers_) {
    const std::uint64_t b = BucketAt(q, t.shift);
    const std::size_t g = t.first + static_cast<std::size_t>(b);
    const std::uint16_t o = OffsetIn(q, b, t.shift);
    const Entry* e = entries_.get() + starts_[g];
    const Entry* end = entries_.get() + starts_[g + 1];
    for (; e != end; ++e) {
      if (e->lo <= o && o <= e->hi) faces.push_back(e->face);
    }
    if (faces.size() - base > runs.back()) runs.push_back(faces.size() - base);
  }
  if (runs.size() <= 2) return;
  // Merge neighbouring runs pairwise, back and forth between `faces` and
  // `work`, until one is left; it ends in `faces`.
  const std::size_t n = faces.size() - base;
  work.resize(n);
  std::int32_t* src = faces.data() + base;
  std::int32_t* dst = work.data();
  while (runs.size() > 2) {
    std::vector<std::size_t> merged;
    merged.push_back(0);
    std::size_t r = 0;
    for (; r + 2 < runs.size(); r += 2) {
      std::merge(src + runs[r], src + runs[r + 1], src + runs[r + 1], src + runs[r + 2],
                 dst + runs[r]);
      merged.push_back(runs[r + 2]);
    }
    if (r + 1 < runs.size()) {
      std::copy(src + runs[r], src + runs[r + 1], dst + runs[r]);
      merged.push_back(runs[r + 1]);
    }
    runs.swap(merged);
    std::swap(src, dst);
  }
  if (src != faces.data() + base) std::copy(src, src + n, faces.data() + base);
}

}  // namespace quervik::section_detail
