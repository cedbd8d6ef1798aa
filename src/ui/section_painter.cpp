#include "ui/section_painter.h"

#include <QPainter>
#include <QPen>
#include <algorithm>
#include <cmath>
#include <cstdint>

namespace {

// Liang-Barsky: clips (x1, y1)-(x2, y2) to [lo, hi] on both axes' own
// bounds. False when nothing is left (or an end is not a number).
bool Clip(double& x1, double& y1, double& x2, double& y2, double xlo, double xhi, double ylo,
          double yhi) {
  const bool inside = x1 >= xlo && x1 <= xhi && y1 >= ylo && y1 <= yhi && x2 >= xlo && x2 <= xhi &&
                      y2 >= ylo && y2 <= yhi;
  if (inside) return true;
  if (!(std::isfinite(x1) && std::isfinite(y1) && std::isfinite(x2) && std::isfinite(y2))) {
    return false;
  }
  const double dx = x2 - x1;
  const double dy = y2 - y1;
  double t0 = 0;
  double t1 = 1;
  const double p[4] = {-dx, dx, -dy, dy};
  const double q[4] = {x1 - xlo, xhi - x1, y1 - ylo, yhi - y1};
  for (int k = 0; k < 4; ++k) {
    if (p[k] == 0) {
      if (q[k] < 0) return false;
      continue;
    }
    const double r = q[k] / p[k];
    if (p[k] < 0) {
      if (r > t1) return false;
      if (r > t0) t0 = r;
    } else {
      if (r < t0) return false;
      if (r < t1) t1 = r;
    }
  }
  const double nx1 = x1 + t0 * dx;
  const double ny1 = y1 + t0 * dy;
  const double nx2 = x1 + t1 * dx;
  const double ny2 = y1 + t1 * dy;
  x1 = std::clamp(nx1, xlo, xhi);
  y1 = std::clamp(ny1, ylo, yhi);
  x2 = std::clamp(nx2, xlo, xhi);
  y2 = std::clamp(ny2, ylo, yhi);
  return true;
}

int Pixel(double v) {
  return static_cast<int>(std::trunc(v));
}

}  // namespace

namespace {

// The bounding box of the segments' points that exist and are finite.
struct Extent {
  double xMin = 1e12;
  double XMax = -1e12;
  double yMin = 1e12;
  double YMax = -1e12;
};

std::optional<Extent> SegmentExtent(const quervik::TContour& contour) {
  Extent e;
  bool any = false;
  const auto& pts = contour.Points;
  for (const quervik::TLine& s : contour.Contours) {
    for (const std::int32_t k : {s.sp, s.ep}) {
      if (k < 0 || static_cast<size_t>(k) >= pts.size()) continue;
      const quervik::TPunkt& p = pts[static_cast<size_t>(k)];
      if (!std::isfinite(p.X) || !std::isfinite(p.Y)) continue;
      if (p.X > e.XMax) e.XMax = p.X;
      if (p.X < e.xMin) e.xMin = p.X;
      if (p.Y > e.YMax) e.YMax = p.Y;
      if (p.Y < e.yMin) e.yMin = p.Y;
      any = true;
    }
  }
  if (!any) return std::nullopt;
  return e;
}

}  // namespace

std::optional<SectionView> FitView(const quervik::TContour& contour, int width, int height) {
  const std::optional<Extent> e = SegmentExtent(contour);
  if (!e) return std::nullopt;
  const double XMax = e->XMax;
  const double xMin = e->xMin;
  const double YMax = e->YMax;
  const double yMin = e->yMin;

  const double w = std::max(1, width);
  const double h = height;
  SectionView view;
  if (XMax - xMin > 0) {
    view.yoffset = YMax;
    view.xoffset = xMin;
    view.mf = (XMax - xMin) / w;
  } else if (YMax - yMin > 0 && h > 0) {
    // A vertical line: its height fills the surface, centred across.
    view.mf = (YMax - yMin) / h;
    view.yoffset = YMax;
    view.xoffset = xMin - (w / 2) * view.mf;
  } else {
    // One point: centred at 100 pixels per model unit.
    view.mf = 0.01;
    view.xoffset = xMin - (w / 2) * view.mf;
    view.yoffset = YMax + (std::max(h, 0.0) / 2) * view.mf;
  }
  return view;
}

