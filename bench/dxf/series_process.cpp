// series_process MESH STEP [--discard] [--threads N]: exactly what
// `quervik-batch series MESH STEP` does (load, levels, WriteSeriesDxf without
// an index of its own, so the series builds it while cutting its first
// levels), as a program of its own, so that the whole process can be timed
// with the bytes going nowhere (--discard: ExportSettings::discardBytes).
// This is the baseline that writing to /dev/null used to give: the exports
// refuse devices on purpose. Prints the path (that --discard leaves alone).
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <string>
#include <vector>

#include "app/dxf_exports.h"
#include "app/series_levels.h"
#include "core/number_format.h"
#include "model/mesh_reader.h"

int main(int argc, char** argv) {
  using namespace quervik;
  std::vector<std::string> args(argv + 1, argv + argc);
  ExportSettings settings;
  std::vector<std::string> values;
  for (std::size_t i = 0; i < args.size(); ++i) {
    if (args[i] == "--discard") {
      settings.discardBytes = true;
    } else if (args[i] == "--threads" && i + 1 < args.size()) {
      settings.threads = static_cast<unsigned>(std::atoi(args[++i].c_str()));
    } else {
      values.push_back(args[i]);
    }
  }
  if (values.size() != 2) {
    std::fprintf(stderr, "usage: series_process MESH STEP [--discard] [--threads N]\n");
    return 2;
  }
  try {
    SetDecimalSeparator('.');
    Mesh mesh = ReadMeshFile(values[0]);
    ZMinMax(mesh);
    const std::vector<std::string> levels =
        SeriesLevelTexts(mesh.zmin, mesh.zmax, StrToFloat(values[1]));
    std::printf("%s\n", WriteSeriesDxf(values[0], mesh, nullptr, levels, {}, settings).c_str());
  } catch (const std::exception& e) {
    std::fprintf(stderr, "%s\n", e.what());
    return 1;
  }
  return 0;
}
