#include "app/dxf_exports.h"

#include <sys/stat.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <exception>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

#include "app/export_files.h"
#include "core/errors.h"
#include "core/number_format.h"
#include "core/prepare_in_order.h"
#include "core/progress.h"
#include "dxf/dxf_writer.h"

namespace quervik {

namespace {

constexpr const char* kLineType = "CONTINUOUS";

// How often the exports report their progress: every this many entities.
constexpr std::size_t kProgressStep = std::size_t{1} << 14;

// A series of at least this many levels cuts with a section index, built by
// itself when the caller has none: the index costs about as much as two
// sections cut without it.
constexpr std::size_t kLevelsWorthAnIndex = 4;

// The progress of an export of `total` steps: (0, total) at once, then
// At(done) every kProgressStep steps, and End() with (total, total).
class Steps {
 public:
  Steps(const ProgressFn& progress, std::size_t total) : progress_(progress), total_(total) {
    if (progress_) progress_(0, total_);
  }
  void At(std::size_t done) {
    if (done % kProgressStep == 0 && done != 0 && progress_) progress_(done, total_);
  }
  void End() {
    if (progress_) progress_(total_, total_);
  }

 private:
  const ProgressFn& progress_;
  const std::size_t total_;
};

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

// LINEs formatted straight into the blocks of a stream, byte for byte as
// DxfWriter::DXFLinie writes them.
class BlockLines {
 public:
  explicit BlockLines(BlockOut& out) : out_(out) {}
  void DXFLinie(double x1, double y1, double z1, double x2, double y2, double z2,
                std::string_view Layer, std::string_view LTyp) {
    const std::size_t need = DxfLineRecordSize(Layer, LTyp);
    if (need <= BlockOut::kBlockSize) {
      out_.Advance(PutDxfLine(out_.Room(need), x1, y1, z1, x2, y2, z2, Layer, LTyp));
      return;
    }
    // A level text of hundreds of kilobytes: formatted apart, then split.
    DxfLineBuffer one;
    one.DXFLinie(x1, y1, z1, x2, y2, z2, Layer, LTyp);
    out_.Append(one.bytes());
  }

 private:
  BlockOut& out_;
};

// One level of a series, kept until the level is written (for levelDone).
struct PreparedLevel {
  TContour contour;
};

// The section a worker thread cuts its levels into when nobody needs them
// after their lines are made: one per worker, reused from level to level,
// instead of one per level in flight (at 20 million faces a section holds
// about 20 MB). Freed when the worker ends with the export.
TContour& WorkerSection() {
  thread_local TContour contour;
  return contour;
}

// The section index a series cuts with: the caller's, or its own for a
// series of many levels. With worker threads its own is built on a thread of
// its own while the first levels are cut without it, by all workers but one
// (that one waits for the index, so the builder has a processor); one after
// another it is built at once.
class SeriesIndex {
 public:
  SeriesIndex(const Mesh& mesh, const SectionIndex* given, std::size_t levels, unsigned workers)
      : given_(given) {
    if ((given && given->Serves(mesh)) || levels < kLevelsWorthAnIndex) return;
    given_ = nullptr;
    if (workers <= 1) {
      own_.emplace(SectionIndex::Build(mesh));
      ready_.store(&*own_, std::memory_order_release);
      return;
    }
    maxPlain_ = workers - 1;
    builder_ = std::thread([this, &mesh] {
      std::exception_ptr failure;
      try {
        own_.emplace(SectionIndex::Build(mesh));
      } catch (...) {
        failure = std::current_exception();
      }
      std::lock_guard lock(mutex_);
      failure_ = failure;
      if (own_) ready_.store(&*own_, std::memory_order_release);
      done_ = true;
      built_.notify_all();
    });
    building_ = true;  // read by the workers, which start after this
  }
  ~SeriesIndex() {
    if (builder_.joinable()) builder_.join();
  }
  SeriesIndex(const SeriesIndex&) = delete;
  SeriesIndex& operator=(const SeriesIndex&) = delete;

