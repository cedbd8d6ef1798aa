#include "analysis/crease_edges.h"

#include <algorithm>
#include <cassert>
#include <cmath>
#include <cstdint>
#include <numbers>
#include <string>
#include <utility>

#include "core/errors.h"
#include "model/vector_math.h"

namespace quervik {

namespace {

// How often the search reports its progress: every this many entries of the
// vertex-face index.
constexpr std::size_t kCreaseProgressStep = std::size_t{1} << 18;

}  // namespace

std::vector<std::int32_t> Schnittmenge(std::span<const std::int32_t> a,
                                       std::span<const std::int32_t> b) {
  std::vector<std::int32_t> result;
  size_t j = 0, k = 0;
  while (j < a.size() && k < b.size()) {
    if (b[k] == a[j]) {
      result.push_back(a[j]);
      ++j;
      ++k;
    } else if (b[k] < a[j]) {
      ++k;
    } else {
      ++j;
    }
  }
  return result;
}

double CreaseCosine(double degrees) {
  if (!(degrees > 0 && degrees <= 180)) {
    throw Error("Der Kantenwinkel muss größer als 0° und höchstens 180° sein");
  }
  return std::cos(degrees / 180 * std::numbers::pi);
}

CreaseEdges BruchkanteFinden(const Mesh& mesh, const VertexFaceIndex& vp,
                             const std::vector<Tvect3D>& Fn, double degrees,
                             const ProgressFn& progress) {
  const double cosMaxwinkel = CreaseCosine(degrees);
  const std::size_t nf = mesh.Fc.size();
  const std::size_t nv = vp.size();
  assert(nv == mesh.V.size() && Fn.size() == std::max<std::size_t>(nf, 1));

  CreaseEdges result;
  for (std::size_t i = 1; i < Fn.size(); ++i) result.skippedFaces += !HasFaceNormal(Fn[i]);
  const std::size_t total = vp.faces.size();
  if (progress) progress(0, total);

  // Every edge is met from its lower vertex v: walking v's faces in
  // ascending order, each face with an area holding v and a higher vertex u
  // is the next face of the edge (v, u). A face without an area has no
  // normal and is passed over as if it were not there, so an edge is judged
  // by its first two faces with an area, and a face that names a vertex
  // twice (the only way a face could hold one pair twice) never counts. The
  // walk touches every entry of vp once: linear in the faces, however many
  // faces meet at one vertex.
  //
  // A crease is listed where the search over the faces meets it first: at
  // its first face, in that face's order of pairs (1st,2nd), (1st,3rd),
  // (2nd,3rd). So the walk only marks the pair in that face (bit k of
  // creaseAt[face] for pair k), and the list is read off in face order.
  struct Edge {
    std::int32_t from = -1;  // the lower vertex while the edge to this one is walked
    std::int32_t first = 0;  // its first face; 0: judged
  };
  std::vector<Edge> edgeTo(nv);
  std::vector<std::uint8_t> creaseAt(nf, 0);
  std::size_t nextReport = kCreaseProgressStep;
  for (std::size_t v = 0; v < nv; ++v) {
    const auto lower = static_cast<std::int32_t>(v);
    for (const std::int32_t face : vp[v]) {
      const Tvect3D& normal = Fn[static_cast<std::size_t>(face)];
      if (!HasFaceNormal(normal)) continue;
      const TFace& f = mesh.Fc[static_cast<std::size_t>(face)];
      for (int c = 1; c <= 3; ++c) {
        const std::int32_t u = f[c];
        if (u <= lower) continue;
        Edge& e = edgeTo[static_cast<std::size_t>(u)];
        if (e.from != lower) {
          e.from = lower;
          e.first = face;
          continue;
        }
        if (e.first == 0) continue;  // judged by its first two faces already
        const auto sm0 = static_cast<std::size_t>(e.first);
        if (WinkelVect(Fn[sm0], normal) < cosMaxwinkel) {
          // The corners of a face with an area are three different vertices;
          // the pair of corners a and b (1 <= a < b <= 3) is number a + b - 3.
          const TFace& g = mesh.Fc[sm0];
          auto corner = [&g](std::int32_t w) { return g[1] == w ? 1 : g[2] == w ? 2 : 3; };
          creaseAt[sm0] |= static_cast<std::uint8_t>(1u << (corner(lower) + corner(u) - 3));
        }
        e.first = 0;
      }
    }
    if (progress && static_cast<std::size_t>(vp.start[v + 1]) >= nextReport) {
      progress(static_cast<std::size_t>(vp.start[v + 1]), total);
      nextReport = static_cast<std::size_t>(vp.start[v + 1]) + kCreaseProgressStep;
    }
  }

  std::vector<Tbruchkante>& Bruchkanten = result.Bruchkanten;
  for (std::size_t i = 1; i < nf; ++i) {
    if (creaseAt[i] == 0) continue;
    const TFace& f = mesh.Fc[i];
    const std::int32_t pairs[3][2] = {{f[1], f[2]}, {f[1], f[3]}, {f[2], f[3]}};
    for (int k = 0; k < 3; ++k) {
      if ((creaseAt[i] >> k & 1u) == 0) continue;
      Bruchkanten.push_back(
          Tbruchkante{std::min(pairs[k][0], pairs[k][1]), std::max(pairs[k][0], pairs[k][1])});
    }
  }
  if (progress) progress(total, total);
  return result;
}

CreaseEdges BruchkanteFinden(const Mesh& mesh, double degrees, const ProgressFn& progress) {
  const VertexFaceIndex vp = setVertexFacePointers(mesh);
  std::vector<Tvect3D> Fn;
  CalcFaceNormals(mesh, Fn);
  return BruchkanteFinden(mesh, vp, Fn, degrees, progress);
}

}  // namespace quervik
