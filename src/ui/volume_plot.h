// The height-volume curve in a small window of its own: the volume above
// the level (red) and below it (blue) against the height, with the range of
// each axis written at its ends and the CSV file it came from underneath.
#pragma once

#include <QDialog>
#include <QWidget>
#include <vector>

#include "analysis/clipped_volume.h"

class QLabel;

class VolumePlot : public QWidget {
  Q_OBJECT

 public:
  explicit VolumePlot(QWidget* parent = nullptr);
  void SetCurve(std::vector<quervik::VolumeFigures> rows);
  const std::vector<quervik::VolumeFigures>& curve() const { return rows_; }

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  std::vector<quervik::VolumeFigures> rows_;
};

// Not modal and shown without taking the activation from the main window:
// it stays open beside it until closed, and the next curve replaces what it
// shows.
class VolumeCurveDialog : public QDialog {
  Q_OBJECT

 public:
  explicit VolumeCurveDialog(QWidget* parent);
  // Shows `rows`, written to `file`, and brings the window to the front.
  void ShowCurve(std::vector<quervik::VolumeFigures> rows, const QString& file);

 private:
  VolumePlot* plot_ = nullptr;
  QLabel* file_ = nullptr;
};
