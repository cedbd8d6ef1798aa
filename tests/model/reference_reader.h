// The reader's rules written out the slow, literal way: line by line with
// GetStr, GetFloat and GetInt on std::string. ReadMesh must give exactly the
// same mesh, the same error and the same decimal separator on any input.
#pragma once

#include <algorithm>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "core/number_format.h"
#include "model/mesh.h"
#include "model/obj_reader.h"

namespace quervik::testing {

struct ReferenceResult {
  Mesh mesh;              // without zmin/zmax and version
  std::string error;      // empty when the file is accepted
  char separator = '\0';  // the process-wide separator afterwards
};

// The lines of `text`: a line feed ends a line and a carriage return right
// before it is dropped; a last line without line feed counts when it is not
// empty, and a carriage return ending the file is dropped as well.
inline std::vector<std::string> ReferenceLines(const std::string& text) {
  std::vector<std::string> lines;
  std::string line;
  for (char c : text) {
    if (c == '\n') {
      if (!line.empty() && line.back() == '\r') line.pop_back();
      lines.push_back(line);
      line.clear();
    } else {
      line += c;
    }
  }
  if (!line.empty()) {
    if (line.back() == '\r') line.pop_back();
    lines.push_back(line);
  }
  return lines;
}

inline ReferenceResult ReferenceRead(const std::string& text, char separatorBefore) {
  SetDecimalSeparator(separatorBefore);
  ReferenceResult r;
  r.mesh.V.assign(1, Tvertex{});
  r.mesh.Fc.assign(1, TFace{});
  r.mesh.Vn.assign(1, Tvect3D{});
  const std::vector<std::string> lines = ReferenceLines(text);
  std::int64_t total = 0;
  for (const std::string& l : lines) total += l.compare(0, 2, "v ") == 0 ? 1 : 0;

  for (size_t n = 0; n < lines.size(); ++n) {
    std::string satz = lines[n];
    const std::string idstr = satz.substr(0, 2);
    GetStr(satz);
    if (idstr == "v ") {
      Tvertex v;
      v.x = GetFloat(satz);
      v.y = GetFloat(satz);
      v.z = GetFloat(satz);
      r.mesh.V.push_back(v);
    } else if (idstr == "f ") {
      TFace face;
      const auto defined = static_cast<std::int64_t>(r.mesh.V.size()) - 1;
      for (int k = 1; k <= 3; ++k) {
        std::string s = GetStr(satz);
        std::replace(s.begin(), s.end(), '/', ' ');
        const std::int32_t written = GetInt(s);
        std::int64_t index = written < 0 ? defined + 1 + written : written;
        const bool missing = written < 0 ? index < 1 : index > total;
        if (missing && r.error.empty()) {
          r.error = "Zeile " + std::to_string(n + 1) + ": Eckpunkt " + std::to_string(written) +
                    " existiert nicht";
        }
        face[k] = missing ? 0 : static_cast<std::int32_t>(index);
      }
      r.mesh.Fc.push_back(face);
    } else if (idstr == "vn") {
      Tvect3D vn;
      vn[0] = GetFloat(satz);
      vn[1] = GetFloat(satz);
      vn[2] = GetFloat(satz);
      r.mesh.Vn.push_back(vn);
    }
  }
  r.separator = DecimalSeparator();
  return r;
}

}  // namespace quervik::testing
