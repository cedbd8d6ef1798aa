#include "app/export_files.h"

#include <algorithm>

#include "core/errors.h"

namespace quervik {

std::string ObjFolder(std::string_view objPath) {
  const std::size_t k = objPath.find_last_of('/');
  if (k == std::string_view::npos) return {};
  return std::string(objPath.substr(0, k + 1));
}

std::string SectionDxfFileName(std::string_view objPath, std::string_view levelText) {
  // The blanks that a number may carry around it (a padded level such as
  // "   3.000") are not part of the name.
  const std::size_t first = levelText.find_first_not_of(' ');
  levelText = first == std::string_view::npos
                  ? std::string_view{}
                  : levelText.substr(first, levelText.find_last_not_of(' ') - first + 1);
  std::string name(levelText);
  std::replace(name.begin(), name.end(), '.', '_');
  return ObjFolder(objPath) + "S" + name + ".dxf";
}

std::string MeshDxfFileName(std::string_view objPath) {
  if (objPath.empty()) throw Error("Kein Dateiname angegeben");
  if (objPath.find('\0') != std::string_view::npos) throw Error("Ungültige Zeichen im Pfad");
  const std::size_t slash = objPath.find_last_of("/\\");
  const std::size_t dot = objPath.find_last_of('.');
  if (dot != std::string_view::npos && (slash == std::string_view::npos || dot > slash)) {
    return std::string(objPath.substr(0, dot)) + ".DXF";
  }
  return std::string(objPath) + ".DXF";
}

std::string SeriesDxfFileName(std::string_view objPath) {
  return ObjFolder(objPath) + "Schnitte.dxf";
}

std::string BruchkantenDxfFileName(std::string_view objPath) {
  return ObjFolder(objPath) + "Bruchkanten.dxf";
}

std::string ContourFileName(std::string_view objPath, std::string_view levelText,
                            std::string_view extension) {
  if (levelText.empty()) return ObjFolder(objPath) + "Hoehenlinien" + std::string(extension);
  std::string name(levelText);
  std::replace(name.begin(), name.end(), '.', '_');
  return ObjFolder(objPath) + "Hoehenlinie_" + name + std::string(extension);
}

std::string VolumeCurveFileName(std::string_view objPath) {
  return ObjFolder(objPath) + "Volumenkurve.csv";
}

}  // namespace quervik
