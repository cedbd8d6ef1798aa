// What the program derives from a mesh to answer many levels fast: the
// section index, the volume index and the clipped-volume index. They are
// kept here, each built on its first use, and built again when the mesh is
// no longer the one they were built from. This is the one place that tracks
// whether derived data is stale: a load or a transformation gives the mesh a
// new version, and the next request sees it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>

#include "analysis/clipped_volume.h"
#include "analysis/volume.h"
#include "model/mesh.h"
#include "section/plane_section.h"

namespace quervik {

// Which mesh something was made from: its version and its arrays. A mesh
// without a version (0: made field by field) has no stamp that stays valid,
// since its arrays may change without notice.
struct MeshStamp {
  std::uint64_t version = 0;
  const void* v = nullptr;
  std::size_t nv = 0;
  const void* fc = nullptr;
  std::size_t nfc = 0;

  static MeshStamp Of(const Mesh& mesh);
  bool Valid() const { return version != 0; }
  bool operator==(const MeshStamp&) const = default;
};

class MeshIndexes {
 public:
  // The index for `mesh`, built now unless it was built for this mesh
  // before; null for a mesh without a version. A request for another mesh
  // drops every index built for the previous one. The pointers stay valid
  // until the next request for another mesh.
  const SectionIndex* Section(const Mesh& mesh);
  const VolumeIndex* Volume(const Mesh& mesh);
  const ClippedVolumeIndex* ClippedVolume(const Mesh& mesh);

 private:
  bool Follow(const Mesh& mesh);

  MeshStamp stamp_;
  std::optional<SectionIndex> section_;
  std::optional<VolumeIndex> volume_;
  std::optional<ClippedVolumeIndex> clipped_;
};

}  // namespace quervik
