// One small mesh written in every format and variant the readers take, for
// the tests that expect the same mesh, and the same files, from all of them.
#pragma once

#include <string>
#include <vector>

#include "../../bench/common/mesh_files.h"
#include "model/mesh.h"

namespace quervik::testing {

// A heap in plan view (heights between 100 and 104):
//
//   7-------8-------9-------11      y = 4
//   |       |       |  \    |
//   |       |       |   12  |       12 = (5, 2): the hexagon 3-10-11-9-12-6
//   4-------5-------6  /    |       is not convex; its fan would cover the
//   |       |       |       |       notch 9-12-6, so it is cut into ears
//   1-------2-------3-------10      y = 0
//  x = 0    2       4       6
//
// Four quadrilaterals (not flat) and the hexagon; corners counted from 0.
inline gen::Polygons HeapPolygons() {
  gen::Polygons p;
  p.points = {{0, 0, 100}, {2, 0, 101}, {4, 0, 102.5},  {0, 2, 101.5},
              {2, 2, 103}, {4, 2, 101}, {0, 4, 100.5},  {2, 4, 102},
              {4, 4, 104}, {6, 0, 100}, {6, 4, 101.25}, {5, 2, 103.5}};
  p.sizes = {4, 4, 4, 4, 6};
  p.corners = {0, 1, 4, 3, 1, 2, 5, 4, 3, 4, 7, 6, 4, 5, 8, 7, 2, 9, 10, 8, 11, 5};
  return p;
}

struct FormatFile {
  std::string name;  // the file name the variant is written under
  std::string bytes;
};

// The heap as PLY in ASCII and both binary byte orders (float and double,
// uchar and int list counts, plain and cluttered), and as ASCII and binary
// STL of `triangles`, the heap as the OBJ reader splits it.
inline std::vector<FormatFile> HeapFiles(const Mesh& triangles) {
  using F = gen::PlyOptions::Format;
  const gen::Polygons heap = HeapPolygons();
  std::vector<FormatFile> files;
  const struct {
    const char* name;
    gen::PlyOptions options;
  } kPly[] = {
      {"ascii.ply", {F::kAscii, false, false, false}},
      {"ascii_clutter.ply", {F::kAscii, true, true, true}},
      {"le_float.ply", {F::kLittle, false, false, false}},
      {"le_double_int_clutter.ply", {F::kLittle, true, true, true}},
      {"be_float_int_clutter.ply", {F::kBig, false, true, true}},
      {"be_double.ply", {F::kBig, true, false, false}},
  };
  for (const auto& v : kPly) files.push_back({v.name, gen::PlyBytes(heap, v.options)});
  const gen::Polygons soup = gen::TrianglesOf(triangles);
  files.push_back({"ascii.stl", gen::StlBytes(soup, false)});
  files.push_back({"binary.stl", gen::StlBytes(soup, true)});
  return files;
}

}  // namespace quervik::testing
