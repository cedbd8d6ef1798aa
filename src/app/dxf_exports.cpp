#include "app/dxf_exports.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstddef>
#include <cstdint>
#include <string>

#include "app/export_files.h"
#include "core/errors.h"
#include "core/number_format.h"
#include "core/prepare_in_order.h"
#include "dxf/dxf_writer.h"

namespace quervik {

namespace {

constexpr const char* kLineType = "CONTINUOUS";

// The vertex `k` named by entry `entry` of a face or crease list (`what`);
// a number outside V is refused rather than read out of bounds.
const Tvertex& VertexOf(const Mesh& mesh, std::int32_t k, const char* what, std::size_t entry) {
  if (k < 0 || static_cast<std::size_t>(k) >= mesh.V.size()) {
    throw Error(std::string(what) + " " + std::to_string(entry) + " nennt den Eckpunkt " +
                std::to_string(k) + ", den es nicht gibt");
  }
  return mesh.V[static_cast<std::size_t>(k)];
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
void RefuseIfNoRoom(const std::string& target, std::uintmax_t bytes,
                    const ExportSettings& settings) {
  if (!FitsBeside(target, bytes, settings.freeSpace)) RaiseFileError(ENOSPC, target);
}

// The series file holds, per level, its segments on the level's layer
// "S" + text + "d". Cheap first: at most the faces the section index looks
// at per level (a few steps per level); only when that bound does not fit
// are the segments counted exactly (a sort of the faces' heights, then two
// binary searches per level), which is still far less than cutting them.
void RefuseSeriesIfNoRoom(const std::string& target, const Mesh& mesh, const SectionIndex* index,
                          const std::vector<double>& levels,
                          const std::vector<std::string>& levelTexts,
                          const ExportSettings& settings) {
  const std::size_t lineOnEmptyLayer = DxfLineRecordSize("", kLineType);
  auto fileSize = [&](auto&& linesAt) {
    std::uintmax_t bytes = kDxfFrameSize;
    for (std::size_t i = 0; i < levels.size(); ++i) {
      const std::size_t line = lineOnEmptyLayer + levelTexts[i].size() + 2;
      bytes = AddSize(bytes, MulSize(linesAt(levels[i]), line));
    }
    return bytes;
  };
  const bool indexed = index && index->Serves(mesh);
  const std::size_t faces = mesh.Fc.empty() ? 0 : mesh.Fc.size() - 1;
  const std::uintmax_t bound =
      fileSize([&](double level) { return indexed ? index->CandidateBound(level) : faces; });
  if (FitsBeside(target, bound, settings.freeSpace)) return;
  const SectionLineCount count(mesh);
  RefuseIfNoRoom(target, fileSize([&](double level) { return count.At(level); }), settings);
}

// The segments of a section as LINEs at its level (into a writer or a
// buffer: both format the same bytes).
template <typename Out>
void PutSection(Out& out, const TContour& contour, std::string_view layer) {
  for (const TLine& l : contour.Contours) {
    const TPunkt& P = contour.Points[static_cast<std::size_t>(l.sp)];
    const TPunkt& Q = contour.Points[static_cast<std::size_t>(l.ep)];
    out.DXFLinie(P.X, P.Y, contour.Level, Q.X, Q.Y, contour.Level, layer, kLineType);
  }
}

// One level of a series, prepared by a worker: its section and its lines
// already formatted.
struct PreparedLevel {
  TContour contour;
  DxfLineBuffer lines;
};

}  // namespace

std::string SchreibDXF(std::string_view objPath, std::string_view levelText,
                       const TContour& contour, const ExportSettings& settings) {
  DxfWriter writer;
  writer.DXFFileName = SectionDxfFileName(objPath, levelText);
  RefuseOwnInput(objPath, writer.DXFFileName);
  const std::string layer = "SCHNITT" + std::string(levelText);
  RefuseIfNoRoom(
      writer.DXFFileName,
      AddSize(kDxfFrameSize, MulSize(contour.Contours.size(), DxfLineRecordSize(layer, kLineType))),
      settings);
  writer.DXFOpen();
  PutSection(writer, contour, layer);
  writer.DXFClose();
  return writer.DXFFileName;
}

std::string WriteMeshDxf(std::string_view objPath, const Mesh& mesh,
                         const ExportSettings& settings) {
  DxfWriter writer;
  writer.DXFFileName = MeshDxfFileName(objPath);
  RefuseOwnInput(objPath, writer.DXFFileName);
  const std::size_t faces = mesh.Fc.empty() ? 0 : mesh.Fc.size() - 1;
  RefuseIfNoRoom(writer.DXFFileName,
                 AddSize(kDxfFrameSize,
                         MulSize(3 * std::uintmax_t{faces}, DxfLineRecordSize("FACE", kLineType))),
                 settings);
  writer.DXFOpen();
  // Slot 0 is the placeholder, not a face: its three zero-length lines at
  // the origin would stretch the drawing's extent to (0, 0, 0).
  for (std::size_t i = 1; i < mesh.Fc.size(); ++i) {
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
  return writer.DXFFileName;
}

std::string WriteSeriesDxf(std::string_view objPath, const Mesh& mesh, const SectionIndex* index,
                           const std::vector<std::string>& levelTexts,
                           const SeriesLevelDone& levelDone, const ExportSettings& settings) {
  std::vector<double> levels;
  levels.reserve(levelTexts.size());
  for (const std::string& text : levelTexts) levels.push_back(StrToFloat(text));

  DxfWriter writer;
  writer.DXFFileName = SeriesDxfFileName(objPath);
  RefuseOwnInput(objPath, writer.DXFFileName);
  RefuseSeriesIfNoRoom(writer.DXFFileName, mesh, index, levels, levelTexts, settings);
  writer.DXFOpen();
  const unsigned n = WorkerCount(settings.threads, levels.size());
  if (n <= 1) {
    // One after another on this thread, as the window did it.
    TContour contour;
    for (std::size_t i = 0; i < levels.size(); ++i) {
      CalculateContour(mesh, levels[i], contour, index);
      PutSection(writer, contour, "S" + levelTexts[i] + "d");
      if (levelDone) levelDone(levelTexts[i], contour);
    }
  } else {
    // The workers cut and format; this thread only puts the bytes in order.
    PrepareInOrder<PreparedLevel>(
        levels.size(), n,
        [&](std::size_t i, PreparedLevel& level) {
          CalculateContour(mesh, levels[i], level.contour, index);
          level.lines.clear();
          PutSection(level.lines, level.contour, "S" + levelTexts[i] + "d");
        },
        [&](std::size_t i, const PreparedLevel& level) {
          writer.DXFWrite(level.lines);
          if (levelDone) levelDone(levelTexts[i], level.contour);
        });
  }
  writer.DXFClose();
  return writer.DXFFileName;
}

std::string SchreibBruchkantenDXF(std::string_view objPath, const Mesh& mesh,
                                  const std::vector<Tbruchkante>& Bruchkanten,
                                  const ExportSettings& settings) {
  DxfWriter writer;
  writer.DXFFileName = BruchkantenDxfFileName(objPath);
  RefuseOwnInput(objPath, writer.DXFFileName);
  RefuseIfNoRoom(writer.DXFFileName,
                 AddSize(kDxfFrameSize,
                         MulSize(Bruchkanten.size(), DxfLineRecordSize("Bruchkante", kLineType))),
                 settings);
  writer.DXFOpen();
  for (std::size_t k = 0; k < Bruchkanten.size(); ++k) {
    const Tvertex& A = VertexOf(mesh, Bruchkanten[k][0], "Bruchkante", k);
    const Tvertex& B = VertexOf(mesh, Bruchkanten[k][1], "Bruchkante", k);
    writer.DXFLinie(A.x, A.y, A.z, B.x, B.y, B.z, "Bruchkante", kLineType);
  }
  writer.DXFClose();
  return writer.DXFFileName;
}

}  // namespace quervik
