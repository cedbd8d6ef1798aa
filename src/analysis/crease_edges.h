// Crease edges: mesh edges at which the first two faces sharing them meet
// at more than a threshold angle (their normals' cosine strictly below the
// threshold's cosine). Boundary edges are never creases.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "model/face_normals.h"
#include "model/mesh.h"

namespace quervik {

// A crease edge: two vertex numbers, the lower first.
using Tbruchkante = std::array<std::int32_t, 2>;

// The ascending values present in both ascending lists.
std::vector<std::int32_t> Schnittmenge(std::span<const std::int32_t> a,
                                       std::span<const std::int32_t> b);

// The cosine below which two faces meet at a crease, for an angle in
// degrees: cos(degrees). An angle outside 0 < angle <= 180 (or NaN) is
// refused: "Der Kantenwinkel muss größer als 0° und höchstens 180° sein"
// (beyond 180 the cosine comes back: 360 would act as 0, 270 as 90).
double CreaseCosine(double degrees);

struct CreaseEdges {
  std::vector<Tbruchkante> Bruchkanten;
  std::size_t skippedFaces = 0;  // faces without area, passed over
};

// The crease edges of `mesh` at `degrees` (CreaseCosine refuses a bad angle
// first). `vp` and `Fn` must be what setVertexFacePointers and
// CalcFaceNormals give for this mesh. The faces 1 … last are searched with
// the pairs (1st,2nd), (1st,3rd), (2nd,3rd); each unordered pair is listed
// once, lower vertex first, in order of discovery.
//
// Faces without area (no normal in Fn) are skipped: they are not visited,
// and an edge is judged by its first two faces with an area; skippedFaces
// counts them. A pure function of its arguments.
CreaseEdges BruchkanteFinden(const Mesh& mesh, const VertexFaceIndex& vp,
                             const std::vector<Tvect3D>& Fn, double degrees);

// The same, computing the index and the normals itself.
CreaseEdges BruchkanteFinden(const Mesh& mesh, double degrees);

}  // namespace quervik
