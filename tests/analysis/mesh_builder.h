// Small meshes for the analysis tests, built as the reader leaves them:
// zero placeholders in slot 0, faces as written (corners 1, 2, 3).
#pragma once

#include <array>
#include <cstdint>
#include <initializer_list>

#include "model/mesh.h"

namespace quervik::test {

using Corners = std::array<std::int32_t, 3>;

inline Mesh MakeMesh(std::initializer_list<Tvertex> vertices,
                     std::initializer_list<Corners> faces) {
  Mesh m;
  m.V.push_back({});
  m.Fc.push_back({});
  m.Vn.push_back({});
  for (const Tvertex& v : vertices) m.V.push_back(v);
  for (const Corners& f : faces) m.Fc.push_back(TFace{f});
  return m;
}

}  // namespace quervik::test
