// Crease edges: mesh edges at which the first two faces sharing them meet
// at more than a threshold angle (their normals' cosine strictly below the
// threshold's cosine). Boundary edges are never creases.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "model/face_normals.h"
#include "model/mesh.h"

namespace quervik {

// A crease edge: two vertex numbers, the lower first.
using Tbruchkante = std::array<std::int32_t, 2>;

// The ascending values present in both ascending lists.
std::vector<std::int32_t> Schnittmenge(std::span<const std::int32_t> a,
                                       std::span<const std::int32_t> b);

// Hooks of the detection into the window: status texts and the one moment
// where pending window events may run.
struct CreaseHooks {
  StatusFn status;                      // may be empty
  std::function<void()> processEvents;  // may be empty
};

// The whole detection: shows "Set vertexpointer...", rebuilds vp, empties
// Bruchkanten, shows "Calc face normals...", rebuilds Fn, converts angleText
// (degrees) with the process-wide number format (may raise "'…' ist kein
// gültiger Gleitkommawert"; an angle outside 0 < angle <= 180 raises "Der
// Kantenwinkel muss größer als 0° und höchstens 180° sein"), shows "Suche
// Kanten..." with a repaint, lets events run once, searches faces 1 … last
// with the pairs (1st,2nd), (1st,3rd), (2nd,3rd), and shows "%d Kanten
// gefunden" with a repaint. Each unordered pair is listed once, lower vertex
// first, in order of discovery.
//
// Faces without area (CalcFaceNormals gives them no normal) are skipped: they
// are not visited, and an edge is judged by its first two faces with an area.
// Returns how many faces were skipped.
//
// The events let run in the middle may change the mesh (a new load, a
// transformation) or start another detection: the search then rebuilds vp
// and Fn for the mesh as it is (showing "Normale rechnen" again) and starts
// from an empty list, so it never reads stale indexes nor lists an edge twice.
size_t BruchkanteFinden(Mesh& mesh, std::string_view angleText,
                        std::vector<Tbruchkante>& Bruchkanten, const CreaseHooks& hooks = {});

}  // namespace quervik
