#include "section/plane_section.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <system_error>
#include <thread>

#include "section/z_span_index.h"

namespace quervik {

TLineCut LineCut(double x1, double y1, double x2, double y2, double z1, double z2, double Level) {
  TLineCut cut;
  cut.Found = false;
  if ((z1 <= Level && Level < z2) || (z2 <= Level && Level < z1)) {
    // The fraction is a stored 64-bit value before it scales the edge.
    const double fraction = (z1 - Level) / (z1 - z2);
    cut.ContourPt.X = x1 + (x2 - x1) * fraction;
    cut.ContourPt.Y = y1 + (y2 - y1) * fraction;
    cut.Found = true;
  }
  return cut;
}

void AddContourLine(TContour& contour, PointMerge& merge, const TLineCut& L1, const TLineCut& L2) {
  TLine line;
  line.sp = merge.AddContourPoint(contour, L1.ContourPt);
  line.ep = merge.AddContourPoint(contour, L2.ContourPt);
  line.AE = 0;
  contour.Contours.push_back(line);
}

namespace {

// The segment of face i, if it has one: its start and end crossing.
inline bool FaceSegment(const Mesh& mesh, std::size_t i, double level, TPunkt& P, TPunkt& Q) {
  const Tvertex *A, *B, *C;
  if (!FaceVertices(mesh, i, A, B, C)) return false;
  const TLineCut line1 = LineCut(A->x, A->y, B->x, B->y, A->z, B->z, level);
  const TLineCut line2 = LineCut(B->x, B->y, C->x, C->y, B->z, C->z, level);
  const TLineCut line3 = LineCut(C->x, C->y, A->x, A->y, C->z, A->z, level);
  if (!line1.Found && line2.Found && line3.Found) {
    P = line2.ContourPt;
    Q = line3.ContourPt;
  } else if (!line2.Found && line1.Found && line3.Found) {
    P = line1.ContourPt;
    Q = line3.ContourPt;
  } else if (!line3.Found && line1.Found && line2.Found) {
    P = line1.ContourPt;
    Q = line2.ContourPt;
  } else {
    return false;
  }
  return true;
}

// Segments are gathered and handed to the merge in batches, which lets it
// fetch the table entries of many points at once; it adds them in order,
// so the result is that of adding each segment as its face comes. Finish()
// adds what is left.
class SegmentBatch {
 public:
  SegmentBatch(TContour& contour, PointMerge& merge) : contour_(contour), merge_(merge) {}

  void Add(const TPunkt& P, const TPunkt& Q) {
    points_[n_++] = P;
    points_[n_++] = Q;
    if (n_ == kPoints) Finish();
  }

  void Finish() {
    merge_.AddSegments(contour_, points_, n_);
    n_ = 0;
  }

