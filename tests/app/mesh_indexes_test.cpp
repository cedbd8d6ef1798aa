// The holder of the indexes: built once per mesh, built again for a changed
// mesh, none for a mesh without a version.
#include "app/mesh_indexes.h"

#include <gtest/gtest.h>

#include "analysis/transformation.h"

namespace quervik {
namespace {

// A square of two faces at height 1, lifted by a transformation.
TEST(MeshIndexes, BuiltOncePerMeshAndAgainWhenItChanges) {
  Mesh m =
      MakeMesh({{0, 0, 1}, {2, 0, 1}, {2, 2, 1}, {0, 2, 1}}, {TFace{{1, 2, 3}}, TFace{{1, 3, 4}}});
  MeshIndexes indexes;
  const SectionIndex* section = indexes.Section(m);
  const VolumeIndex* volume = indexes.Volume(m);
  ASSERT_NE(section, nullptr);
  ASSERT_NE(volume, nullptr);
  EXPECT_TRUE(section->Serves(m));
  EXPECT_EQ(volume->CalcVolumen(0), 4.0);
  EXPECT_EQ(indexes.ClippedVolume(m)->At(0, 1).above, 4.0);
  EXPECT_EQ(indexes.Section(m), section);  // not built again
  EXPECT_EQ(indexes.Volume(m), volume);

  TrafoParams up;
  up.dz = 2;
  Transformation(m, up);  // a new version
  EXPECT_TRUE(indexes.Section(m)->Serves(m));
  EXPECT_EQ(indexes.Volume(m)->CalcVolumen(0), 12.0);
  EXPECT_EQ(indexes.ClippedVolume(m)->At(0, 1).above, 12.0);

  // Another mesh object, even of the same version, has arrays of its own.
  const Mesh copy = m;
  EXPECT_EQ(indexes.Volume(copy)->CalcVolumen(0), 12.0);
  EXPECT_EQ(MeshStamp::Of(copy).version, MeshStamp::Of(m).version);
  EXPECT_FALSE(MeshStamp::Of(copy) == MeshStamp::Of(m));

  Mesh byHand = m;
  byHand.version = 0;
  EXPECT_EQ(indexes.Section(byHand), nullptr);
  EXPECT_EQ(indexes.Volume(byHand), nullptr);
  EXPECT_EQ(indexes.ClippedVolume(byHand), nullptr);
  EXPECT_FALSE(MeshStamp::Of(byHand).Valid());
}

}  // namespace
}  // namespace quervik
