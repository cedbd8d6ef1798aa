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
#include "model/obj_tokens.h"
#include "model/polygon_split.h"

namespace quervik {

namespace {

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

// A face corner that names no vertex, kept to report the first one in the
// file: its line, its place on the line and the number as written.
struct BadCorner {
  std::int64_t line = 0;
  std::int64_t place = 0;
  std::int64_t written = 0;

  bool Before(const BadCorner& other) const {
    return line != other.line ? line < other.line : place < other.place;
  }
};

// A face that refuses the file as soon as it is read, with the user's text.
struct FaceProblem {
  BadCorner where;
  std::string text;
};

// Text from the file for a message: printable ASCII as it is, any other
// byte as '?', cut after 24 characters.
std::string Quoted(std::string_view text) {
  constexpr size_t kShown = 24;
  std::string out;
  for (size_t i = 0; i < text.size() && i < kShown; ++i) {
    const char c = text[i];
    out += c >= ' ' && c <= '~' ? c : '?';
  }
  if (text.size() > kShown) out += "...";
  return out;
}

std::string LinePrefix(std::int64_t line) {
  return "Zeile " + std::to_string(line) + ": ";
}

// Parses complete lines into a mesh. Knows nothing of files and blocks.
class ObjLineParser {
 public:
  // `fileBytes` bounds the room reserved ahead.
  ObjLineParser(Mesh& mesh, std::uint64_t fileBytes, ObjReadReport& report)
      : mesh_(mesh), fileBytes_(fileBytes), report_(report) {}

  // One line without its line end.
  void Line(const char* p, const char* end) {
    ++line_;
    if (end - p < 2) return;
    const char c0 = p[0];
    const char c1 = p[1];
    if (c0 == 'v' && c1 == ' ') {
      mesh_.V.push_back(ReadVertexValues(p, end, true));
    } else if (c0 == 'f' && c1 == ' ') {
      ReadFace(p, end);
    } else if (c0 == 'v' && c1 == 'n') {
      const Tvertex t = ReadVertexValues(p, end, false);
      mesh_.Vn.push_back(Tvect3D{t.x, t.y, t.z});
    }
  }

  // Whether any number token was read, and whether the last one held a comma:
  // the process-wide separator stays as that last token set it.
  bool readAnyNumber() const { return anyNumber_; }
  char lastSeparator() const { return lastComma_ ? ',' : '.'; }

  // Raises the error for the first faulty face in the file, if there is one:
  // a corner naming no vertex of the finished file, or a face refused as it
  // was read. Then splits the polygons that had to wait for the vertices
  // their corners name further down.
  void Finish() {
    const std::int64_t n = static_cast<std::int64_t>(mesh_.V.size()) - 1;
    std::optional<FaceProblem> first = problem_;
    // forward_ rises in value, so the first entry beyond n is the first
    // corner in the file that names a vertex beyond the end.
    for (const BadCorner& f : forward_) {
      if (f.written > n) {
        if (!first || f.Before(first->where)) {
          first = FaceProblem{
              f, LinePrefix(f.line) + "Eckpunkt " + std::to_string(f.written) + " existiert nicht"};
        }
        break;
      }
    }
    if (first) throw Error(first->text);
    for (const auto& [slot, corners] : waiting_) SplitPolygon(slot, corners);
  }

 private:
  Tvertex ReadVertexValues(const char* p, const char* end, bool counted) {
    objtok::NextToken(p, end);  // the keyword
    bool comma = false;
    bool ok[3] = {true, true, true};
    Tvertex v;
    v.x = objtok::NextFloat(p, end, comma, ok[0]);
    v.y = objtok::NextFloat(p, end, comma, ok[1]);
    v.z = objtok::NextFloat(p, end, comma, ok[2]);
    anyNumber_ = true;
    lastComma_ = comma;
    if (counted && !(ok[0] && ok[1] && ok[2])) NoteUnreadable(3 - ok[0] - ok[1] - ok[2]);
    return v;
  }

