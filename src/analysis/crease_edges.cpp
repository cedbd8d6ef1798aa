#include "analysis/crease_edges.h"

#include <algorithm>
#include <cassert>
#include <cmath>
#include <numbers>
#include <string>
#include <utility>

#include "core/errors.h"
#include "model/vector_math.h"

namespace quervik {

std::vector<std::int32_t> Schnittmenge(std::span<const std::int32_t> a,
                                       std::span<const std::int32_t> b) {
  std::vector<std::int32_t> result;
  size_t j = 0, k = 0;
  while (j < a.size() && k < b.size()) {
    if (b[k] == a[j]) {
      result.push_back(a[j]);
      ++j;
      ++k;
    } else if (b[k] < a[j]) {
      ++k;
    } else {
      ++j;
    }
  }
  return result;
}

namespace {

// The first entry of Schnittmenge(a, b) from the positions j, k on, without
// building the list: returns false when there is none, and leaves j and k
// behind the match.
bool NextShared(std::span<const std::int32_t> a, std::span<const std::int32_t> b, size_t& j,
                size_t& k, std::int32_t& shared) {
  while (j < a.size() && k < b.size()) {
    if (b[k] == a[j]) {
      shared = a[j];
      ++j;
      ++k;
      return true;
    }
    if (b[k] < a[j]) {
      ++k;
    } else {
      ++j;
    }
  }
  return false;
}

}  // namespace

double CreaseCosine(double degrees) {
  if (!(degrees > 0 && degrees <= 180)) {
    throw Error("Der Kantenwinkel muss größer als 0° und höchstens 180° sein");
  }
  return std::cos(degrees / 180 * std::numbers::pi);
}

CreaseEdges BruchkanteFinden(const Mesh& mesh, const VertexFaceIndex& vp,
                             const std::vector<Tvect3D>& Fn, double degrees) {
  const double cosMaxwinkel = CreaseCosine(degrees);
  const std::size_t nf = mesh.Fc.size();
  assert(vp.size() == mesh.V.size() && Fn.size() == std::max<std::size_t>(nf, 1));

  CreaseEdges result;
  std::vector<Tbruchkante>& Bruchkanten = result.Bruchkanten;
  for (std::size_t i = 1; i < Fn.size(); ++i) result.skippedFaces += !HasFaceNormal(Fn[i]);

  // Faces without area have no normal: they are passed over as if they were
  // not there, both as the face being visited and as a neighbour, so an
  // edge is judged by its first two faces that have an area.
  auto hasNormal = [&Fn](std::int32_t face) {
    return HasFaceNormal(Fn[static_cast<std::size_t>(face)]);
  };
  auto nextWithNormal = [&](std::span<const std::int32_t> a, std::span<const std::int32_t> b,
                            std::size_t& j, std::size_t& k, std::int32_t& shared) {
    while (NextShared(a, b, j, k, shared)) {
      if (hasNormal(shared)) return true;
    }
    return false;
  };

  // Duplicates: the faces are visited in ascending order, so a vertex pair
  // is first examined at the lowest-numbered face with an area holding both
  // vertices, which is sm[0]. Examined from any later face it was either
  // stored already or rejected with the same two normals, so it is passed
  // over before its cosine is computed. This keeps the order of discovery
  // with no search in Bruchkanten and no table; a face that names a vertex
  // twice (the only way one face could offer the same pair twice) has no
  // area and is never visited.
  auto CheckBruchkante = [&](std::int32_t face, std::int32_t p1, std::int32_t p2) {
    const std::span<const std::int32_t> a = vp[static_cast<std::size_t>(p1)];
    const std::span<const std::int32_t> b = vp[static_cast<std::size_t>(p2)];
    std::size_t j = 0, k = 0;
    std::int32_t sm0 = 0, sm1 = 0;
    if (!nextWithNormal(a, b, j, k, sm0) || sm0 != face) return;
    if (!nextWithNormal(a, b, j, k, sm1)) return;  // a boundary edge
    const double c =
        WinkelVect(Fn[static_cast<std::size_t>(sm0)], Fn[static_cast<std::size_t>(sm1)]);
    if (!(c < cosMaxwinkel)) return;
    if (p1 > p2) std::swap(p1, p2);
    Bruchkanten.push_back(Tbruchkante{p1, p2});
  };

  for (std::size_t i = 1; i < nf; ++i) {
    const auto face = static_cast<std::int32_t>(i);
    if (!hasNormal(face)) continue;
    const TFace& f = mesh.Fc[i];
    CheckBruchkante(face, f[1], f[2]);
    CheckBruchkante(face, f[1], f[3]);
    CheckBruchkante(face, f[2], f[3]);
  }
  return result;
}

CreaseEdges BruchkanteFinden(const Mesh& mesh, double degrees) {
  const VertexFaceIndex vp = setVertexFacePointers(mesh);
  std::vector<Tvect3D> Fn;
  CalcFaceNormals(mesh, Fn);
  return BruchkanteFinden(mesh, vp, Fn, degrees);
}

}  // namespace quervik
