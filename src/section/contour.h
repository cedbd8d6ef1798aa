// The section line: points in the plane z = Level and segments joining two
// of them by index. Points closer than the tolerance (per axis) are merged,
// so that neighbouring faces share their end points. The segments are not
// chained and carry no orientation beyond the order of their face.
#pragma once

#include <cstdint>
#include <vector>

namespace quervik {

struct TPunkt {
  double X = 0;
  double Y = 0;
  double Z = 0;        // always 0 in a stored point; the height is the contour's Level
  std::int8_t ln = 0;  // stored as 0, read by nothing
};

struct TLine {
  std::int32_t sp = 0;  // index of the start point in Points
  std::int32_t ep = 0;  // index of the end point in Points
  char16_t AE = 0;      // stored as 0, read by nothing
};

struct TContour {
  double Level = 0;
  std::vector<TPunkt> Points;
  std::vector<TLine> Contours;
};

struct TLineCut {
  TPunkt ContourPt;  // only X and Y are set by a cut
  bool Found = false;
};

// The merge tolerance in model units; every calculation uses it.
inline constexpr double kPtTolerance = 0.02;

}  // namespace quervik
