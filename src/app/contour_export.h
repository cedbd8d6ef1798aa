// The contour lines of a mesh as a CAD user wants them: at every multiple of
// a step, chained into polylines carrying their height, minor and major
// contours on layers of their own with the heights written on the major
// ones, in a complete DXF drawing `Hoehenlinien.dxf` beside the OBJ file
// (and, on request, as GeoJSON for GIS programs). The window and the batch
// tool both call WriteContours, so both write the same bytes. The file names
// are ContourFileName's (export_files.h).
#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "core/progress.h"
#include "model/mesh.h"
#include "section/plane_section.h"

namespace quervik {

// The layers of the contour drawing and their colours (AutoCAD colour
// index): minor contours grey and thin, major ones red and bold with their
// labels.
inline constexpr const char* kMinorContourLayer = "HL_MINOR";
inline constexpr const char* kMajorContourLayer = "HL_MAJOR";
inline constexpr int kMinorContourColour = 8;
inline constexpr int kMajorContourColour = 1;

// The most contour levels one export computes.
inline constexpr std::size_t kMaxContourLevels = 1000000;

struct ContourLevel {
  double z = 0;        // the height
  bool major = false;  // a major contour (labelled, on HL_MAJOR)
  std::string label;   // the height as written on the drawing: "102.5"
};

// The contour levels from zmin to zmax: z = k · step for every whole number
// k with zmin <= z <= zmax, ascending (so they do not start at zmin as the
// series does; none when no multiple lies in the range). Each z is k · step
// rounded to the decimals the step is written with (3 · 0.1 is 0.3, not
// 0.30000000000000004), and labelled with just those decimals ("102.5" and
// "105.0" for the step 2.5, "105" for the step 1). A level is major when k is
// divisible by `major` (so 0 always is). Refuses, before anything else
// happens, a step that is not greater than 0 ("Die Schrittweite muss größer
// als 0 sein"), so small that there would be more than kMaxContourLevels
// levels or that neighbouring levels could not be told apart
// ("Die Schrittweite ist zu klein: mehr als 1000000 Höhenlinien"), and a
// major interval below 1 ("Der Abstand der Haupthöhenlinien muss mindestens
// 1 sein").
std::vector<ContourLevel> ContourLevels(double zmin, double zmax, double step, int major);

// The single level `levelText` (read with the process-wide format, so a
// text that is no number raises the conversion error): major when it is one
// of the multiples ContourLevels makes and its k is divisible by `major`;
// labelled with the decimals of the step or of the level, whichever has
// more. Refuses a bad step or major interval as ContourLevels does.
ContourLevel SingleContourLevel(std::string_view levelText, double step, int major);

struct ContourOptions {
  // Not empty: only the contour at this level, into Hoehenlinie_<text>.dxf.
  std::string levelText;
  // Also write the contours as GeoJSON beside the drawing.
  bool geojson = false;
  // Threads cutting the levels (0: one per processor; 1: on the calling
  // thread). The files are the same for every count.
  unsigned threads = 0;
  // Called on the calling thread after each level is written, with the
  // number of levels written and the number of all levels. It may throw
  // Cancelled (core/progress.h): the export then ends and the previous
  // files stay as they were.
  ProgressFn levelDone;
};

struct ContourResult {
  std::vector<std::string> files;  // the files written: the drawing, then the GeoJSON file
  std::size_t levels = 0;          // the levels cut
  std::size_t polylines = 0;       // the polylines written
  std::size_t closed = 0;          // how many of them are closed
};

// Writes the contours of `mesh` every `step` (every `major`-th of them a
// major contour) beside the OBJ file `objPath`. At each level the mesh is
// cut as the section command cuts it (index: the mesh's section index, or
// null) and the section is chained into polylines (ChainContour), each
// written as an LWPOLYLINE at the level's height on HL_MINOR or HL_MAJOR;
// every polyline of a major level gets a TEXT with the level's label, as
// high as 1/200 of the larger side of the mesh's plan (1 for a mesh without
// extent), centred on the middle of its middle segment and turned along it
// so that it reads from left to right. The levels are cut in parallel and
// written in order; at most a few per thread wait to be written, so memory
// stays bounded however many levels there are.
//
// Every check (step, major interval, level text, the number of levels) is
// made before any file is touched. A section point outside the range of
// 64-bit floats is refused ("Die Höhenlinie bei <label> hat einen Punkt
// außerhalb des Zahlenbereichs"); file errors are those of AtomicFile. The
// files replace their targets only when both are complete: a failed export
// leaves the previous files as they were.
ContourResult WriteContours(const Mesh& mesh, const SectionIndex* index, double step, int major,
                            std::string_view objPath, const ContourOptions& options = {});

}  // namespace quervik
