#include "app/dxf_exports.h"

#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstddef>
#include <cstdint>
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

// Refuses a target that is the OBJ file itself, also through a link or
// another name of the same file: the export would replace the mesh on disk by
// a drawing of it.
void RefuseOwnInput(std::string_view objPath, const std::string& target) {
  if (objPath.empty() || objPath.find('\0') != std::string_view::npos) return;
  struct stat in {};
  struct stat out {};
  if (::stat(std::string(objPath).c_str(), &in) != 0 || ::stat(target.c_str(), &out) != 0) return;
  if (in.st_dev == out.st_dev && in.st_ino == out.st_ino) {
    throw Error("Die DXF-Datei würde die OBJ-Datei überschreiben: " + target);
  }
}

// File sizes in bytes, saturating instead of wrapping around.
std::uintmax_t AddSize(std::uintmax_t a, std::uintmax_t b) {
  return a > UINTMAX_MAX - b ? UINTMAX_MAX : a + b;
}
std::uintmax_t MulSize(std::uintmax_t a, std::uintmax_t b) {
  return b != 0 && a > UINTMAX_MAX / b ? UINTMAX_MAX : a * b;
}

// Refuses, before any file is touched, a drawing of `bytes` bytes that the
// disk cannot hold, with the error a full disk gives while writing
// ("E/A-Fehler 28"), instead of filling the disk first.
void RefuseIfNoRoom(const DxfWriter& writer, std::uintmax_t bytes) {
  if (!writer.DXFFits(bytes)) RaiseFileError(ENOSPC, writer.DXFFileName);
}

// The series file holds, per level, its segments on the level's layer
// "S" + text + "d". Cheap first: at most the faces the section index looks
// at per level (a few steps per level); only when that bound does not fit
// are the segments counted exactly (a sort of the faces' heights, then two
// binary searches per level), which is still far less than cutting them.
void RefuseSeriesIfNoRoom(const DxfWriter& writer, const Mesh& mesh, const SectionIndex* index,
                          const std::vector<double>& levels,
                          const std::vector<std::string>& levelTexts) {
  const size_t lineOnEmptyLayer = DxfLineRecordSize("", kLineType);
  auto fileSize = [&](auto&& linesAt) {
    std::uintmax_t bytes = kDxfFrameSize;
    for (size_t i = 0; i < levels.size(); ++i) {
      const size_t line = lineOnEmptyLayer + levelTexts[i].size() + 2;
      bytes = AddSize(bytes, MulSize(linesAt(levels[i]), line));
    }
    return bytes;
  };
  const bool indexed = index && index->Serves(mesh);
  const size_t faces = mesh.Fc.empty() ? 0 : mesh.Fc.size() - 1;
  const std::uintmax_t bound =
      fileSize([&](double level) { return indexed ? index->CandidateBound(level) : faces; });
  if (writer.DXFFits(bound)) return;
  const SectionLineCount count(mesh);
  RefuseIfNoRoom(writer, fileSize([&](double level) { return count.At(level); }));
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
  // The blanks that a number may carry around it (a padded level such as
  // "   3.000") are not part of the name.
  const size_t first = levelText.find_first_not_of(' ');
  levelText = first == std::string_view::npos
                  ? std::string_view{}
                  : levelText.substr(first, levelText.find_last_not_of(' ') - first + 1);
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
  RefuseOwnInput(objPath, writer.DXFFileName);
  const std::string layer = "SCHNITT" + std::string(levelText);
  RefuseIfNoRoom(writer, AddSize(kDxfFrameSize, MulSize(contour.Contours.size(),
                                                        DxfLineRecordSize(layer, kLineType))));
  AbandonOnError guard(writer);
  writer.DXFOpen();
  WriteContourLines(writer, contour, layer);
  writer.DXFClose();
}

