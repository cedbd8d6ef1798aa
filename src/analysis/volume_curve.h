// The height-volume curve: the figures of ClippedVolumeIndex::At at every
// multiple of a step between the lowest and the highest height, computed
// in one sweep over the heights instead of one pass per level.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "analysis/clipped_volume.h"
#include "core/progress.h"

namespace quervik {

constexpr std::size_t kMaxCurveLevels = 1000000;

// The levels of a curve, ascending: every k * step (k a whole number; the
// level for k = 0 is 0) with zmin <= k * step <= zmax, that is from the
// first multiple of the step at or above zmin to the last at or below zmax.
// Empty when no multiple lies in the range. Refuses, before anything else,
// a step <= 0 or NaN ("Die Schrittweite muss größer als 0 sein"), and more
// than kMaxCurveLevels levels or a step lost against the heights ("Die
// Schrittweite ist zu klein: mehr als 1000000 Schnitte"); a NaN height is
// "Ungültige Gleitkommaoperation".
std::vector<double> CurveLevels(double zmin, double zmax, double step);

// The figures at each level of CurveLevels(zmin, zmax, step), in that order.
// Every piece of the curve between two corner heights of a face is a cubic
// in the level; the pieces are filed by the levels where they begin and
// end, and one sweep up the levels adds them up, expanded about each level
// so that no large terms cancel. Pieces covering only a few levels are
// clipped at those levels directly, with the arithmetic of At. Costs one
// pass over the faces plus one step per level, and agrees with At at the
// same level to about 1e-12 of the whole volume (sum of |weight| times the
// height span). Exactly 0 is given above at or over the highest corner and
// below at or under the lowest; an open surface never gets a negative
// figure.
//
// `progress` is told every few thousand faces how many of the index's
// faces are done (and once more at the end); it may throw Cancelled, which
// ends the curve with nothing computed.
std::vector<VolumeFigures> VolumeCurve(const ClippedVolumeIndex& index, double zmin, double zmax,
                                       double step, const ProgressFn& progress = {});

}  // namespace quervik
