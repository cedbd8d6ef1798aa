// Polygon faces appended to a mesh as the OBJ reader appends them, for the
// readers of other formats: a polygon of k corners becomes the k - 2
// triangles of PolygonSplitter, the fan (c1,c2,c3), (c1,c3,c4), … for a
// convex one, so that the same polygon gives the same triangles from any
// file.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <utility>
#include <vector>

#include "model/mesh.h"
#include "model/polygon_split.h"

namespace quervik {

class PolygonFaces {
 public:
  explicit PolygonFaces(Mesh& mesh) : mesh_(mesh) {}

  // Appends one triangle. `moreTriangles` bounds the triangles still to
  // come after it (from the bytes left in the file): when Fc is full, room
  // is reserved for that many at once. Reserved room that is never written
  // costs address space only, not memory, so one generous reservation beats
  // growing the array step by step, which copies it each time.
  void Triangle(std::int32_t a, std::int32_t b, std::int32_t c, std::uint64_t moreTriangles) {
    if (mesh_.Fc.size() == mesh_.Fc.capacity()) Grow(1, moreTriangles);
    mesh_.Fc.push_back(TFace{{a, b, c}});
  }

  // Appends the k - 2 triangles of the polygon whose corners are the V slots
  // `corners` (k >= 3). With `verticesKnown` false the vertices are not
  // read yet: the fan is appended and split in Finish.
  void Polygon(std::span<const std::int32_t> corners, bool verticesKnown,
               std::uint64_t moreTriangles);

  // Splits the polygons that had to wait for their vertices.
  void Finish();

 private:
  void Grow(std::size_t needed, std::uint64_t moreTriangles);
  void Split(std::size_t slot, std::size_t k);

  Mesh& mesh_;
  // Polygons appended as their fan before their vertices were read: the
  // first slot and the corner count.
  std::vector<std::pair<std::size_t, std::size_t>> waiting_;
  // Working memory, kept from polygon to polygon.
  PolygonSplitter splitter_;
  std::vector<std::int32_t> corners_;
  std::vector<Tvertex> points_;
  std::vector<PolygonTriangle> triangles_;
};

}  // namespace quervik
