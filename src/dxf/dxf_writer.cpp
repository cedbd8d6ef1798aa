#include "dxf/dxf_writer.h"

#include <cstring>
#include <string>

#include "core/errors.h"
#include "core/number_format.h"
#include "dxf/dxf_number.h"

namespace quervik {

namespace {

// A group code line and its value line holding a coordinate: 5 + 23 + 2.
constexpr std::size_t kRealPair = 5 + kDxfRealWidth + 2;

constexpr std::string_view kOpening = "  0\r\nSECTION\r\n  2\r\nENTITIES\r\n";
constexpr std::string_view kClosing = "  0\r\nENDSEC\r\n  0\r\nEOF\r\n";
static_assert(kOpening.size() + kClosing.size() == kDxfFrameSize);

char* PutText(char* out, std::string_view text) {
  std::memcpy(out, text.data(), text.size());
  return out + text.size();
}

char* PutRealPair(char* out, std::string_view code, double v) {
  out = PutText(out, code);
  out = PutDxfReal(out, v);
  out[0] = '\r';
  out[1] = '\n';
  return out + 2;
}

}  // namespace

// Writes the LINE record, exactly DxfLineRecordSize bytes. DxfWriter and
// DxfLineBuffer both write through here, so their bytes are the same.
char* PutDxfLine(char* out, double x1, double y1, double z1, double x2, double y2, double z2,
                 std::string_view Layer, std::string_view LTyp) {
  out = PutText(out, "  0\r\nLINE\r\n  8\r\n");
  out = PutText(out, Layer);
  out = PutText(out, "\r\n  6\r\n");
  out = PutText(out, LTyp);
  out = PutText(out, "\r\n");
  out = PutRealPair(out, " 10\r\n", x1);
  out = PutRealPair(out, " 20\r\n", y1);
  out = PutRealPair(out, " 30\r\n", z1);
  out = PutRealPair(out, " 11\r\n", x2);
  out = PutRealPair(out, " 21\r\n", y2);
  return PutRealPair(out, " 31\r\n", z2);
}

namespace {

// The rotation of a TEXT: "%10.4f" with '.' (wider when needed).
std::string FormatDxfAngle(double alfa) {
  return FormatFixed(alfa, 10, 4, '.');
}

}  // namespace

std::size_t DxfLineRecordSize(std::string_view Layer, std::string_view LTyp) {
  // "  0", "LINE", "  8", the layer, "  6", the line type, each with CR LF,
  // and six coordinate pairs.
  return 25 + Layer.size() + LTyp.size() + 6 * kRealPair;
}

void DxfLineBuffer::DXFLinie(double x1, double y1, double z1, double x2, double y2, double z2,
                             std::string_view Layer, std::string_view LTyp) {
  char* p = bytes_.Reserve(DxfLineRecordSize(Layer, LTyp));
  bytes_.Advance(PutDxfLine(p, x1, y1, z1, x2, y2, z2, Layer, LTyp));
}

void DxfWriter::RequireOpen() const {
  if (!file_.IsOpen()) throw Error("Keine DXF-Datei geöffnet");
}

void DxfWriter::DXFOpen() {
  file_.Open(DXFFileName);
  file_.Write(kOpening);
}

void DxfWriter::DXFClose() {
  if (!file_.IsOpen()) return;
  file_.Write(kClosing);
  file_.Commit();
}

void DxfWriter::PutLine(std::string_view text) {
  file_.Write(text);
  file_.Write("\r\n");
}

void DxfWriter::PutReal(std::string_view code, double v) {
  file_.Advance(PutRealPair(file_.Room(kRealPair), code, v));
}

void DxfWriter::PutHeader(std::string_view kind, std::string_view Layer, std::string_view LTyp) {
  RequireOpen();
  file_.Write("  0\r\n");
  PutLine(kind);
  file_.Write("  8\r\n");
  PutLine(Layer);
  file_.Write("  6\r\n");
  PutLine(LTyp);
}

void DxfWriter::DXFLinie(double x1, double y1, double z1, double x2, double y2, double z2,
                         std::string_view Layer, std::string_view LTyp) {
  RequireOpen();
  const std::size_t need = DxfLineRecordSize(Layer, LTyp);
  if (need <= AtomicFile::kBufferSize) {
    file_.Advance(PutDxfLine(file_.Room(need), x1, y1, z1, x2, y2, z2, Layer, LTyp));
    return;
  }
  // A layer name of megabytes: the same bytes, piece by piece.
  PutHeader("LINE", Layer, LTyp);
  PutReal(" 10\r\n", x1);
  PutReal(" 20\r\n", y1);
  PutReal(" 30\r\n", z1);
  PutReal(" 11\r\n", x2);
  PutReal(" 21\r\n", y2);
  PutReal(" 31\r\n", z2);
}

void DxfWriter::DXFWrite(const DxfLineBuffer& lines) {
  RequireOpen();
  file_.Write(lines.bytes());
}

void DxfWriter::DXFWrite(std::string_view entities) {
  RequireOpen();
  file_.Write(entities);
}

void DxfWriter::DXFPunkt(double x, double y, double z, std::string_view Layer,
                         std::string_view LTyp) {
  PutHeader("POINT", Layer, LTyp);
  PutReal(" 10\r\n", x);
  PutReal(" 20\r\n", y);
  PutReal(" 30\r\n", z);
}

void DxfWriter::DXFText(double x, double y, double z, std::string_view Text, std::string_view Layer,
                        std::string_view LTyp, double Alfa, double Height) {
  PutHeader("TEXT", Layer, LTyp);
  PutReal(" 10\r\n", x);
  PutReal(" 20\r\n", y);
  PutReal(" 30\r\n", z);
  PutReal(" 40\r\n", Height);
  file_.Write("  1\r\n");
  PutLine(Text);
  file_.Write(" 50\r\n");
  PutLine(FormatDxfAngle(Alfa));
}

}  // namespace quervik
