#include "app/curve_export.h"

#include <sys/stat.h>

#include "analysis/volume_curve.h"
#include "app/export_files.h"
#include "core/atomic_file.h"
#include "core/errors.h"
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

CurveExport WriteVolumeCurve(std::string_view objPath, const ClippedVolumeIndex& index, double zmin,
                             double zmax, double step, char decimalSeparator,
                             const ProgressFn& progress) {
  CurveExport out;
  out.file = VolumeCurveFileName(objPath);
  // The mesh file under this name (or a link to it) is not overwritten.
  struct stat in {};
  struct stat target {};
  if (!objPath.empty() && objPath.find('\0') == std::string_view::npos &&
      ::stat(std::string(objPath).c_str(), &in) == 0 && ::stat(out.file.c_str(), &target) == 0 &&
      in.st_dev == target.st_dev && in.st_ino == target.st_ino) {
    throw Error("Die CSV-Datei würde die OBJ-Datei überschreiben: " + out.file);
  }
  out.rows = VolumeCurve(index, zmin, zmax, step, progress);
  WriteCurveCsv(out.file, out.rows, decimalSeparator);
  return out;
}

}  // namespace quervik
