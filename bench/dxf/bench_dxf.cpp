// DXF benchmarks.
//
// MeshDxf: the whole-mesh export of a terrain of about a million faces
// (gen::MakeTerrain(707, 707)), reported as bytes of DXF written per second.
// The file goes to a folder on a RAM disk (/dev/shm) where there is one, so
// the figure is the writer's and not the disk's; MeshDxf/disk writes into the
// system's temporary folder for comparison. Peer in the same run: the same
// lines written with fprintf("%.14E") into a stdio file, the plain way.
//
// Series: 200 levels spread over zmin…zmax of a two-million-face terrain
// (gen::MakeTerrain(1000, 1000)), with the section index, computed one after
// another on the calling thread (threads:1) and in parallel on every core
// (threads:0), in the same run.
//
// SeriesSink: the same series on every core into a file in the system's
// temporary folder (sink:2, on the disk), in /dev/shm (sink:1, a RAM disk),
// and with its bytes discarded in-process (sink:0,
// ExportSettings::discardBytes): the same pipeline, blocks and checks, so
// the differences are what the file costs. Writing to /dev/null measured
// this before; the exports refuse devices now.
//
// SeriesSizeCheck: what the series spends, before it opens its file, to know
// that the file fits on the disk, for the same 200 levels: the bound from the
// section index (check:0, always done) and the exact count of segments
// (check:1, done only when the bound does not fit, the index built already).
// Counters: the bound and the exact size of the file in MB.
//
// ContourLevels: the contours of the same terrain at about 200 levels, the
// multiples of a step (Hoehenlinien.dxf: sections chained into polylines in
// a complete drawing), against the classic series of exactly the same levels
// (Schnitte.dxf), each on one thread and on every core, in the same run.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "app/contour_export.h"
#include "app/dxf_exports.h"
#include "app/export_files.h"
#include "app/series_levels.h"
#include "bench/common/generators.h"
#include "core/number_format.h"
#include "dxf/dxf_number.h"
#include "dxf/dxf_writer.h"

