#include "section/plane_section.h"

#include <algorithm>
#include <cmath>
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

// Adds the segment of face i, if it has one.
inline void CutFace(const Mesh& mesh, std::size_t i, double level, TContour& contour,
                    PointMerge& merge) {
  const Tvertex *A, *B, *C;
  if (!FaceVertices(mesh, i, A, B, C)) return;
  const TLineCut line1 = LineCut(A->x, A->y, B->x, B->y, A->z, B->z, level);
  const TLineCut line2 = LineCut(B->x, B->y, C->x, C->y, B->z, C->z, level);
  const TLineCut line3 = LineCut(C->x, C->y, A->x, A->y, C->z, A->z, level);
  if (!line1.Found && line2.Found && line3.Found) {
    AddContourLine(contour, merge, line2, line3);
  } else if (!line2.Found && line1.Found && line3.Found) {
    AddContourLine(contour, merge, line1, line3);
  } else if (!line3.Found && line1.Found && line2.Found) {
    AddContourLine(contour, merge, line1, line2);
  }
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
  PointMerge merge(kPtTolerance);

  if (index && index->Serves(mesh)) {
    std::vector<std::int32_t> faces;
    index->faces_->Candidates(level, faces);
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
    constexpr std::size_t kFaceAhead = 16, kVertexAhead = 8;
    const std::size_t n = faces.size();
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
      CutFace(mesh, static_cast<std::size_t>(faces[k]), level, contour, merge);
    }
    return;
  }
  for (std::size_t i = 1; i < mesh.Fc.size(); ++i) CutFace(mesh, i, level, contour, merge);
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
