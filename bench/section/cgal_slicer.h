// CGAL's Polygon_mesh_slicer on a copy of a Quervik mesh, behind a plain
// interface so that the benchmark itself does not include CGAL.
#pragma once

#include <cstddef>
#include <memory>

#include "model/mesh.h"

namespace bench_cgal {

class Slicer {
 public:
  // Copies the vertices V[1..] and faces Fc[1..] into a CGAL Surface_mesh
  // (exact predicates, inexact constructions kernel).
  explicit Slicer(const quervik::Mesh& mesh);
  ~Slicer();

  std::size_t Faces() const;

  // Drops the AABB tree over the mesh's edges.
  void ResetTree();
  // Builds the AABB tree over the mesh's edges that the slicer queries.
  void BuildTree();
  // Cuts with z = level; returns the number of polylines and adds their
  // points to `points`.
  std::size_t Slice(double level, std::size_t& points);

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace bench_cgal
