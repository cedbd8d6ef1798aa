// quervik-batch: the window's exports without a window. It acts like the
// window right after a load that is not activated again: the decimal
// separator stays as the OBJ reader left it, so LEVEL, STEP and ANGLE are read
// with it and the numbers it prints are written with it (a file with comma
// decimals takes "2,5"). The level and step texts name the files and layers
// exactly as the window's fields would, and the files are the same bytes,
// since both call the same export functions.
#include <CLI/CLI.hpp>

#include <charconv>
#include <cmath>
#include <cstdio>
#include <exception>
#include <iostream>
#include <new>
#include <string>
#include <string_view>
#include <vector>

#include "analysis/clipped_volume.h"
#include "analysis/crease_edges.h"
#include "analysis/volume.h"
#include "analysis/volume_curve.h"
#include "app/contour_export.h"
#include "app/curve_export.h"
#include "app/dxf_exports.h"
#include "app/series_levels.h"
#include "app/status_texts.h"
#include "core/atomic_file.h"
#include "core/errors.h"
#include "core/number_format.h"
#include "core/shortest_number.h"
#include "model/mesh_reader.h"
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
  Mesh mesh = ReadMeshFile(path, {}, report != nullptr ? report : &own);
  if (report == nullptr) Warn(own);
  return mesh;
}

void Section(const std::string& path, const std::string& levelText) {
  const Mesh mesh = Load(path);
  TContour contour;
  CalculateContour(mesh, StrToFloat(levelText), contour);
  std::cout << SchreibDXF(path, levelText, contour) << '\n';
}

void Series(const std::string& path, const std::string& stepText) {
  const Mesh mesh = Load(path);
  const double dh = StrToFloat(stepText);
  const std::vector<std::string> levels = SeriesLevelTexts(mesh.zmin, mesh.zmax, dh);
  // No index of our own: the series builds it while its first levels are
  // already being cut.
  std::cout << WriteSeriesDxf(path, mesh, nullptr, levels) << '\n';
}

void MeshExport(const std::string& path) {
  const Mesh mesh = Load(path);
  std::cout << WriteMeshDxf(path, mesh) << '\n';
}

void Info(const std::string& path, const std::string* levelText) {
  ObjReadReport report;
  const Mesh mesh = Load(path, &report);
  std::cout << LoadedText(mesh) << '\n';
  Warn(report);
  std::cout << HeightRangeText(mesh.zmin, mesh.zmax) << '\n';
  if (levelText) {
    const double level = StrToFloat(*levelText);
    TContour contour;
    CalculateContour(mesh, level, contour);
    std::cout << SectionDoneText(contour) << '\n';
    std::cout << VolumeText(CalcVolumen(mesh, level)) << '\n';
  }
}

void Creases(const std::string& path, const std::string& angleText) {
  const Mesh mesh = Load(path);
  const CreaseEdges found = BruchkanteFinden(mesh, StrToFloat(angleText));
  std::cout << SchreibBruchkantenDXF(path, mesh, found.Bruchkanten) << '\n';
  if (found.skippedFaces > 0) std::cout << SkippedFacesText(found.skippedFaces) << '\n';
}

// The exact volumes at a level: two decimals with the process-wide
// separator, or one JSON object in full precision.
void Volume(const std::string& path, const std::string& levelText, bool json) {
  const Mesh mesh = Load(path);
  const double level = StrToFloat(levelText);
  const VolumeFigures f = ClippedVolume(mesh, level);
  if (json) {
    auto num = [](double v) { return std::isfinite(v) ? FormatShortest(v, '.') : "null"; };
    std::cout << "{\"level\": " << num(f.level) << ", \"above\": " << num(f.above)
              << ", \"below\": " << num(f.below) << ", \"area_above\": " << num(f.area_above)
              << ", \"area_below\": " << num(f.area_below)
              << ", \"closed\": " << (f.closed ? "true" : "false") << "}\n";
    return;
  }
  std::cout << "Höhe " << FormatFixed(f.level, 0, 3) << '\n'
            << "Über " << FormatFixed(f.above, 0, 2) << '\n'
            << "Unter " << FormatFixed(f.below, 0, 2) << '\n'
            << "Fläche m2 " << FormatFixed(f.area_above, 0, 2) << '\n'
            << "Fläche unter m2 " << FormatFixed(f.area_below, 0, 2) << '\n'
            << (f.closed ? "Geschlossenes Netz\n" : "Offene Fläche\n");
}

// `text` right-aligned in `width` characters (UTF-8 counted by character).
std::string PadLeft(std::string_view text, std::size_t width) {
  std::size_t chars = 0;
  for (const char c : text) chars += (static_cast<unsigned char>(c) & 0xC0) != 0x80;
  return std::string(chars < width ? width - chars : 0, ' ') + std::string(text);
}

// The height-volume curve: a table on stdout, or CSV into a file.
void Curve(const std::string& path, const std::string& stepText, const std::string* csvPath) {
  const Mesh mesh = Load(path);
  const double step = StrToFloat(stepText);
  const std::vector<VolumeFigures> rows =
      VolumeCurve(ClippedVolumeIndex::Build(mesh), mesh.zmin, mesh.zmax, step);
  if (csvPath) {
    std::cout << WriteCurveCsv(*csvPath, rows, DecimalSeparator()) << '\n';
    return;
  }
  std::string out = PadLeft("Höhe", 10);
  for (const char* title : {"Fläche m2", "Über", "Unter", "Fläche unter m2"})
    out += PadLeft(title, 16);
  out += '\n';
  for (const VolumeFigures& r : rows) {
    out += FormatFixed(r.level, 10, 3);
    for (const double v : {r.area_above, r.above, r.below, r.area_below})
      out += FormatFixed(v, 16, 2);
    out += '\n';
  }
  std::cout << out;
}

