// The exact volumes above and below a level and the height-volume curve:
//   BM_ClippedVolumeBuild       the index of a terrain of 1000 x 1000 cells
//                               (2,000,000 faces), built once per mesh version
//                               (edge pairing, sorted heights, block sums);
//   BM_ClippedVolumeAt          one level, as a slider step asks for it: the
//                               levels of 64 slider positions in turn
//                               (target: under 15 ms);
//   BM_ClippedVolumeAtOneThread the same on the calling thread alone;
//   BM_VolumeCurve1000          the curve at 1,000 levels over the terrain's
//                               range (target: under 1 s);
//   BM_ClippedVolumeAtSphere    one level of a closed sphere of 2,000,000
//                               faces, at its middle.
// Before any timing the curve is compared with single levels; a difference
// beyond 1e-9 of the whole volume ends the program.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "analysis/clipped_volume.h"
#include "analysis/volume_curve.h"
#include "common/generators.h"

namespace {

using quervik::ClippedVolumeIndex;
using quervik::Mesh;
using quervik::VolumeFigures;

struct Fixture {
  Mesh mesh;
  ClippedVolumeIndex index;
  std::vector<double> slider;  // levels of 64 slider positions
  double step = 0;             // 1,000 levels over the range
};

void Fail(const char* what) {
  std::fprintf(stderr, "bench_volume: %s\n", what);
  std::exit(1);
}

Fixture& Terrain() {
  static Fixture* f = [] {
    auto* fx = new Fixture;
    fx->mesh = quervik::gen::MakeTerrain(1000, 1000);
    fx->index = ClippedVolumeIndex::Build(fx->mesh);
    const double lo = fx->mesh.zmin, hi = fx->mesh.zmax;
    for (int k = 0; k < 64; ++k) fx->slider.push_back(lo + (hi - lo) * (k + 0.5) / 64);
    fx->step = (hi - lo) / 999.5;
    const std::vector<VolumeFigures> curve = quervik::VolumeCurve(fx->index, lo, hi, fx->step);
    if (curve.size() != 1000) Fail("the curve does not have 1000 levels");
    double scale = 0;
    for (const quervik::ClippedFace& face : fx->index.faces()) scale += std::fabs(face.weight);
    scale *= hi - lo;
    for (std::size_t k = 0; k < curve.size(); k += 97) {
      const VolumeFigures one = fx->index.At(curve[k].level);
      if (std::fabs(one.above - curve[k].above) > 1e-9 * scale ||
          std::fabs(one.below - curve[k].below) > 1e-9 * scale) {
        Fail("the curve differs from the single levels");
      }
    }
    const VolumeFigures mid = fx->index.At((lo + hi) / 2);
    std::printf("terrain: %zu faces, level %.6f: above %.3f below %.3f area above %.3f\n",
                fx->index.faces().size(), (lo + hi) / 2, mid.above, mid.below, mid.area_above);
    return fx;
  }();
  return *f;
}

void BM_ClippedVolumeBuild(benchmark::State& state) {
  const Fixture& f = Terrain();
  for (auto _ : state) {
    ClippedVolumeIndex index = ClippedVolumeIndex::Build(f.mesh);
    benchmark::DoNotOptimize(index);
  }
}

void AtSliderLevels(benchmark::State& state, unsigned threads) {
  const Fixture& f = Terrain();
  std::size_t k = 0;
  for (auto _ : state) {
    const VolumeFigures r = f.index.At(f.slider[k++ % f.slider.size()], threads);
    benchmark::DoNotOptimize(r.above);
  }
}

void BM_ClippedVolumeAt(benchmark::State& state) {
  AtSliderLevels(state, 0);
}
void BM_ClippedVolumeAtOneThread(benchmark::State& state) {
  AtSliderLevels(state, 1);
}

void BM_VolumeCurve1000(benchmark::State& state) {
  const Fixture& f = Terrain();
  for (auto _ : state) {
    const std::vector<VolumeFigures> curve =
        quervik::VolumeCurve(f.index, f.mesh.zmin, f.mesh.zmax, f.step);
    benchmark::DoNotOptimize(curve.data());
  }
}

void BM_ClippedVolumeAtSphere(benchmark::State& state) {
  static const Mesh* sphere = new Mesh(quervik::gen::MakeSphere(1000, 1000));
  static const ClippedVolumeIndex* index =
      new ClippedVolumeIndex(ClippedVolumeIndex::Build(*sphere));
  if (!index->closed()) Fail("the sphere is not closed");
  for (auto _ : state) benchmark::DoNotOptimize(index->At(0.5).above);
}

BENCHMARK(BM_ClippedVolumeBuild)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ClippedVolumeAt)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ClippedVolumeAtOneThread)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_VolumeCurve1000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ClippedVolumeAtSphere)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
