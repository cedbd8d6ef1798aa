#include "app/geojson_writer.h"

#include <cmath>
#include <cstring>

#include "core/errors.h"
#include "core/shortest_number.h"

namespace quervik {

namespace {

char* Put(char* out, std::string_view text) {
  std::memcpy(out, text.data(), text.size());
  return out + text.size();
}

char* PutNumber(char* out, double v) {
  if (!std::isfinite(v)) RaiseInvalidOperation();
  return PutShortest(out, v);
}

}  // namespace

void GeoJsonFeatures::LineString(const std::vector<TPunkt>& points,
                                 std::span<const std::int32_t> vertices, bool closed,
                                 double elevation, bool major) {
  if (vertices.empty()) return;
  constexpr std::size_t kPosition = 3 * (kShortestMaxLength + 1) + 3;
  const std::size_t positions = vertices.size() + (closed ? 1 : 0);
  char* p = bytes_.Reserve(200 + kPosition * positions);
  p = Put(p, ",\n{\"type\":\"Feature\",\"properties\":{\"elevation\":");
  p = PutNumber(p, elevation);
  p = Put(p, major ? ",\"major\":true}" : ",\"major\":false}");
  p = Put(p, ",\"geometry\":{\"type\":\"LineString\",\"coordinates\":[");
  char z[kShortestMaxLength];
  const std::string_view zText(z, static_cast<std::size_t>(PutNumber(z, elevation) - z));
  for (std::size_t i = 0; i < positions; ++i) {
    const TPunkt& pt = points[static_cast<std::size_t>(vertices[i % vertices.size()])];
    p = Put(p, i == 0 ? "[" : ",[");
    p = PutNumber(p, pt.X);
    *p++ = ',';
    p = PutNumber(p, pt.Y);
    *p++ = ',';
    p = Put(p, zText);
    *p++ = ']';
  }
  p = Put(p, "]}}");
  bytes_.Advance(p);
  ++count_;
}

void GeoJsonFile::Open(std::string_view path) {
  file_.Open(path);
  empty_ = true;
  finished_ = false;
  file_.Write("{\"type\":\"FeatureCollection\",\"features\":[");
}

void GeoJsonFile::Write(const GeoJsonFeatures& features) {
  std::string_view bytes = features.bytes_.view();
  if (bytes.empty()) return;
  if (empty_) bytes.remove_prefix(1);  // the first feature needs no comma
  file_.Write(bytes);
  empty_ = false;
}

void GeoJsonFile::Finish() {
  if (finished_) return;
  file_.Write("\n]}\n");
  file_.Finish();
  finished_ = true;
}

void GeoJsonFile::Commit() {
  Finish();
  file_.Commit();
}

}  // namespace quervik
