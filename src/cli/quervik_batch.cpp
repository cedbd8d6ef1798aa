// quervik-batch: the window's exports without a window. It acts like the
// window right after a load that is not activated again: the decimal
// separator stays as the OBJ reader left it, so LEVEL, STEP and ANGLE are read
// with it and the numbers it prints are written with it (a file with comma
// decimals takes "2,5"). The level and step texts name the files and layers
// exactly as the window's fields would, and the files are the same bytes,
// since both call the same export functions.
#include <CLI/CLI.hpp>

#include <cstdio>
#include <exception>
#include <iostream>
#include <new>
#include <string>
#include <vector>

#include "analysis/crease_edges.h"
#include "analysis/volume.h"
#include "core/errors.h"
#include "core/number_format.h"
#include "dxf/dxf_exports.h"
#include "model/obj_reader.h"
#include "section/plane_section.h"

namespace {

using namespace quervik;

// The reader's warning about coordinates read as 0, on stderr.
void Warn(const ObjReadReport& report) {
  const std::string warning = UnreadableNumbersWarning(report);
  if (warning.empty()) return;
  std::cout.flush();
  std::cerr << warning << '\n';
}

// Loads the mesh and warns at once, unless `report` is given: the caller
// warns then, after its count line.
Mesh Load(const std::string& path, ObjReadReport* report = nullptr) {
  // The window is activated before the user can load a file.
  SetDecimalSeparator('.');
  ObjReadReport own;
  Mesh mesh = ReadMesh(path, {}, report != nullptr ? report : &own);
  ZMinMax(mesh);
  if (report == nullptr) Warn(own);
  return mesh;
}

void Section(const std::string& path, const std::string& levelText) {
  const Mesh mesh = Load(path);
  TContour contour;
  CalculateContour(mesh, StrToFloat(levelText), contour);
  DxfWriter writer;
  SchreibDXF(writer, path, levelText, contour);
  std::cout << writer.DXFFileName << '\n';
}

void Series(const std::string& path, const std::string& stepText) {
  const Mesh mesh = Load(path);
  const double dh = StrToFloat(stepText);
  const std::vector<std::string> levels = SeriesLevelTexts(mesh.zmin, mesh.zmax, dh);
  const SectionIndex index = SectionIndex::Build(mesh);
  DxfWriter writer;
  WriteSeriesDxf(writer, path, mesh, &index, levels);
  std::cout << writer.DXFFileName << '\n';
}

void MeshExport(const std::string& path) {
  const Mesh mesh = Load(path);
  DxfWriter writer;
  WriteMeshDxf(writer, path, mesh);
  std::cout << writer.DXFFileName << '\n';
}

void Info(const std::string& path, const std::string* levelText) {
  ObjReadReport report;
  const Mesh mesh = Load(path, &report);
  std::cout << mesh.V.size() << " Vertices " << mesh.Vn.size() << " Verticenormals "
            << mesh.Fc.size() << " Faces geladen\n";
  Warn(report);
  std::cout << "Schnitthöhe " << FormatFixed(mesh.zmin, 4, 3) << " - "
            << FormatFixed(mesh.zmax, 4, 3) << '\n';
  if (levelText) {
    const double level = StrToFloat(*levelText);
    TContour contour;
    CalculateContour(mesh, level, contour);
    std::cout << "Fertig: Schnittlinie " << contour.Points.size() << " Punkte "
              << contour.Contours.size() << " Linien\n";
    std::cout << FormatFixed(CalcVolumen(mesh, level), 6, 0) << '\n';
  }
}

void Creases(const std::string& path, const std::string& angleText) {
  Mesh mesh = Load(path);
  std::vector<Tbruchkante> Bruchkanten;
  BruchkanteFinden(mesh, angleText, Bruchkanten);
  DxfWriter writer;
  SchreibBruchkantenDXF(writer, path, mesh, Bruchkanten);
  std::cout << writer.DXFFileName << '\n';
}

}  // namespace

int main(int argc, char** argv) {
  CLI::App app{
      "quervik-batch: schneidet Dreiecksnetze (Wavefront OBJ) mit waagerechten Ebenen und "
      "schreibt DXF-Dateien neben die OBJ-Datei, wie das Fenster von Quervik.\n"
      "Zahlen werden mit dem Dezimaltrennzeichen der OBJ-Datei gelesen und geschrieben.",
      "quervik-batch"};
  app.require_subcommand(1);

  std::string mesh, levelText, stepText, angleText, infoLevel;

  CLI::App* section =
      app.add_subcommand("section", "Schnittlinie bei LEVEL als S<LEVEL>.dxf (\".\" wird \"_\")");
  section->add_option("MESH", mesh, "OBJ-Datei")->required();
  section->add_option("LEVEL", levelText, "Schnitthöhe")->required();

  CLI::App* series =
      app.add_subcommand("series", "Serie von Schnittlinien im Abstand STEP als Schnitte.dxf");
  series->add_option("MESH", mesh, "OBJ-Datei")->required();
  series->add_option("STEP", stepText, "Schrittweite (größer als 0)")->required();

  CLI::App* meshCmd =
      app.add_subcommand("mesh", "alle Dreiecke als Linien in <MESH ohne Endung>.DXF");
  meshCmd->add_option("MESH", mesh, "OBJ-Datei")->required();

  CLI::App* info = app.add_subcommand(
      "info", "Anzahlen und Höhenbereich; mit --level Schnittlinie und Masse (m3)");
  info->add_option("MESH", mesh, "OBJ-Datei")->required();
  CLI::Option* levelOpt = info->add_option("--level", infoLevel, "Schnitthöhe");

  CLI::App* creases =
      app.add_subcommand("creases", "Bruchkanten über ANGLE Grad als Bruchkanten.dxf");
  creases->add_option("MESH", mesh, "OBJ-Datei")->required();
  creases->add_option("ANGLE", angleText, "Kantenwinkel in Grad")->required();

  // A level such as "-2.5" is a value, not an option.
  for (CLI::App* sub : {section, series, creases}) sub->positionals_at_end();

  try {
    app.parse(argc, argv);
  } catch (const CLI::ParseError& e) {
    return app.exit(e);
  }

  try {
    if (section->parsed()) {
      Section(mesh, levelText);
    } else if (series->parsed()) {
      Series(mesh, stepText);
    } else if (meshCmd->parsed()) {
      MeshExport(mesh);
    } else if (info->parsed()) {
      Info(mesh, levelOpt->count() > 0 ? &infoLevel : nullptr);
    } else if (creases->parsed()) {
      Creases(mesh, angleText);
    }
    std::cout.flush();
    if (!std::cout) {
      std::cerr << "E/A-Fehler beim Schreiben der Ausgabe\n";
      return 1;
    }
  } catch (const std::bad_alloc&) {
    std::cerr << "Zu wenig Arbeitsspeicher\n";
    return 1;
  } catch (const std::exception& e) {
    std::cerr << e.what() << '\n';
    return 1;
  }
  return 0;
}
