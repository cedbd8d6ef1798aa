// Any bytes as an OBJ file: the reader either gives a mesh with at least one
// face, whose faces name existing vertices only (never the placeholder 0),
// or a German error. Nothing else may happen.
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "core/errors.h"
#include "model/obj_reader.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, size_t size) {
  try {
    const quervik::Mesh mesh =
        quervik::ParseObj(std::string_view(reinterpret_cast<const char*>(data), size));
    if (mesh.V.size() < 2 || mesh.Fc.size() < 2 || mesh.Vn.empty()) std::abort();
    const auto n = static_cast<std::int64_t>(mesh.V.size());
    for (size_t i = 1; i < mesh.Fc.size(); ++i) {
      for (int k = 1; k <= 3; ++k) {
        if (mesh.Fc[i][k] < 1 || mesh.Fc[i][k] >= n) std::abort();
      }
    }
    if (!(mesh.zmin <= mesh.zmax) && mesh.V.size() > 1) {
      // NaN heights are possible only if the reader accepted a NaN number.
      std::abort();
    }
  } catch (const quervik::Error&) {
  }
  return 0;
}
