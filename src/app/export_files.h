// Where the exports write: every file goes beside the OBJ file, under a name
// made from the OBJ path (and the level text, for a single section or
// contour).
#pragma once

#include <string>
#include <string_view>

namespace quervik {

// The folder of the OBJ path, with its separator at the end: up to and
// including the last '/'; empty when there is none, which means the working
// directory. ('\' and ':' are ordinary characters of a file name here.)
std::string ObjFolder(std::string_view objPath);

// Folder + "S" + the level text without the blanks around it, with every
// '.' turned into '_', + ".dxf".
std::string SectionDxfFileName(std::string_view objPath, std::string_view levelText);

// The OBJ path with its extension (after the last '.' behind the last '/' or
// '\') replaced by "DXF", or ".DXF" appended. Refuses an empty path ("Kein
// Dateiname angegeben") and a path holding NUL ("Ungültige Zeichen im
// Pfad").
std::string MeshDxfFileName(std::string_view objPath);

// Folder + "Schnitte.dxf": the series.
std::string SeriesDxfFileName(std::string_view objPath);

// Folder + "Bruchkanten.dxf": the crease edges.
std::string BruchkantenDxfFileName(std::string_view objPath);

// Where the contours go: folder + "Hoehenlinien" + extension, or for a
// single level folder + "Hoehenlinie_" + the level text with every '.'
// turned into '_' + extension (".dxf", ".geojson").
std::string ContourFileName(std::string_view objPath, std::string_view levelText,
                            std::string_view extension);

// Folder + "Volumenkurve.csv": the window's height-volume table.
std::string VolumeCurveFileName(std::string_view objPath);

}  // namespace quervik
