#include "ui/paint_box.h"

#include <QMouseEvent>
#include <QPainter>
#include <cmath>

PaintBox::PaintBox(QWidget* parent) : QWidget(parent) {
  setFocusPolicy(Qt::NoFocus);
  // Moves without a button held show where the mouse is.
  setMouseTracking(true);
}

void PaintBox::SetMeasuredStep(const std::optional<MeasuredStep>& step) {
  step_ = step;
  if (content_ != Content::Background) repaint();
}

void PaintBox::ShowWhite() {
  content_ = Content::White;
  contour_ = nullptr;
  step_.reset();
  // From now on every paint covers the whole surface itself.
  setAttribute(Qt::WA_OpaquePaintEvent, true);
  repaint();
}

void PaintBox::ShowSection(const quervik::TContour* contour, const SectionView& view) {
  content_ = Content::Section;
  contour_ = contour;
  view_ = view;
  setAttribute(Qt::WA_OpaquePaintEvent, true);
  repaint();
}

void PaintBox::paintEvent(QPaintEvent*) {
  if (content_ == Content::Background) return;
  QPainter p(this);
  static const quervik::TContour kEmpty;
  const quervik::TContour& c =
      content_ == Content::Section && contour_ != nullptr ? *contour_ : kEmpty;
  painter_.Paint(p, width(), height(), c, view_);
  if (step_) PaintMeasuredStep(p, width(), height(), view_, *step_);
}

namespace {
QPoint Pos(const QMouseEvent* e) {
  const QPointF p = e->position();
  return {static_cast<int>(std::floor(p.x())), static_cast<int>(std::floor(p.y()))};
}
}  // namespace

void PaintBox::mousePressEvent(QMouseEvent* event) {
  const QPoint p = Pos(event);
  emit MouseDown(event->button(), p.x(), p.y());
}

void PaintBox::mouseMoveEvent(QMouseEvent* event) {
  const QPoint p = Pos(event);
  emit MouseMove(event->buttons(), p.x(), p.y());
}

void PaintBox::mouseReleaseEvent(QMouseEvent* event) {
  const QPoint p = Pos(event);
  emit MouseUp(event->button(), p.x(), p.y());
}

void PaintBox::mouseDoubleClickEvent(QMouseEvent* event) {
  // The second press of a double-click has come as a press already.
  const QPoint p = Pos(event);
  emit DoubleClick(event->button(), p.x(), p.y());
}

void PaintBox::leaveEvent(QEvent* event) {
  QWidget::leaveEvent(event);
  emit MouseLeft();
}