 private:
  static constexpr std::size_t kPoints = 512;  // start and end of each segment
  TContour& contour_;
  PointMerge& merge_;
  std::size_t n_ = 0;
  TPunkt points_[kPoints];
};

// Cuts the listed faces first … last - 1 in order and hands each segment to
// `add`; fetches faces and vertices some faces ahead, since the listed
// faces lie scattered over Fc and V.
template <class Add>
void CutListed(const Mesh& mesh, const std::vector<std::int32_t>& faces, std::size_t first,
               std::size_t last, double level, Add&& add) {
  constexpr std::size_t kFaceAhead = 32, kVertexAhead = 16;
  const std::size_t n = faces.size();
  TPunkt P, Q;
  for (std::size_t k = first; k < last; ++k) {
    if (k + kFaceAhead < n) {
      __builtin_prefetch(&mesh.Fc[static_cast<std::size_t>(faces[k + kFaceAhead])]);
    }
    if (k + kVertexAhead < n) {
      const TFace& f = mesh.Fc[static_cast<std::size_t>(faces[k + kVertexAhead])];
      for (int c = 1; c <= 3; ++c) {
        const auto v = static_cast<std::size_t>(static_cast<std::uint32_t>(f[c]));
        if (v < mesh.V.size()) __builtin_prefetch(&mesh.V[v]);
      }
    }
    if (FaceSegment(mesh, static_cast<std::size_t>(faces[k]), level, P, Q)) add(P, Q);
  }
}

// Sizes the merge's cells from the segments of faces spread evenly over the
// list, so that a part of the mesh whose faces are much larger or smaller
// than the rest does not decide alone.
void SizeMergeCells(const Mesh& mesh, const std::vector<std::int32_t>& faces, double level,
                    PointMerge& merge) {
  constexpr std::size_t kSamples = 256;
  TPunkt sample[2 * kSamples];
  std::size_t n = 0;
  const std::size_t stride = std::max<std::size_t>(1, faces.size() / kSamples);
  for (std::size_t k = 0; k < faces.size() && n < 2 * kSamples; k += stride) {
    if (FaceSegment(mesh, static_cast<std::size_t>(faces[k]), level, sample[n], sample[n + 1])) {
      n += 2;
    }
  }
  merge.SizeCells(sample, n);
}

// A large section may be cut by two threads: the listed faces are taken in
// chunks of kChunkFaces, in order, by whichever thread claims them first.
// A helper thread cuts the chunks it claims into a ring of slots; the
// calling thread merges chunk after chunk, from the ring where the helper
// has cut it, else cutting it itself. So the merging never waits for a
// helper that is not running, only (at most one chunk long) for one that is
// cutting the very chunk it needs; and the helper waits while the ring is
// full.
class SharedCut {
 public:
  static constexpr std::size_t kChunkFaces = 256;
  static constexpr std::uint32_t kSlots = 16;
  struct Slot {
    std::atomic<std::uint32_t> ready{0};  // the chunk cut into it, plus 1
    std::size_t n = 0;                    // points
    TPunkt points[2 * kChunkFaces];       // start and end of each segment
  };

  void Reset(std::size_t faces) {
    chunks_ = static_cast<std::uint32_t>((faces + kChunkFaces - 1) / kChunkFaces);
    next_.store(0, std::memory_order_relaxed);
    merged_.store(0, std::memory_order_relaxed);
    wake_at_.store(kNobody, std::memory_order_relaxed);
    for (Slot& s : slots_) s.ready.store(0, std::memory_order_relaxed);
  }

  // The helper: claims and cuts chunks until none is left.
  void Help(const Mesh& mesh, const std::vector<std::int32_t>& faces, double level) {
    for (;;) {
      std::uint32_t c = next_.load(std::memory_order_acquire);
      if (c >= chunks_) return;
      // The slot of chunk c may still hold an unmerged chunk: then wait
      // until half the ring is free, asking to be woken only then. (After
      // Stop, `merged` may run ahead of a `c` read before it; the claim
      // below then fails and the next round returns.)
      std::uint32_t merged = merged_.load(std::memory_order_acquire);
      if (c >= merged + kSlots) {
        const std::uint32_t enough = c - kSlots / 2;
        wake_at_.store(enough, std::memory_order_seq_cst);
        merged = merged_.load(std::memory_order_seq_cst);
        while (merged < enough && next_.load(std::memory_order_relaxed) < chunks_) {
          merged_.wait(merged, std::memory_order_acquire);
          merged = merged_.load(std::memory_order_acquire);
        }
        wake_at_.store(kNobody, std::memory_order_relaxed);
        continue;
      }
      if (!next_.compare_exchange_weak(c, c + 1, std::memory_order_acq_rel)) continue;
      Slot& slot = slots_[c % kSlots];
      slot.n = 0;
      Cut(mesh, faces, level, c, [&](const TPunkt& P, const TPunkt& Q) {
        slot.points[slot.n++] = P;
        slot.points[slot.n++] = Q;
      });
      slot.ready.store(c + 1, std::memory_order_release);
      slot.ready.notify_one();
    }
  }

