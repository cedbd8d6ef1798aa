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

// The free border that FitAll leaves on every side, in pixels.
inline constexpr int kFitAllMargin = 10;

// The view that shows the whole section, both extents ("Alles zeigen"): the
// segments' points (those that exist and are finite) fit into the surface
// `width` x `height` less `margin` pixels on every side, at one scale for
// both axes, and their bounding box is centred. A single point is centred at
// 100 pixels per model unit. Nothing when the section has no such point.
// A surface smaller than its margins counts as 1 x 1 pixel inside them.
std::optional<SectionView> FitAll(const quervik::TContour& contour, int width, int height,
                                  int margin = kFitAllMargin);

// A measured step in model coordinates: from (x1, y1) to (x2, y2), or the
// start point (x1, y1) alone while the second point is still to come.
struct MeasuredStep {
  double x1 = 0;
  double y1 = 0;
  double x2 = 0;
  double y2 = 0;
  bool complete = false;
};

// The colour of a measured step: blue, to tell it from the red section.
inline constexpr unsigned kMeasureRgb = 0x0000ffu;

// Draws `step` with `view` over what is drawn: a blue line 1 pixel wide and
// a small square around each end (only the start's square while the step
// is not complete). Points map as the section's do; ends far off the
// surface are clipped like its segments. Nothing with a scale that is not a
// positive finite number.
void PaintMeasuredStep(QPainter& painter, int width, int height, const SectionView& view,
                       const MeasuredStep& step);

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
