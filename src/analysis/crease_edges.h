// Crease edges: mesh edges at which the first two faces sharing them meet
// at more than a threshold angle (their normals' cosine strictly below the
// threshold's cosine). Boundary edges are never creases.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "core/progress.h"
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
//
// Time linear in the faces, also where very many faces meet at one vertex
// (each entry of vp is visited once); memory 8 bytes per vertex and 1 per
// face besides the result.
//
// `progress` (core/progress.h), when given, is called on the calling thread
// with (0, total) first, then about every 262,144 steps, and with (total, total)
// at the end; the steps are the entries of vp (3 per face). When it throws
// (Cancelled), the search ends with that exception.
CreaseEdges BruchkanteFinden(const Mesh& mesh, const VertexFaceIndex& vp,
                             const std::vector<Tvect3D>& Fn, double degrees,
                             const ProgressFn& progress = {});

// The same, computing the index and the normals itself (before the first
// call of `progress`).
CreaseEdges BruchkanteFinden(const Mesh& mesh, double degrees, const ProgressFn& progress = {});

}  // namespace quervik
