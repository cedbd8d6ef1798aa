// The height-volume curve as a CSV file for spreadsheets.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "analysis/clipped_volume.h"
#include "core/progress.h"

namespace quervik {

// The curve as CSV text: a header line and one line per level,
// "Höhe;Fläche über m2;Über m3;Unter m3;Fläche unter m2", numbers in full
// precision (the shortest text that reads back to the same double) with
// `decimalSeparator`; fields are separated by ';' when the decimal
// separator is ',' and by ',' otherwise. Lines end with "\n".
std::string VolumeCurveCsv(const std::vector<VolumeFigures>& rows, char decimalSeparator);

// Writes VolumeCurveCsv(rows, decimalSeparator) into the file `path`
// (through AtomicFile: the previous file stays until the new one is
// complete) and returns `path`.
std::string WriteCurveCsv(const std::string& path, const std::vector<VolumeFigures>& rows,
                          char decimalSeparator);

struct CurveExport {
  std::string file;                 // the CSV file written
  std::vector<VolumeFigures> rows;  // its rows, one per level
};

// The window's curve: VolumeCurve(index, zmin, zmax, step, progress) written
// by WriteCurveCsv into VolumeCurveFileName(objPath). The step is refused as
// VolumeCurve refuses it, and a target that is the mesh file itself (also
// through a link) with "Die CSV-Datei würde die OBJ-Datei überschreiben:
// <file>", both before any file is touched. Cancelled by `progress`, it
// writes nothing and the previous file stays.
CurveExport WriteVolumeCurve(std::string_view objPath, const ClippedVolumeIndex& index, double zmin,
                             double zmax, double step, char decimalSeparator,
                             const ProgressFn& progress = {});

}  // namespace quervik
