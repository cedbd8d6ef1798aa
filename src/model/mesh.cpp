#include "model/mesh.h"

#include <atomic>

namespace quervik {

std::uint64_t NewMeshVersion() {
  // Starts above 0: a default-constructed Mesh has version 0 and must never
  // be mistaken for one that was loaded or built.
  static std::atomic<std::uint64_t> counter{0};
  return counter.fetch_add(1, std::memory_order_relaxed) + 1;
}

Mesh MakeMesh(const std::vector<Tvertex>& vertices, const std::vector<TFace>& faces) {
  Mesh mesh;
  mesh.V.reserve(vertices.size() + 1);
  mesh.V.push_back(Tvertex{});
  mesh.V.insert(mesh.V.end(), vertices.begin(), vertices.end());
  mesh.Fc.reserve(faces.size() + 1);
  mesh.Fc.push_back(TFace{});
  mesh.Fc.insert(mesh.Fc.end(), faces.begin(), faces.end());
  mesh.Vn.assign(1, Tvect3D{});
  ZMinMax(mesh);
  mesh.version = NewMeshVersion();
  return mesh;
}

void ZMinMax(Mesh& mesh) {
  if (mesh.V.size() <= 1) {
    mesh.zmin = 0;
    mesh.zmax = 0;
    return;
  }
  double lo = mesh.V[1].z;
  double hi = lo;
  for (size_t i = 1; i < mesh.V.size(); ++i) {
    const double z = mesh.V[i].z;
    if (lo > z) lo = z;
    if (hi < z) hi = z;
  }
  mesh.zmin = lo;
  mesh.zmax = hi;
}

}  // namespace quervik
