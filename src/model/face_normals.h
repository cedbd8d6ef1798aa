// What the crease search derives from a mesh: the vertex-face index and the
// unit face normals. Both are outputs, computed from the mesh as it is; the
// mesh keeps neither, so neither can go stale.
#pragma once

#include <cassert>
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "model/mesh.h"

namespace quervik {

// For every vertex slot, the ascending numbers of the faces that use it,
// kept in two compressed arrays: the faces of vertex k are
// faces[start[k] .. start[k+1]). Empty (size() == 0) for a mesh without
// vertex slots.
struct VertexFaceIndex {
  std::vector<std::int32_t> start;  // size() + 1 entries
  std::vector<std::int32_t> faces;

  std::size_t size() const { return start.empty() ? 0 : start.size() - 1; }
  std::span<const std::int32_t> operator[](std::size_t k) const {
    assert(k + 1 < start.size());
    return {faces.data() + start[k], faces.data() + start[k + 1]};
  }
};

// The vertex-face index of `mesh`: one list per slot of V (slot 0
// included), list k the ascending numbers of the faces 1 … last that name
// vertex k, each once. A corner outside V is refused ("Fläche <i>: Eckpunkt
// <k> existiert nicht"), as is a mesh of more faces than 32-bit offsets hold.
VertexFaceIndex setVertexFacePointers(const Mesh& mesh);

// Fills `Fn` (its old content replaced) with the unit face normals of
// `mesh`: Fn[0] the zero vector, Fn[i] the normal of face i (right-hand rule
// over corners 1, 2, 3). A face without a normal, one of zero area (two
// equal corners, three corners on a line) or with a corner that is not
// finite, gets the zero vector: no unit normal is zero, so callers can tell
// such faces apart. Returns how many faces got it. A corner outside V is
// refused like setVertexFacePointers refuses it.
std::size_t CalcFaceNormals(const Mesh& mesh, std::vector<Tvect3D>& Fn);

// True when `n` is a normal CalcFaceNormals gave a face with an area.
inline bool HasFaceNormal(const Tvect3D& n) {
  return n[0] != 0 || n[1] != 0 || n[2] != 0;
}

}  // namespace quervik
