// Any bytes as an OBJ file: the reader either gives a mesh with at least one
// face, whose faces name existing vertices only (never the placeholder 0),
// or a German error. Nothing else may happen. The text is read in one pass
// and in small pieces on every processor (their size taken from the input's
// length), which must agree bit for bit: mesh, error, report and separator.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "core/errors.h"
#include "core/number_format.h"
#include "model/obj_reader.h"

namespace {

struct Outcome {
  quervik::Mesh mesh;
  quervik::ObjReadReport report;
  std::string error;
  char separator = 0;
};

Outcome Read(std::string_view text, const quervik::ObjReadPlan& plan) {
  Outcome o;
  quervik::SetDecimalSeparator('#');
  try {
    o.mesh = quervik::ParseObj(text, plan, {}, &o.report);
  } catch (const quervik::Error& e) {
    o.error = e.what();
  }
  o.separator = quervik::DecimalSeparator();
  return o;
}

template <class T>
bool SameBytes(const std::vector<T>& a, const std::vector<T>& b) {
  return a.size() == b.size() &&
         (a.empty() || std::memcmp(a.data(), b.data(), a.size() * sizeof(T)) == 0);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  const Outcome one = Read(text, quervik::ObjReadPlan{1, 0, 0});
  const Outcome pieces = Read(text, quervik::ObjReadPlan{0, 1 + size % 61, 1 + size % 13});
  if (one.error != pieces.error || one.separator != pieces.separator) std::abort();
  if (one.report.unreadableNumbers != pieces.report.unreadableNumbers ||
      one.report.linesWithUnreadable != pieces.report.linesWithUnreadable ||
      one.report.unreadableLines != pieces.report.unreadableLines) {
    std::abort();
  }
  if (!one.error.empty()) return 0;
  const quervik::Mesh& mesh = one.mesh;
  if (!SameBytes(mesh.V, pieces.mesh.V) || !SameBytes(mesh.Fc, pieces.mesh.Fc) ||
      !SameBytes(mesh.Vn, pieces.mesh.Vn) ||
      std::memcmp(&mesh.zmin, &pieces.mesh.zmin, sizeof(double)) != 0 ||
      std::memcmp(&mesh.zmax, &pieces.mesh.zmax, sizeof(double)) != 0) {
    std::abort();
  }
  if (mesh.V.size() < 2 || mesh.Fc.size() < 2 || mesh.Vn.empty()) std::abort();
  const auto n = static_cast<std::int64_t>(mesh.V.size());
  for (size_t i = 1; i < mesh.Fc.size(); ++i) {
    for (int k = 1; k <= 3; ++k) {
      if (mesh.Fc[i][k] < 1 || mesh.Fc[i][k] >= n) std::abort();
    }
  }
  if (!(mesh.zmin <= mesh.zmax)) {
    // NaN heights are possible only if the reader accepted a NaN number.
    std::abort();
  }
  return 0;
}