std::optional<SectionView> FitAll(const quervik::TContour& contour, int width, int height,
                                  int margin) {
  const std::optional<Extent> e = SegmentExtent(contour);
  if (!e) return std::nullopt;
  const double w = std::max(0, width);
  const double h = std::max(0, height);
  const double m = std::max(0, margin);
  const double innerW = std::max(1.0, w - 2 * m);
  const double innerH = std::max(1.0, h - 2 * m);
  // Halves first: the extent of coordinates near the largest number does
  // not overflow.
  const double halfW = e->XMax / 2 - e->xMin / 2;
  const double halfH = e->YMax / 2 - e->yMin / 2;
  const double centreX = e->xMin / 2 + e->XMax / 2;
  const double centreY = e->yMin / 2 + e->YMax / 2;
  SectionView view;
  view.mf = std::max(halfW / (innerW / 2), halfH / (innerH / 2));
  if (!(view.mf > 0)) view.mf = 0.01;  // one point: 100 pixels per model unit
  view.xoffset = centreX - (w / 2) * view.mf;
  view.yoffset = centreY + (h / 2) * view.mf;
  return view;
}

void SectionPainter::Paint(QPainter& painter, int width, int height,
                           const quervik::TContour& contour, const SectionView& view) {
  lines_.clear();
  painter.fillRect(0, 0, width, height, QColor(255, 255, 255));
  const double mf = view.mf;
  if (!(mf > 0) || !std::isfinite(mf)) return;

  // Every point once: most points end two segments.
  const size_t n = contour.Points.size();
  if (px_.size() < 2 * n) px_.resize(2 * n);
  for (size_t i = 0; i < n; ++i) {
    px_[2 * i] = (contour.Points[i].X - view.xoffset) / mf;
    px_[2 * i + 1] = -(contour.Points[i].Y - view.yoffset) / mf;
  }

  const double xlo = -kClipMargin;
  const double ylo = -kClipMargin;
  const double xhi = width + kClipMargin;
  const double yhi = height + kClipMargin;
  lines_.reserve(contour.Contours.size());
  for (const quervik::TLine& s : contour.Contours) {
    const auto sp = static_cast<size_t>(s.sp);
    const auto ep = static_cast<size_t>(s.ep);
    if (s.sp < 0 || s.ep < 0 || sp >= n || ep >= n) continue;
    double x1 = px_[2 * sp];
    double y1 = px_[2 * sp + 1];
    double x2 = px_[2 * ep];
    double y2 = px_[2 * ep + 1];
    if (!Clip(x1, y1, x2, y2, xlo, xhi, ylo, yhi)) continue;
    const QLine line(Pixel(x1), Pixel(y1), Pixel(x2), Pixel(y2));
    // A fine section has many segments shorter than a pixel in a row: the
    // same line drawn again sets no other pixel.
    if (!lines_.empty() && lines_.back() == line) continue;
    lines_.push_back(line);
  }
  QPen pen(QColor(255, 0, 0));
  pen.setStyle(Qt::SolidLine);
  pen.setWidth(1);
  painter.setPen(pen);
  painter.setRenderHint(QPainter::Antialiasing, false);
  painter.drawLines(lines_.data(), static_cast<int>(lines_.size()));
}

void PaintMeasuredStep(QPainter& painter, int width, int height, const SectionView& view,
                       const MeasuredStep& step) {
  const double mf = view.mf;
  if (!(mf > 0) || !std::isfinite(mf)) return;
  double x1 = (step.x1 - view.xoffset) / mf;
  double y1 = -(step.y1 - view.yoffset) / mf;
  double x2 = step.complete ? (step.x2 - view.xoffset) / mf : x1;
  double y2 = step.complete ? -(step.y2 - view.yoffset) / mf : y1;
  constexpr double m = SectionPainter::kClipMargin;
  const bool startOnSurface = x1 >= -m && x1 <= width + m && y1 >= -m && y1 <= height + m;
  const bool endOnSurface = x2 >= -m && x2 <= width + m && y2 >= -m && y2 <= height + m;
  if (!Clip(x1, y1, x2, y2, -m, width + m, -m, height + m)) return;
  const QPoint a(Pixel(x1), Pixel(y1));
  const QPoint b(Pixel(x2), Pixel(y2));
  QPen pen{QColor(QRgb(kMeasureRgb))};
  pen.setWidth(1);
  painter.setPen(pen);
  painter.setBrush(Qt::NoBrush);
  painter.setRenderHint(QPainter::Antialiasing, false);
  if (step.complete) painter.drawLine(a, b);
  // The squares mark the clicked points, not where a clipped line ends.
  constexpr int r = 3;
  if (startOnSurface) painter.drawRect(a.x() - r, a.y() - r, 2 * r, 2 * r);
  if (step.complete && endOnSurface) painter.drawRect(b.x() - r, b.y() - r, 2 * r, 2 * r);
}
