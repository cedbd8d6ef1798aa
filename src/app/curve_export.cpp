#include "app/curve_export.h"

#include "core/atomic_file.h"
#include "core/shortest_number.h"

namespace quervik {

std::string VolumeCurveCsv(const std::vector<VolumeFigures>& rows, char decimalSeparator) {
  const char sep = decimalSeparator == ',' ? ';' : ',';
  std::string out = "Höhe";
  for (const char* name : {"Fläche über m2", "Über m3", "Unter m3", "Fläche unter m2"}) {
    out += sep;
    out += name;
  }
  out += '\n';
  for (const VolumeFigures& r : rows) {
    for (double v : {r.level, r.area_above, r.above, r.below}) {
      out += FormatShortest(v, decimalSeparator);
      out += sep;
    }
    out += FormatShortest(r.area_below, decimalSeparator);
    out += '\n';
  }
  return out;
}

std::string WriteCurveCsv(const std::string& path, const std::vector<VolumeFigures>& rows,
                          char decimalSeparator) {
  AtomicFile file;
  file.Open(path);
  file.Write(VolumeCurveCsv(rows, decimalSeparator));
  file.Commit();
  return path;
}

}  // namespace quervik
