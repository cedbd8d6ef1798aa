#include "ui/volume_plot.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QPainter>
#include <QPainterPath>
#include <QPushButton>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>

#include "core/number_format.h"

namespace {

QString Fixed(double value, int decimals) {
  return QString::fromStdString(quervik::FormatFixed(value, 0, decimals));
}

const QColor kAboveColour(220, 0, 0);
const QColor kBelowColour(0, 70, 200);

}  // namespace

VolumePlot::VolumePlot(QWidget* parent) : QWidget(parent) {
  setObjectName(QStringLiteral("PlotVolumenkurve"));
  setMinimumSize(440, 300);
  setAutoFillBackground(true);
  QPalette p = palette();
  p.setColor(QPalette::Window, Qt::white);
  setPalette(p);
}

void VolumePlot::SetCurve(std::vector<quervik::VolumeFigures> rows) {
  rows_ = std::move(rows);
  update();
}

void VolumePlot::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.setRenderHint(QPainter::Antialiasing);
  const QFontMetrics fm(font());
  if (rows_.empty()) {
    p.drawText(rect(), Qt::AlignCenter,
               QStringLiteral("Kein Vielfaches von Delta H im Höhenbereich"));
    return;
  }
  double vmax = 0;
  for (const quervik::VolumeFigures& r : rows_) vmax = std::max({vmax, r.above, r.below});
  if (!(vmax > 0) || !std::isfinite(vmax)) vmax = 1;
  const double h0 = rows_.front().level;
  const double h1 = rows_.back().level;

  const QString top = Fixed(vmax, 0);
  const QRect area(fm.horizontalAdvance(top) + 14, fm.height() + 12,
                   width() - fm.horizontalAdvance(top) - 14 - 16, height() - 3 * fm.height() - 24);
  if (area.width() < 10 || area.height() < 10) return;
  auto x = [&](double h) {
    return h1 > h0 ? area.left() + (h - h0) / (h1 - h0) * area.width()
                   : area.left() + area.width() / 2.0;
  };
  auto y = [&](double v) { return area.bottom() - v / vmax * area.height(); };

  // Axes with their ranges, and the legend above the plot.
  p.setPen(QColor(90, 90, 90));
  p.drawLine(area.bottomLeft(), area.topLeft());
  p.drawLine(area.bottomLeft(), area.bottomRight());
  p.setPen(Qt::black);
  const int below = area.bottom() + fm.ascent() + 4;
  p.drawText(area.left() - fm.horizontalAdvance(QStringLiteral("0")) - 6,
             area.bottom() + fm.ascent() / 2, QStringLiteral("0"));
  p.drawText(4, area.top() + fm.ascent() / 2, top);
  p.drawText(area.left(), below, Fixed(h0, 3));
  const QString right = Fixed(h1, 3);
  p.drawText(area.right() - fm.horizontalAdvance(right), below, right);
  const QString xTitle = QStringLiteral("Höhe");
  p.drawText(area.center().x() - fm.horizontalAdvance(xTitle) / 2, below + fm.height(), xTitle);
  p.drawText(4, fm.ascent() + 2, QStringLiteral("Volumen m3"));
  int legend = area.right() - 150;
  for (const auto& [colour, name] : {std::pair{kAboveColour, QStringLiteral("Über")},
                                     std::pair{kBelowColour, QStringLiteral("Unter")}}) {
    p.setPen(QPen(colour, 2));
    p.drawLine(legend, fm.height() / 2 + 3, legend + 20, fm.height() / 2 + 3);
    p.setPen(Qt::black);
    p.drawText(legend + 24, fm.ascent() + 2, name);
    legend += 75;
  }

  // The two curves; a single level is a dot.
  for (const bool aboveCurve : {true, false}) {
    p.setPen(QPen(aboveCurve ? kAboveColour : kBelowColour, 2));
    QPainterPath path;
    for (std::size_t i = 0; i < rows_.size(); ++i) {
      const double v = aboveCurve ? rows_[i].above : rows_[i].below;
      const QPointF pt(x(rows_[i].level), y(std::isfinite(v) ? v : 0));
      if (i == 0) {
        path.moveTo(pt);
      } else {
        path.lineTo(pt);
      }
    }
    if (rows_.size() == 1) {
      p.drawPoint(path.pointAtPercent(0));
    } else {
      p.drawPath(path);
    }
  }
}

VolumeCurveDialog::VolumeCurveDialog(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("DialogVolumenkurve"));
  setWindowTitle(QStringLiteral("Volumenkurve"));
  setModal(false);
  // The main window stays the active one (its number format with it).
  setAttribute(Qt::WA_ShowWithoutActivating);
  auto* layout = new QVBoxLayout(this);
  plot_ = new VolumePlot(this);
  layout->addWidget(plot_, 1);
  file_ = new QLabel(this);
  file_->setObjectName(QStringLiteral("LabelVolumenkurveDatei"));
  file_->setTextFormat(Qt::PlainText);
  file_->setTextInteractionFlags(Qt::TextSelectableByMouse);
  layout->addWidget(file_);
  auto* buttons = new QDialogButtonBox(this);
  QPushButton* close =
      buttons->addButton(QStringLiteral("Schließen"), QDialogButtonBox::RejectRole);
  close->setObjectName(QStringLiteral("ButtonSchliessen"));
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  layout->addWidget(buttons);
}

void VolumeCurveDialog::ShowCurve(std::vector<quervik::VolumeFigures> rows, const QString& file) {
  plot_->SetCurve(std::move(rows));
  file_->setText(file);
  show();
  raise();
}
