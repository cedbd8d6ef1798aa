#include "app/mesh_indexes.h"

namespace quervik {

MeshStamp MeshStamp::Of(const Mesh& mesh) {
  return {mesh.version, mesh.V.data(), mesh.V.size(), mesh.Fc.data(), mesh.Fc.size()};
}

bool MeshIndexes::Follow(const Mesh& mesh) {
  const MeshStamp stamp = MeshStamp::Of(mesh);
  if (!(stamp == stamp_)) {
    stamp_ = stamp;
    section_.reset();
    volume_.reset();
    clipped_.reset();
  }
  return stamp_.Valid();
}

const SectionIndex* MeshIndexes::Section(const Mesh& mesh) {
  if (!Follow(mesh)) return nullptr;
  if (!section_) section_ = SectionIndex::Build(mesh);
  return &*section_;
}

const VolumeIndex* MeshIndexes::Volume(const Mesh& mesh) {
  if (!Follow(mesh)) return nullptr;
  if (!volume_) volume_ = VolumeIndex::Build(mesh);
  return &*volume_;
}

const ClippedVolumeIndex* MeshIndexes::ClippedVolume(const Mesh& mesh) {
  if (!Follow(mesh)) return nullptr;
  if (!clipped_) clipped_ = ClippedVolumeIndex::Build(mesh);
  return &*clipped_;
}

}  // namespace quervik
