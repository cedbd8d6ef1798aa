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

// How a text is shared out among threads. The defaults are what ReadMesh
// and ParseObj use when no plan is given; the tests and the benchmarks set
// the rest.
struct ObjReadPlan {
  // 0: every processor; 1: the text is read in one pass on the calling
  // thread, line by line.
  unsigned threads = 0;
  // A text longer than this is read in pieces of about this size, split at
  // line ends: first each piece's records are counted, then the mesh arrays
  // are made at their final size and every piece is read into its own place
  // (0: 4 MiB). A shorter text is read in one pass.
  std::size_t pieceBytes = 0;
  // The text is read in blocks of this size (0: 1 MiB).
  std::size_t blockBytes = 0;
};

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
//
// A large file is read on every processor (ObjReadPlan), with exactly the
// result of the reading in one pass; the arrays are made once at their final
// size. `progress` is called on the calling thread; it may throw (Cancelled)
// to stop the load, which then leaves nothing behind: no thread goes on
// working, no memory stays taken, and the decimal separator stays as it was.
// The separator is set only when the whole text was read (also when it is
// then refused for its content). A file that changes between the counting
// and the reading is refused ("Die Datei '<path>' wurde beim Lesen
// verändert").
Mesh ReadMesh(const std::string& path, const ReadProgress& progress = {},
              ObjReadReport* report = nullptr);
Mesh ReadMesh(const std::string& path, const ObjReadPlan& plan, const ReadProgress& progress = {},
              ObjReadReport* report = nullptr);

// ReadMesh on a text in memory: the same mesh, errors, report and decimal
// separator as ReadMesh gives for a file holding these bytes, `name`
// standing for its path in the error of a text without faces.
Mesh ParseObj(std::string_view text, std::string_view name = {}, ObjReadReport* report = nullptr);
Mesh ParseObj(std::string_view text, const ObjReadPlan& plan, std::string_view name = {},
              ObjReadReport* report = nullptr);

}  // namespace quervik
