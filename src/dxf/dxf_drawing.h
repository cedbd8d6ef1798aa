// A complete DXF drawing, as CAD programs expect it from AutoCAD 2000
// (AC1015) on: a HEADER with version, units (meters) and the extents of what
// is drawn; the tables (line types, layers with colour and line weight, text
// style, application, dimension style, block records) with handles and
// owners; the model and paper space blocks; the entities (LWPOLYLINE and
// TEXT); the root dictionary. Every line ends with CR LF; numbers use '.'
// and the shortest digits that read back exactly.
//
// The minimal writer (dxf_writer.h) stays as it is for the four classic files;
// this one serves the contour lines. It writes in one pass with bounded
// memory: the entities can be formatted apart, on worker threads
// (DxfEntities), and put into the drawing in order; the extents and the
// next free handle are filled into the header at the end. The file replaces
// its target only when complete (AtomicFile).
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

// A layer of the drawing besides "0": its name, its colour (AutoCAD colour
// index 1 … 255) and its line weight in 1/100 mm (e.g. 35 for 0.35 mm).
struct DxfLayer {
  std::string name;
  int colour = 7;
  int lineweight = 25;
};

// The smallest box holding every point given to Add (empty until then).
struct DxfExtents {
  double min[3] = {0, 0, 0};
  double max[3] = {0, 0, 0};
  bool empty = true;

  void Add(double x, double y, double z);
  void Add(const DxfExtents& other);
};

// Entities formatted apart from the file; DxfDrawing::Write puts them in,
// giving each its handle. Coordinates must be finite: any other is refused
// with "Ungültige Gleitkommaoperation".
class DxfEntities {
 public:
  // An LWPOLYLINE at the height `elevation` (group 38) through the points
  // points[vertices[0]], points[vertices[1]], … (their X and Y; at least
  // two, fewer: nothing is written), closed (flag 1: back to the first
  // point, which is not repeated) or open.
  void LwPolyline(std::string_view layer, double elevation, const std::vector<TPunkt>& points,
                  std::span<const std::int32_t> vertices, bool closed);

  // A TEXT `height` high centred on (x, y, z) (middle centre alignment),
  // turned `rotation` degrees anticlockwise, in the text style "Standard".
  void Text(std::string_view layer, double x, double y, double z, double height, double rotation,
            std::string_view text);

  std::size_t count() const { return ends_.size(); }
  const DxfExtents& extents() const { return extents_; }
  void clear();

 private:
  friend class DxfDrawing;
  enum class Kind : unsigned char { kLwPolyline, kText };
  struct End {
    Kind kind;
    std::size_t end;  // the entity's bytes after its handle end here in bytes_
  };
  ByteBuffer bytes_;
  std::vector<End> ends_;
  DxfExtents extents_;
};

class DxfDrawing {
 public:
  // Starts the drawing that will replace `path`: the header (extents left to
  // be filled in), the tables with the layer "0" and `layers`, the blocks,
  // and the start of the entities. Raises the German file errors of
  // AtomicFile::Open.
  void Open(std::string_view path, std::span<const DxfLayer> layers);

  // Appends `entities` in their order, with the next handles.
  void Write(const DxfEntities& entities);

  // Ends the entities, writes the objects and the end of file, fills in the
  // extents (the box of every polyline vertex at its elevation and every
  // label's alignment point; the glyphs of a label may reach a little
  // beyond; with no entity 1e+20 as the minimum and -1e+20 as the maximum,
  // as CAD programs write an empty drawing), the view (centred on them) and
  // the next free handle, and finishes the file without committing it.
  void Finish();

  // Finishes the file if needed and renames it over its target.
  void Commit();

  void Abandon() noexcept { file_.Abandon(); }
  bool IsOpen() const { return file_.IsOpen(); }
  const std::string& Path() const { return file_.Path(); }
  const DxfExtents& extents() const { return extents_; }

 private:
  void PutSlot(std::uint64_t& at, std::size_t width);
  void FillSlot(std::uint64_t at, std::string_view text);

  AtomicFile file_;
  ByteBuffer head_;
  std::uint64_t nextHandle_ = 0;
  DxfExtents extents_;
  bool finished_ = false;
  // Where the values filled in at the end stand in the file.
  std::uint64_t handSeedAt_ = 0;
  std::uint64_t extMinAt_[3] = {};
  std::uint64_t extMaxAt_[3] = {};
  std::uint64_t viewCentreAt_[2] = {};
  std::uint64_t viewHeightAt_ = 0;
};

}  // namespace quervik
