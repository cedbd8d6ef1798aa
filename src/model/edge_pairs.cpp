#include "model/edge_pairs.h"

#include <algorithm>
#include <array>

namespace quervik {

namespace {

// The corners of face i as slots of V, or false when the face has no edges
// (a missing slot, or a vertex named twice).
bool FaceCorners(const Mesh& mesh, std::size_t i, std::array<std::int32_t, 3>& c) {
  const std::size_t n = mesh.V.size();
  for (int k = 0; k < 3; ++k) {
    c[static_cast<std::size_t>(k)] = mesh.Fc[i][k + 1];
    if (static_cast<std::size_t>(static_cast<std::uint32_t>(c[static_cast<std::size_t>(k)])) >= n)
      return false;
  }
  return c[0] != c[1] && c[1] != c[2] && c[2] != c[0];
}

}  // namespace

EdgePairs EdgePairs::Build(const Mesh& mesh) {
  EdgePairs pairs;
  const std::size_t n = mesh.V.size();
  pairs.start_.assign(n + 1, 0);
  std::array<std::int32_t, 3> c{};
  // Count the uses per lower vertex, then place them; faces are visited in
  // ascending order, so within one edge the faces stay ascending as long as
  // the sort by the higher vertex is stable.
  for (std::size_t i = 1; i < mesh.Fc.size(); ++i) {
    if (!FaceCorners(mesh, i, c)) continue;
    for (std::size_t k = 0; k < 3; ++k) {
      ++pairs.start_[static_cast<std::size_t>(std::min(c[k], c[(k + 1) % 3])) + 1];
    }
  }
  for (std::size_t k = 0; k < n; ++k) pairs.start_[k + 1] += pairs.start_[k];
  pairs.uses_.resize(pairs.start_[n]);
  std::vector<std::size_t> next(pairs.start_.begin(), pairs.start_.end() - 1);
  for (std::size_t i = 1; i < mesh.Fc.size(); ++i) {
    if (!FaceCorners(mesh, i, c)) continue;
    for (std::size_t k = 0; k < 3; ++k) {
      const std::int32_t from = c[k], to = c[(k + 1) % 3];
      const auto lo = static_cast<std::size_t>(std::min(from, to));
      pairs.uses_[next[lo]++] =
          EdgeUse{std::max(from, to), static_cast<std::int32_t>(i), from < to};
    }
  }
  // Most vertices have a handful of edges: insertion sort; a vertex shared
  // by very many faces gets a stable sort.
  auto byOther = [](const EdgeUse& a, const EdgeUse& b) { return a.other < b.other; };
  for (std::size_t k = 0; k < n; ++k) {
    EdgeUse* first = pairs.uses_.data() + pairs.start_[k];
    EdgeUse* last = pairs.uses_.data() + pairs.start_[k + 1];
    if (last - first > 32) {
      std::stable_sort(first, last, byOther);
      continue;
    }
    for (EdgeUse* p = first + 1; p < last; ++p) {
      const EdgeUse u = *p;
      EdgeUse* q = p;
      for (; q > first && byOther(u, q[-1]); --q) *q = q[-1];
      *q = u;
    }
  }
  return pairs;
}

bool EdgePairs::ClosedAndOriented() const {
  if (uses_.empty()) return false;
  bool closed = true;
  ForEachEdge([&closed](std::int32_t, std::int32_t, std::span<const EdgeUse> uses) {
    if (uses.size() != 2 || uses[0].forward == uses[1].forward) closed = false;
  });
  return closed;
}

}  // namespace quervik
