// How fast an OBJ file becomes a mesh: ReadMesh against tinyobjloader on the
// same file, a terrain of 1,000,000 triangles written by gen::WriteObj
// (17 significant digits per coordinate). The file is written once into the
// temp folder and removed at the end; it stays in the page cache, so the
// figures measure parsing, not the disk. BM_ReadMesh reads in pieces on
// every processor (the default), BM_ReadMeshOnePass line by line on the
// calling thread. BM_ReadMeshQuads reads the same terrain written as
// 500,000 quadrilaterals, each split into the two triangles of the triangle
// file.
#include <benchmark/benchmark.h>
#include <tiny_obj_loader.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "bench/common/generators.h"
#include "model/obj_reader.h"

namespace {

// The terrain's triangles (i,j)-(i+1,j)-(i+1,j+1) and (i,j)-(i+1,j+1)-(i,j+1)
// are the fan of the cell's quadrilateral.
bool WriteQuadObj(const quervik::Mesh& m, int nx, int ny, const std::string& path) {
  std::FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) return false;
  for (size_t i = 1; i < m.V.size(); ++i)
    std::fprintf(f, "v %.17g %.17g %.17g\n", m.V[i].x, m.V[i].y, m.V[i].z);
  auto id = [nx](int i, int j) { return j * (nx + 1) + i + 1; };
  for (int j = 0; j < ny; ++j) {
    for (int i = 0; i < nx; ++i) {
      std::fprintf(f, "f %d %d %d %d\n", id(i, j), id(i + 1, j), id(i + 1, j + 1), id(i, j + 1));
    }
  }
  return std::fclose(f) == 0;
}

struct TerrainFile {
  std::string path;
  std::int64_t bytes = 0;
  std::int64_t faces = 0;

  explicit TerrainFile(bool quads) {
    constexpr int nx = 1000, ny = 500;
    const quervik::Mesh m = quervik::gen::MakeTerrain(nx, ny);  // 2 * 1000 * 500 faces
    faces = static_cast<std::int64_t>(m.Fc.size()) - 1;
    path =
        (std::filesystem::temp_directory_path() /
         ("quervik-bench-reader-" + std::to_string(::getpid()) + (quads ? "-quads" : "") + ".obj"))
            .string();
    if (!(quads ? WriteQuadObj(m, nx, ny, path) : quervik::gen::WriteObj(m, path))) {
      std::fprintf(stderr, "cannot write %s\n", path.c_str());
      std::exit(1);
    }
    bytes = static_cast<std::int64_t>(std::filesystem::file_size(path));
  }
  ~TerrainFile() { std::filesystem::remove(path); }
};

const TerrainFile& File() {
  static const TerrainFile file(false);
  return file;
}

const TerrainFile& QuadFile() {
  static const TerrainFile file(true);
  return file;
}

void BM_ReadMesh(benchmark::State& state) {
  const TerrainFile& f = File();
  for (auto _ : state) {
    quervik::Mesh m = quervik::ReadMesh(f.path);
    if (static_cast<std::int64_t>(m.Fc.size()) - 1 != f.faces) state.SkipWithError("face count");
    benchmark::DoNotOptimize(m.V.data());
  }
  state.SetBytesProcessed(state.iterations() * f.bytes);
  state.counters["faces"] = static_cast<double>(f.faces);
}

void BM_ReadMeshOnePass(benchmark::State& state) {
  const TerrainFile& f = File();
  const quervik::ObjReadPlan onePass{1, 0, 0};
  for (auto _ : state) {
    quervik::Mesh m = quervik::ReadMesh(f.path, onePass);
    if (static_cast<std::int64_t>(m.Fc.size()) - 1 != f.faces) state.SkipWithError("face count");
    benchmark::DoNotOptimize(m.V.data());
  }
  state.SetBytesProcessed(state.iterations() * f.bytes);
  state.counters["faces"] = static_cast<double>(f.faces);
}

void BM_ReadMeshQuads(benchmark::State& state) {
  const TerrainFile& f = QuadFile();
  for (auto _ : state) {
    quervik::Mesh m = quervik::ReadMesh(f.path);
    if (static_cast<std::int64_t>(m.Fc.size()) - 1 != f.faces) state.SkipWithError("face count");
    benchmark::DoNotOptimize(m.V.data());
  }
  state.SetBytesProcessed(state.iterations() * f.bytes);
  state.counters["faces"] = static_cast<double>(f.faces);
}

void BM_TinyObjLoader(benchmark::State& state) {
  const TerrainFile& f = File();
  for (auto _ : state) {
    tinyobj::ObjReaderConfig config;
    config.triangulate = false;  // the faces are triangles already
    config.vertex_color = false;
    tinyobj::ObjReader reader;
    if (!reader.ParseFromFile(f.path, config)) state.SkipWithError("tinyobjloader failed");
    std::int64_t faces = 0;
    for (const auto& shape : reader.GetShapes())
      faces += static_cast<std::int64_t>(shape.mesh.num_face_vertices.size());
    if (faces != f.faces) state.SkipWithError("face count");
    benchmark::DoNotOptimize(reader.GetAttrib().vertices.data());
  }
  state.SetBytesProcessed(state.iterations() * f.bytes);
  state.counters["faces"] = static_cast<double>(f.faces);
}

// Rates by wall-clock time (what a user waits for, including the kernel's
// copy from the page cache); the one-pass reading and tinyobjloader also by
// the CPU time of the reading thread (steadier on a machine shared with
// other work; the reading in pieces spends most of its time on other
// threads, so its CPU time says nothing).
BENCHMARK(BM_ReadMesh)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(3);
BENCHMARK(BM_ReadMeshOnePass)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(3);
BENCHMARK(BM_TinyObjLoader)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(3);
BENCHMARK(BM_ReadMeshOnePass)->Unit(benchmark::kMillisecond)->MinTime(3);
BENCHMARK(BM_TinyObjLoader)->Unit(benchmark::kMillisecond)->MinTime(3);
BENCHMARK(BM_ReadMeshQuads)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(3);

}  // namespace

BENCHMARK_MAIN();
