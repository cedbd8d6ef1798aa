// The in-memory triangle mesh.
//
// Slot 0 of V, Fc and Vn is a zero placeholder, so that the 1-based vertex
// numbers of the OBJ file index V directly; the lengths that the program
// reports include that slot (a file with 8 vertices gives V the length 9).
// Before the first load every array is empty (length 0) and zmin = zmax = 0.
//
// The mesh holds what was read and nothing derived from it: face normals
// and the vertex-face index are outputs of their functions
// (face_normals.h), the indexes of sections and volumes are built per mesh
// version, so none can go stale.
#pragma once

#include <array>
#include <cassert>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace quervik {

struct Tvertex {
  double x = 0;
  double y = 0;
  double z = 0;
};

// A 3-vector indexed 0, 1, 2 (x, y, z).
using Tvect3D = std::array<double, 3>;

// A triangle: three vertex numbers, indexed 1, 2, 3 as the corners are
// numbered in the file (face[1] is the first corner). The normal follows the
// right-hand rule over that order. After a successful load every number lies
// in 0 … V.size()-1; 0 names the placeholder origin (a missing corner).
struct TFace {
  std::array<std::int32_t, 3> corner{};

  std::int32_t& operator[](int k) {
    assert(k >= 1 && k <= 3);
    return corner[static_cast<size_t>(k - 1)];
  }
  std::int32_t operator[](int k) const {
    assert(k >= 1 && k <= 3);
    return corner[static_cast<size_t>(k - 1)];
  }
};

struct Mesh {
  std::vector<Tvertex> V;
  std::vector<TFace> Fc;
  std::vector<Tvect3D> Vn;  // vertex normals of the file; only their count is used
  double zmin = 0;
  double zmax = 0;

  // Changes whenever V or Fc change (load, transformation), so that derived
  // indexes (section, volume) know when to rebuild. Use NewMeshVersion().
  std::uint64_t version = 0;
};

// The vertices of face i (corners 1, 2, 3), or false when the face names a
// slot that V does not have. The OBJ reader refuses such files; this keeps a
// mesh built by other means from reading outside V.
inline bool FaceVertices(const Mesh& mesh, std::size_t i, const Tvertex*& A, const Tvertex*& B,
                         const Tvertex*& C) {
  const TFace& f = mesh.Fc[i];
  const auto n = mesh.V.size();
  const auto a = static_cast<std::size_t>(static_cast<std::uint32_t>(f[1]));
  const auto b = static_cast<std::size_t>(static_cast<std::uint32_t>(f[2]));
  const auto c = static_cast<std::size_t>(static_cast<std::uint32_t>(f[3]));
  if (a >= n || b >= n || c >= n) return false;
  A = &mesh.V[a];
  B = &mesh.V[b];
  C = &mesh.V[c];
  return true;
}

// A version number never handed out before in this run.
std::uint64_t NewMeshVersion();

// The mesh of `vertices` (numbered from 1) and `faces` (corners 1, 2, 3
// naming them) as a reader leaves it: the zero placeholder in slot 0 of V,
// Fc and Vn, zmin and zmax computed, a new version. Every mesh not read from
// a file is made here, so the slot-0 rule lives in one place.
Mesh MakeMesh(const std::vector<Tvertex>& vertices, const std::vector<TFace>& faces = {});

// zmin and zmax of V[1] … V[last]; the placeholder V[0] never takes part.
// A mesh without vertices (V.size() <= 1) gets zmin = zmax = 0.
void ZMinMax(Mesh& mesh);

}  // namespace quervik
