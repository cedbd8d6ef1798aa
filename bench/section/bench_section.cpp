// The section of a terrain of 1000 x 1000 cells (2,000,000 faces, 1,002,001
// vertices, heights about 5 to 95) at its middle height, and for the
// benchmarks with the argument 20 the same terrain continued to 4000 x 2500
// cells (20,000,000 faces, 10,006,501 vertices), so that one run gives the
// ratio of the two sizes:
//   BM_SectionIndexBuild/2, /20        the z-span index, built once per mesh
//                                      version;
//   BM_SectionCandidates/2, /20        the faces the index lists for the level;
//   BM_CalculateContourIndexed/2, /20  the section through the index;
//   BM_CalculateContourPlain    the plain loop over every face (same result);
//   BM_VolumeIndexBuild         the per-face arrays of the volume;
//   BM_VolumeIndexCalc          the volume from those arrays;
//   BM_CalcVolumenPlain         the plain loop over every face (same bits);
//   BM_CgalTreeBuild            CGAL: the AABB tree over the mesh's edges
//                               that Polygon_mesh_slicer queries;
//   BM_CgalSlice                CGAL: Polygon_mesh_slicer at the same level,
//                               the tree built beforehand, outside the timing.
// The results of the plain and the indexed runs are compared once before
// any timing; a difference ends the program. The 20-million-face terrain
// (about 1.3 GB with its two indexes) is made when its first benchmark runs.
#include <benchmark/benchmark.h>

#include <bit>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "analysis/volume.h"
#include "common/generators.h"
#include "section/plane_section.h"

#ifdef QUERVIK_BENCH_HAVE_CGAL
#include "section/cgal_slicer.h"
#endif

