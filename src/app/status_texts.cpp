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

namespace {

// "1 Linie", "2 Linien", "0 Linien".
std::string Count(std::size_t n, const char* one, const char* many) {
  return std::to_string(n) + " " + (n == 1 ? one : many);
}

std::string In(std::string_view file) {
  return " in " + std::string(file);
}

}  // namespace

std::string ExactVolumeText(double value) {
  return FormatFixed(value, 0, 2);
}

std::string SectionDxfDoneText(std::size_t lines, std::string_view file) {
  return "DXF Datei von Schnittlinie erzeugt – " + Count(lines, "Linie", "Linien") + In(file);
}

std::string MeshDxfDoneText(std::size_t faces, std::string_view file) {
  return "Fertig! – " + Count(faces, "Face", "Faces") + " (" + Count(3 * faces, "Linie", "Linien") +
         ")" + In(file);
}

std::string SeriesDoneText(std::size_t sections, std::size_t lines, std::string_view file) {
  return "Fertig! – " + Count(sections, "Schnitt", "Schnitte") + " mit " +
         Count(lines, "Linie", "Linien") + In(file);
}

std::string CreasesWrittenText(std::size_t skippedFaces, std::size_t creases,
                               std::string_view file) {
  return CreasesDoneText(skippedFaces) + " – " + Count(creases, "Bruchkante", "Bruchkanten") +
         In(file);
}

std::string ContoursDoneText(const ContourResult& result) {
  return "Fertig! – " + ContourSummary(result) + "," +
         In(result.files.empty() ? std::string() : result.files.front());
}

std::string CurveDoneText(std::size_t levels, std::string_view file) {
  return "Fertig! – " + Count(levels, "Höhe", "Höhen") + In(file);
}

std::string ExportCancelledText(std::string_view file) {
  return "Abgebrochen – " + std::string(file) + " bleibt unverändert";
}

std::string LoadCancelledText(std::string_view file) {
  return "Abgebrochen – " + std::string(file) + " wurde nicht geladen";
}

}  // namespace quervik
