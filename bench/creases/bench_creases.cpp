// Crease edges on a closed sphere of 2,000,000 faces (and of 500,000, where
// the peer can run too) at a threshold of 0.5 degrees:
//   BM_BruchkanteFinden    the whole detection (vertex-face index, face
//                          normals, search), as the window runs it;
//   BM_EdgeToFaceMap       the plain pass every edge-based approach needs at
//                          least: a hash map from the sorted vertex pair to
//                          its first two faces, built over all faces;
//   BM_VtkFeatureEdges     VTK's vtkFeatureEdges on the same mesh as
//                          vtkPolyData, feature edges only (angle 0.5).
//                          VTK 9.1 reserves (points / 20) * (points / 10)
//                          ids for its output lines up front: 40 GB for the
//                          million points of the large sphere, more than this
//                          machine has, so it is measured on the small one
//                          only and skipped with a note on the large one.
//   BM_CreasesCone         the whole detection on a closed cone whose apex
//                          and base centre each join N faces (N = 50,000 …
//                          400,000, 2·N faces), at 30 degrees: the N rim
//                          edges are creases. The time must grow with N, not
//                          with N² (a walk of a vertex's faces per edge would);
//                          Google Benchmark fits the complexity.
// Derived indexes are thrown away between iterations (outside the timing),
// so every iteration builds them from nothing, as after a load.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

#include "analysis/crease_edges.h"
#include "common/generators.h"
#include "model/face_normals.h"
#include "model/vector_math.h"

#ifdef QUERVIK_BENCH_HAVE_VTK
#include <vtkCellArray.h>
#include <vtkFeatureEdges.h>
#include <vtkNew.h>
#include <vtkPoints.h>
#include <vtkPolyData.h>
#endif

