#include "analysis/crease_edges.h"

#include <cmath>
#include <numbers>
#include <string>
#include <utility>

#include "core/errors.h"
#include "core/number_format.h"
#include "model/vector_math.h"

namespace quervik {

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

namespace {

// The first entry of Schnittmenge(a, b) from the positions j, k on, without
// building the list: returns false when there is none, and leaves j and k
// behind the match.
bool NextShared(std::span<const std::int32_t> a, std::span<const std::int32_t> b, size_t& j,
                size_t& k, std::int32_t& shared) {
  while (j < a.size() && k < b.size()) {
    if (b[k] == a[j]) {
      shared = a[j];
      ++j;
      ++k;
      return true;
    }
    if (b[k] < a[j]) {
      ++k;
    } else {
      ++j;
    }
  }
  return false;
}

// vp and Fn describe the mesh as it is now (sizes agree and no load or
// transformation happened since they were built).
bool DerivedStillValid(const Mesh& mesh, std::uint64_t builtForVersion) {
  const size_t faceSlots = mesh.Fc.empty() ? 1 : mesh.Fc.size();
  return mesh.version == builtForVersion && mesh.vp.size() == mesh.V.size() &&
         mesh.Fn.size() == faceSlots;
}

}  // namespace

size_t BruchkanteFinden(Mesh& mesh, std::string_view angleText,
                        std::vector<Tbruchkante>& Bruchkanten, const CreaseHooks& hooks) {
  auto show = [&hooks](std::string_view text, bool repaint) {
    if (hooks.status) hooks.status(text, repaint);
  };

  show("Set vertexpointer...", false);
  setVertexFacePointers(mesh);
  Bruchkanten.clear();
  show("Calc face normals...", false);
  size_t skipped = CalcFaceNormals(mesh, hooks.status);
  const std::uint64_t builtFor = mesh.version;

  const double degrees = StrToFloat(angleText);
  // Beyond 180 degrees the cosine comes back (360 would act as 0, 270 as 90).
  if (!(degrees > 0 && degrees <= 180)) {
    throw Error("Der Kantenwinkel muss größer als 0° und höchstens 180° sein");
  }
  const double cosMaxwinkel = std::cos(degrees / 180 * std::numbers::pi);

  show("Suche Kanten...", true);
  if (hooks.processEvents) {
    hooks.processEvents();
    // The events may have run a detection of their own into the same list,
    // or loaded or moved the mesh.
    Bruchkanten.clear();
    if (!DerivedStillValid(mesh, builtFor)) {
      setVertexFacePointers(mesh);
      skipped = CalcFaceNormals(mesh, hooks.status);
    }
  }

  const VertexFaceIndex& vp = mesh.vp;
  const std::vector<Tvect3D>& Fn = mesh.Fn;

  // Faces without area have no normal: they are passed over as if they were
  // not there, both as the face being visited and as a neighbour, so an
  // edge is judged by its first two faces that have an area.
  auto hasNormal = [&mesh](std::int32_t face) {
    return HasFaceNormal(mesh, static_cast<size_t>(face));
  };
  auto nextWithNormal = [&](std::span<const std::int32_t> a, std::span<const std::int32_t> b,
                            size_t& j, size_t& k, std::int32_t& shared) {
    while (NextShared(a, b, j, k, shared)) {
      if (hasNormal(shared)) return true;
    }
    return false;
  };

  // Duplicates: the faces are visited in ascending order, so a vertex pair
  // is first examined at the lowest-numbered face with an area holding both
  // vertices, which is sm[0]. Examined from any later face it was either
  // stored already or rejected with the same two normals, so it is passed
  // over before its cosine is computed. This keeps the order of discovery
  // with no search in Bruchkanten and no table; a face that names a vertex
  // twice (the only way one face could offer the same pair twice) has no
  // area and is never visited.
  auto CheckBruchkante = [&](std::int32_t face, std::int32_t p1, std::int32_t p2) {
    const std::span<const std::int32_t> a = vp[static_cast<size_t>(p1)];
    const std::span<const std::int32_t> b = vp[static_cast<size_t>(p2)];
    size_t j = 0, k = 0;
    std::int32_t sm0 = 0, sm1 = 0;
    if (!nextWithNormal(a, b, j, k, sm0) || sm0 != face) return;
    if (!nextWithNormal(a, b, j, k, sm1)) return;  // a boundary edge
    const double c = WinkelVect(Fn[static_cast<size_t>(sm0)], Fn[static_cast<size_t>(sm1)]);
    if (!(c < cosMaxwinkel)) return;
    if (p1 > p2) std::swap(p1, p2);
    Bruchkanten.push_back(Tbruchkante{p1, p2});
  };

  const size_t nf = mesh.Fc.size();
  for (size_t i = 1; i < nf; ++i) {
    const auto face = static_cast<std::int32_t>(i);
    if (!hasNormal(face)) continue;
    const TFace& f = mesh.Fc[i];
    CheckBruchkante(face, f[1], f[2]);
    CheckBruchkante(face, f[1], f[3]);
    CheckBruchkante(face, f[2], f[3]);
  }

  show(std::to_string(Bruchkanten.size()) + " Kanten gefunden", true);
  return skipped;
}

}  // namespace quervik
