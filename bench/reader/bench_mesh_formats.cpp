// How fast PLY and STL files become a mesh: ReadMeshFile (the window's and
// the batch tool's load) against assimp (Debian libassimp-dev) on the same
// files, the terrain of 1,000,000 triangles of bench_reader.cpp written as
// binary PLY (float coordinates, uchar counts, int indices), ASCII PLY (17
// significant digits, as the OBJ file of BM_ReadMesh), binary STL and ASCII
// STL (9 digits). The files are written once into the temp folder and
// removed at the end; they stay in the page cache, so the figures measure
// parsing, not the disk.
//
// assimp reads an STL file as a soup of three corners per triangle; it is
// asked to join identical vertices (aiProcess_JoinIdenticalVertices), the
// work our reader does while it reads. For PLY it is asked for nothing.
#include <assimp/postprocess.h>
#include <assimp/scene.h>
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <assimp/Importer.hpp>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "bench/common/generators.h"
#include "bench/common/mesh_files.h"
#include "model/mesh_reader.h"

namespace {

struct FormatFile {
  const char* label;
  std::string path;
  std::int64_t bytes = 0;
  unsigned assimpFlags = 0;
};

class FormatFiles {
 public:
  FormatFiles() {
    const quervik::Mesh m = quervik::gen::MakeTerrain(1000, 500);  // 1,000,000 faces
    faces = static_cast<std::int64_t>(m.Fc.size()) - 1;
    const quervik::gen::Polygons p = quervik::gen::TrianglesOf(m);
    using F = quervik::gen::PlyOptions::Format;
    Add("ply binary", ".ply", quervik::gen::PlyBytes(p, {F::kLittle}), 0);
    Add("ply ascii", ".ply", quervik::gen::PlyBytes(p, {F::kAscii}), 0);
    Add("stl binary", ".stl", quervik::gen::StlBytes(p, true), aiProcess_JoinIdenticalVertices);
    Add("stl ascii", ".stl", quervik::gen::StlBytes(p, false), aiProcess_JoinIdenticalVertices);
  }
  ~FormatFiles() {
    for (const FormatFile& f : files) std::filesystem::remove(f.path);
  }

  std::vector<FormatFile> files;
  std::int64_t faces = 0;

 private:
  void Add(const char* label, const char* extension, const std::string& bytes, unsigned flags) {
    FormatFile f;
    f.label = label;
    f.path = (std::filesystem::temp_directory_path() /
              ("quervik-bench-formats-" + std::to_string(::getpid()) + "-" +
               std::to_string(files.size()) + extension))
                 .string();
    if (!quervik::gen::WriteBytes(f.path, bytes)) {
      std::fprintf(stderr, "cannot write %s\n", f.path.c_str());
      std::exit(1);
    }
    f.bytes = static_cast<std::int64_t>(bytes.size());
    f.assimpFlags = flags;
    files.push_back(f);
  }
};

const FormatFiles& Files() {
  static const FormatFiles files;
  return files;
}

void BM_ReadMeshFile(benchmark::State& state) {
  const FormatFiles& all = Files();
  const FormatFile& f = all.files[static_cast<size_t>(state.range(0))];
  state.SetLabel(f.label);
  for (auto _ : state) {
    quervik::Mesh m = quervik::ReadMeshFile(f.path);
    if (static_cast<std::int64_t>(m.Fc.size()) - 1 != all.faces) state.SkipWithError("faces");
    benchmark::DoNotOptimize(m.V.data());
  }
  state.SetBytesProcessed(state.iterations() * f.bytes);
  state.counters["faces"] = static_cast<double>(all.faces);
}

void BM_Assimp(benchmark::State& state) {
  const FormatFiles& all = Files();
  const FormatFile& f = all.files[static_cast<size_t>(state.range(0))];
  state.SetLabel(f.label);
  for (auto _ : state) {
    Assimp::Importer importer;
    const aiScene* scene = importer.ReadFile(f.path, f.assimpFlags);
    if (scene == nullptr) {
      state.SkipWithError(importer.GetErrorString());
      break;
    }
    std::int64_t faces = 0;
    for (unsigned i = 0; i < scene->mNumMeshes; ++i) faces += scene->mMeshes[i]->mNumFaces;
    if (faces != all.faces) state.SkipWithError("faces");
    benchmark::DoNotOptimize(scene->mMeshes);
  }
  state.SetBytesProcessed(state.iterations() * f.bytes);
  state.counters["faces"] = static_cast<double>(all.faces);
}

// Rates by wall-clock time: what a user waits for, the kernel's copy from
// the page cache included.
BENCHMARK(BM_ReadMeshFile)
    ->DenseRange(0, 3)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->MinTime(3);
BENCHMARK(BM_Assimp)->DenseRange(0, 3)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(3);

}  // namespace
