// Drawing a section in plan view, and fitting the view to it. A model point (X, Y) lies on
//   column = (X - xoffset) / mf,  row = -(Y - yoffset) / mf,
// each truncated toward zero (-0.7 gives 0), so model y grows upwards on the
// screen. The surface is wiped white and every segment is drawn as a red,
// solid line 1 pixel wide, all in one batched drawLines.
//
// Each segment is clipped in double precision to a rectangle somewhat larger
// than the surface before its ends are truncated: a point far outside would
// not fit a 32-bit pixel coordinate. A segment lying wholly inside that
// rectangle is drawn from exactly the truncated pixels above; a clipped one
// keeps its direction to well below a pixel on the surface.
#pragma once

#include <QLine>
#include <optional>
#include <vector>

#include "section/contour.h"

class QPainter;

// The view: model units per pixel and the model point at pixel (0, 0).
struct SectionView {
  double mf = 0;
  double xoffset = 0;
  double yoffset = 0;
};

// The view that shows the whole section on a surface `width` x `height`
// pixels: the segments' points (those that exist and are finite) span the
// width, the highest point on row 0 and the leftmost on column 0. A vertical
// line (no width) fills the height instead, centred across; a single point
// is centred at 100 pixels per model unit. Nothing (the view stays as it
// was) when the section has no such point. A width below 1 counts as 1.
std::optional<SectionView> FitView(const quervik::TContour& contour, int width, int height);

class SectionPainter {
 public:
  // How far beyond each edge of the surface the segments are clipped.
  static constexpr double kClipMargin = 4096;

  // Wipes (0, 0, width, height) white and draws the segments of `contour`.
  // With a scale mf that is not a positive finite number only the white
  // surface is drawn. Segments naming a point that does not exist and ends
  // that are not finite are skipped. Reuses its buffers between draws.
  void Paint(QPainter& painter, int width, int height, const quervik::TContour& contour,
             const SectionView& view);

  // The lines handed to drawLines by the last Paint, in segment order
  // (segments lying wholly outside the clip rectangle left out, and a line
  // equal to the one before it given once).
  const std::vector<QLine>& Lines() const { return lines_; }

 private:
  std::vector<double> px_;  // per point: column, row (before truncation)
  std::vector<QLine> lines_;
};
