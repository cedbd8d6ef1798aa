#include "cgal_slicer.h"

#include <CGAL/AABB_halfedge_graph_segment_primitive.h>
#include <CGAL/AABB_traits.h>
#include <CGAL/AABB_tree.h>
#include <CGAL/Exact_predicates_inexact_constructions_kernel.h>
#include <CGAL/Polygon_mesh_slicer.h>
#include <CGAL/Surface_mesh.h>

#include <vector>

namespace bench_cgal {

using K = CGAL::Exact_predicates_inexact_constructions_kernel;
using SurfaceMesh = CGAL::Surface_mesh<K::Point_3>;
using Primitive = CGAL::AABB_halfedge_graph_segment_primitive<SurfaceMesh>;
using Traits = CGAL::AABB_traits<K, Primitive>;
using Tree = CGAL::AABB_tree<Traits>;
using Polyline = std::vector<K::Point_3>;

struct Slicer::Impl {
  SurfaceMesh mesh;
  std::unique_ptr<Tree> tree;
};

Slicer::Slicer(const quervik::Mesh& m) : impl_(new Impl) {
  std::vector<SurfaceMesh::Vertex_index> vid(m.V.size());
  for (std::size_t i = 1; i < m.V.size(); ++i) {
    vid[i] = impl_->mesh.add_vertex(K::Point_3(m.V[i].x, m.V[i].y, m.V[i].z));
  }
  for (std::size_t i = 1; i < m.Fc.size(); ++i) {
    const quervik::TFace& f = m.Fc[i];
    impl_->mesh.add_face(vid[static_cast<std::size_t>(f[1])], vid[static_cast<std::size_t>(f[2])],
                         vid[static_cast<std::size_t>(f[3])]);
  }
}

Slicer::~Slicer() = default;

std::size_t Slicer::Faces() const {
  return impl_->mesh.number_of_faces();
}

void Slicer::ResetTree() {
  impl_->tree.reset();
}

void Slicer::BuildTree() {
  impl_->tree =
      std::make_unique<Tree>(edges(impl_->mesh).first, edges(impl_->mesh).second, impl_->mesh);
  impl_->tree->build();
}

std::size_t Slicer::Slice(double level, std::size_t& points) {
  if (!impl_->tree) BuildTree();
  CGAL::Polygon_mesh_slicer<SurfaceMesh, K> slicer(impl_->mesh, *impl_->tree);
  std::vector<Polyline> polylines;
  slicer(K::Plane_3(0, 0, 1, -level), std::back_inserter(polylines));
  for (const Polyline& p : polylines) points += p.size();
  return polylines.size();
}

}  // namespace bench_cgal