  // The index complete (a failure of its build raised here), or null when
  // the levels are cut without one.
  const SectionIndex* Complete() {
    if (!building_) return Ready();
    std::unique_lock lock(mutex_);
    built_.wait(lock, [this] { return done_; });
    if (failure_) std::rethrow_exception(failure_);
    return Ready();
  }

  // The index for one section, held while it is cut.
  class Use {
   public:
    explicit Use(SeriesIndex& ix) : ix_(ix), index_(ix.Ready()) {
      if (index_ || !ix.building_) return;
      std::unique_lock lock(ix.mutex_);
      if (!ix.done_ && ix.plain_ < ix.maxPlain_) {
        ++ix.plain_;
        plain_ = true;
        return;
      }
      ix.built_.wait(lock, [&] { return ix.done_; });
      index_ = ix.Ready();
    }
    ~Use() {
      if (!plain_) return;
      std::lock_guard lock(ix_.mutex_);
      --ix_.plain_;
    }
    Use(const Use&) = delete;
    Use& operator=(const Use&) = delete;
    const SectionIndex* get() const { return index_; }

   private:
    SeriesIndex& ix_;
    const SectionIndex* index_;
    bool plain_ = false;
  };

 private:
  const SectionIndex* Ready() const {
    const SectionIndex* own = ready_.load(std::memory_order_acquire);
    return own ? own : given_;
  }

