// The DXF exports: the section line, the whole mesh, a series of sections
// and the crease edges, each beside the OBJ file. The window and the batch
// tool call these same functions, so both write the same bytes.
//
// Every export refuses, before any file is touched, a target that is the OBJ
// file itself (also through a link): "Die DXF-Datei würde die OBJ-Datei
// überschreiben: <file>"; and a file larger than the free space of its folder
// (DxfWriter::DXFFits) with the error of a full disk, "E/A-Fehler 28". The
// sizes are exact; the series first bounds its size from the section index
// and counts its segments only when the bound does not fit.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "analysis/crease_edges.h"
#include "dxf/dxf_writer.h"
#include "model/mesh.h"
#include "section/contour.h"
#include "section/plane_section.h"

namespace quervik {

// The folder of the OBJ path, with its separator at the end: up to and
// including the last '/' (on Windows also '\' and ':'); empty when there is
// none, which means the working directory.
std::string ObjFolder(std::string_view objPath);

// Folder + "S" + the level text without the blanks around it, with every
// '.' turned into '_', + ".dxf".
std::string SectionDxfFileName(std::string_view objPath, std::string_view levelText);

// The OBJ path with its extension (after the last '.' behind the last '/' or
// '\') replaced by "DXF", or ".DXF" appended. Refuses an empty path ("Kein
// Dateiname angegeben") and a path holding a character not allowed in paths
// ("Ungültige Zeichen im Pfad": NUL; on Windows also control characters and
// " < > |).
std::string MeshDxfFileName(std::string_view objPath);

// The section export: one LINE per segment at contour.Level, layer
// "SCHNITT" + levelText (blanks kept), into SectionDxfFileName(objPath,
// levelText).
void SchreibDXF(DxfWriter& writer, std::string_view objPath, std::string_view levelText,
                const TContour& contour);

// The whole mesh: three LINEs per face 1 … last (A-B, A-C, B-C), x and y
// exchanged, layer "FACE", into MeshDxfFileName(objPath). The placeholder
// slot 0 is no face and writes nothing.
void WriteMeshDxf(DxfWriter& writer, std::string_view objPath, const Mesh& mesh);

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

// Called after each level of the series, in order, with the level text and
// its section (whose Level is the text read back).
using SeriesLevelDone = std::function<void(const std::string& levelText, const TContour& contour)>;

// The series export into ObjFolder(objPath) + "Schnitte.dxf": for each level
// text, the section at that text read back with the process-wide format, one
// LINE per segment on the layer "S" + text + "d". Every text is read before
// the file is opened (a text that is no number raises the conversion error
// and writes nothing). Sections are computed in parallel and written in
// order; `levelDone` runs on the calling thread after each level's lines are
// written. `index` may be null.
void WriteSeriesDxf(DxfWriter& writer, std::string_view objPath, const Mesh& mesh,
                    const SectionIndex* index, const std::vector<std::string>& levelTexts,
                    const SeriesLevelDone& levelDone = {});

// WriteSeriesDxf with a given number of threads computing the sections
// (0: one per processor; 1: one after another on the calling thread). At
// most a few sections per thread wait to be written, so memory stays bounded
// however many levels there are. The file is the same for every count.
void WriteSeriesDxfThreads(DxfWriter& writer, std::string_view objPath, const Mesh& mesh,
                           const SectionIndex* index, const std::vector<std::string>& levelTexts,
                           const SeriesLevelDone& levelDone, unsigned threads);

// The crease edges into ObjFolder(objPath) + "Bruchkanten.dxf": one LINE per
// entry from V[lower] to V[higher], layer "Bruchkante". Shows
// "%d Kanten gefunden schreibe <file>" before and "Fertig!" after, with
// repaints; when the detection skipped faces without area (skippedFaces, as
// BruchkanteFinden returned it) the finish reads "Fertig! <n> Faces ohne
// Fläche übersprungen".
void SchreibBruchkantenDXF(DxfWriter& writer, std::string_view objPath, const Mesh& mesh,
                           const std::vector<Tbruchkante>& Bruchkanten, const StatusFn& status = {},
                           size_t skippedFaces = 0);

}  // namespace quervik
