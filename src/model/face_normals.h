// Derived structures of the mesh used by the crease-edge search: the
// vertex-face index vp and the unit face normals Fn. Loading and
// transforming do not update them; the crease-edge search rebuilds both.
#pragma once

#include <functional>
#include <string_view>

#include "model/mesh.h"

namespace quervik {

// Shows a status text; `repaint` asks for the status line to be drawn at once.
using StatusFn = std::function<void(std::string_view text, bool repaint)>;

// Rebuilds mesh.vp: one list per slot of V (slot 0 included), vp[k] the
// ascending numbers of the faces 1 … last that name vertex k, each once.
void setVertexFacePointers(Mesh& mesh);

// Rebuilds mesh.Fn: Fn[0] the zero vector, Fn[i] the unit normal of face i
// (right-hand rule over corners 1, 2, 3). Shows "Normale rechnen" with a
// repaint first. A face without a normal, one of zero area (two equal
// corners, three corners on a line) or with a corner that is not finite,
// gets the zero vector: no unit normal is zero, so callers can tell such
// faces apart. Returns how many faces got it.
size_t CalcFaceNormals(Mesh& mesh, const StatusFn& status = {});

// True when face i got a normal from CalcFaceNormals (it has an area).
inline bool HasFaceNormal(const Mesh& mesh, size_t i) {
  const Tvect3D& n = mesh.Fn[i];
  return n[0] != 0 || n[1] != 0 || n[2] != 0;
}

}  // namespace quervik
