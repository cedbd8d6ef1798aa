// The DXF exports: the section line, the whole mesh, a series of sections
// and the crease edges, each beside the OBJ file (export_files.h names
// them). The window and the batch tool call these same functions, so both
// write the same bytes. Each returns the path of the file it wrote.
//
// Every export refuses, before any file is touched, a target that is the OBJ
// file itself (also through a link): "Die DXF-Datei würde die OBJ-Datei
// überschreiben: <file>"; and a file larger than the free space of its folder
// (FitsBeside) with the error of a full disk, "E/A-Fehler 28". The sizes are
// exact; the series first bounds its size from the section index and counts
// its segments only when the bound does not fit. File errors are those of
// AtomicFile; after any error the previous file is as it was.
//
// Progress: each export takes an optional ProgressFn (core/progress.h),
// called on the calling thread as progress(done, total): once with done = 0
// before the file is opened, then every few thousand entities (the series:
// after each level), and once with done = total after the last entity,
// before the file replaces its target. The steps are the section's segments,
// the mesh's faces, the series' levels and the crease edges. A progress
// function that throws (Cancelled) stops the export there, like any other
// error: the temporary file is removed and the previous file stays.
#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "analysis/crease_edges.h"
#include "core/atomic_file.h"
#include "core/progress.h"
#include "model/mesh.h"
#include "section/contour.h"
#include "section/plane_section.h"

namespace quervik {

struct ExportSettings {
  // Threads computing the sections of a series (0: one per processor; 1: one
  // after another on the calling thread). The file is the same for every
  // count.
  unsigned threads = 0;
  // The free space of the target's folder; empty: the file system's own
  // count. Tests put a small disk here.
  FreeSpaceFn freeSpace;
  // For measuring what writing the file costs (benchmarks): the series runs
  // as always, every check made and every byte formatted and handed on in
  // the same blocks, but the bytes go nowhere and no file is created or
  // replaced. The other exports ignore it.
  bool discardBytes = false;
};

// The bytes of formatted levels a series keeps waiting, per thread, while
// the level before them is still being written.
inline constexpr std::size_t kSeriesAheadBytesPerThread = std::size_t{16} << 20;

// The section export: one LINE per segment at contour.Level, layer
// "SCHNITT" + levelText (blanks kept), into SectionDxfFileName(objPath,
// levelText).
std::string SchreibDXF(std::string_view objPath, std::string_view levelText,
                       const TContour& contour, const ExportSettings& settings = {},
                       const ProgressFn& progress = {});

// The whole mesh: three LINEs per face 1 … last (A-B, A-C, B-C), x and y
// exchanged, layer "FACE", into MeshDxfFileName(objPath). The placeholder
// slot 0 is no face and writes nothing. A face naming a vertex that V does
// not have is refused ("Fläche <i> nennt den Eckpunkt <k>, den es nicht
// gibt").
std::string WriteMeshDxf(std::string_view objPath, const Mesh& mesh,
                         const ExportSettings& settings = {}, const ProgressFn& progress = {});

// Called after each level of the series, in order, with the level text and
// its section (whose Level is the text read back).
using SeriesLevelDone = std::function<void(const std::string& levelText, const TContour& contour)>;

// The series export into SeriesDxfFileName(objPath): for each level text
// (SeriesLevelTexts), the section at that text read back with the
// process-wide format, one LINE per segment on the layer "S" + text + "d".
// Every text is read before the file is opened (a text that is no number
// raises the conversion error and writes nothing).
//
// `index`: the section index of this mesh, or null. Without one, a series
// of more than a few levels builds its own, on a thread of its own, while
// the first levels are already cut without it (one worker fewer meanwhile);
// the file waits for the index only for its size check.
//
// Sections are cut and formatted on worker threads and written in order:
// the level being written goes to the file in blocks of 256 KiB as they are
// formatted, and the levels after it keep at most kSeriesAheadBytesPerThread
// per thread waiting, so memory stays bounded however large or many the
// levels are. `levelDone` and `progress` (steps: levels) run on the calling
// thread after each level's lines are written; an exception either raises
// stops the export and keeps the previous file.
std::string WriteSeriesDxf(std::string_view objPath, const Mesh& mesh, const SectionIndex* index,
                           const std::vector<std::string>& levelTexts,
                           const SeriesLevelDone& levelDone = {},
                           const ExportSettings& settings = {}, const ProgressFn& progress = {});

// The crease edges into BruchkantenDxfFileName(objPath): one LINE per entry
// from V[lower] to V[higher], layer "Bruchkante". An entry naming a vertex
// that V does not have is refused ("Bruchkante <k> nennt den Eckpunkt <v>,
// den es nicht gibt").
std::string SchreibBruchkantenDXF(std::string_view objPath, const Mesh& mesh,
                                  const std::vector<Tbruchkante>& Bruchkanten,
                                  const ExportSettings& settings = {},
                                  const ProgressFn& progress = {});

}  // namespace quervik