void WriteMeshDxf(DxfWriter& writer, std::string_view objPath, const Mesh& mesh) {
  const std::string name = MeshDxfFileName(objPath);
  writer.DXFFileName = name;
  RefuseOwnInput(objPath, name);
  const size_t faces = mesh.Fc.empty() ? 0 : mesh.Fc.size() - 1;
  RefuseIfNoRoom(writer, AddSize(kDxfFrameSize, MulSize(3 * std::uintmax_t{faces},
                                                        DxfLineRecordSize("FACE", kLineType))));
  AbandonOnError guard(writer);
  writer.DXFOpen();
  // Slot 0 is the placeholder, not a face: its three zero-length lines at
  // the origin would stretch the drawing's extent to (0, 0, 0).
  for (size_t i = 1; i < mesh.Fc.size(); ++i) {
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
  const Error tooMany("Die Schrittweite ist zu klein: mehr als " +
                      std::to_string(kMaxSeriesLevels) + " Schnitte");
  auto stepLost = [](double h) {
    return Error("Die Schrittweite ist zu klein: sie ändert die Höhe " + FormatFixed(h, 0, 3) +
                 " nicht");
  };
  // The layer names show three decimals: two levels closer than that would
  // put their sections on one layer.
  auto sharedLayer = [](const std::string& text) {
    return Error("Die Schrittweite ist zu klein: zwei Schnitte kämen auf denselben Layer 'S" +
                 text + "d'");
  };
  // trunc(-0.5) is -0, and -0 would be written "-0.000"; 0 times an
  // infinite step would be NaN.
  const double whole = std::trunc(zmin / dh);
  double H = whole == 0 ? 0.0 : whole * dh;
  if (!std::isfinite(H)) throw tooMany;
  // The count is known before any text is made: a huge series is refused at
  // once instead of after a million texts. A step lost against the heights,
  // or so small that the first levels share a layer, is named as such: that,
  // more than the count, is what the user has to mend.
  const double estimate = (zmax - H) / dh;
  if (!(estimate < static_cast<double>(kMaxSeriesLevels)) && H <= zmax) {
    const double far = std::fabs(H) >= std::fabs(zmax) ? H : zmax;
    if (far + dh == far) throw stepLost(far);
    std::string previous = FormatFixed(H, 8, 3);
    for (int k = 1; k < 3; ++k) {
      std::string text = FormatFixed(H + k * dh, 8, 3);
      if (text == previous) throw sharedLayer(text);
      previous = std::move(text);
    }
    throw tooMany;
  }
  std::vector<std::string> texts;
  do {
    if (texts.size() >= kMaxSeriesLevels) throw tooMany;
    std::string text = FormatFixed(H, 8, 3);
    // The levels rise, so equal texts follow each other.
    if (!texts.empty() && text == texts.back()) throw sharedLayer(text);
    texts.push_back(std::move(text));
    const double nextH = H + dh;
    if (nextH == H) throw stepLost(H);
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
  RefuseOwnInput(objPath, writer.DXFFileName);
  RefuseSeriesIfNoRoom(writer, mesh, index, levels, levelTexts);
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
                           const std::vector<Tbruchkante>& Bruchkanten, const StatusFn& status,
                           size_t skippedFaces) {
  writer.DXFFileName = ObjFolder(objPath) + "Bruchkanten.dxf";
  RefuseOwnInput(objPath, writer.DXFFileName);
  if (status) {
    status(std::to_string(Bruchkanten.size()) + " Kanten gefunden schreibe " + writer.DXFFileName,
           true);
  }
  RefuseIfNoRoom(writer,
                 AddSize(kDxfFrameSize,
                         MulSize(Bruchkanten.size(), DxfLineRecordSize("Bruchkante", kLineType))));
  AbandonOnError guard(writer);
  writer.DXFOpen();
  for (size_t k = 0; k < Bruchkanten.size(); ++k) {
    const Tvertex& A = VertexOf(mesh, Bruchkanten[k][0], "Bruchkante", k);
    const Tvertex& B = VertexOf(mesh, Bruchkanten[k][1], "Bruchkante", k);
    writer.DXFLinie(A.x, A.y, A.z, B.x, B.y, B.z, "Bruchkante", kLineType);
  }
  writer.DXFClose();
  if (status) {
    status(skippedFaces == 0 ? std::string("Fertig!") : "Fertig! " + SkippedFacesText(skippedFaces),
           true);
  }
}

}  // namespace quervik
