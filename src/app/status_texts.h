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

}  // namespace quervik
