// The exact volumes of closed meshes against CGAL on the same OBJ file:
// Polygon_mesh_processing::clip with the plane (the cut closed, so the part
// above or below stays a solid), then Polygon_mesh_processing::volume.
#include <CGAL/Exact_predicates_inexact_constructions_kernel.h>
#include <CGAL/Polygon_mesh_processing/clip.h>
#include <CGAL/Polygon_mesh_processing/measure.h>
#include <CGAL/Polygon_mesh_processing/orientation.h>
#include <CGAL/Surface_mesh.h>
#include <CGAL/boost/graph/IO/OBJ.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cmath>
#include <random>
#include <string>

#include "../../bench/common/generators.h"
#include "analysis/clipped_volume.h"
#include "core/number_format.h"
#include "model/obj_reader.h"

namespace quervik {
namespace {

using K = CGAL::Exact_predicates_inexact_constructions_kernel;
using SurfaceMesh = CGAL::Surface_mesh<K::Point_3>;
namespace PMP = CGAL::Polygon_mesh_processing;

// The solid on one side of z = level, as CGAL cuts it.
double CgalVolume(const SurfaceMesh& mesh, double level, bool above) {
  SurfaceMesh part = mesh;
  // clip keeps the negative side: z - level < 0 below, level - z < 0 above.
  const K::Plane_3 plane = above ? K::Plane_3(0, 0, -1, level) : K::Plane_3(0, 0, 1, -level);
  PMP::clip(part, plane, CGAL::parameters::clip_volume(true));
  return part.is_empty() ? 0.0 : PMP::volume(part);
}

// A torus of radii 30 and 10, tilted by 30 degrees about the x axis, its
// tube wound outwards; the plane cuts it in one or two loops.
Mesh TiltedTorus(int around, int tube) {
  const double pi = 3.14159265358979323846, tilt = pi / 6;
  std::vector<Tvertex> V;
  std::vector<TFace> Fc;
  for (int i = 0; i < around; ++i) {
    for (int j = 0; j < tube; ++j) {
      const double u = 2 * pi * i / around, v = 2 * pi * j / tube;
      const double x = (30 + 10 * std::cos(v)) * std::cos(u);
      const double y = (30 + 10 * std::cos(v)) * std::sin(u), z = 10 * std::sin(v);
      V.push_back({x, y * std::cos(tilt) - z * std::sin(tilt),
                   y * std::sin(tilt) + z * std::cos(tilt) + 250});
    }
  }
  auto id = [&](int i, int j) { return (i % around) * tube + (j % tube) + 1; };
  for (int i = 0; i < around; ++i) {
    for (int j = 0; j < tube; ++j) {
      Fc.push_back(TFace{{id(i, j), id(i + 1, j), id(i + 1, j + 1)}});
      Fc.push_back(TFace{{id(i, j), id(i + 1, j + 1), id(i, j + 1)}});
    }
  }
  return MakeMesh(V, Fc);
}

TEST(ClippedVolumeCgal, ClosedMeshesAgreeToOneBillionth) {
  const std::string dir = ::testing::TempDir();
  std::mt19937_64 rng(17);
  int n = 0;
  Mesh inwards = TiltedTorus(40, 20);
  for (std::size_t i = 1; i < inwards.Fc.size(); ++i) {
    std::swap(inwards.Fc[i].corner[1], inwards.Fc[i].corner[2]);
  }
  for (const Mesh& made : {TiltedTorus(48, 24), inwards}) {
    const std::string path =
        dir + "/quervik_cgal_" + std::to_string(::getpid()) + "_" + std::to_string(n++) + ".obj";
    ASSERT_TRUE(gen::WriteObj(made, path));
    SetDecimalSeparator('.');
    Mesh ours = ReadMesh(path);
    ZMinMax(ours);
    SurfaceMesh theirs;
    ASSERT_TRUE(CGAL::IO::read_OBJ(path, theirs));
    std::remove(path.c_str());
    ASSERT_TRUE(CGAL::is_closed(theirs));

    const ClippedVolumeIndex index = ClippedVolumeIndex::Build(ours);
    ASSERT_TRUE(index.closed());
    // CGAL takes the side a face looks to as the outside: our figures for
    // the file as it is against CGAL's for the solid wound outwards.
    const double whole = PMP::volume(theirs);
    if (whole < 0) PMP::reverse_face_orientations(theirs);
    std::uniform_real_distribution<double> level(ours.zmin, ours.zmax);
    for (int k = 0; k < 5; ++k) {
      const double h = level(rng);
      const VolumeFigures f = index.At(h);
      const double above = CgalVolume(theirs, h, true), below = CgalVolume(theirs, h, false);
      EXPECT_NEAR(f.above, above, 1e-9 * std::fabs(above)) << h;
      EXPECT_NEAR(f.below, below, 1e-9 * std::fabs(below)) << h;
      EXPECT_NEAR(f.above + f.below, std::fabs(whole), 1e-9 * std::fabs(whole)) << h;
    }
  }
}

}  // namespace
}  // namespace quervik
