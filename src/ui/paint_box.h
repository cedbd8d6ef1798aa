// The drawing surface of the window. It holds no picture: every paint
// draws the section it was last told to show, with the view it was shown
// with, so the picture comes back after the window was covered or resized.
// Until the first draw it shows the window's background. Mouse presses,
// moves (with a button held; the surface keeps the mouse while a button is
// down) and releases are passed on as surface pixel positions.
#pragma once

#include <QWidget>

#include "section/contour.h"
#include "ui/section_painter.h"

class PaintBox : public QWidget {
  Q_OBJECT

 public:
  enum class Content { Background, White, Section };

  explicit PaintBox(QWidget* parent = nullptr);

  // A white surface with nothing on it, painted at once.
  void ShowWhite();

  // `contour` drawn with `view`, painted at once. The surface keeps the
  // pointer and reads the contour again at every later paint, so the
  // contour must outlive the surface (the window owns both).
  void ShowSection(const quervik::TContour* contour, const SectionView& view);

  Content content() const { return content_; }
  const SectionView& view() const { return view_; }

  // The painter of the last paint (its lines are those drawn last).
  const SectionPainter& painter() const { return painter_; }

 signals:
  void MouseDown(Qt::MouseButton button, int x, int y);
  void MouseMove(Qt::MouseButtons buttons, int x, int y);
  void MouseUp(Qt::MouseButton button, int x, int y);

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;

 private:
  Content content_ = Content::Background;
  const quervik::TContour* contour_ = nullptr;
  SectionView view_;
  SectionPainter painter_;
};