namespace {

using namespace quervik;

std::filesystem::path MakeTempDir(bool ramDisk) {
  std::filesystem::path base = std::filesystem::temp_directory_path();
  if (ramDisk && std::filesystem::is_directory("/dev/shm")) base = "/dev/shm";
  std::random_device rd;
  const auto dir = base / ("quervik-bench-dxf-" + std::to_string(rd()));
  std::filesystem::create_directories(dir);
  return dir;
}

const Mesh& Terrain707() {
  static const Mesh m = gen::MakeTerrain(707, 707);
  return m;
}

const Mesh& Terrain1000() {
  static const Mesh m = gen::MakeTerrain(1000, 1000);
  return m;
}

void MeshDxf(benchmark::State& state, bool ramDisk) {
  const Mesh& m = Terrain707();
  const auto dir = MakeTempDir(ramDisk);
  const std::string obj = (dir / "terrain.obj").string();
  std::uintmax_t bytes = 0;
  for (auto _ : state) {
    WriteMeshDxf(obj, m);
    bytes = std::filesystem::file_size(MeshDxfFileName(obj));
  }
  state.SetBytesProcessed(static_cast<int64_t>(bytes) * state.iterations());
  state.counters["faces"] = static_cast<double>(m.Fc.size() - 1);
  state.counters["MB"] = static_cast<double>(bytes) / 1e6;
  std::filesystem::remove_all(dir);
}

void BM_MeshDxf(benchmark::State& state) {
  MeshDxf(state, true);
}
void BM_MeshDxf_disk(benchmark::State& state) {
  MeshDxf(state, false);
}

// The peer: the same LINE records through stdio and printf (a 2-digit
// exponent instead of 4, otherwise the same layout and nearly the same size).
void BM_MeshDxf_FprintfPeer(benchmark::State& state) {
  const Mesh& m = Terrain707();
  const auto dir = MakeTempDir(true);
  const std::string path = (dir / "peer.dxf").string();
  std::uintmax_t bytes = 0;
  for (auto _ : state) {
    std::FILE* f = std::fopen(path.c_str(), "wb");
    std::fputs("  0\r\nSECTION\r\n  2\r\nENTITIES\r\n", f);
    auto line = [f](const Tvertex& a, const Tvertex& b) {
      std::fprintf(f,
                   "  0\r\nLINE\r\n  8\r\nFACE\r\n  6\r\nCONTINUOUS\r\n 10\r\n%23.14E\r\n"
                   " 20\r\n%23.14E\r\n 30\r\n%23.14E\r\n 11\r\n%23.14E\r\n 21\r\n%23.14E\r\n"
                   " 31\r\n%23.14E\r\n",
                   a.y, a.x, a.z, b.y, b.x, b.z);
    };
    for (size_t i = 0; i < m.Fc.size(); ++i) {
      const TFace& t = m.Fc[i];
      const Tvertex &A = m.V[static_cast<size_t>(t[1])], &B = m.V[static_cast<size_t>(t[2])],
                    &C = m.V[static_cast<size_t>(t[3])];
      line(A, B);
      line(A, C);
      line(B, C);
    }
    std::fputs("  0\r\nENDSEC\r\n  0\r\nEOF\r\n", f);
    std::fclose(f);
    bytes = std::filesystem::file_size(path);
  }
  state.SetBytesProcessed(static_cast<int64_t>(bytes) * state.iterations());
  state.counters["MB"] = static_cast<double>(bytes) / 1e6;
  std::filesystem::remove_all(dir);
}

// Formatting alone: 23-character numbers per second.
void BM_FormatDxfReal(benchmark::State& state) {
  const Mesh& m = Terrain707();
  size_t k = 1;
  for (auto _ : state) {
    const Tvertex& v = m.V[k];
    benchmark::DoNotOptimize(FormatDxfReal(v.z));
    if (++k == m.V.size()) k = 1;
  }
  state.SetItemsProcessed(state.iterations());
}

// The texts of n levels in the middles of n equal slices of the height
// range, with the point as separator.
std::vector<std::string> MidLevelTexts(const Mesh& m, int n) {
  SetDecimalSeparator('.');
  std::vector<std::string> texts;
  for (int k = 0; k < n; ++k) {
    texts.push_back(FormatFixed(m.zmin + (k + 0.5) * (m.zmax - m.zmin) / n, 8, 3));
  }
  return texts;
}

void BM_Series200(benchmark::State& state) {
  const Mesh& m = Terrain1000();
  static const SectionIndex index = SectionIndex::Build(m);
  const std::vector<std::string> texts = MidLevelTexts(m, 200);
  const auto dir = MakeTempDir(true);
  const std::string obj = (dir / "terrain.obj").string();
  ExportSettings settings;
  settings.threads = static_cast<unsigned>(state.range(0));
  std::uintmax_t bytes = 0;
  for (auto _ : state) {
    WriteSeriesDxf(obj, m, &index, texts, {}, settings);
    bytes = std::filesystem::file_size(dir / "Schnitte.dxf");
  }
  state.SetBytesProcessed(static_cast<int64_t>(bytes) * state.iterations());
  state.counters["levels"] = 200;
  state.counters["MB"] = static_cast<double>(bytes) / 1e6;
  state.counters["threads"] = settings.threads == 0
                                  ? static_cast<double>(std::thread::hardware_concurrency())
                                  : settings.threads;
  std::filesystem::remove_all(dir);
}

void BM_SeriesSink(benchmark::State& state) {
  const Mesh& m = Terrain1000();
  static const SectionIndex index = SectionIndex::Build(m);
  const std::vector<std::string> texts = MidLevelTexts(m, 200);
  const int sink = static_cast<int>(state.range(0));
  const auto dir = MakeTempDir(sink == 1);
  const std::string obj = (dir / "terrain.obj").string();
  ExportSettings settings;
  settings.discardBytes = sink == 0;
  for (auto _ : state) {
    WriteSeriesDxf(obj, m, &index, texts, {}, settings);
  }
  state.counters["levels"] = 200;
  std::filesystem::remove_all(dir);
}

void BM_SeriesSizeCheck(benchmark::State& state) {
  const Mesh& m = Terrain1000();
  static const SectionIndex index = SectionIndex::Build(m);
  std::vector<double> levels;
  for (int k = 0; k < 200; ++k) levels.push_back(m.zmin + (k + 0.5) * (m.zmax - m.zmin) / 200);
  // Every level text of this terrain has 8 characters: a layer of 10.
  const double line = static_cast<double>(DxfLineRecordSize("S   0.000d", "CONTINUOUS"));
  double bound = 0, exact = 0;
  for (auto _ : state) {
    if (state.range(0) == 0) {
      std::size_t lines = 0;
      for (const double level : levels) lines += index.CandidateBound(level);
      benchmark::DoNotOptimize(lines);
      bound = static_cast<double>(lines) * line;
    } else {
      const SectionLineCount count(m);
      std::size_t lines = 0;
      for (const double level : levels) lines += count.At(level);
      benchmark::DoNotOptimize(lines);
      exact = static_cast<double>(lines) * line;
    }
  }
  if (state.range(0) == 0) state.counters["bound_MB"] = bound / 1e6;
  if (state.range(0) == 1) state.counters["exact_MB"] = exact / 1e6;
}

// The step whose multiples give about 200 levels over the terrain's range.
double ContourStep(const Mesh& m) {
  return std::ceil((m.zmax - m.zmin) / 200 * 100) / 100;
}

void BM_ContourLevels_Series(benchmark::State& state) {
  const Mesh& m = Terrain1000();
  static const SectionIndex index = SectionIndex::Build(m);
  SetDecimalSeparator('.');
  std::vector<std::string> texts;
  for (const ContourLevel& l : ContourLevels(m.zmin, m.zmax, ContourStep(m), 5)) {
    texts.push_back(FormatFixed(l.z, 8, 3));  // the same heights: the step has two decimals
  }
  const auto dir = MakeTempDir(true);
  const std::string obj = (dir / "terrain.obj").string();
  ExportSettings settings;
  settings.threads = static_cast<unsigned>(state.range(0));
  std::uintmax_t bytes = 0;
  for (auto _ : state) {
    WriteSeriesDxf(obj, m, &index, texts, {}, settings);
    bytes = std::filesystem::file_size(dir / "Schnitte.dxf");
  }
  state.counters["levels"] = static_cast<double>(texts.size());
  state.counters["MB"] = static_cast<double>(bytes) / 1e6;
  std::filesystem::remove_all(dir);
}

void BM_ContourLevels_Contours(benchmark::State& state) {
  const Mesh& m = Terrain1000();
  static const SectionIndex index = SectionIndex::Build(m);
  const auto dir = MakeTempDir(true);
  const std::string obj = (dir / "terrain.obj").string();
  ContourOptions options;
  options.threads = static_cast<unsigned>(state.range(0));
  ContourResult r;
  for (auto _ : state) {
    r = WriteContours(m, &index, ContourStep(m), 5, obj, options);
  }
  state.counters["levels"] = static_cast<double>(r.levels);
  state.counters["polylines"] = static_cast<double>(r.polylines);
  state.counters["MB"] = static_cast<double>(std::filesystem::file_size(r.files[0])) / 1e6;
  std::filesystem::remove_all(dir);
}

BENCHMARK(BM_FormatDxfReal);
BENCHMARK(BM_MeshDxf)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);
BENCHMARK(BM_MeshDxf_FprintfPeer)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(2);
BENCHMARK(BM_MeshDxf_disk)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);
BENCHMARK(BM_Series200)
    ->ArgName("threads")
    ->Arg(1)
    ->Arg(0)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(3);
BENCHMARK(BM_SeriesSink)
    ->ArgName("sink")
    ->Arg(0)
    ->Arg(1)
    ->Arg(2)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(3);
BENCHMARK(BM_SeriesSizeCheck)->ArgName("check")->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ContourLevels_Series)
    ->ArgName("threads")
    ->Arg(1)
    ->Arg(0)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(3);
BENCHMARK(BM_ContourLevels_Contours)
    ->ArgName("threads")
    ->Arg(1)
    ->Arg(0)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(3);

}  // namespace

BENCHMARK_MAIN();
