// A pair of up and down arrow buttons with a position in a range, bound to
// no field. Each step request (a click on an arrow, and the repeats while
// an arrow is held) first signals Changing, while the position is still the
// old one, and then steps by one within the range. A step request at the
// end of the range signals Changing and leaves the position as it is.
#pragma once

#include <QTimer>
#include <QWidget>

class UpDown : public QWidget {
  Q_OBJECT

 public:
  explicit UpDown(QWidget* parent = nullptr);

  int minimum() const { return min_; }
  int maximum() const { return max_; }
  int position() const { return position_; }
  void setRange(int minimum, int maximum);
  void setPosition(int position);  // clamped to the range; no signal

  // One step request upwards (+1) or downwards (-1), as a click would do.
  void stepUp() { Step(+1); }
  void stepDown() { Step(-1); }

  QSize sizeHint() const override { return {17, 21}; }

 signals:
  void Changing();
  void Changed(int position);

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;

 private:
  void Step(int direction);
  QRect Half(int direction) const;

  int min_ = 0;
  int max_ = 100;
  int position_ = 0;
  int held_ = 0;  // +1 or -1 while an arrow is held down
  QTimer repeat_;
};
