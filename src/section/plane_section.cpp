#include "section/plane_section.h"

#include <cstddef>

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

// What a thread keeps from one section to its next: the merge table, the
// list of faces and the room to merge it in. Each thread has its own, so sections running on
// several threads at once share nothing that is written.
struct Scratch {
  PointMerge merge{kPtTolerance};
  std::vector<std::int32_t> faces;
  std::vector<std::int32_t> work;
};

Scratch& ThreadScratch() {
  thread_local Scratch scratch;
  return scratch;
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

void CalculateContour(const Mesh& mesh, double level, TContour& contour,
                      const SectionIndex* index) {
  contour.Points.clear();
  contour.Contours.clear();
  contour.Level = level;
  Scratch& scratch = ThreadScratch();
  PointMerge& merge = scratch.merge;
  merge.Clear();
  TPunkt P, Q;

  if (index && index->faces_ && index->version() == mesh.version) {
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
    // The listed faces lie scattered over Fc and V; fetching them some
    // faces ahead hides most of the memory latency.
    constexpr std::size_t kFaceAhead = 32, kVertexAhead = 16;
    const std::size_t n = faces.size();
    SegmentBatch segments(contour, merge);
    for (std::size_t k = 0; k < n; ++k) {
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
      if (FaceSegment(mesh, static_cast<std::size_t>(faces[k]), level, P, Q)) segments.Add(P, Q);
    }
    segments.Finish();
    return;
  }
  SegmentBatch segments(contour, merge);
  for (std::size_t i = 1; i < mesh.Fc.size(); ++i) {
    if (FaceSegment(mesh, i, level, P, Q)) segments.Add(P, Q);
  }
  segments.Finish();
}

}  // namespace quervik