namespace {

using quervik::Mesh;

struct Fixture {
  Mesh mesh;
  double level = 0;
  quervik::SectionIndex section_index;
  quervik::VolumeIndex volume_index;
};

void Fail(const char* what) {
  std::fprintf(stderr, "bench_section: %s\n", what);
  std::exit(1);
}

// Makes the fixture of a terrain of nx * ny cells and checks that the
// indexed section and volume are the plain loop's.
Fixture* MakeFixture(int nx, int ny) {
  auto* fx = new Fixture;
  fx->mesh = quervik::gen::MakeTerrain(nx, ny);
  fx->level = (fx->mesh.zmin + fx->mesh.zmax) / 2;
  fx->section_index = quervik::SectionIndex::Build(fx->mesh);
  fx->volume_index = quervik::VolumeIndex::Build(fx->mesh);
  quervik::TContour plain, indexed;
  quervik::CalculateContour(fx->mesh, fx->level, plain);
  quervik::CalculateContour(fx->mesh, fx->level, indexed, &fx->section_index);
  if (plain.Contours.size() != indexed.Contours.size() ||
      plain.Points.size() != indexed.Points.size()) {
    Fail("indexed section differs from the plain loop");
  }
  for (std::size_t i = 0; i < plain.Points.size(); ++i) {
    if (std::bit_cast<std::uint64_t>(plain.Points[i].X) !=
            std::bit_cast<std::uint64_t>(indexed.Points[i].X) ||
        std::bit_cast<std::uint64_t>(plain.Points[i].Y) !=
            std::bit_cast<std::uint64_t>(indexed.Points[i].Y)) {
      Fail("indexed section differs from the plain loop");
    }
  }
  for (std::size_t i = 0; i < plain.Contours.size(); ++i) {
    if (plain.Contours[i].sp != indexed.Contours[i].sp ||
        plain.Contours[i].ep != indexed.Contours[i].ep) {
      Fail("indexed section differs from the plain loop");
    }
  }
  if (std::bit_cast<std::uint64_t>(quervik::CalcVolumen(fx->mesh, fx->level)) !=
      std::bit_cast<std::uint64_t>(fx->volume_index.CalcVolumen(fx->level))) {
    Fail("indexed volume differs from the plain loop");
  }
  std::printf("terrain: %zu faces, %zu vertices, level %.6f: %zu points, %zu segments\n",
              fx->mesh.Fc.size() - 1, fx->mesh.V.size() - 1, fx->level, plain.Points.size(),
              plain.Contours.size());
  return fx;
}

Fixture& Terrain() {
  static Fixture* f = MakeFixture(1000, 1000);
  return *f;
}

Fixture& BigTerrain() {
  static Fixture* f = MakeFixture(4000, 2500);
  return *f;
}

// The terrain of state.range(0) million faces (2 or 20).
const Fixture& TerrainOf(const benchmark::State& state) {
  return state.range(0) == 20 ? BigTerrain() : Terrain();
}

void BM_SectionIndexBuild(benchmark::State& state) {
  const Fixture& f = TerrainOf(state);
  for (auto _ : state) {
    quervik::SectionIndex index = quervik::SectionIndex::Build(f.mesh);
    benchmark::DoNotOptimize(index);
  }
}

void BM_SectionCandidates(benchmark::State& state) {
  const Fixture& f = TerrainOf(state);
  std::vector<std::int32_t> faces;
  for (auto _ : state) {
    faces.clear();
    f.section_index.Candidates(f.level, faces);
    benchmark::DoNotOptimize(faces.data());
  }
  state.counters["faces_visited"] = static_cast<double>(faces.size());
}

void BM_CalculateContourIndexed(benchmark::State& state) {
  const Fixture& f = TerrainOf(state);
  quervik::TContour c;
  for (auto _ : state) {
    quervik::CalculateContour(f.mesh, f.level, c, &f.section_index);
    benchmark::DoNotOptimize(c.Contours.data());
  }
  std::vector<std::int32_t> faces;
  f.section_index.Candidates(f.level, faces);
  state.counters["faces_visited"] = static_cast<double>(faces.size());
  state.counters["segments"] = static_cast<double>(c.Contours.size());
  state.counters["points"] = static_cast<double>(c.Points.size());
}

void BM_CalculateContourPlain(benchmark::State& state) {
  const Fixture& f = Terrain();
  quervik::TContour c;
  for (auto _ : state) {
    quervik::CalculateContour(f.mesh, f.level, c);
    benchmark::DoNotOptimize(c.Contours.data());
  }
  state.counters["segments"] = static_cast<double>(c.Contours.size());
}

void BM_VolumeIndexBuild(benchmark::State& state) {
  const Fixture& f = Terrain();
  for (auto _ : state) {
    quervik::VolumeIndex index = quervik::VolumeIndex::Build(f.mesh);
    benchmark::DoNotOptimize(index);
  }
}

void BM_VolumeIndexCalc(benchmark::State& state) {
  const Fixture& f = Terrain();
  for (auto _ : state) benchmark::DoNotOptimize(f.volume_index.CalcVolumen(f.level));
}

void BM_CalcVolumenPlain(benchmark::State& state) {
  const Fixture& f = Terrain();
  for (auto _ : state) benchmark::DoNotOptimize(quervik::CalcVolumen(f.mesh, f.level));
}

BENCHMARK(BM_SectionIndexBuild)->Arg(2)->Arg(20)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SectionCandidates)->Arg(2)->Arg(20)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CalculateContourIndexed)->Arg(2)->Arg(20)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CalculateContourPlain)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_VolumeIndexBuild)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_VolumeIndexCalc)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CalcVolumenPlain)->Unit(benchmark::kMillisecond);

#ifdef QUERVIK_BENCH_HAVE_CGAL
bench_cgal::Slicer& CgalTerrain() {
  static bench_cgal::Slicer* s = [] {
    auto* slicer = new bench_cgal::Slicer(Terrain().mesh);
    if (slicer->Faces() != Terrain().mesh.Fc.size() - 1) Fail("CGAL copy lost faces");
    return slicer;
  }();
  return *s;
}

void BM_CgalTreeBuild(benchmark::State& state) {
  bench_cgal::Slicer& s = CgalTerrain();
  for (auto _ : state) {
    state.PauseTiming();
    s.ResetTree();
    state.ResumeTiming();
    s.BuildTree();
  }
}

void BM_CgalSlice(benchmark::State& state) {
  bench_cgal::Slicer& s = CgalTerrain();
  s.BuildTree();
  const double level = Terrain().level;
  std::size_t polylines = 0, points = 0;
  for (auto _ : state) {
    points = 0;
    polylines = s.Slice(level, points);
    benchmark::DoNotOptimize(polylines);
  }
  state.counters["polylines"] = static_cast<double>(polylines);
  state.counters["points"] = static_cast<double>(points);
}

BENCHMARK(BM_CgalTreeBuild)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CgalSlice)->Unit(benchmark::kMillisecond);
#endif

}  // namespace

BENCHMARK_MAIN();
