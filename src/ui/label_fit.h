// Labels size themselves to their text: a label keeps its laid-out width
// while its text fits and grows to the right when the text needs more room
// (a height range in Label2, a stand-in font wider than Tahoma).
#pragma once

#include <QLabel>

inline void FitLabel(QLabel* label) {
  const int needed = label->sizeHint().width();
  if (needed > label->width()) label->resize(needed, label->height());
}