  void NoteUnreadable(int count) {
    report_.unreadableNumbers += count;
    ++report_.linesWithUnreadable;
    std::vector<std::int64_t>& lines = report_.unreadableLines;
    if (lines.size() < ObjReadReport::kListedLines) lines.push_back(line_);
  }

  // The corners become the fan (c1,c2,c3), (c1,c3,c4), … as they are read;
  // a polygon that is not convex has its slots rewritten once the vertices
  // it names are known.
  void ReadFace(const char* p, const char* end) {
    if (problem_) return;  // refused already; only later vertices still count
    if (mesh_.Fc.size() == 1) ReserveFaces();
    objtok::NextToken(p, end);  // the keyword
    const size_t slot = mesh_.Fc.size();
    const std::int64_t defined = static_cast<std::int64_t>(mesh_.V.size()) - 1;
    bool ahead = false;
    TFace face;
    std::int64_t k = 0;
    for (;;) {
      while (p < end && *p == ' ') ++p;
      if (p == end || *p == '#') break;
      const char* token = p;
      const std::int32_t written = objtok::NextCorner(p, end);
      ++k;
      if (written == 0) {
        RefuseCorner(std::string_view(token, static_cast<size_t>(p - token)), k);
        return;
      }
      const std::int32_t corner = Resolve(written, defined, k, ahead);
      if (problem_) return;
      if (k <= 2) {
        face[static_cast<int>(k)] = corner;
      } else {
        if (k > 3) face[2] = face[3];
        face[3] = corner;
        mesh_.Fc.push_back(face);
      }
    }
    if (k < 3) {
      Refuse(k + 1, LinePrefix(line_) + "Fläche mit weniger als 3 Eckpunkten");
    } else if (k > 3) {
      if (ahead) {
        waiting_.emplace_back(slot, k);
      } else {
        SplitPolygon(slot, k);
      }
    }
  }

  // Gathers the corners of the polygon whose fan starts at `slot` and
  // writes its triangles over the fan.
  void SplitPolygon(size_t slot, std::int64_t k) {
    corners_.clear();
    points_.clear();
    corners_.push_back(mesh_.Fc[slot][1]);
    corners_.push_back(mesh_.Fc[slot][2]);
    for (std::int64_t t = 0; t < k - 2; ++t) {
      corners_.push_back(mesh_.Fc[slot + static_cast<size_t>(t)][3]);
    }
    for (const std::int32_t c : corners_) points_.push_back(mesh_.V[static_cast<size_t>(c)]);
    if (splitter_.GivesFan(points_)) return;  // the fan is in place
    splitter_.Split(points_, triangles_);
    for (size_t t = 0; t < triangles_.size(); ++t) {
      TFace& f = mesh_.Fc[slot + t];
      for (int j = 0; j < 3; ++j) f[j + 1] = corners_[triangles_[t][static_cast<size_t>(j)]];
    }
  }

  void Refuse(std::int64_t place, std::string text) {
    problem_ = FaceProblem{BadCorner{line_, place, 0}, std::move(text)};
  }

  // A corner whose vertex number is 0, beyond the 32-bit range or no
  // integer at all.
  void RefuseCorner(std::string_view token, std::int64_t place) {
    const std::string_view part = objtok::CornerVertexPart(token);
    if (objtok::IsWrittenInteger(part)) {
      Refuse(place, LinePrefix(line_) + "Eckpunkt " + Quoted(part) + " existiert nicht");
    } else {
      Refuse(place, LinePrefix(line_) + "'" + Quoted(token) + "' ist keine gültige Eckpunktnummer");
    }
  }

  // Files list their vertices before their faces, and a triangle mesh has
  // about twice as many faces as vertices (a closed one exactly 2V - 4), so
  // at the first face there is room made for that many; a face line takes at
  // least 8 bytes ("f 1 2 3\n"), which bounds the guess by the file size.
  void ReserveFaces() {
    const std::uint64_t guess = 2 * static_cast<std::uint64_t>(mesh_.V.size());
    const std::uint64_t bound = fileBytes_ / 8 + 1;
    mesh_.Fc.reserve(static_cast<size_t>(guess < bound ? guess : bound) + 1);
  }

