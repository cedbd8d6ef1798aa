// Meshes in tests: made by the program's own MakeMesh (model/mesh.h), which
// owns the placeholder slot; here the records compared and printed in test
// expectations, and the small meshes several tests share.
#pragma once

#include <ostream>

#include "model/mesh.h"

namespace quervik {

inline bool operator==(const Tvertex& a, const Tvertex& b) {
  return a.x == b.x && a.y == b.y && a.z == b.z;
}
inline std::ostream& operator<<(std::ostream& os, const Tvertex& v) {
  return os << "(" << v.x << ", " << v.y << ", " << v.z << ")";
}
inline bool operator==(const TFace& a, const TFace& b) {
  return a.corner == b.corner;
}
inline std::ostream& operator<<(std::ostream& os, const TFace& f) {
  return os << "(" << f[1] << ", " << f[2] << ", " << f[3] << ")";
}

namespace test {

//          5 (2,2,4)
//         /|\        a square pyramid over (0,0)-(4,4), apex at height 4;
//  4 ----/-+-\---- 3 faces 1-4 are the sides, 5 and 6 the base
//   |   /     \  |   (tests/data/dxf_pyramid.obj as a file)
//  1 ------------- 2
inline Mesh Pyramid() {
  return MakeMesh({{0, 0, 0}, {4, 0, 0}, {4, 4, 0}, {0, 4, 0}, {2, 2, 4}},
                  {{1, 2, 5}, {2, 3, 5}, {3, 4, 5}, {4, 1, 5}, {1, 3, 2}, {1, 4, 3}});
}

}  // namespace test
}  // namespace quervik
