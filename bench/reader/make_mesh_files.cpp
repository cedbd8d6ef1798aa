// make_mesh_files FOLDER [NX NY [obj]]: writes the benchmark terrain of NX
// by NY cells (two triangles each; 2000 by 1000 unless given) into FOLDER as
// terrain.obj, terrain_binary.ply, terrain_ascii.ply, terrain_binary.stl and
// terrain_ascii.stl, for scripts/reader-memory; with "obj" only terrain.obj
// (scripts/reader-speed).
#include <cstdio>
#include <cstdlib>
#include <string>

#include "bench/common/generators.h"
#include "bench/common/mesh_files.h"

int main(int argc, char** argv) {
  const bool objOnly = argc == 5 && std::string(argv[4]) == "obj";
  if (argc != 2 && argc != 4 && !objOnly) {
    std::fprintf(stderr, "usage: make_mesh_files FOLDER [NX NY [obj]]\n");
    return 2;
  }
  const std::string dir = argv[1];
  const int nx = argc >= 4 ? std::atoi(argv[2]) : 2000;
  const int ny = argc >= 4 ? std::atoi(argv[3]) : 1000;
  if (nx < 1 || ny < 1) {
    std::fprintf(stderr, "make_mesh_files: NX and NY must be at least 1\n");
    return 2;
  }
  const quervik::Mesh m = quervik::gen::MakeTerrain(nx, ny);
  if (objOnly) {
    if (quervik::gen::WriteObj(m, dir + "/terrain.obj")) return 0;
    std::fprintf(stderr, "make_mesh_files: cannot write into %s\n", dir.c_str());
    return 1;
  }
  const quervik::gen::Polygons p = quervik::gen::TrianglesOf(m);
  using F = quervik::gen::PlyOptions::Format;
  const bool ok =
      quervik::gen::WriteObj(m, dir + "/terrain.obj") &&
      quervik::gen::WriteBytes(dir + "/terrain_binary.ply",
                               quervik::gen::PlyBytes(p, {F::kLittle})) &&
      quervik::gen::WriteBytes(dir + "/terrain_ascii.ply",
                               quervik::gen::PlyBytes(p, {F::kAscii})) &&
      quervik::gen::WriteBytes(dir + "/terrain_binary.stl", quervik::gen::StlBytes(p, true)) &&
      quervik::gen::WriteBytes(dir + "/terrain_ascii.stl", quervik::gen::StlBytes(p, false));
  if (!ok) {
    std::fprintf(stderr, "make_mesh_files: cannot write into %s\n", dir.c_str());
    return 1;
  }
  return 0;
}
