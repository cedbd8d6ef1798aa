// The height-volume curve as a CSV file for spreadsheets.
#pragma once

#include <string>
#include <vector>

#include "analysis/clipped_volume.h"

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

}  // namespace quervik
