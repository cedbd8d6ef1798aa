#include "analysis/transformation.h"

#include <cmath>
#include <string>

#include "core/errors.h"

namespace quervik {

void Transformation(Mesh& mesh, const TrafoParams& p) {
  // A scale of 0 would put every vertex on one point: the mesh would be lost.
  if (p.M == 0) throw Error("Der Maßstab darf nicht 0 sein");

  const double cx = std::cos(p.rx), sx = std::sin(p.rx);
  const double cy = std::cos(p.ry), sy = std::sin(p.ry);
  const double cz = std::cos(p.rz), sz = std::sin(p.rz);

  // R = Rx(rx) * Ry(ry) * Rz(rz), written out; each product is formed left
  // to right as it stands, so that results are the same bits everywhere.
  double R[4][4] = {};
  R[1][1] = cy * cz;
  R[1][2] = -cy * sz;
  R[1][3] = sy;
  R[2][1] = cx * sz + sx * sy * cz;
  R[2][2] = cx * cz - sx * sy * sz;
  R[2][3] = -sx * cy;
  R[3][1] = sx * sz - cx * sy * cz;
  R[3][2] = sx * cz + cx * sy * sz;
  R[3][3] = cx * cy;

  const double M = p.M;
  auto moved = [&](const Tvertex& v) {
    const double x = v.x, y = v.y, z = v.z;
    const double xn = (R[1][1] * x + R[1][2] * y + R[1][3] * z) * M + p.dx;
    const double yn = (R[2][1] * x + R[2][2] * y + R[2][3] * z) * M + p.dy;
    const double zn = (R[3][1] * x + R[3][2] * y + R[3][3] * z) * M + p.dz;
    return Tvertex{xn, yn, zn};
  };

  // Every result is checked before the first vertex is written, so a
  // refused transformation leaves the mesh as it was. The vertices are
  // computed twice rather than copied: a large mesh must not need twice its
  // memory.
  for (size_t i = 1; i < mesh.V.size(); ++i) {
    const Tvertex n = moved(mesh.V[i]);
    if (!std::isfinite(n.x) || !std::isfinite(n.y) || !std::isfinite(n.z)) {
      throw Error("Die Transformation ergäbe bei Eckpunkt " + std::to_string(i) +
                  " eine Koordinate außerhalb des Zahlenbereichs");
    }
  }
  for (size_t i = 1; i < mesh.V.size(); ++i) mesh.V[i] = moved(mesh.V[i]);
  mesh.version = NewMeshVersion();
}

}  // namespace quervik
