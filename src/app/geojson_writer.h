// Contour lines for GIS programs: a GeoJSON FeatureCollection (RFC 7946) of
// LineString features with 3D positions and the properties "elevation"
// (the height) and "major" (true for a major contour). A closed line repeats
// its first position at the end, as GeoJSON marks a closed ring. The
// coordinates are the mesh's own, written with '.' and the shortest digits
// that read back exactly; one feature per line.
//
// Like the DXF drawing it is written in one pass: features are formatted
// apart (GeoJsonFeatures, on worker threads) and put into the file in order;
// the file replaces its target only when complete (AtomicFile).
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "core/atomic_file.h"
#include "core/byte_buffer.h"
#include "section/contour.h"

namespace quervik {

class GeoJsonFeatures {
 public:
  // A LineString at the height `elevation` through points[vertices[0]], …
  // (their X and Y; at least two, none: nothing is written); closed: back to
  // the first position. Coordinates must be
  // finite: any other is refused with "Ungültige Gleitkommaoperation".
  void LineString(const std::vector<TPunkt>& points, std::span<const std::int32_t> vertices,
                  bool closed, double elevation, bool major);

  std::size_t count() const { return count_; }
  void clear() {
    bytes_.clear();
    count_ = 0;
  }

 private:
  friend class GeoJsonFile;
  ByteBuffer bytes_;  // every feature preceded by ",\n"
  std::size_t count_ = 0;
};

class GeoJsonFile {
 public:
  // Starts the collection that will replace `path` (German file errors of
  // AtomicFile::Open).
  void Open(std::string_view path);
  void Write(const GeoJsonFeatures& features);
  // Ends the collection and finishes the file without committing it.
  void Finish();
  void Commit();
  void Abandon() noexcept { file_.Abandon(); }
  const std::string& Path() const { return file_.Path(); }

 private:
  AtomicFile file_;
  bool empty_ = true;
  bool finished_ = false;
};

}  // namespace quervik