  // The calling thread: merges every chunk in order.
  void Merge(const Mesh& mesh, const std::vector<std::int32_t>& faces, double level,
             TContour& contour, PointMerge& merge, SegmentBatch& own) {
    for (std::uint32_t c = 0; c < chunks_; ++c) {
      Slot& slot = slots_[c % kSlots];
      for (;;) {
        const std::uint32_t ready = slot.ready.load(std::memory_order_acquire);
        if (ready == c + 1) {
          merge.AddSegments(contour, slot.points, slot.n);
          break;
        }
        std::uint32_t next = c;
        if (next_.compare_exchange_strong(next, c + 1, std::memory_order_acq_rel)) {
          Cut(mesh, faces, level, c, [&](const TPunkt& P, const TPunkt& Q) { own.Add(P, Q); });
          own.Finish();
          break;
        }
        slot.ready.wait(ready, std::memory_order_relaxed);  // the helper is cutting chunk c
      }
      merged_.store(c + 1, std::memory_order_seq_cst);
      if (wake_at_.load(std::memory_order_seq_cst) == c + 1) merged_.notify_one();
    }
  }

  // Ends the helper's work: it cuts no further chunk and stops waiting.
  void Stop() {
    next_.store(chunks_, std::memory_order_seq_cst);
    merged_.fetch_add(1, std::memory_order_seq_cst);
    merged_.notify_one();
  }

 private:
  template <class Add>
  static void Cut(const Mesh& mesh, const std::vector<std::int32_t>& faces, double level,
                  std::uint32_t c, Add&& add) {
    const std::size_t first = std::size_t{c} * kChunkFaces;
    CutListed(mesh, faces, first, std::min(faces.size(), first + kChunkFaces), level, add);
  }

  Slot slots_[kSlots];
  std::uint32_t chunks_ = 0;
  std::atomic<std::uint32_t> next_{0};    // the next chunk to be claimed
  std::atomic<std::uint32_t> merged_{0};  // chunks merged
  // The count of merged chunks at which the waiting helper is to be woken.
  static constexpr std::uint32_t kNobody = 0xffffffffU;
  std::atomic<std::uint32_t> wake_at_{kNobody};
};

// Sections of at least this many listed faces are cut by two threads when
// no other section is running (a series already keeps every core busy with
// one section each).
constexpr std::size_t kTwoThreadFaces = 16384;
std::atomic<int> sections_running{0};

class RunningSection {
 public:
  RunningSection() : alone_(sections_running.fetch_add(1, std::memory_order_relaxed) == 0) {}
  ~RunningSection() { sections_running.fetch_sub(1, std::memory_order_relaxed); }
  RunningSection(const RunningSection&) = delete;
  RunningSection& operator=(const RunningSection&) = delete;
  bool alone() const { return alone_; }

