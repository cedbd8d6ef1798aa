// Any bytes as a mesh file through the entry point the window and the batch
// tool use: the format chosen by content (PLY, STL or else OBJ) and read
// from a real file descriptor. A mesh that passes CheckMesh, or a German
// error. Nothing else may happen.
#include <cstdint>

#include "core/errors.h"
#include "fuzz/memfile.h"
#include "fuzz/mesh_checks.h"
#include "model/mesh_reader.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, size_t size) {
  static MemFile file;
  try {
    CheckMesh(quervik::ReadMeshFile(file.Fill(data, size)), false);
  } catch (const quervik::Error&) {
  }
  return 0;
}
