// Equality and printing of mesh records for test expectations.
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

}  // namespace quervik
