// Moving the mesh in place: every vertex p (slot 1 … last) becomes
// M * R * p + (dx, dy, dz), with R = Rx(rx) * Ry(ry) * Rz(rz): turned first
// about z, then y, then x (axes fixed, through the origin), then scaled
// about the origin, then shifted.
#pragma once

#include "model/mesh.h"

namespace quervik {

struct TrafoParams {
  double dx = 0, dy = 0, dz = 0;
  double rx = 0, ry = 0, rz = 0;  // radians
  double M = 1;
};

// Transforms mesh.V in place (faces and Vn unchanged) and gives the
// mesh a new version. Does not recompute zmin/zmax (call ZMinMax). Refuses,
// before any vertex is written, a scale of 0 ("Der Maßstab darf nicht 0
// sein") and a transformation that would give any vertex a coordinate that
// is not finite ("Die Transformation ergäbe bei Eckpunkt <i> eine Koordinate
// außerhalb des Zahlenbereichs", the first such slot named).
void Transformation(Mesh& mesh, const TrafoParams& p);

}  // namespace quervik
