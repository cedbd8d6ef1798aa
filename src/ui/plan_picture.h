// The plan: the drawing as the window shows it, as a picture for reports.
// The section (and a measured step) is drawn exactly as on the screen, pixel
// for pixel, and in the lower left corner a white box holds a scale bar, the
// level and the mesh file's name. Written as PDF or SVG (vector drawings of
// 96 pixels per inch, the page as large as the picture) or as PNG.
#pragma once

#include <QByteArray>
#include <QSize>
#include <QString>
#include <optional>

#include "section/contour.h"
#include "ui/section_painter.h"

class QPainter;

enum class PlanFormat { Pdf, Svg, Png };

// The format that the file name's extension names (".pdf", ".svg", ".png",
// in any case); nothing for any other name.
std::optional<PlanFormat> PlanFormatOf(const QString& path);

struct PlanContent {
  const quervik::TContour* contour = nullptr;  // null: no section
  SectionView view;
  std::optional<MeasuredStep> step;
  QString levelText;  // e.g. "Schnitt bei Höhe 104.500"
  QString fileName;   // e.g. "halde.obj"
};

// The length of the scale bar for a bar of at most `most` model units: the
// largest 1, 2 or 5 times a power of ten not above it; 0 when `most` is not
// a positive finite number.
double ScaleBarLength(double most);

// Paints the plan on (0, 0, size): white, the section, the step, the box
// with the scale bar (at most a quarter of the width long; left out when
// the view has no scale) and the two texts.
void PaintPlan(QPainter& painter, QSize size, const PlanContent& content);

// The bytes of the plan's file. Raises quervik::Error when the picture
// cannot be made ("Der Plan konnte nicht gezeichnet werden").
QByteArray PlanBytes(const PlanContent& content, QSize size, PlanFormat format);
