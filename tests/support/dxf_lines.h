// The minimal DXF files as lines: a file split into its CR LF lines, and
// the lines a LINE record, the pyramid's section and a whole file must have.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "dxf/dxf_number.h"

namespace quervik::test {

// The lines of a DXF file; every line must end with CR LF.
inline std::vector<std::string> DxfLines(const std::string& text) {
  std::vector<std::string> lines;
  size_t start = 0;
  while (start < text.size()) {
    const size_t end = text.find("\r\n", start);
    if (end == std::string::npos) {
      ADD_FAILURE() << "line without CR LF at byte " << start;
      break;
    }
    lines.push_back(text.substr(start, end - start));
    start = end + 2;
  }
  return lines;
}

// The 18 lines of a LINE entity as the writer must produce them, built from
// literal coordinate texts.
inline std::vector<std::string> LineRecord(const std::string& layer, const std::string& x1,
                                           const std::string& y1, const std::string& z1,
                                           const std::string& x2, const std::string& y2,
                                           const std::string& z2) {
  return {"  0", "LINE", "  8", layer, "  6", "CONTINUOUS", " 10", x1,    " 20",
          y1,    " 30",  z1,    " 11", x2,    " 21",        y2,    " 31", z2};
}

// The same from coordinates, formatted as the writer formats them.
inline std::vector<std::string> DxfLine(const std::string& layer, double x1, double y1, double z1,
                                        double x2, double y2, double z2) {
  return LineRecord(layer, FormatDxfReal(x1), FormatDxfReal(y1), FormatDxfReal(z1),
                    FormatDxfReal(x2), FormatDxfReal(y2), FormatDxfReal(z2));
}

// The section of the pyramid of the test data (dxf_pyramid.obj) at height
// h < 4 is the square of half side s = 2 - h/2 about (2, 2); its points in
// order of discovery are (2+s, 2-s), (2-s, 2-s), (2+s, 2+s), (2-s, 2+s) and
// its segments (0,1), (2,0), (3,2), (1,3), one per side face.
inline std::vector<std::vector<std::string>> PyramidSection(const std::string& layer, double h) {
  const double s = 2 - h / 2, lo = 2 - s, hi = 2 + s;
  return {DxfLine(layer, hi, lo, h, lo, lo, h), DxfLine(layer, hi, hi, h, hi, lo, h),
          DxfLine(layer, lo, hi, h, hi, hi, h), DxfLine(layer, lo, lo, h, lo, hi, h)};
}

inline std::vector<std::string> Framed(const std::vector<std::vector<std::string>>& records) {
  std::vector<std::string> lines{"  0", "SECTION", "  2", "ENTITIES"};
  for (const auto& r : records) lines.insert(lines.end(), r.begin(), r.end());
  for (const char* l : {"  0", "ENDSEC", "  0", "EOF"}) lines.push_back(l);
  return lines;
}

}  // namespace quervik::test
