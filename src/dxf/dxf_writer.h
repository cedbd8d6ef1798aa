// A minimal ASCII DXF writer: one ENTITIES section with LINE, POINT and TEXT
// entities, group codes right-aligned in 3 characters, coordinates in a
// 23-character scientific form, every line ended by CR LF.
//
// A file is written to a temporary name beside its target and renamed over
// the target only when DXFClose has written it completely, so a failed
// export never leaves a broken file nor destroys the previous one.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace quervik {

// " 1.50000000000000E+0000": sign (blank for >= 0 and for -0), 15
// significant digits correctly rounded, 'E', exponent sign, 4 exponent
// digits. Not finite: "+Inf", "-Inf", "Nan" right-aligned in 23 characters.
std::string FormatDxfReal(double v);

// The rotation of a TEXT: "%10.4f" with '.' (wider when needed).
std::string FormatDxfAngle(double alfa);

// The bytes of a file with no entity: its 4 opening and 4 closing lines.
inline constexpr std::size_t kDxfFrameSize = 52;

// The bytes of one LINE entity on `Layer` with the line type `LTyp`.
std::size_t DxfLineRecordSize(std::string_view Layer, std::string_view LTyp);

// LINE entities formatted apart from any file, byte for byte as
// DxfWriter::DXFLinie writes them: several threads can each format their part
// of a drawing while one writer puts the parts into the file in order
// (DxfWriter::DXFWrite).
class DxfLineBuffer {
 public:
  void DXFLinie(double x1, double y1, double z1, double x2, double y2, double z2,
                std::string_view Layer, std::string_view LTyp);
  std::string_view bytes() const { return {data_.get(), size_}; }
  void clear() { size_ = 0; }  // keeps the capacity for the next part

 private:
  // A plain growing buffer: unlike a string it is not zero-filled before
  // each record is written over it.
  std::unique_ptr<char[]> data_;
  size_t size_ = 0;
  size_t capacity_ = 0;
};

// Makes a process that is interrupted leave no temporary DXF file behind:
// SIGINT (Ctrl-C), SIGTERM, SIGHUP and SIGQUIT remove the temporary file of
// every unfinished DxfWriter (the targets keep their previous content) and
// then end the process as the signal would have; a signal the process
// ignores stays ignored. A file-size limit no longer ends the process
// (SIGXFSZ ignored): the write fails with "E/A-Fehler 27". For programs that
// have no handlers of their own for these signals.
void RemoveUnfinishedDxfFilesOnSignals();

class DxfWriter {
 public:
  DxfWriter();
  ~DxfWriter();  // abandons an unfinished file (temporary removed)
  DxfWriter(const DxfWriter&) = delete;
  DxfWriter& operator=(const DxfWriter&) = delete;

  // Name of the file that the next DXFOpen creates; kept after closing.
  // Writing goes to a temporary file beside it (same folder, permissions of
  // a new file, or those of the file it replaces); a link is followed, so
  // the file it points to is replaced and the link stays.
  std::string DXFFileName;

  bool DXFIsOpen() const;

  // Whether a file of `bytes` bytes fits into the free space of the folder
  // DXFOpen would write DXFFileName into (a link followed): lets an export
  // refuse a file that cannot fit before it touches anything, instead of
  // filling the disk first. True when the free space cannot be found out
  // (a folder that does not exist); DXFOpen then reports what is wrong.
  bool DXFFits(std::uintmax_t bytes) const;

  // The free space, in bytes, that a new file in `folder` may take, or
  // nullopt when unknown. Empty: the file system's own count (the blocks
  // free to this user; to root also the reserved ones). Tests put a small
  // disk here.
  std::function<std::optional<std::uintmax_t>(const std::string& folder)> FreeSpace;

  // Starts a new file for DXFFileName (an unfinished earlier one is
  // abandoned) and writes the 4 opening lines. Raises the German file error
  // ("Ungültiger Dateiname", "Dateizugriff verweigert",
  // "Zu viele geöffnete Dateien", "E/A-Fehler %d"); after any failure the
  // temporary file is gone and DXFIsOpen() is false. An empty name is
  // "Ungültiger Dateiname", a name holding NUL "Ungültige Zeichen im Pfad";
  // a target that is not a plain file (a folder, a pipe, a device, a socket)
  // or may not be written is refused at once, without opening it
  // ("Dateizugriff verweigert").
  void DXFOpen();

  // When open: writes the 4 closing lines, flushes, forces the file to disk
  // and renames it over its target. Otherwise does nothing. A failure raises
  // the German file error after abandoning the file; the target keeps its
  // previous content and the writer is ready for the next DXFOpen.
  void DXFClose();

  // The entities. A write that fails (a full disk) raises the German file
  // error after abandoning the file. Called while no file is open they raise
  // "Keine DXF-Datei geöffnet".
  void DXFLinie(double x1, double y1, double z1, double x2, double y2, double z2,
                std::string_view Layer, std::string_view LTyp);
  void DXFPunkt(double x, double y, double z, std::string_view Layer, std::string_view LTyp);
  void DXFText(double x, double y, double z, std::string_view Text, std::string_view Layer,
               std::string_view LTyp, double Alfa, double Height);

  // Appends the entities formatted in `lines` (raises like DXFLinie).
  void DXFWrite(const DxfLineBuffer& lines);

  // Drops an unfinished file: closes and removes the temporary file and
  // leaves the target untouched. DXFIsOpen() is false afterwards.
  void Abandon() noexcept;

 private:
  struct File;
  std::unique_ptr<File> file_;

  [[noreturn]] void Fail(int err);
  void Flush();
  void WriteOut(const char* p, size_t n);
  void Put(std::string_view text);
  void PutLine(std::string_view text);
  void PutReal(std::string_view code, double v);
  void PutHeader(std::string_view kind, std::string_view Layer, std::string_view LTyp);
};

}  // namespace quervik
