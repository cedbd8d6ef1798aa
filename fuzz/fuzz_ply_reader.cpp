// Any bytes as a PLY file, handed to the parser in blocks of 1 to 64 bytes
// (the first byte chooses) so that every border between blocks is crossed:
// a mesh that passes CheckMesh, or a German error. Nothing else may happen.
#include <cstdint>
#include <string_view>

#include "core/errors.h"
#include "fuzz/mesh_checks.h"
#include "model/ply_reader.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, size_t size) {
  if (size == 0) return 0;
  const size_t block = 1 + data[0] % 64;
  const std::string_view bytes(reinterpret_cast<const char*>(data + 1), size - 1);
  try {
    CheckMesh(quervik::ParsePly(bytes, "fuzz.ply", block), true);
  } catch (const quervik::Error&) {
  }
  return 0;
}
