// The edges of a mesh grouped by vertex pair: for every pair of vertices
// joined by a face edge, the faces that use the edge, in ascending order,
// and the direction in which each runs along it. Built once per mesh
// version by a counting sort on the lower vertex, so pairing faces by their
// edges costs linear time instead of a search per edge.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "model/mesh.h"

namespace quervik {

// One use of an edge by a face, filed under the edge's lower vertex number.
struct EdgeUse {
  std::int32_t other = 0;  // the higher vertex number of the edge
  std::int32_t face = 0;   // the face slot using the edge
  bool forward = false;    // the face's corner order runs from the lower vertex to the higher
};

class EdgePairs {
 public:
  // The edges of faces 1 … last (slot 0 is the placeholder and no face). A
  // face naming a vertex slot that V does not have, or one vertex twice,
  // has no edges here. The three edges of a face are corner 1 to 2, 2 to 3
  // and 3 to 1.
  static EdgePairs Build(const Mesh& mesh);

  // Vertex slots covered (V.size() of the mesh built from).
  std::size_t vertices() const { return start_.empty() ? 0 : start_.size() - 1; }

  // Every use of an edge whose lower vertex is `lo`, sorted by the higher
  // vertex and, for one edge, by ascending face: the faces sharing an edge
  // are a run of equal `other`.
  std::span<const EdgeUse> From(std::size_t lo) const {
    return {uses_.data() + start_[lo], uses_.data() + start_[lo + 1]};
  }

  // Calls f(lo, hi, uses) once for every edge, in ascending (lo, hi), with
  // the uses of that edge in ascending face order.
  template <class F>
  void ForEachEdge(F&& f) const {
    for (std::size_t lo = 0; lo < vertices(); ++lo) {
      const std::span<const EdgeUse> all = From(lo);
      for (std::size_t i = 0; i < all.size();) {
        std::size_t j = i + 1;
        while (j < all.size() && all[j].other == all[i].other) ++j;
        f(static_cast<std::int32_t>(lo), all[i].other, all.subspan(i, j - i));
        i = j;
      }
    }
  }

  // True when there is at least one edge and every edge is used by exactly
  // two faces running along it in opposite directions: the faces close a
  // solid (or several) and are wound consistently, all outwards or all
  // inwards per piece.
  bool ClosedAndOriented() const;

 private:
  std::vector<std::size_t> start_;  // uses of lower vertex k: [start_[k], start_[k + 1])
  std::vector<EdgeUse> uses_;
};

}  // namespace quervik
