#include "ui/up_down.h"

#include <QMouseEvent>
#include <QStyleOptionButton>
#include <QStylePainter>
#include <algorithm>

UpDown::UpDown(QWidget* parent) : QWidget(parent) {
  setFocusPolicy(Qt::NoFocus);
  repeat_.setSingleShot(false);
  connect(&repeat_, &QTimer::timeout, this, [this] {
    repeat_.setInterval(60);
    if (held_ != 0) Step(held_);
  });
}

void UpDown::setRange(int minimum, int maximum) {
  min_ = minimum;
  max_ = std::max(minimum, maximum);
  position_ = std::clamp(position_, min_, max_);
  update();
}

void UpDown::setPosition(int position) {
  position_ = std::clamp(position, min_, max_);
}

void UpDown::Step(int direction) {
  emit Changing();
  const int next = std::clamp(position_ + direction, min_, max_);
  if (next != position_) {
    position_ = next;
    emit Changed(position_);
  }
}

QRect UpDown::Half(int direction) const {
  const int upper = height() / 2;
  return direction > 0 ? QRect(0, 0, width(), upper) : QRect(0, upper, width(), height() - upper);
}

void UpDown::paintEvent(QPaintEvent*) {
  QStylePainter p(this);
  for (int direction : {+1, -1}) {
    QStyleOptionButton bevel;
    bevel.initFrom(this);
    bevel.rect = Half(direction);
    bevel.state |= held_ == direction ? QStyle::State_Sunken : QStyle::State_Raised;
    p.drawControl(QStyle::CE_PushButtonBevel, bevel);
    QStyleOption arrow;
    arrow.initFrom(this);
    arrow.rect = Half(direction).adjusted(3, 2, -3, -2);
    p.drawPrimitive(direction > 0 ? QStyle::PE_IndicatorArrowUp : QStyle::PE_IndicatorArrowDown,
                    arrow);
  }
}

void UpDown::mousePressEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) return;
  held_ = Half(+1).contains(event->position().toPoint()) ? +1 : -1;
  update();
  repeat_.start(400);
  Step(held_);
}

void UpDown::mouseReleaseEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) return;
  held_ = 0;
  repeat_.stop();
  update();
}
