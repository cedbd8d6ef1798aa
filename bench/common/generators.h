// Meshes made up for benchmarks and tests: a hilly terrain on a grid, a
// closed sphere and a closed cone (made by MakeMesh, as every mesh not read
// from a file), and an OBJ writer for them.
#pragma once

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "model/mesh.h"

namespace quervik::gen {

// A terrain of nx * ny grid cells of 1 x 1 model unit, two faces per cell,
// heights a smooth sum of waves between about 0 and 100, wound
// counter-clockwise seen from above.
inline Mesh MakeTerrain(int nx, int ny) {
  std::vector<Tvertex> V;
  std::vector<TFace> Fc;
  V.reserve(static_cast<size_t>(nx + 1) * static_cast<size_t>(ny + 1));
  Fc.reserve(2 * static_cast<size_t>(nx) * static_cast<size_t>(ny));
  for (int j = 0; j <= ny; ++j) {
    for (int i = 0; i <= nx; ++i) {
      const double x = i, y = j;
      const double z = 50.0 + 20.0 * std::sin(x * 0.013) * std::cos(y * 0.011) +
                       15.0 * std::sin((x + y) * 0.029) + 10.0 * std::cos(x * 0.071 - y * 0.053);
      V.push_back({x, y, z});
    }
  }
  auto id = [nx](int i, int j) { return static_cast<std::int32_t>(j * (nx + 1) + i + 1); };
  for (int j = 0; j < ny; ++j) {
    for (int i = 0; i < nx; ++i) {
      Fc.push_back(TFace{{id(i, j), id(i + 1, j), id(i + 1, j + 1)}});
      Fc.push_back(TFace{{id(i, j), id(i + 1, j + 1), id(i, j + 1)}});
    }
  }
  return MakeMesh(V, Fc);
}

// A closed sphere of radius r around the origin: `rings` bands of
// `segments` quads (two faces each) plus the caps, wound outwards.
inline Mesh MakeSphere(int rings, int segments, double r = 100.0) {
  const double pi = 3.14159265358979323846;
  std::vector<Tvertex> V;
  std::vector<TFace> Fc;
  V.push_back({0, 0, r});  // north pole: 1
  for (int k = 1; k < rings; ++k) {
    const double phi = pi * k / rings;
    for (int s = 0; s < segments; ++s) {
      const double th = 2 * pi * s / segments;
      V.push_back(
          {r * std::sin(phi) * std::cos(th), r * std::sin(phi) * std::sin(th), r * std::cos(phi)});
    }
  }
  V.push_back({0, 0, -r});  // south pole
  const auto south = static_cast<std::int32_t>(V.size());
  auto id = [segments](int k, int s) {  // ring k in 1..rings-1
    return static_cast<std::int32_t>(2 + (k - 1) * segments + (s % segments));
  };
  for (int s = 0; s < segments; ++s) Fc.push_back(TFace{{1, id(1, s), id(1, s + 1)}});
  for (int k = 1; k + 1 < rings; ++k) {
    for (int s = 0; s < segments; ++s) {
      Fc.push_back(TFace{{id(k, s), id(k + 1, s), id(k + 1, s + 1)}});
      Fc.push_back(TFace{{id(k, s), id(k + 1, s + 1), id(k, s + 1)}});
    }
  }
  for (int s = 0; s < segments; ++s)
    Fc.push_back(TFace{{south, id(rings - 1, s + 1), id(rings - 1, s)}});
  return MakeMesh(V, Fc);
}

// A closed cone standing on the ground plane: `segments` side faces meet at
// the apex (height h above the origin), as many base faces at the centre of
// the base circle of radius r; wound outwards. The apex and the base centre
// each join `segments` faces: the worst case for a search that walks the
// faces of a vertex once per edge.
inline Mesh MakeCone(int segments, double r = 100.0, double h = 50.0) {
  const double pi = 3.14159265358979323846;
  std::vector<Tvertex> V;
  std::vector<TFace> Fc;
  V.push_back({0, 0, h});  // apex: 1
  V.push_back({0, 0, 0});  // base centre: 2
  for (int s = 0; s < segments; ++s) {
    const double th = 2 * pi * s / segments;
    V.push_back({r * std::cos(th), r * std::sin(th), 0});
  }
  auto rim = [segments](int s) { return static_cast<std::int32_t>(3 + s % segments); };
  for (int s = 0; s < segments; ++s) Fc.push_back(TFace{{1, rim(s), rim(s + 1)}});
  for (int s = 0; s < segments; ++s) Fc.push_back(TFace{{2, rim(s + 1), rim(s)}});
  return MakeMesh(V, Fc);
}

// Writes "v x y z" and "f a b c" lines (17 significant digits).
inline bool WriteObj(const Mesh& m, const std::string& path) {
  std::FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) return false;
  for (size_t i = 1; i < m.V.size(); ++i)
    std::fprintf(f, "v %.17g %.17g %.17g\n", m.V[i].x, m.V[i].y, m.V[i].z);
  for (size_t i = 1; i < m.Fc.size(); ++i)
    std::fprintf(f, "f %d %d %d\n", m.Fc[i][1], m.Fc[i][2], m.Fc[i][3]);
  return std::fclose(f) == 0;
}

}  // namespace quervik::gen
