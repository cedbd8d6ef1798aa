// A minimal ASCII DXF writer: one ENTITIES section with LINE, POINT and TEXT
// entities, group codes right-aligned in 3 characters, coordinates in the
// 23-character form of dxf_number.h, every line ended by CR LF. These three
// entities are the whole of the format the section, mesh, series and crease
// files promise.
//
// A file is written through AtomicFile: under a temporary name beside its
// target, renamed over the target only when DXFClose has written it
// completely, so a failed export never leaves a broken file nor destroys the
// previous one.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "core/atomic_file.h"
#include "core/byte_buffer.h"

namespace quervik {

// The bytes of a file with no entity: its 4 opening and 4 closing lines.
inline constexpr std::size_t kDxfFrameSize = 52;

// The bytes of one LINE entity on `Layer` with the line type `LTyp`.
std::size_t DxfLineRecordSize(std::string_view Layer, std::string_view LTyp);

// Formats one LINE entity at `out`: exactly DxfLineRecordSize(Layer, LTyp)
// bytes, the same as DxfWriter::DXFLinie writes; returns their end.
char* PutDxfLine(char* out, double x1, double y1, double z1, double x2, double y2, double z2,
                 std::string_view Layer, std::string_view LTyp);

// LINE entities formatted apart from any file, byte for byte as
// DxfWriter::DXFLinie writes them: several threads can each format their part
// of a drawing while one writer puts the parts into the file in order
// (DxfWriter::DXFWrite).
class DxfLineBuffer {
 public:
  void DXFLinie(double x1, double y1, double z1, double x2, double y2, double z2,
                std::string_view Layer, std::string_view LTyp);
  std::string_view bytes() const { return bytes_.view(); }
  void clear() { bytes_.clear(); }  // keeps the capacity for the next part

 private:
  ByteBuffer bytes_;
};

class DxfWriter {
 public:
  // Name of the file that the next DXFOpen creates; kept after closing.
  std::string DXFFileName;

  bool DXFIsOpen() const { return file_.IsOpen(); }

  // Starts a new file for DXFFileName (an unfinished earlier one is
  // abandoned) and writes the 4 opening lines. Raises the German file errors
  // of AtomicFile::Open; after any failure the temporary file is gone and
  // DXFIsOpen() is false.
  void DXFOpen();

  // When open: writes the 4 closing lines, forces the file to disk and
  // renames it over its target. Otherwise does nothing. A failure raises the
  // German file error after abandoning the file; the target keeps its
  // previous content and the writer is ready for the next DXFOpen.
  void DXFClose();

  // The entities. A write that fails (a full disk) raises the German file
  // error after abandoning the file. Called while no file is open they raise
  // "Keine DXF-Datei geöffnet".
  void DXFLinie(double x1, double y1, double z1, double x2, double y2, double z2,
                std::string_view Layer, std::string_view LTyp);
  void DXFPunkt(double x, double y, double z, std::string_view Layer, std::string_view LTyp);
  // A TEXT; its rotation Alfa is written "%10.4f" with '.' (wider when needed).
  void DXFText(double x, double y, double z, std::string_view Text, std::string_view Layer,
               std::string_view LTyp, double Alfa, double Height);

  // Appends the entities formatted in `lines` (raises like DXFLinie).
  void DXFWrite(const DxfLineBuffer& lines);
  // Appends entities formatted elsewhere (PutDxfLine), as they are.
  void DXFWrite(std::string_view entities);

  // Drops an unfinished file: the temporary file is removed and the target
  // left untouched. DXFIsOpen() is false afterwards.
  void Abandon() noexcept { file_.Abandon(); }

 private:
  AtomicFile file_;

  void RequireOpen() const;
  void PutLine(std::string_view text);
  void PutReal(std::string_view code, double v);
  void PutHeader(std::string_view kind, std::string_view Layer, std::string_view LTyp);
};

}  // namespace quervik