  // A negative number counts back from the last vertex defined so far (-1 is
  // that vertex). A positive number may name a vertex defined further down
  // (`ahead` is set then); whether it exists is known only at the end of the
  // file, so the corners that run ahead of the vertices read so far are
  // noted, each only when it reaches further than all noted before: the
  // first corner beyond the final count is always among them, and a
  // well-ordered file notes none.
  std::int32_t Resolve(std::int32_t written, std::int64_t defined, std::int64_t place,
                       bool& ahead) {
    if (written < 0) {
      const std::int64_t index = defined + 1 + written;
      if (index >= 1) return static_cast<std::int32_t>(index);
      Refuse(place, LinePrefix(line_) + "Eckpunkt " + std::to_string(written) + " existiert nicht");
      return 0;
    }
    if (written > defined) {
      ahead = true;
      if (written > forwardMax_) {
        forward_.push_back(BadCorner{line_, place, written});
        forwardMax_ = written;
      }
    }
    return written;
  }

  Mesh& mesh_;
  std::uint64_t fileBytes_;
  ObjReadReport& report_;
  std::int64_t line_ = 0;
  bool anyNumber_ = false;
  bool lastComma_ = false;
  std::optional<FaceProblem> problem_;
  std::vector<BadCorner> forward_;
  std::int64_t forwardMax_ = 0;
  // Polygons naming vertices further down: first slot and corner count.
  std::vector<std::pair<size_t, std::int64_t>> waiting_;
  // Working memory of SplitPolygon, kept from polygon to polygon.
  PolygonSplitter splitter_;
  std::vector<std::int32_t> corners_;
  std::vector<Tvertex> points_;
  std::vector<PolygonTriangle> triangles_;
};

// Sets the process-wide separator as the number tokens of the lines read so
// far left it, however the load ends.
class SeparatorOnExit {
 public:
  explicit SeparatorOnExit(const ObjLineParser& parser) : parser_(parser) {}
  SeparatorOnExit(const SeparatorOnExit&) = delete;
  SeparatorOnExit& operator=(const SeparatorOnExit&) = delete;
  ~SeparatorOnExit() {
    if (parser_.readAnyNumber()) SetDecimalSeparator(parser_.lastSeparator());
  }

 private:
  const ObjLineParser& parser_;
};

// Hands the complete lines of [p, stop) to the parser; stop - 1 is a line
// feed.
void ParseLines(ObjLineParser& parser, const char* p, const char* stop) {
  while (p < stop) {
    const char* lf = static_cast<const char*>(std::memchr(p, '\n', static_cast<size_t>(stop - p)));
    const char* end = lf;
    if (end > p && end[-1] == '\r') --end;
    parser.Line(p, end);
    p = lf + 1;
  }
}

// Hands the lines of [p, stop) to the parser, each ended by a carriage
// return: a file without any line feed was written with carriage returns
// alone. A last line without one counts when it is not empty.
void ParseCrLines(ObjLineParser& parser, const char* p, const char* stop) {
  while (p < stop) {
    const char* cr = static_cast<const char*>(std::memchr(p, '\r', static_cast<size_t>(stop - p)));
    const char* end = cr != nullptr ? cr : stop;
    parser.Line(p, end);
    p = end + 1;
  }
}

// Hands the lines of the text's end to the parser: [p, end) holds what
// follows its last line feed (or the whole text when `sawLineFeed` is false).
void ParseTail(ObjLineParser& parser, const char* p, const char* end, bool sawLineFeed) {
  if (p == end) return;
  if (!sawLineFeed && std::memchr(p, '\r', static_cast<size_t>(end - p)) != nullptr) {
    ParseCrLines(parser, p, end);
  } else {
    // The last line has no line feed; a carriage return ending the file is
    // dropped as it would be before a line feed.
    if (end[-1] == '\r') --end;
    parser.Line(p, end);
  }
}

// A mesh with its placeholder slots, for the parser to fill.
Mesh EmptyReadMesh() {
  Mesh mesh;
  mesh.V.assign(1, Tvertex{});
  mesh.Fc.assign(1, TFace{});
  mesh.Vn.assign(1, Tvect3D{});
  return mesh;
}

// The checks that need the whole text, then the range and a new version.
void Complete(ObjLineParser& parser, Mesh& mesh, std::string_view name) {
  parser.Finish();
  if (mesh.Fc.size() == 1) {
    throw Error("Die Datei '" + std::string(name) +
                "' enthält keine Flächen und ist kein Dreiecksnetz im OBJ-Format");
  }
  ZMinMax(mesh);
  mesh.version = NewMeshVersion();
}

constexpr size_t kBlockBytes = size_t{1} << 20;

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
  const std::uint64_t fileBytes = static_cast<std::uint64_t>(st.st_size);
  ::posix_fadvise(fd, 0, 0, POSIX_FADV_SEQUENTIAL);

