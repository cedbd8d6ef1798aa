// The drawing surface of the window. It holds no picture: every paint
// draws the section it was last told to show, with the view it was shown
// with, so the picture comes back after the window was covered or resized.
// Until the first draw it shows the window's background. Mouse presses,
// moves (with or without a button held; the surface keeps the mouse while a
// button is down), releases and double-clicks are passed on as surface pixel
// positions. Over the section it may show a measured step.
#pragma once

#include <QWidget>
#include <optional>

#include "section/contour.h"
#include "ui/section_painter.h"

class PaintBox : public QWidget {
  Q_OBJECT

 public:
  enum class Content { Background, White, Section };

  explicit PaintBox(QWidget* parent = nullptr);

  // A white surface with nothing on it (no measured step either), painted
  // at once.
  void ShowWhite();

  // `contour` drawn with `view`, painted at once. The surface keeps the
  // pointer and reads the contour again at every later paint, so the
  // contour must outlive the surface (the window owns both).
  void ShowSection(const quervik::TContour* contour, const SectionView& view);

  // The measured step drawn over the section, or none; repainted at once.
  void SetMeasuredStep(const std::optional<MeasuredStep>& step);
  const std::optional<MeasuredStep>& measuredStep() const { return step_; }

  Content content() const { return content_; }
  const SectionView& view() const { return view_; }

  // The painter of the last paint (its lines are those drawn last).
  const SectionPainter& painter() const { return painter_; }

 signals:
  void MouseDown(Qt::MouseButton button, int x, int y);
  void MouseMove(Qt::MouseButtons buttons, int x, int y);
  void MouseUp(Qt::MouseButton button, int x, int y);
  // After the second press of a double-click (which came as a MouseDown).
  void DoubleClick(Qt::MouseButton button, int x, int y);
  // The mouse left the surface.
  void MouseLeft();

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  void leaveEvent(QEvent* event) override;

 private:
  Content content_ = Content::Background;
  const quervik::TContour* contour_ = nullptr;
  SectionView view_;
  std::optional<MeasuredStep> step_;
  SectionPainter painter_;
};
