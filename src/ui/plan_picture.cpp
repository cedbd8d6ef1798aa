#include "ui/plan_picture.h"

#include <QBuffer>
#include <QFileInfo>
#include <QFont>
#include <QFontMetrics>
#include <QImage>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QSvgGenerator>
#include <algorithm>
#include <cmath>

#include "core/errors.h"
#include "core/number_format.h"

namespace {

constexpr int kCorner = 8;   // the box's distance from the picture's edges
constexpr int kPad = 6;      // inside the box
constexpr int kBarHigh = 6;  // the scale bar's height

// "10 m", "0.5 m": as many decimals as the length needs.
QString ScaleBarText(double length) {
  const int decimals = length >= 1 ? 0 : static_cast<int>(std::ceil(-std::log10(length) - 1e-9));
  return QString::fromStdString(quervik::FormatFixed(length, 0, decimals)) + QStringLiteral(" m");
}

void PaintLegend(QPainter& p, QSize size, const PlanContent& c) {
  QFont font(QStringLiteral("Tahoma"));
  font.setPixelSize(11);
  p.setFont(font);
  const QFontMetrics fm(font);
  const int line = fm.height();

  const double mf = c.view.mf;
  const bool hasScale = mf > 0 && std::isfinite(mf);
  const double length = hasScale ? ScaleBarLength(size.width() / 4.0 * mf) : 0;
  const int barPx = length > 0 ? static_cast<int>(std::lround(length / mf)) : 0;
  const QString barText = barPx > 0 ? ScaleBarText(length) : QString();

  int inner = std::max(fm.horizontalAdvance(c.levelText), fm.horizontalAdvance(c.fileName));
  if (barPx > 0) inner = std::max(inner, barPx + kPad + fm.horizontalAdvance(barText));
  const int rows = barPx > 0 ? 3 : 2;
  const int boxW = inner + 2 * kPad;
  const int boxH = rows * line + 2 * kPad + (barPx > 0 ? kPad / 2 : 0);
  const QRect box(kCorner, size.height() - kCorner - boxH, boxW, boxH);

  p.setRenderHint(QPainter::Antialiasing, false);
  p.setPen(QColor(96, 96, 96));
  p.setBrush(Qt::white);
  p.drawRect(box);
  p.setPen(Qt::black);
  p.setBrush(Qt::NoBrush);
  const int x = box.left() + kPad;
  int y = box.top() + kPad;
  p.drawText(QRect(x, y, inner, line), Qt::AlignLeft | Qt::AlignVCenter, c.levelText);
  y += line;
  p.drawText(QRect(x, y, inner, line), Qt::AlignLeft | Qt::AlignVCenter, c.fileName);
  y += line + kPad / 2;
  if (barPx > 0) {
    // Two halves, black and white, in a black frame.
    const int barTop = y + (line - kBarHigh) / 2;
    p.fillRect(x, barTop, barPx / 2, kBarHigh, Qt::black);
    p.drawRect(x, barTop, barPx, kBarHigh);
    p.drawText(QRect(x + barPx + kPad, y, inner - barPx - kPad, line),
               Qt::AlignLeft | Qt::AlignVCenter, barText);
  }
}

}  // namespace

std::optional<PlanFormat> PlanFormatOf(const QString& path) {
  const QString suffix = QFileInfo(path).suffix().toLower();
  if (suffix == QLatin1String("pdf")) return PlanFormat::Pdf;
  if (suffix == QLatin1String("svg")) return PlanFormat::Svg;
  if (suffix == QLatin1String("png")) return PlanFormat::Png;
  return std::nullopt;
}

double ScaleBarLength(double most) {
  if (!(most > 0) || !std::isfinite(most)) return 0;
  double power = std::pow(10.0, std::floor(std::log10(most)));
  if (power > most) power /= 10;
  for (const double m : {5.0, 2.0}) {
    if (m * power <= most) return m * power;
  }
  return power;
}

void PaintPlan(QPainter& painter, QSize size, const PlanContent& content) {
  static const quervik::TContour kEmpty;
  SectionPainter section;
  section.Paint(painter, size.width(), size.height(),
                content.contour != nullptr ? *content.contour : kEmpty, content.view);
  if (content.step) {
    PaintMeasuredStep(painter, size.width(), size.height(), content.view, *content.step);
  }
  PaintLegend(painter, size, content);
}

QByteArray PlanBytes(const PlanContent& content, QSize size, PlanFormat format) {
  const auto failed = [] { return quervik::Error("Der Plan konnte nicht gezeichnet werden"); };
  size = size.expandedTo(QSize(1, 1));
  QByteArray bytes;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  switch (format) {
    case PlanFormat::Png: {
      QImage image(size, QImage::Format_RGB32);
      {
        QPainter p(&image);
        PaintPlan(p, size, content);
      }
      if (!image.save(&buffer, "PNG")) throw failed();
      break;
    }
    case PlanFormat::Svg: {
      QSvgGenerator svg;
      svg.setOutputDevice(&buffer);
      svg.setSize(size);
      svg.setViewBox(QRect(QPoint(0, 0), size));
      svg.setResolution(96);
      svg.setTitle(content.fileName);
      svg.setDescription(content.levelText);
      QPainter p;
      if (!p.begin(&svg)) throw failed();
      PaintPlan(p, size, content);
      p.end();
      break;
    }
    case PlanFormat::Pdf: {
      // One page as large as the picture: 96 pixels per inch, 72 points.
      QPdfWriter pdf(&buffer);
      pdf.setResolution(96);
      pdf.setPageLayout(QPageLayout(QPageSize(QSizeF(size.width() * 0.75, size.height() * 0.75),
                                              QPageSize::Point, QString(), QPageSize::ExactMatch),
                                    QPageLayout::Portrait, QMarginsF(0, 0, 0, 0)));
      pdf.setTitle(content.fileName);
      pdf.setCreator(QStringLiteral("Quervik"));
      QPainter p;
      if (!p.begin(&pdf)) throw failed();
      PaintPlan(p, size, content);
      p.end();
      break;
    }
  }
  buffer.close();
  if (bytes.isEmpty()) throw failed();
  return bytes;
}