 private:
  bool alone_;
};

bool TwoCores() {
  static const bool two = std::thread::hardware_concurrency() >= 2;
  return two;
}

// What a thread keeps from one section to its next: the merge table, the
// list of faces, the room to merge it in and the slots shared with a
// helper. Each thread has its own, so sections running on several threads
// at once share nothing that is written.
struct Scratch {
  PointMerge merge{kPtTolerance};
  std::vector<std::int32_t> faces;
  std::vector<std::int32_t> work;
  std::unique_ptr<SharedCut> shared;
};

Scratch& ThreadScratch() {
  thread_local Scratch scratch;
  return scratch;
}

// Cuts the listed faces with a helper thread and merges them here; false
// (nothing done) when the helper cannot be started.
bool SectionOnTwoThreads(const Mesh& mesh, const std::vector<std::int32_t>& faces, double level,
                         TContour& contour, Scratch& scratch, SegmentBatch& own) {
  if (!scratch.shared) scratch.shared = std::make_unique<SharedCut>();
  SharedCut& shared = *scratch.shared;
  shared.Reset(faces.size());
  std::thread helper;
  try {
    helper = std::thread([&] { shared.Help(mesh, faces, level); });
  } catch (const std::system_error&) {
    return false;
  }
  // The helper is stopped and joined however the merging ends.
  struct Join {
    SharedCut& shared;
    std::thread& helper;
    ~Join() {
      shared.Stop();
      helper.join();
    }
  } join{shared, helper};
  shared.Merge(mesh, faces, level, contour, scratch.merge, own);
  return true;
}

}  // namespace

SectionIndex SectionIndex::Build(const Mesh& mesh) {
  SectionIndex index;
  index.version_ = mesh.version;
  index.faces_ =
      std::make_shared<const section_detail::ZSpanIndex>(section_detail::ZSpanIndex::Build(mesh));
  return index;
}

void SectionIndex::Candidates(double level, std::vector<std::int32_t>& faces) const {
  if (faces_) faces_->Candidates(level, faces);
}

std::size_t SectionIndex::CandidateBound(double level) const {
  return faces_ ? faces_->CandidateBound(level) : 0;
}

void CalculateContour(const Mesh& mesh, double level, TContour& contour,
                      const SectionIndex* index) {
  contour.Points.clear();
  contour.Contours.clear();
  contour.Level = level;
  const RunningSection running;
  Scratch& scratch = ThreadScratch();
  PointMerge& merge = scratch.merge;
  merge.Clear();
  SegmentBatch segments(contour, merge);
  const auto add = [&](const TPunkt& P, const TPunkt& Q) { segments.Add(P, Q); };

  if (index && index->Serves(mesh)) {
    std::vector<std::int32_t>& faces = scratch.faces;
    faces.clear();
    index->faces_->Candidates(level, faces, scratch.work);
    // Fc changed without a new version: the faces beyond it are gone.
    while (!faces.empty() && static_cast<std::size_t>(faces.back()) >= mesh.Fc.size()) {
      faces.pop_back();
    }
    // Nearly every face listed is cut; a closed line has as many points as
    // segments.
    contour.Contours.reserve(faces.size());
    contour.Points.reserve(faces.size() + faces.size() / 4);
    merge.Reserve(faces.size() + faces.size() / 4);
    SizeMergeCells(mesh, faces, level, merge);
    if (faces.size() >= kTwoThreadFaces && running.alone() && TwoCores() &&
        SectionOnTwoThreads(mesh, faces, level, contour, scratch, segments)) {
      return;
    }
    CutListed(mesh, faces, 0, faces.size(), level, add);
    segments.Finish();
    return;
  }
  TPunkt P, Q;
  for (std::size_t i = 1; i < mesh.Fc.size(); ++i) {
    if (FaceSegment(mesh, i, level, P, Q)) add(P, Q);
  }
  segments.Finish();
}

SectionLineCount::SectionLineCount(const Mesh& mesh) {
  const std::size_t nf = mesh.Fc.size();
  lows_.reserve(nf);
  highs_.reserve(nf);
  for (std::size_t i = 1; i < nf; ++i) {
    const Tvertex *A, *B, *C;
    if (!FaceVertices(mesh, i, A, B, C)) continue;
    // A NaN corner leaves both of its edges uncut: at most one cut remains.
    if (std::isnan(A->z) || std::isnan(B->z) || std::isnan(C->z)) continue;
    lows_.push_back(std::min(A->z, std::min(B->z, C->z)));
    highs_.push_back(std::max(A->z, std::max(B->z, C->z)));
  }
  std::sort(lows_.begin(), lows_.end());
  std::sort(highs_.begin(), highs_.end());
}

std::size_t SectionLineCount::At(double level) const {
  if (std::isnan(level)) return 0;
  // Faces with low <= level, less those with high <= level (their low is
  // below the level too): the faces with low <= level < high.
  const auto low = std::upper_bound(lows_.begin(), lows_.end(), level) - lows_.begin();
  const auto high = std::upper_bound(highs_.begin(), highs_.end(), level) - highs_.begin();
  return static_cast<std::size_t>(low - high);
}

}  // namespace quervik
