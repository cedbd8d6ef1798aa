#include "model/face_normals.h"

#include <cmath>
#include <cstdint>
#include <limits>
#include <string>
#include <vector>

#include "core/errors.h"
#include "model/vector_math.h"

namespace quervik {

namespace {

// The reader refuses files whose faces name missing vertices; a mesh built
// by other means is checked here too, because every corner indexes V and vp
// directly and a wrong one would read outside them.
void CheckCorner(std::int32_t vertex, size_t vertexSlots, size_t face) {
  if (vertex < 0 || static_cast<size_t>(vertex) >= vertexSlots) {
    throw Error("Fläche " + std::to_string(face) + ": Eckpunkt " + std::to_string(vertex) +
                " existiert nicht");
  }
}

}  // namespace

VertexFaceIndex setVertexFacePointers(const Mesh& mesh) {
  const size_t nv = mesh.V.size();
  const size_t nf = mesh.Fc.size();
  // Three entries per face must fit the 32-bit offsets of the index.
  if (nf > static_cast<size_t>(std::numeric_limits<std::int32_t>::max() / 3)) {
    throw Error("Zu viele Flächen: " + std::to_string(nf - 1));
  }

  VertexFaceIndex vp;
  std::vector<std::int32_t>& start = vp.start;
  start.assign(nv + 1, 0);

  // First pass: how many faces each vertex has, counted into start[k + 1].
  // A face naming a vertex twice counts once for it.
  for (size_t i = 1; i < nf; ++i) {
    const TFace& f = mesh.Fc[i];
    const std::int32_t a = f[1], b = f[2], c = f[3];
    CheckCorner(a, nv, i);
    CheckCorner(b, nv, i);
    CheckCorner(c, nv, i);
    ++start[static_cast<size_t>(a) + 1];
    if (b != a) ++start[static_cast<size_t>(b) + 1];
    if (c != a && c != b) ++start[static_cast<size_t>(c) + 1];
  }
  for (size_t k = 1; k <= nv; ++k) start[k] += start[k - 1];

  // Second pass: faces in ascending order, so every list comes out ascending.
  vp.faces.resize(static_cast<size_t>(start[nv]));
  std::vector<std::int32_t> next(start.begin(), start.end() - 1);
  auto put = [&](std::int32_t vertex, std::int32_t face) {
    vp.faces[static_cast<size_t>(next[static_cast<size_t>(vertex)]++)] = face;
  };
  for (size_t i = 1; i < nf; ++i) {
    const TFace& f = mesh.Fc[i];
    const std::int32_t a = f[1], b = f[2], c = f[3];
    const auto face = static_cast<std::int32_t>(i);
    put(a, face);
    if (b != a) put(b, face);
    if (c != a && c != b) put(c, face);
  }
  return vp;
}

std::size_t CalcFaceNormals(const Mesh& mesh, std::vector<Tvect3D>& Fn) {
  Fn.assign(1, Tvect3D{});

  const size_t nv = mesh.V.size();
  const size_t nf = mesh.Fc.size();
  Fn.reserve(nf);
  size_t withoutNormal = 0;
  for (size_t i = 1; i < nf; ++i) {
    const TFace& f = mesh.Fc[i];
    CheckCorner(f[1], nv, i);
    CheckCorner(f[2], nv, i);
    CheckCorner(f[3], nv, i);
    const Tvertex& A = mesh.V[static_cast<size_t>(f[1])];
    const Tvertex& B = mesh.V[static_cast<size_t>(f[2])];
    const Tvertex& C = mesh.V[static_cast<size_t>(f[3])];
    const Tvect3D P1{B.x - A.x, B.y - A.y, B.z - A.z};
    const Tvect3D p2{C.x - A.x, C.y - A.y, C.z - A.z};
    const Tvect3D n = Kreuzprodukt(P1, p2);
    // Exactly the faces whose normal NormVect could not compute (0/0).
    const bool zero = n[0] == 0 && n[1] == 0 && n[2] == 0;
    if (zero || !std::isfinite(n[0]) || !std::isfinite(n[1]) || !std::isfinite(n[2])) {
      Fn.push_back(Tvect3D{});
      ++withoutNormal;
      continue;
    }
    Fn.push_back(NormVect(n));
  }
  return withoutNormal;
}

}  // namespace quervik
