// The Wavefront OBJ reader: vertices ("v "), vertex normals ("vn") and faces
// ("f "), a face of more than three corners split into triangles. A line is
// recognised by its first two characters exactly; everything else is skipped
// without a message. Tokens are separated by the space character only (a tab
// is an ordinary character); a number token holding a comma is read with ','
// as decimal separator and sets the process-wide separator to ',', any
// other sets it to '.' (obj_tokens.h has the exact rules).
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "model/mesh.h"

namespace quervik {

// Called while reading with the share of the file read so far (0..100).
using ReadProgress = std::function<void(int percent)>;

// What a load took other than as written, for the user to be told.
struct ObjReadReport {
  static constexpr std::size_t kListedLines = 5;

  // Vertex coordinates ("v " lines) that were missing or no number and were
  // read as 0.
  std::int64_t unreadableNumbers = 0;
  // The number of lines holding such a coordinate, and the first of them,
  // ascending, at most kListedLines.
  std::int64_t linesWithUnreadable = 0;
  std::vector<std::int64_t> unreadableLines;
};

// The warning shown after the count line when coordinates were read as 0,
// e.g. "3 Koordinaten fehlen oder sind keine gültigen Zahlen und wurden als
// 0 gelesen (Zeilen 4, 9)", with ", ..." after the listed lines when more
// lines had them; "" when every coordinate was read.
std::string UnreadableNumbersWarning(const ObjReadReport& report);

// Reads the OBJ file at `path` into a new mesh: V, Fc and Vn with their
// zero placeholder in slot 0, zmin/zmax computed, a new
// version. Leaves the process-wide decimal separator as the last number
// token of a "v " or "vn" line set it. A file without any line feed but
// with carriage returns has its lines ended by the carriage returns.
//
// A face lists its corners up to the end of the line or a token starting
// with "#". Three corners are one slot of Fc; k corners are k - 2 slots,
// split by PolygonSplitter (the fan (c1,c2,c3), (c1,c3,c4), … for a convex
// polygon). Negative corner numbers count back from the last vertex read so
// far (-1 is the last one); positive ones may name a vertex further down.
//
// Refused with an error naming the first faulty line in the file ("Zeile
// <n>: …"): a face with fewer than three corners, a corner that is no
// integer, and a corner naming no vertex of the file (also 0 and numbers
// beyond the 32-bit range). Refused with an error naming the file: a file
// without a single face. Refused at once: anything but a regular file
// ("Dateizugriff verweigert", also for a pipe that no one writes to). A file
// that cannot be opened or read raises the German file error ("Datei nicht
// gefunden", ...). After a successful load every corner lies in 1 … n.
//
// Coordinates that are missing or no number are read as 0; when `report`
// is given it says how many and where. The caller's current mesh is never
// touched: replace it only on success.
Mesh ReadMesh(const std::string& path, const ReadProgress& progress = {},
              ObjReadReport* report = nullptr);

// ReadMesh on a text in memory: the same mesh, errors, report and decimal
// separator as ReadMesh gives for a file holding these bytes, `name`
// standing for its path in the error of a text without faces.
Mesh ParseObj(std::string_view text, std::string_view name = {}, ObjReadReport* report = nullptr);

}  // namespace quervik
