#include "model/obj_reader.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <charconv>
#include <cstring>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "core/errors.h"
#include "core/number_format.h"
#include "model/obj_lines.h"
#include "model/obj_pieces.h"

namespace quervik {

namespace {

using objlines::LineBuffer;
using objlines::LineParser;
using objlines::TextSource;

class FileHandle {
 public:
  explicit FileHandle(int fd) : fd_(fd) {}
  FileHandle(const FileHandle&) = delete;
  FileHandle& operator=(const FileHandle&) = delete;
  ~FileHandle() {
    if (fd_ >= 0) ::close(fd_);
  }
  int get() const { return fd_; }

 private:
  int fd_;
};

// Where the reading in one pass puts the records: appended to the mesh.
class AppendOut {
 public:
  // `fileBytes` bounds the room reserved ahead.
  AppendOut(Mesh& mesh, std::uint64_t fileBytes) : mesh_(mesh), fileBytes_(fileBytes) {}

  std::int64_t Defined() const { return static_cast<std::int64_t>(mesh_.V.size()) - 1; }
  void Vertex(const Tvertex& v) { mesh_.V.push_back(v); }
  void Normal(const Tvect3D& n) { mesh_.Vn.push_back(n); }
  void FaceLine() {
    if (mesh_.Fc.size() == 1) ReserveFaces();
  }
  size_t FaceSlot() const { return mesh_.Fc.size(); }
  void Triangle(const TFace& f) { mesh_.Fc.push_back(f); }
  TFace& FaceAt(size_t slot) { return mesh_.Fc[slot]; }
  bool Readable(std::int32_t) const { return true; }
  const Tvertex& VertexAt(std::int32_t c) const { return mesh_.V[static_cast<size_t>(c)]; }

 private:
  // Files list their vertices before their faces, and a triangle mesh has
  // about twice as many faces as vertices (a closed one exactly 2V - 4), so
  // at the first face there is room made for that many; a face line takes at
  // least 8 bytes ("f 1 2 3\n"), which bounds the guess by the file size.
  void ReserveFaces() {
    const std::uint64_t guess = 2 * static_cast<std::uint64_t>(mesh_.V.size());
    const std::uint64_t bound = fileBytes_ / 8 + 1;
    mesh_.Fc.reserve(static_cast<size_t>(guess < bound ? guess : bound) + 1);
  }

