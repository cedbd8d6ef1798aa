// A mesh from any bytes, cut at a level from the first bytes: the section
// through the z-span index equals the plain face loop, point for point, and
// the precomputed volume equals the plain volume bit for bit.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string_view>

#include "analysis/volume.h"
#include "core/errors.h"
#include "core/number_format.h"
#include "model/obj_reader.h"
#include "section/plane_section.h"

namespace {

bool SameBits(double a, double b) {
  return std::memcmp(&a, &b, sizeof a) == 0;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, size_t size) {
  // The first line is the level text, the rest the OBJ file.
  const auto* nl = static_cast<const std::uint8_t*>(std::memchr(data, '\n', size));
  if (nl == nullptr) return 0;
  const std::string_view levelText(reinterpret_cast<const char*>(data),
                                   static_cast<size_t>(nl - data));
  try {
    const quervik::Mesh mesh = quervik::ParseObj(std::string_view(
        reinterpret_cast<const char*>(nl + 1), size - static_cast<size_t>(nl + 1 - data)));
    const double level = quervik::StrToFloat(levelText);

    quervik::TContour plain, indexed;
    quervik::CalculateContour(mesh, level, plain);
    const quervik::SectionIndex index = quervik::SectionIndex::Build(mesh);
    quervik::CalculateContour(mesh, level, indexed, &index);
    if (plain.Points.size() != indexed.Points.size() ||
        plain.Contours.size() != indexed.Contours.size())
      std::abort();
    for (size_t i = 0; i < plain.Points.size(); ++i) {
      if (!SameBits(plain.Points[i].X, indexed.Points[i].X) ||
          !SameBits(plain.Points[i].Y, indexed.Points[i].Y))
        std::abort();
    }
    for (size_t i = 0; i < plain.Contours.size(); ++i) {
      const auto& a = plain.Contours[i];
      const auto& b = indexed.Contours[i];
      if (a.sp != b.sp || a.ep != b.ep) std::abort();
      if (a.sp < 0 || static_cast<size_t>(a.sp) >= plain.Points.size() || a.ep < 0 ||
          static_cast<size_t>(a.ep) >= plain.Points.size())
        std::abort();
    }
    const double v1 = quervik::CalcVolumen(mesh, level);
    const double v2 = quervik::VolumeIndex::Build(mesh).CalcVolumen(level);
    if (!SameBits(v1, v2)) std::abort();
  } catch (const quervik::Error&) {
  }
  return 0;
}