  const SectionIndex* given_;
  std::optional<SectionIndex> own_;
  std::atomic<const SectionIndex*> ready_{nullptr};
  bool building_ = false;
  unsigned maxPlain_ = 0;
  std::mutex mutex_;
  std::condition_variable built_;
  bool done_ = false;
  unsigned plain_ = 0;  // workers cutting without the index just now
  std::exception_ptr failure_;
  std::thread builder_;
};

}  // namespace

std::string SchreibDXF(std::string_view objPath, std::string_view levelText,
                       const TContour& contour, const ExportSettings& settings,
                       const ProgressFn& progress) {
  DxfWriter writer;
  writer.DXFFileName = SectionDxfFileName(objPath, levelText);
  RefuseOwnInput(objPath, writer.DXFFileName);
  const std::string layer = "SCHNITT" + std::string(levelText);
  RefuseIfNoRoom(
      writer.DXFFileName,
      AddSize(kDxfFrameSize, MulSize(contour.Contours.size(), DxfLineRecordSize(layer, kLineType))),
      settings);
  Steps steps(progress, contour.Contours.size());
  writer.DXFOpen();
  for (std::size_t k = 0; k < contour.Contours.size(); ++k) {
    steps.At(k);
    const TLine& l = contour.Contours[k];
    const TPunkt& P = contour.Points[static_cast<std::size_t>(l.sp)];
    const TPunkt& Q = contour.Points[static_cast<std::size_t>(l.ep)];
    writer.DXFLinie(P.X, P.Y, contour.Level, Q.X, Q.Y, contour.Level, layer, kLineType);
  }
  steps.End();
  writer.DXFClose();
  return writer.DXFFileName;
}

std::string WriteMeshDxf(std::string_view objPath, const Mesh& mesh, const ExportSettings& settings,
                         const ProgressFn& progress) {
  DxfWriter writer;
  writer.DXFFileName = MeshDxfFileName(objPath);
  RefuseOwnInput(objPath, writer.DXFFileName);
  const std::size_t faces = mesh.Fc.empty() ? 0 : mesh.Fc.size() - 1;
  RefuseIfNoRoom(writer.DXFFileName,
                 AddSize(kDxfFrameSize,
                         MulSize(3 * std::uintmax_t{faces}, DxfLineRecordSize("FACE", kLineType))),
                 settings);
  Steps steps(progress, faces);
  writer.DXFOpen();
  // Slot 0 is the placeholder, not a face: its three zero-length lines at
  // the origin would stretch the drawing's extent to (0, 0, 0).
  for (std::size_t i = 1; i < mesh.Fc.size(); ++i) {
    steps.At(i - 1);
    const TFace& f = mesh.Fc[i];
    const Tvertex& A = VertexOf(mesh, f[1], "Fläche", i);
    const Tvertex& B = VertexOf(mesh, f[2], "Fläche", i);
    const Tvertex& C = VertexOf(mesh, f[3], "Fläche", i);
    // x and y exchanged: the drawing is the mesh seen with its axes swapped.
    writer.DXFLinie(A.y, A.x, A.z, B.y, B.x, B.z, "FACE", kLineType);
    writer.DXFLinie(A.y, A.x, A.z, C.y, C.x, C.z, "FACE", kLineType);
    writer.DXFLinie(B.y, B.x, B.z, C.y, C.x, C.z, "FACE", kLineType);
  }
  steps.End();
  writer.DXFClose();
  return writer.DXFFileName;
}

std::string WriteSeriesDxf(std::string_view objPath, const Mesh& mesh, const SectionIndex* index,
                           const std::vector<std::string>& levelTexts,
                           const SeriesLevelDone& levelDone, const ExportSettings& settings,
                           const ProgressFn& progress) {
  std::vector<double> levels;
  levels.reserve(levelTexts.size());
  for (const std::string& text : levelTexts) levels.push_back(StrToFloat(text));

  DxfWriter writer;
  writer.DXFFileName = SeriesDxfFileName(objPath);
  RefuseOwnInput(objPath, writer.DXFFileName);

  // The workers start at once, cutting without an index while it is built;
  // the file is opened once the index gives its size.
  const unsigned n = WorkerCount(settings.threads, levels.size());
  SeriesIndex sections(mesh, index, levels.size(), n);
  InOrderStream<PreparedLevel> stream(
      levels.size(), n, kSeriesAheadBytesPerThread * std::max(1u, n),
      [&](std::size_t i, PreparedLevel& level, BlockOut& out) {
        TContour& contour = levelDone || n <= 1 ? level.contour : WorkerSection();
        {
          const SeriesIndex::Use use(sections);
          CalculateContour(mesh, levels[i], contour, use.get());
        }
        BlockLines lines(out);
        PutSection(lines, contour, "S" + levelTexts[i] + "d");
      });
  RefuseSeriesIfNoRoom(writer.DXFFileName, mesh, sections.Complete(), levels, levelTexts, settings);
  const bool discard = settings.discardBytes;
  if (progress) progress(0, levels.size());
  if (!discard) writer.DXFOpen();
  stream.WriteAll(
      [&](std::string_view bytes) {
        if (!discard) writer.DXFWrite(bytes);
      },
      [&](std::size_t i, const PreparedLevel& level) {
        if (levelDone) levelDone(levelTexts[i], level.contour);
        if (progress) progress(i + 1, levels.size());
      });
  if (!discard) writer.DXFClose();
  return writer.DXFFileName;
}

std::string SchreibBruchkantenDXF(std::string_view objPath, const Mesh& mesh,
                                  const std::vector<Tbruchkante>& Bruchkanten,
                                  const ExportSettings& settings, const ProgressFn& progress) {
  DxfWriter writer;
  writer.DXFFileName = BruchkantenDxfFileName(objPath);
  RefuseOwnInput(objPath, writer.DXFFileName);
  RefuseIfNoRoom(writer.DXFFileName,
                 AddSize(kDxfFrameSize,
                         MulSize(Bruchkanten.size(), DxfLineRecordSize("Bruchkante", kLineType))),
                 settings);
  Steps steps(progress, Bruchkanten.size());
  writer.DXFOpen();
  for (std::size_t k = 0; k < Bruchkanten.size(); ++k) {
    steps.At(k);
    const Tvertex& A = VertexOf(mesh, Bruchkanten[k][0], "Bruchkante", k);
    const Tvertex& B = VertexOf(mesh, Bruchkanten[k][1], "Bruchkante", k);
    writer.DXFLinie(A.x, A.y, A.z, B.x, B.y, B.z, "Bruchkante", kLineType);
  }
  steps.End();
  writer.DXFClose();
  return writer.DXFFileName;
}

}  // namespace quervik