  Mesh& mesh_;
  std::uint64_t fileBytes_;
};

// A mesh with its placeholder slots, for the parser to fill.
Mesh EmptyReadMesh() {
  Mesh mesh;
  mesh.V.assign(1, Tvertex{});
  mesh.Fc.assign(1, TFace{});
  mesh.Vn.assign(1, Tvect3D{});
  return mesh;
}

constexpr size_t kBlockBytes = size_t{256} << 10;
constexpr size_t kPieceBytes = size_t{4} << 20;

// The text read line by line in one pass on the calling thread: the reading
// that the reading in pieces must match.
Mesh ReadInOnePass(const TextSource& source, size_t blockBytes, std::string_view name,
                   const ReadProgress& progress, ObjReadReport& report) {
  Mesh mesh = EmptyReadMesh();
  AppendOut out(mesh, source.size());
  LineParser<AppendOut> parser(out, 0, report);

  // The buffer holds the unfinished line carried over from the last block
  // followed by the new block; it grows only for a line longer than itself
  // (and so holds the whole text when it has no line feed).
  LineBuffer buffer(blockBytes);
  bool sawLineFeed = false;
  std::uint64_t bytesRead = 0;
  int lastPercent = -1;
  auto reportProgress = [&](int percent) {
    if (progress && percent != lastPercent) {
      lastPercent = percent;
      progress(percent);
    }
  };
  for (;;) {
    size_t room = 0;
    char* fresh = buffer.Room(room);
    const size_t got = source.ReadAt(bytesRead, fresh, room);
    if (got == 0) break;
    buffer.Added(got);
    bytesRead += got;
    const void* lastLf = ::memrchr(fresh, '\n', got);
    if (lastLf != nullptr) {
      sawLineFeed = true;
      const char* stop = static_cast<const char*>(lastLf) + 1;
      parser.LfLines(buffer.data(), stop);
      buffer.Drop(static_cast<size_t>(stop - buffer.data()));
    }
    if (source.size() > 0) {
      const std::uint64_t size = source.size();
      reportProgress(bytesRead >= size ? 100 : static_cast<int>(bytesRead * 100 / size));
    }
  }
  // What follows the last line feed (or the whole text when it has none).
  const char* p = buffer.data();
  const char* end = p + buffer.held();
  if (p != end) {
    const void* lastCr = sawLineFeed ? nullptr : ::memrchr(p, '\r', buffer.held());
    if (lastCr != nullptr) {
      // No line feed at all: carriage returns end the lines.
      const char* stop = static_cast<const char*>(lastCr) + 1;
      parser.CrLines(p, stop);
      if (stop != end) parser.Line(stop, end);
    } else {
      parser.Line(p, objlines::TailEnd(p, end, '\n'));
    }
  }
  reportProgress(100);
  if (parser.readAnyNumber()) SetDecimalSeparator(parser.lastComma() ? ',' : '.');

  const std::optional<objlines::FaceProblem> error =
      objlines::FirstError(parser.problem(), parser.forward(), out.Defined());
  if (error) throw Error(error->text);
  for (const objlines::Polygon& polygon : parser.later()) parser.SplitPolygon(polygon, false);
  if (mesh.Fc.size() == 1) objlines::RefuseNoFaces(name);
  ZMinMax(mesh);
  mesh.version = NewMeshVersion();
  return mesh;
}

Mesh ReadText(const TextSource& source, const ObjReadPlan& plan, std::string_view name,
              const ReadProgress& progress, ObjReadReport* report) {
  ObjReadReport ownReport;
  ObjReadReport& readReport = report != nullptr ? *report : ownReport;
  readReport = ObjReadReport{};
  const size_t blockBytes = plan.blockBytes != 0 ? plan.blockBytes : kBlockBytes;
  const size_t pieceBytes = plan.pieceBytes != 0 ? plan.pieceBytes : kPieceBytes;
  if (plan.threads == 1 || source.size() <= pieceBytes) {
    return ReadInOnePass(source, blockBytes, name, progress, readReport);
  }
  return objpieces::ReadInPieces(source, plan.threads, pieceBytes, blockBytes, name, progress,
                                 readReport);
}

}  // namespace

std::string UnreadableNumbersWarning(const ObjReadReport& report) {
  const std::int64_t n = report.unreadableNumbers;
  if (n == 0) return {};
  std::string text = std::to_string(n);
  text += n == 1 ? " Koordinate fehlt oder ist keine gültige Zahl und wurde"
                 : " Koordinaten fehlen oder sind keine gültigen Zahlen und wurden";
  text += " als 0 gelesen (";
  text += report.unreadableLines.size() == 1 ? "Zeile " : "Zeilen ";
  for (size_t i = 0; i < report.unreadableLines.size(); ++i) {
    if (i > 0) text += ", ";
    text += std::to_string(report.unreadableLines[i]);
  }
  if (report.linesWithUnreadable > static_cast<std::int64_t>(report.unreadableLines.size())) {
    text += ", ...";
  }
  return text + ")";
}

Mesh ReadMesh(const std::string& path, const ReadProgress& progress, ObjReadReport* report) {
  return ReadMesh(path, ObjReadPlan{}, progress, report);
}

Mesh ReadMesh(const std::string& path, const ObjReadPlan& plan, const ReadProgress& progress,
              ObjReadReport* report) {
  // Opened without waiting, so that a pipe no one writes to cannot block the
  // open itself; only a regular file is read, and blocking reads again.
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
  if (fd < 0) RaiseFileError(errno, path);
  FileHandle file(fd);
  struct stat st {};
  if (::fstat(fd, &st) != 0) RaiseFileError(errno, path);
  if (S_ISDIR(st.st_mode)) RaiseFileError(EISDIR, path);
  // Devices and pipes may never end (/dev/zero) or block forever; a mesh is
  // read from a regular file only.
  if (!S_ISREG(st.st_mode)) RaiseFileError(EACCES, path);
  const int flags = ::fcntl(fd, F_GETFL);
  if (flags < 0 || ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) != 0) RaiseFileError(errno, path);
  ::posix_fadvise(fd, 0, 0, POSIX_FADV_SEQUENTIAL);
  const TextSource source(fd, static_cast<std::uint64_t>(st.st_size), path);
  return ReadText(source, plan, path, progress, report);
}

Mesh ParseObj(std::string_view text, std::string_view name, ObjReadReport* report) {
  return ParseObj(text, ObjReadPlan{}, name, report);
}

Mesh ParseObj(std::string_view text, const ObjReadPlan& plan, std::string_view name,
              ObjReadReport* report) {
  return ReadText(TextSource(text), plan, name, {}, report);
}

}  // namespace quervik
