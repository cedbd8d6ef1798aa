// A minimal ASCII DXF writer: one ENTITIES section with LINE, POINT and TEXT
// entities, group codes right-aligned in 3 characters, coordinates in a
// 23-character scientific form, every line ended by CR LF.
//
// A file is written to a temporary name beside its target and renamed over
// the target only when DXFClose has written it completely, so a failed
// export never leaves a broken file nor destroys the previous one.
#pragma once

#include <memory>
#include <string>
#include <string_view>

namespace quervik {

// " 1.50000000000000E+0000": sign (blank for >= 0 and for -0), 15
// significant digits correctly rounded, 'E', exponent sign, 4 exponent
// digits. Not finite: "+Inf", "-Inf", "Nan" right-aligned in 23 characters.
std::string FormatDxfReal(double v);

// The rotation of a TEXT: "%10.4f" with '.' (wider when needed).
std::string FormatDxfAngle(double alfa);

class DxfWriter {
 public:
  DxfWriter();
  ~DxfWriter();  // abandons an unfinished file (temporary removed)
  DxfWriter(const DxfWriter&) = delete;
  DxfWriter& operator=(const DxfWriter&) = delete;

  // Name of the file that the next DXFOpen creates; kept after closing.
  std::string DXFFileName;

  bool DXFIsOpen() const;

  // Starts a new file for DXFFileName (an unfinished earlier one is
  // abandoned) and writes the 4 opening lines. Raises the German file error
  // ("Ungültiger Dateiname", "Dateizugriff verweigert",
  // "Zu viele geöffnete Dateien", "E/A-Fehler %d"); after any failure the
  // temporary file is gone and DXFIsOpen() is false.
  void DXFOpen();

  // When open: writes the 4 closing lines, flushes, and renames the file
  // over its target. Otherwise does nothing.
  void DXFClose();

  void DXFLinie(double x1, double y1, double z1, double x2, double y2, double z2,
                std::string_view Layer, std::string_view LTyp);
  void DXFPunkt(double x, double y, double z, std::string_view Layer, std::string_view LTyp);
  void DXFText(double x, double y, double z, std::string_view Text, std::string_view Layer,
               std::string_view LTyp, double Alfa, double Height);

  // Drops an unfinished file: closes and removes the temporary file and
  // leaves the target untouched. DXFIsOpen() is false afterwards.
  void Abandon() noexcept;

 private:
  struct File;
  std::unique_ptr<File> file_;
};

}  // namespace quervik
