// Exact earthwork volumes at a level: every face is clipped by the plane
// z = level, the part above adds the integral of (z - level) over its
// projection onto the xy plane, the part below the integral of
// (level - z), and the projected area of each part is summed too.
//
// Open surfaces (terrains, heaps, fills: every mesh that is not closed as
// below) count each face with its unsigned projected area, so the corner
// order does not matter: `above` is the volume between the surface and the
// plane where the surface lies above it, `below` where it lies below, and
// `area_above` / `area_below` the ground area of those parts.
//
// Closed meshes (every edge used by exactly two faces running along it in
// opposite directions, see EdgePairs) count each face with its signed
// projected area: `above` and `below` are the volumes of the solid above
// and below the plane, their sum the enclosed volume, and `area_above` and
// `area_below` are both the area of the solid's cross-section at the level
// (the area inside the section line; exactly 0 where the plane misses the
// solid; at the lowest or highest corner each is the rate of change on the
// side where the solid is).
// A mesh wound inwards gives the same positive figures as one wound
// outwards.
//
// Either way `area_above` is minus the rate at which `above` changes with
// the level and `area_below` the rate at which `below` grows. Vertical
// faces and faces without area contribute nothing; so do faces with a
// corner that is not a finite number or a projected area too large for a
// double. Area counts where the face lies strictly above (below) the level:
// a face lying in the plane adds to neither.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "model/mesh.h"

namespace quervik {

struct VolumeFigures {
  double level = 0;
  double above = 0;       // volume above the level ("Über")
  double below = 0;       // volume below the level ("Unter")
  double area_above = 0;  // projected area above the level ("Fläche m2")
  double area_below = 0;  // projected area below the level
  bool closed = false;    // the mesh is closed, the figures are those of a solid
};

// One contributing face: its corner heights in ascending order and its
// weight, the projected area (for a closed mesh signed, positive where the
// face looks upwards out of the solid).
struct ClippedFace {
  double lo = 0;
  double mid = 0;
  double hi = 0;
  double weight = 0;
};

// Everything that depends only on the mesh, built once per mesh (whoever
// keeps it builds it again when the mesh changes): closedness and
// orientation, and per contributing face its sorted heights
// and weight, with sums per block of faces so that a block lying wholly
// above or below a level is added without visiting its faces. A level is
// then one parallel pass that allocates nothing. A built index is
// immutable and may be used by several threads at once; an index never
// built gives zeros.
class ClippedVolumeIndex {
 public:
  // Faces 1 … last; slot 0 is the placeholder and no face. A face naming a
  // vertex slot that V does not have contributes nothing.
  static ClippedVolumeIndex Build(const Mesh& mesh);

  bool closed() const { return closed_; }

  // The figures at `level`. The faces are summed in fixed blocks combined
  // in block order, so the result has the same bits for any number of
  // threads (`threads`: 0 every processor, 1 the calling thread alone). A
  // NaN level gives NaN figures.
  VolumeFigures At(double level, unsigned threads = 0) const;

  // The contributing faces in face order, for the height-volume curve.
  std::span<const ClippedFace> faces() const { return faces_; }

  // Lowest and highest corner of the contributing faces (0 and 0 if none):
  // at or below the lowest nothing lies below, at or above the highest
  // nothing lies above.
  double lowest() const { return lowest_; }
  double highest() const { return highest_; }

 private:
  struct BlockSums {
    double lo_min;  // lowest corner of the block's faces
    double hi_max;  // highest corner
    double weight;  // sum of the weights
    double up3;     // sum of weight * ((lo - lo_min) + (mid - lo_min) + (hi - lo_min))
    double down3;   // sum of weight * ((hi_max - lo) + (hi_max - mid) + (hi_max - hi))
  };
  static constexpr std::size_t kBlock = 64;

  bool closed_ = false;
  double lowest_ = 0;
  double highest_ = 0;
  std::vector<ClippedFace> faces_;
  std::vector<BlockSums> blocks_;  // faces [b * kBlock, (b + 1) * kBlock)
};

// Builds the index and asks it once: for a single figure; a window or a
// series keeps the index instead.
VolumeFigures ClippedVolume(const Mesh& mesh, double level);

}  // namespace quervik
