#include "app/status_texts.h"

#include "app/contour_export.h"
#include "core/number_format.h"

namespace quervik {

std::string LoadedText(const Mesh& mesh) {
  return std::to_string(mesh.V.size()) + " Vertices " + std::to_string(mesh.Vn.size()) +
         " Verticenormals " + std::to_string(mesh.Fc.size()) + " Faces geladen";
}

std::string HeightRangeText(double zmin, double zmax) {
  return "Schnitthöhe " + FormatFixed(zmin, 4, 3) + " - " + FormatFixed(zmax, 4, 3);
}

std::string SectionDoneText(const TContour& contour) {
  return "Fertig: Schnittlinie " + std::to_string(contour.Points.size()) + " Punkte " +
         std::to_string(contour.Contours.size()) + " Linien";
}

std::string VolumeText(double masse) {
  return FormatFixed(masse, 6, 0);
}

std::string CreasesFoundText(std::size_t creases) {
  return std::to_string(creases) + " Kanten gefunden";
}

std::string CreasesWritingText(std::size_t creases, std::string_view file) {
  return CreasesFoundText(creases) + " schreibe " + std::string(file);
}

std::string CreasesDoneText(std::size_t skippedFaces) {
  return skippedFaces == 0 ? std::string("Fertig!") : "Fertig! " + SkippedFacesText(skippedFaces);
}

std::string SkippedFacesText(std::size_t faces) {
  return std::to_string(faces) + " Faces ohne Fläche übersprungen";
}

std::string ContourSummary(const ContourResult& result) {
  return std::to_string(result.polylines) +
         (result.polylines == 1 ? " Polylinie, davon " : " Polylinien, davon ") +
         std::to_string(result.closed) + " geschlossen";
}

}  // namespace quervik
