#include "model/mesh_reader.h"

#include <algorithm>
#include <cstddef>
#include <optional>

#include "core/number_format.h"
#include "model/block_reader.h"
#include "model/ply_reader.h"
#include "model/stl_reader.h"

namespace quervik {

namespace {

constexpr std::size_t kHeadBytes = std::size_t{64} << 10;

}  // namespace

MeshFormat DetectMeshFormat(std::string_view head, std::uint64_t fileBytes, std::string_view path) {
  if (LooksLikePly(head)) return MeshFormat::kPly;
  if (DetectStl(head, fileBytes, path) != StlKind::kNone) return MeshFormat::kStl;
  return MeshFormat::kObj;
}

Mesh ReadMeshFile(const std::string& path, const ReadProgress& progress, ObjReadReport* report) {
  std::optional<Mesh> mesh;
  {
    InputFile file(path);
    BlockReader in(file, progress);
    const std::size_t want =
        static_cast<std::size_t>(std::min<std::uint64_t>(file.size(), kHeadBytes));
    in.Ensure(want);  // a file that shrank meanwhile gives a shorter head
    const std::string_view head(in.p, std::min(want, static_cast<std::size_t>(in.end - in.p)));
    switch (DetectMeshFormat(head, file.size(), path)) {
      case MeshFormat::kPly:
        mesh = ReadPly(in, path);
        break;
      case MeshFormat::kStl:
        mesh = ReadStl(in, path, DetectStl(head, file.size(), path));
        break;
      case MeshFormat::kObj:
        break;
    }
  }
  if (!mesh) return ReadMesh(path, progress, report);
  if (report != nullptr) *report = ObjReadReport{};
  SetDecimalSeparator('.');
  return std::move(*mesh);
}

}  // namespace quervik