namespace {

using quervik::Mesh;

// Arguments of every benchmark: rings and segments of the sphere,
// 2 * segments * (rings - 1) faces.
void Sizes(benchmark::internal::Benchmark* b) {
  b->Args({1001, 1000});  // 2,000,000 faces, 999,002 vertices
  b->Args({501, 500});    // 500,000 faces, 249,502 vertices
  b->Unit(benchmark::kMillisecond);
}

// Built once per size; checked to be closed, outward wound and free of faces
// without area before any timing.
Mesh& Sphere(const benchmark::State& state) {
  static std::map<std::pair<std::int64_t, std::int64_t>, Mesh> cache;
  const auto key = std::pair{state.range(0), state.range(1)};
  auto it = cache.find(key);
  if (it != cache.end()) return it->second;
  Mesh m = quervik::gen::MakeSphere(static_cast<int>(key.first), static_cast<int>(key.second));
  std::vector<quervik::Tvect3D> Fn;
  if (quervik::CalcFaceNormals(m, Fn) != 0) {
    std::fprintf(stderr, "the sphere has faces without area\n");
    std::abort();
  }
  for (size_t i = 1; i < m.Fc.size(); ++i) {
    const quervik::TFace& f = m.Fc[i];
    const quervik::Tvertex& a = m.V[static_cast<size_t>(f[1])];
    const quervik::Tvertex& b = m.V[static_cast<size_t>(f[2])];
    const quervik::Tvertex& c = m.V[static_cast<size_t>(f[3])];
    const quervik::Tvect3D centre{a.x + b.x + c.x, a.y + b.y + c.y, a.z + b.z + c.z};
    if (quervik::MultVect(Fn[i], centre) <= 0) {
      std::fprintf(stderr, "face %zu of the sphere faces inwards\n", i);
      std::abort();
    }
  }
  // Closed: every edge has exactly two faces.
  const quervik::VertexFaceIndex vp = quervik::setVertexFacePointers(m);
  for (size_t i = 1; i < m.Fc.size(); ++i) {
    for (auto [x, y] : {std::pair{1, 2}, std::pair{1, 3}, std::pair{2, 3}}) {
      const auto shared = quervik::Schnittmenge(vp[static_cast<size_t>(m.Fc[i][x])],
                                                vp[static_cast<size_t>(m.Fc[i][y])]);
      if (shared.size() != 2) {
        std::fprintf(stderr, "an edge of face %zu has %zu faces\n", i, shared.size());
        std::abort();
      }
    }
  }
  return cache.emplace(key, std::move(m)).first->second;
}

// The whole search as the window runs it: the index, the normals, the edges.
void BM_BruchkanteFinden(benchmark::State& state, double angle) {
  const Mesh& m = Sphere(state);
  std::size_t creases = 0;
  for (auto _ : state) {
    const quervik::CreaseEdges found = quervik::BruchkanteFinden(m, angle);
    creases = found.Bruchkanten.size();
    benchmark::DoNotOptimize(found.Bruchkanten.data());
  }
  state.counters["faces"] = static_cast<double>(m.Fc.size() - 1);
  state.counters["creases"] = static_cast<double>(creases);
}
BENCHMARK_CAPTURE(BM_BruchkanteFinden, angle_0_5, 0.5)->Apply(Sizes);
// Almost every edge a crease: the list and the duplicate rule under load.
BENCHMARK_CAPTURE(BM_BruchkanteFinden, angle_0_01, 0.01)->Apply(Sizes);

void BM_CreasesCone(benchmark::State& state) {
  static std::map<std::int64_t, Mesh> cache;
  auto it = cache.find(state.range(0));
  if (it == cache.end()) {
    it = cache.emplace(state.range(0), quervik::gen::MakeCone(static_cast<int>(state.range(0))))
             .first;
  }
  const Mesh& m = it->second;
  std::size_t creases = 0;
  for (auto _ : state) {
    const quervik::CreaseEdges found = quervik::BruchkanteFinden(m, 30);
    creases = found.Bruchkanten.size();
    benchmark::DoNotOptimize(found.Bruchkanten.data());
  }
  state.SetComplexityN(static_cast<std::int64_t>(m.Fc.size() - 1));
  state.counters["faces"] = static_cast<double>(m.Fc.size() - 1);
  state.counters["creases"] = static_cast<double>(creases);
}
BENCHMARK(BM_CreasesCone)
    ->Arg(50000)
    ->Arg(100000)
    ->Arg(200000)
    ->Arg(400000)
    ->Unit(benchmark::kMillisecond)
    ->Complexity(benchmark::oN);

struct FirstTwoFaces {
  std::int32_t face[2] = {0, 0};
  std::int32_t count = 0;
};

void BM_EdgeToFaceMap(benchmark::State& state) {
  const Mesh& m = Sphere(state);
  size_t edges = 0;
  for (auto _ : state) {
    std::unordered_map<std::uint64_t, FirstTwoFaces> map;
    map.reserve(m.Fc.size() * 3 / 2);
    for (size_t i = 1; i < m.Fc.size(); ++i) {
      const quervik::TFace& f = m.Fc[i];
      const std::int32_t v[3] = {f[1], f[2], f[3]};
      for (auto [x, y] : {std::pair{0, 1}, std::pair{0, 2}, std::pair{1, 2}}) {
        std::uint32_t p = static_cast<std::uint32_t>(v[x]), q = static_cast<std::uint32_t>(v[y]);
        if (p > q) std::swap(p, q);
        FirstTwoFaces& e = map[(std::uint64_t{p} << 32) | q];
        if (e.count < 2) e.face[e.count] = static_cast<std::int32_t>(i);
        ++e.count;
      }
    }
    edges = map.size();
    benchmark::DoNotOptimize(map);
  }
  state.counters["edges"] = static_cast<double>(edges);
}
BENCHMARK(BM_EdgeToFaceMap)->Apply(Sizes);

#ifdef QUERVIK_BENCH_HAVE_VTK
void BM_VtkFeatureEdges(benchmark::State& state) {
  const Mesh& m = Sphere(state);
  const double points20 = static_cast<double>(m.V.size() - 1) / 20;
  const double reserved = points20 * (points20 * 2) * sizeof(vtkIdType);
  if (reserved > 8e9) {
    state.SkipWithError("vtkFeatureEdges would reserve more memory than this machine has");
    return;
  }
  vtkNew<vtkPoints> points;
  points->SetDataTypeToDouble();
  points->SetNumberOfPoints(static_cast<vtkIdType>(m.V.size() - 1));
  for (size_t k = 1; k < m.V.size(); ++k)
    points->SetPoint(static_cast<vtkIdType>(k - 1), m.V[k].x, m.V[k].y, m.V[k].z);
  vtkNew<vtkCellArray> triangles;
  triangles->AllocateExact(static_cast<vtkIdType>(m.Fc.size() - 1),
                           static_cast<vtkIdType>(3 * (m.Fc.size() - 1)));
  for (size_t i = 1; i < m.Fc.size(); ++i) {
    const vtkIdType ids[3] = {m.Fc[i][1] - 1, m.Fc[i][2] - 1, m.Fc[i][3] - 1};
    triangles->InsertNextCell(3, ids);
  }
  vtkNew<vtkPolyData> poly;
  poly->SetPoints(points);
  poly->SetPolys(triangles);

  vtkNew<vtkFeatureEdges> filter;
  filter->SetInputData(poly);
  filter->FeatureEdgesOn();
  filter->SetFeatureAngle(0.5);
  filter->BoundaryEdgesOff();
  filter->NonManifoldEdgesOff();
  filter->ManifoldEdgesOff();
  filter->ColoringOff();
  vtkIdType lines = 0;
  for (auto _ : state) {
    filter->Modified();
    filter->Update();
    lines = filter->GetOutput()->GetNumberOfLines();
  }
  state.counters["creases"] = static_cast<double>(lines);
}
BENCHMARK(BM_VtkFeatureEdges)->Apply(Sizes);
#endif

}  // namespace

BENCHMARK_MAIN();
