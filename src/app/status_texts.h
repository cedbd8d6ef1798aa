// The texts that the window and the batch tool both show, made in one place
// so that the two cannot drift apart. Numbers are written with the
// process-wide decimal separator.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "model/mesh.h"
#include "section/contour.h"

namespace quervik {

struct ContourResult;

// After a load: "9802 Vertices 1 Verticenormals 19201 Faces geladen" (the
// array lengths, placeholder slot included).
std::string LoadedText(const Mesh& mesh);

// The height range: "Schnitthöhe 100.000 - 117.739".
std::string HeightRangeText(double zmin, double zmax);

// After a section: "Fertig: Schnittlinie 20 Punkte 20 Linien".
std::string SectionDoneText(const TContour& contour);

// The window's "Masse m3" and the batch tool's info: the volume rounded to
// whole units, right-aligned in 6 characters ("   625").
std::string VolumeText(double masse);

// The crease search: "12 Kanten gefunden"; before the file is written
// "12 Kanten gefunden schreibe <file>"; after it "Fertig!", or, when the
// search skipped faces without area, "Fertig! 2 Faces ohne Fläche
// übersprungen".
std::string CreasesFoundText(std::size_t creases);
std::string CreasesWritingText(std::size_t creases, std::string_view file);
std::string CreasesDoneText(std::size_t skippedFaces);
// "2 Faces ohne Fläche übersprungen".
std::string SkippedFacesText(std::size_t faces);

// "12 Polylinien, davon 5 geschlossen" ("1 Polylinie, ...").
std::string ContourSummary(const ContourResult& result);

// The exact volume figures ("Über", "Unter", "Fläche m2"): two decimals,
// no padding ("6013.35").
std::string ExactVolumeText(double value);

// What an export wrote: the command's finish text, " – ", what the file
// holds and its path. Counts of one are singular ("1 Linie").
// "DXF Datei von Schnittlinie erzeugt – 20 Linien in /d/S104_5.dxf"
std::string SectionDxfDoneText(std::size_t lines, std::string_view file);
// "Fertig! – 19200 Faces (57600 Linien) in /d/halde.DXF" (the real faces,
// the placeholder slot not counted)
std::string MeshDxfDoneText(std::size_t faces, std::string_view file);
// "Fertig! – 18 Schnitte mit 5234 Linien in /d/Schnitte.dxf"
std::string SeriesDoneText(std::size_t sections, std::size_t lines, std::string_view file);
// CreasesDoneText(skippedFaces) + " – 245 Bruchkanten in /d/Bruchkanten.dxf"
std::string CreasesWrittenText(std::size_t skippedFaces, std::size_t creases,
                               std::string_view file);
// "Fertig! – 18 Polylinien, davon 15 geschlossen, in /d/Hoehenlinien.dxf"
// (the first file of the result)
std::string ContoursDoneText(const ContourResult& result);
// "Fertig! – 18 Höhen in /d/Volumenkurve.csv"
std::string CurveDoneText(std::size_t levels, std::string_view file);

// Long work stopped by the user: "Abgebrochen – /d/Schnitte.dxf bleibt
// unverändert" for an export, "Abgebrochen – /d/netz.obj wurde nicht
// geladen" for a load.
std::string ExportCancelledText(std::string_view file);
std::string LoadCancelledText(std::string_view file);

}  // namespace quervik
