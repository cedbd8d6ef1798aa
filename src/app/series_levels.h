// The levels of a series of sections, as the texts that name their layers.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace quervik {

// The most levels one series has.
inline constexpr std::size_t kMaxSeriesLevels = 1000000;

// The level texts of a series: H = trunc(zmin/dh)*dh (trunc to a whole
// number, so never -0), each level written "%8.3f" with the process-wide
// separator, H += dh until H > zmax (at least one level). Refuses, before
// anything else happens:
// - dh <= 0 or NaN: "Die Schrittweite muss größer als 0 sein";
// - a step that does not change the level at some height of the series:
//   "Die Schrittweite ist zu klein: sie ändert die Höhe <h> nicht" (h "%.3f");
// - two levels with the same text, which would share their layer: "Die
//   Schrittweite ist zu klein: zwei Schnitte kämen auf denselben Layer
//   'S<text>d'";
// - more than a million levels: "Die Schrittweite ist zu klein: mehr als
//   1000000 Schnitte" (when the first levels already show one of the two
//   above, that one is named instead).
std::vector<std::string> SeriesLevelTexts(double zmin, double zmax, double dh);

}  // namespace quervik
