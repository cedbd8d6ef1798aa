// Meshes and section records for the section tests.
#pragma once

#include <bit>
#include <cstdint>
#include <initializer_list>
#include <random>
#include <utility>
#include <vector>

#include "model/mesh.h"
#include "section/contour.h"

namespace quervik::test {

// `nv` vertices with x, y in [0, 10) and heights taken from a small set
// (so that many heights coincide with each other and with the levels the
// tests cut at), and `nf` faces over them, degenerate ones included.
inline Mesh RandomMesh(std::mt19937_64& rng, int nv, int nf, int heights) {
  std::vector<Tvertex> V;
  std::vector<TFace> Fc;
  std::uniform_real_distribution<double> xy(0.0, 10.0);
  std::uniform_int_distribution<int> h(0, heights - 1);
  for (int i = 0; i < nv; ++i) V.push_back({xy(rng), xy(rng), 0.5 * h(rng)});
  std::uniform_int_distribution<std::int32_t> corner(1, nv);
  for (int i = 0; i < nf; ++i) Fc.push_back(TFace{{corner(rng), corner(rng), corner(rng)}});
  return MakeMesh(V, Fc);
}

struct XY {
  double x, y;
  bool operator==(const XY&) const = default;
};

inline std::vector<XY> PointsOf(const TContour& c) {
  std::vector<XY> out;
  for (const TPunkt& p : c.Points) out.push_back({p.X, p.Y});
  return out;
}

// The exact bits of every point, for comparing two sections that must be
// identical (NaN and -0 included).
inline std::vector<std::pair<std::uint64_t, std::uint64_t>> BitsOf(const TContour& c) {
  std::vector<std::pair<std::uint64_t, std::uint64_t>> out;
  for (const TPunkt& p : c.Points) {
    out.emplace_back(std::bit_cast<std::uint64_t>(p.X), std::bit_cast<std::uint64_t>(p.Y));
  }
  return out;
}

inline std::vector<std::pair<std::int32_t, std::int32_t>> SegmentsOf(const TContour& c) {
  std::vector<std::pair<std::int32_t, std::int32_t>> out;
  for (const TLine& l : c.Contours) out.emplace_back(l.sp, l.ep);
  return out;
}

}  // namespace quervik::test
