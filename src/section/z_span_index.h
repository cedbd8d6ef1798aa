// The z-span face index behind SectionIndex: faces bucketed by height so
// that the faces a level can cut are found without visiting the others.
//
// A height h is first mapped to a 32-bit quantum Q(h), a monotone function:
// 0 below zlo, 2^32 - 1 above zhi, and in between 1 + (h - zlo) * scale
// truncated, up to 2^32 - 2, where zlo … zhi is the span of the finite
// vertex heights. Tier k's bucket of h is
// Q(h) >> (s0 + k): tier 0's buckets are about as tall as the median face,
// and each further tier halves their number, down to a single bucket. A face
// is stored at the finest tier where its height range touches at most two
// buckets, once in each. A level looks at one bucket per tier: a face with
// min z <= level < max z is always in that bucket, because Q and the shifts
// keep the order of heights. The lists are filled by a counting sort in face
// order, so each is ascending, and the few tiers are merged. Every entry
// carries where in its bucket the face's lowest and highest corner lie (Q
// clamped to the bucket, as an offset cut to 16 bits: 8 bytes an entry), so
// that nearly every face that the level misses is dropped without touching
// the mesh.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "model/mesh.h"

namespace quervik::section_detail {

class ZSpanIndex {
 public:
  static ZSpanIndex Build(const Mesh& mesh);

  // Appends the ascending numbers of every face with
  // Q(min z) <= Q(level) <= Q(max z) (every face that can be cut at
  // `level`), and of those few whose range misses Q(level) by less than
  // 2^(s-16) quanta, s being the bucket shift of the face's tier (at most
  // 1/65536 of the vertices' height span; none for tiers with s <= 16),
  // such as faces whose top lies exactly at `level`. Nothing for a NaN
  // level.
  void Candidates(double level, std::vector<std::int32_t>& faces) const;
  // The same, with `work` as room to merge the tiers' lists in (its
  // contents are replaced; kept by the caller, it saves allocating that room
  // on every call).
  void Candidates(double level, std::vector<std::int32_t>& faces,
                  std::vector<std::int32_t>& work) const;

  // At least the number of faces Candidates(level) appends, found without
  // listing them: the sizes of the one bucket per tier that a level looks
  // at. 0 for a NaN level.
  std::size_t CandidateBound(double level) const;

  // Statistics for benchmarks and tests.
  std::size_t TierCount() const { return tiers_.size(); }
  std::size_t EntryCount() const { return entry_count_; }

 private:
  struct Entry {
    std::int32_t face;
    std::uint16_t lo;  // Q(min z) of the face as an offset in the bucket
    std::uint16_t hi;  // Q(max z) of the face as an offset in the bucket
  };
  struct Tier {
    int shift;          // bucket of a quantum q: q >> shift
    std::size_t first;  // index of the tier's first bucket in starts_
  };

  std::uint32_t Quantum(double h) const;

  double zlo_ = 0;
  double zhi_ = 0;
  double scale_ = 0;
  std::vector<Tier> tiers_;
  std::vector<std::uint32_t> starts_;  // entries of bucket b: [starts_[b], starts_[b + 1])
  std::unique_ptr<Entry[]> entries_;
  // The faces with Q(min z) = 0 (a corner at -inf) and with
  // Q(max z) = 2^32 - 1 (at +inf), ascending: the candidates of the levels
  // below and above every finite height.
  std::vector<std::int32_t> below_;
  std::vector<std::int32_t> above_;
  std::size_t entry_count_ = 0;
};

}  // namespace quervik::section_detail
