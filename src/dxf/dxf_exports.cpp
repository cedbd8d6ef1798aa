#include "dxf/dxf_exports.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <exception>
#include <string>

#include "core/errors.h"
#include "core/number_format.h"
#include "core/prepare_in_order.h"

namespace quervik {

namespace {

constexpr const char* kLineType = "CONTINUOUS";
constexpr size_t kMaxSeriesLevels = 1000000;

// Abandons the writer's file when an export ends with an error between
// DXFOpen and DXFClose, so no half-written file stays open.
class AbandonOnError {
 public:
  explicit AbandonOnError(DxfWriter& writer) : writer_(writer) {}
  ~AbandonOnError() {
    if (std::uncaught_exceptions() > uncaught_) writer_.Abandon();
  }
  AbandonOnError(const AbandonOnError&) = delete;
  AbandonOnError& operator=(const AbandonOnError&) = delete;

 private:
  DxfWriter& writer_;
  int uncaught_ = std::uncaught_exceptions();
};

#ifdef _WIN32
constexpr const char* kFolderSeparators = "\\:/";
bool IsInvalidPathChar(char c) {
  return static_cast<unsigned char>(c) < 32 || c == '"' || c == '<' || c == '>' || c == '|';
}
#else
constexpr const char* kFolderSeparators = "/";
bool IsInvalidPathChar(char c) {
  return c == '\0';
}
#endif

// The vertex `k` named by entry `entry` of a face or crease list (`what`);
// a number outside V is refused rather than read out of bounds.
const Tvertex& VertexOf(const Mesh& mesh, std::int32_t k, const char* what, size_t entry) {
  if (k < 0 || static_cast<size_t>(k) >= mesh.V.size()) {
    throw Error(std::string(what) + " " + std::to_string(entry) + " nennt den Eckpunkt " +
                std::to_string(k) + ", den es nicht gibt");
  }
  return mesh.V[static_cast<size_t>(k)];
}

void WriteContourLines(DxfWriter& writer, const TContour& contour, std::string_view layer) {
  for (const TLine& l : contour.Contours) {
    const TPunkt& P = contour.Points[static_cast<size_t>(l.sp)];
    const TPunkt& Q = contour.Points[static_cast<size_t>(l.ep)];
    writer.DXFLinie(P.X, P.Y, contour.Level, Q.X, Q.Y, contour.Level, layer, kLineType);
  }
}

// One level of a series, prepared by a worker: its section and its lines
// already formatted.
struct PreparedLevel {
  TContour contour;
  DxfLineBuffer lines;
};

}  // namespace

std::string ObjFolder(std::string_view objPath) {
  const size_t k = objPath.find_last_of(kFolderSeparators);
  if (k == std::string_view::npos) return {};
  return std::string(objPath.substr(0, k + 1));
}

std::string SectionDxfFileName(std::string_view objPath, std::string_view levelText) {
  std::string name(levelText);
  std::replace(name.begin(), name.end(), '.', '_');
  return ObjFolder(objPath) + "S" + name + ".dxf";
}

std::string MeshDxfFileName(std::string_view objPath) {
  if (objPath.empty()) throw Error("Kein Dateiname angegeben");
  if (std::any_of(objPath.begin(), objPath.end(), IsInvalidPathChar)) {
    throw Error("Ungültige Zeichen im Pfad");
  }
  const size_t slash = objPath.find_last_of("/\\");
  const size_t dot = objPath.find_last_of('.');
  if (dot != std::string_view::npos && (slash == std::string_view::npos || dot > slash)) {
    return std::string(objPath.substr(0, dot)) + ".DXF";
  }
  return std::string(objPath) + ".DXF";
}

void SchreibDXF(DxfWriter& writer, std::string_view objPath, std::string_view levelText,
                const TContour& contour) {
  writer.DXFFileName = SectionDxfFileName(objPath, levelText);
  const std::string layer = "SCHNITT" + std::string(levelText);
  AbandonOnError guard(writer);
  writer.DXFOpen();
  WriteContourLines(writer, contour, layer);
  writer.DXFClose();
}

void WriteMeshDxf(DxfWriter& writer, std::string_view objPath, const Mesh& mesh) {
  const std::string name = MeshDxfFileName(objPath);
  writer.DXFFileName = name;
  AbandonOnError guard(writer);
  writer.DXFOpen();
  for (size_t i = 0; i < mesh.Fc.size(); ++i) {
    const TFace& f = mesh.Fc[i];
    const Tvertex& A = VertexOf(mesh, f[1], "Fläche", i);
    const Tvertex& B = VertexOf(mesh, f[2], "Fläche", i);
    const Tvertex& C = VertexOf(mesh, f[3], "Fläche", i);
    // x and y exchanged: the drawing is the mesh seen with its axes swapped.
    writer.DXFLinie(A.y, A.x, A.z, B.y, B.x, B.z, "FACE", kLineType);
    writer.DXFLinie(A.y, A.x, A.z, C.y, C.x, C.z, "FACE", kLineType);
    writer.DXFLinie(B.y, B.x, B.z, C.y, C.x, C.z, "FACE", kLineType);
  }
  writer.DXFClose();
}

std::vector<std::string> SeriesLevelTexts(double zmin, double zmax, double dh) {
  if (!(dh > 0)) throw Error("Die Schrittweite muss größer als 0 sein");
  if (std::isnan(zmin) || std::isnan(zmax)) RaiseInvalidOperation();
  const Error tooSmall("Die Schrittweite ist zu klein: mehr als " +
                       std::to_string(kMaxSeriesLevels) + " Schnitte");
  // trunc(-0.5) is -0, and -0 would be written "-0.000"; 0 times an
  // infinite step would be NaN.
  const double whole = std::trunc(zmin / dh);
  double H = whole == 0 ? 0.0 : whole * dh;
  if (!std::isfinite(H)) throw tooSmall;
  // The count is known before any text is made: a huge series is refused at
  // once instead of after a million texts.
  const double estimate = (zmax - H) / dh;
  if (!(estimate < static_cast<double>(kMaxSeriesLevels))) {
    if (H <= zmax) throw tooSmall;
  }
  std::vector<std::string> texts;
  do {
    if (texts.size() >= kMaxSeriesLevels) throw tooSmall;
    texts.push_back(FormatFixed(H, 8, 3));
    const double nextH = H + dh;
    if (nextH == H) throw tooSmall;
    H = nextH;
  } while (!(H > zmax));
  return texts;
}

void WriteSeriesDxf(DxfWriter& writer, std::string_view objPath, const Mesh& mesh,
                    const SectionIndex* index, const std::vector<std::string>& levelTexts,
                    const SeriesLevelDone& levelDone) {
  WriteSeriesDxfThreads(writer, objPath, mesh, index, levelTexts, levelDone, 0);
}

void WriteSeriesDxfThreads(DxfWriter& writer, std::string_view objPath, const Mesh& mesh,
                           const SectionIndex* index, const std::vector<std::string>& levelTexts,
                           const SeriesLevelDone& levelDone, unsigned threads) {
  std::vector<double> levels;
  levels.reserve(levelTexts.size());
  for (const std::string& text : levelTexts) levels.push_back(StrToFloat(text));

  writer.DXFFileName = ObjFolder(objPath) + "Schnitte.dxf";
  AbandonOnError guard(writer);
  writer.DXFOpen();
  const unsigned n = WorkerCount(threads, levels.size());
  if (n <= 1) {
    // One after another on this thread, as the window did it.
    TContour contour;
    for (size_t i = 0; i < levels.size(); ++i) {
      CalculateContour(mesh, levels[i], contour, index);
      WriteContourLines(writer, contour, "S" + levelTexts[i] + "d");
      if (levelDone) levelDone(levelTexts[i], contour);
    }
  } else {
    // The workers cut and format; this thread only puts the bytes in order.
    PrepareInOrder<PreparedLevel>(
        levels.size(), n,
        [&](size_t i, PreparedLevel& level) {
          CalculateContour(mesh, levels[i], level.contour, index);
          level.lines.clear();
          const std::string layer = "S" + levelTexts[i] + "d";
          for (const TLine& l : level.contour.Contours) {
            const TPunkt& P = level.contour.Points[static_cast<size_t>(l.sp)];
            const TPunkt& Q = level.contour.Points[static_cast<size_t>(l.ep)];
            level.lines.DXFLinie(P.X, P.Y, level.contour.Level, Q.X, Q.Y, level.contour.Level,
                                 layer, kLineType);
          }
        },
        [&](size_t i, const PreparedLevel& level) {
          writer.DXFWrite(level.lines);
          if (levelDone) levelDone(levelTexts[i], level.contour);
        });
  }
  writer.DXFClose();
}

void SchreibBruchkantenDXF(DxfWriter& writer, std::string_view objPath, const Mesh& mesh,
                           const std::vector<Tbruchkante>& Bruchkanten, const StatusFn& status) {
  writer.DXFFileName = ObjFolder(objPath) + "Bruchkanten.dxf";
  if (status) {
    status(std::to_string(Bruchkanten.size()) + " Kanten gefunden schreibe " + writer.DXFFileName,
           true);
  }
  AbandonOnError guard(writer);
  writer.DXFOpen();
  for (size_t k = 0; k < Bruchkanten.size(); ++k) {
    const Tvertex& A = VertexOf(mesh, Bruchkanten[k][0], "Bruchkante", k);
    const Tvertex& B = VertexOf(mesh, Bruchkanten[k][1], "Bruchkante", k);
    writer.DXFLinie(A.x, A.y, A.z, B.x, B.y, B.z, "Bruchkante", kLineType);
  }
  writer.DXFClose();
  if (status) status("Fertig!", true);
}

}  // namespace quervik