  Mesh mesh = EmptyReadMesh();
  ObjReadReport ownReport;
  ObjReadReport& readReport = report != nullptr ? *report : ownReport;
  readReport = ObjReadReport{};
  ObjLineParser parser(mesh, fileBytes, readReport);
  SeparatorOnExit separatorOnExit(parser);

  // The buffer holds the unfinished line carried over from the last block
  // followed by the new block; it grows only for a line longer than itself
  // (and so holds the whole file when it has no line feed).
  size_t capacity = kBlockBytes;
  std::unique_ptr<char[]> buffer(new char[capacity]);
  size_t held = 0;
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
    if (held == capacity) {
      const size_t grown = capacity * 2;
      std::unique_ptr<char[]> bigger(new char[grown]);
      std::memcpy(bigger.get(), buffer.get(), held);
      buffer = std::move(bigger);
      capacity = grown;
    }
    const ssize_t got = ::read(fd, buffer.get() + held, capacity - held);
    if (got < 0) {
      if (errno == EINTR) continue;
      RaiseFileError(errno, path);
    }
    if (got == 0) break;
    const char* fresh = buffer.get() + held;
    held += static_cast<size_t>(got);
    bytesRead += static_cast<std::uint64_t>(got);

    const void* lastLf = ::memrchr(fresh, '\n', static_cast<size_t>(got));
    if (lastLf != nullptr) {
      sawLineFeed = true;
      const char* stop = static_cast<const char*>(lastLf) + 1;
      ParseLines(parser, buffer.get(), stop);
      const size_t done = static_cast<size_t>(stop - buffer.get());
      std::memmove(buffer.get(), stop, held - done);
      held -= done;
    }
    if (fileBytes > 0) {
      const std::uint64_t percent = bytesRead >= fileBytes ? 100 : bytesRead * 100 / fileBytes;
      reportProgress(static_cast<int>(percent));
    }
  }
  ParseTail(parser, buffer.get(), buffer.get() + held, sawLineFeed);
  reportProgress(100);
  Complete(parser, mesh, path);
  return mesh;
}

Mesh ParseObj(std::string_view text, std::string_view name, ObjReadReport* report) {
  Mesh mesh = EmptyReadMesh();
  ObjReadReport ownReport;
  ObjReadReport& readReport = report != nullptr ? *report : ownReport;
  readReport = ObjReadReport{};
  ObjLineParser parser(mesh, text.size(), readReport);
  SeparatorOnExit separatorOnExit(parser);
  const char* p = text.data();
  const char* end = p + text.size();
  const void* lastLf = text.empty() ? nullptr : ::memrchr(p, '\n', text.size());
  if (lastLf != nullptr) {
    const char* stop = static_cast<const char*>(lastLf) + 1;
    ParseLines(parser, p, stop);
    p = stop;
  }
  ParseTail(parser, p, end, lastLf != nullptr);
  Complete(parser, mesh, name);
  return mesh;
}

}  // namespace quervik
