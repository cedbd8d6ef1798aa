// What every mesh a reader hands out must satisfy, for the fuzz targets:
// at least one face, every corner naming a real vertex (never the
// placeholder 0), finite coordinates, the height range of the vertices, and
// Vn with its placeholder (and, from PLY and STL, either nothing more or a
// normal per vertex). Aborts otherwise.
#pragma once

#include <cmath>
#include <cstdint>
#include <cstdlib>

#include "model/mesh.h"

inline void CheckMesh(const quervik::Mesh& mesh, bool normalsPerVertex) {
  if (mesh.V.size() < 2 || mesh.Fc.size() < 2 || mesh.Vn.empty()) std::abort();
  if (normalsPerVertex && mesh.Vn.size() != 1 && mesh.Vn.size() != mesh.V.size()) std::abort();
  const auto n = static_cast<std::int64_t>(mesh.V.size());
  for (size_t i = 1; i < mesh.Fc.size(); ++i) {
    for (int k = 1; k <= 3; ++k) {
      if (mesh.Fc[i][k] < 1 || mesh.Fc[i][k] >= n) std::abort();
    }
  }
  for (size_t i = 1; i < mesh.V.size(); ++i) {
    const quervik::Tvertex& v = mesh.V[i];
    if (!std::isfinite(v.x) || !std::isfinite(v.y) || !std::isfinite(v.z)) std::abort();
    if (v.z < mesh.zmin || v.z > mesh.zmax) std::abort();
  }
}