// The arguments for CLI11, in the reversed order it takes them, with the
// options of "volume" and "curve" moved before their values: a value may
// begin with "-" ("-2.5"), so values are only read once the options are
// done, and "volume FILE -2.5 --json" must still see its "--json".
std::vector<std::string> OptionsBeforeValues(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  if (!args.empty() && (args[0] == "volume" || args[0] == "curve")) {
    std::vector<std::string> options, values;
    for (std::size_t i = 1; i < args.size(); ++i) {
      const std::string& a = args[i];
      if (a == "--json" || a == "--help" || a == "-h" || a.rfind("--csv=", 0) == 0) {
        options.push_back(a);
      } else if (a == "--csv") {
        options.push_back(a);
        if (i + 1 < args.size()) options.push_back(args[++i]);
      } else {
        values.push_back(a);
      }
    }
    args.resize(1);
    args.insert(args.end(), options.begin(), options.end());
    args.insert(args.end(), values.begin(), values.end());
  }
  return {args.rbegin(), args.rend()};
}

// A whole number as typed ("5"), else "'<text>' ist kein gültiger Integerwert".
int ParseInt(const std::string& text) {
  int value = 0;
  const char* end = text.data() + text.size();
  const auto r = std::from_chars(text.data(), end, value);
  if (text.empty() || r.ec != std::errc() || r.ptr != end) {
    throw Error("'" + text + "' ist kein gültiger Integerwert");
  }
  return value;
}

void Contours(const std::string& path, const std::string& stepText, const std::string& majorText,
              const std::string* levelText, bool geojson) {
  const int major = ParseInt(majorText);
  const Mesh mesh = Load(path);
  const double step = StrToFloat(stepText);
  ContourOptions options;
  if (levelText) options.levelText = *levelText;
  options.geojson = geojson;
  // A single level cuts only the faces it meets; the index pays for many.
  const SectionIndex index = levelText ? SectionIndex{} : SectionIndex::Build(mesh);
  const ContourResult result = WriteContours(mesh, &index, step, major, path, options);
  std::cout << ContourSummary(result) << '\n';
  for (const std::string& file : result.files) std::cout << file << '\n';
}

}  // namespace

int main(int argc, char** argv) {
  CLI::App app{
      "quervik-batch: schneidet Dreiecksnetze (Wavefront OBJ, PLY oder STL) mit waagerechten "
      "Ebenen und schreibt DXF-Dateien neben die Netzdatei, wie das Fenster von Quervik.\n"
      "Zahlen werden mit dem Dezimaltrennzeichen der OBJ-Datei gelesen und geschrieben "
      "(nach PLY und STL mit dem Punkt).",
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

  std::string volumeLevel, curveStep, csvPath;
  bool json = false;
  CLI::App* volume = app.add_subcommand(
      "volume", "Volumen über und unter LEVEL und die Fläche darüber, exakt geschnitten");
  volume->add_option("MESH", mesh, "OBJ-Datei")->required();
  volume->add_option("LEVEL", volumeLevel, "Höhe")->required();
  volume->add_flag("--json", json, "ein JSON-Objekt in voller Genauigkeit");

  CLI::App* curve = app.add_subcommand(
      "curve", "Volumenkurve: Fläche und Volumen an jedem Vielfachen von STEP im Höhenbereich");
  curve->add_option("MESH", mesh, "OBJ-Datei")->required();
  curve->add_option("STEP", curveStep, "Schrittweite (größer als 0)")->required();
  CLI::Option* csvOpt = curve->add_option("--csv", csvPath, "die Tabelle als CSV in diese Datei");

  CLI::App* contours = app.add_subcommand(
      "contours",
      "Höhenlinien alle STEP als Polylinien in Hoehenlinien.dxf (mit --level L nur die bei L in "
      "Hoehenlinie_<L>.dxf)");
  contours->add_option("MESH", mesh, "OBJ-Datei")->required();
  contours->add_option("STEP", stepText, "Schrittweite (größer als 0)")->required();
  std::string majorText = "5", contourLevel;
  bool geojson = false;
  contours->add_option("--major", majorText, "jede N-te Höhenlinie ist eine Haupthöhenlinie (5)");
  CLI::Option* contourLevelOpt =
      contours->add_option("--level", contourLevel, "nur die Höhenlinie bei dieser Höhe");
  contours->add_flag("--geojson", geojson, "auch als GeoJSON (Hoehenlinien.geojson)");

  // A level such as "-2.5" is a value, not an option.
  for (CLI::App* sub : {section, series, creases, volume, curve}) sub->positionals_at_end();

  try {
    app.parse(OptionsBeforeValues(argc, argv));
  } catch (const CLI::ParseError& e) {
    return app.exit(e);
  }

  // Ctrl-C, SIGTERM or a file-size limit leave no temporary file behind.
  RemoveUnfinishedFilesOnSignals();
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
    } else if (volume->parsed()) {
      Volume(mesh, volumeLevel, json);
    } else if (curve->parsed()) {
      Curve(mesh, curveStep, csvOpt->count() > 0 ? &csvPath : nullptr);
    } else if (contours->parsed()) {
      Contours(mesh, stepText, majorText, contourLevelOpt->count() > 0 ? &contourLevel : nullptr,
               geojson);
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
