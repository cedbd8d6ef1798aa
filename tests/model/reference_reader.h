// The reader's rules written out the slow, literal way: line by line with
// the token routines GetStr, GetFloat and GetInt on std::string, the whole file in memory, each
// face checked corner by corner against the final vertex count and split
// after the last line. Polygons are split by the same PolygonSplitter as in
// ReadMesh (tested on its own in polygon_split_test.cpp): what is compared
// here is which polygons reach it, with which corners, and where their
// triangles land. ReadMesh must give exactly the same mesh, the same error,
// the same report and the same decimal separator on any input.
#pragma once

#include <algorithm>
#include <charconv>
#include <cstdint>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

#include "core/number_format.h"
#include "model/mesh.h"
#include "model/obj_reader.h"
#include "model/polygon_split.h"

namespace quervik::test {

// The token routines, the literal way. Only the space character separates
// tokens; a tab is an ordinary character. Each removes from `s` its leading
// blanks, the first token and the blanks behind it, and returns that token
// (or its value).
inline std::string GetStr(std::string& s) {
  const size_t begin = s.find_first_not_of(' ');
  if (begin == std::string::npos) {
    s.clear();
    return {};
  }
  const size_t blank = s.find(' ', begin);
  if (blank == std::string::npos) {
    std::string token = s.substr(begin);
    s.clear();
    return token;
  }
  std::string token = s.substr(begin, blank - begin);
  const size_t rest = s.find_first_not_of(' ', blank);
  if (rest == std::string::npos) {
    s.clear();
  } else {
    s.erase(0, rest);
  }
  return token;
}

// The value of the first token, 0 when it is no number. A token holding a
// comma sets the process-wide decimal separator to ',', any other token sets
// it to '.'; the token is then converted with that separator.
inline double GetFloat(std::string& Satz) {
  const std::string token = GetStr(Satz);
  const char separator = token.find(',') != std::string::npos ? ',' : '.';
  SetDecimalSeparator(separator);
  double value = 0;
  if (!TryStrToFloat(token, value, separator)) return 0;
  return value;
}

// The value of the first token as a 32-bit integer (decimal digits with an
// optional sign), 0 when it is no integer or out of range.
inline std::int32_t GetInt(std::string& Satz) {
  const std::string token = GetStr(Satz);
  std::string_view digits = token;
  // from_chars takes a minus but no plus; a plus must be followed by a digit
  // so that "+-5" stays invalid.
  if (!digits.empty() && digits.front() == '+') {
    digits.remove_prefix(1);
    if (digits.empty() || digits.front() < '0' || digits.front() > '9') return 0;
  }
  std::int32_t value = 0;
  const char* end = digits.data() + digits.size();
  const auto r = std::from_chars(digits.data(), end, value, 10);
  if (r.ec != std::errc() || r.ptr != end) return 0;
  return value;
}

struct ReferenceResult {
  Mesh mesh;              // without zmin/zmax and version
  std::string error;      // empty when the file is accepted
  char separator = '\0';  // the process-wide separator afterwards
  ObjReadReport report;
};

// The lines of `text`: a line feed ends a line and a carriage return right
// before it is dropped; a last line without line feed counts when it is not
// empty, and a carriage return ending the file is dropped as well. Without
// any line feed, each carriage return ends a line.
inline std::vector<std::string> ReferenceLines(const std::string& text) {
  const bool crOnly = text.find('\n') == std::string::npos;
  std::vector<std::string> lines;
  std::string line;
  for (char c : text) {
    if (crOnly && c == '\r') {
      lines.push_back(line);
      line.clear();
    } else if (c == '\n') {
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

// Text of the file in a message: printable ASCII kept, other bytes '?',
// at most 24 characters and then "...".
inline std::string ReferenceQuoted(const std::string& text) {
  std::string out;
  for (size_t i = 0; i < text.size() && i < 24; ++i) {
    const unsigned char c = static_cast<unsigned char>(text[i]);
    out += c >= 32 && c <= 126 ? text[i] : '?';
  }
  return text.size() > 24 ? out + "..." : out;
}

inline bool ReferenceIsInteger(const std::string& s) {
  size_t i = !s.empty() && (s[0] == '+' || s[0] == '-') ? 1 : 0;
  if (i == s.size()) return false;
  for (; i < s.size(); ++i) {
    if (s[i] < '0' || s[i] > '9') return false;
  }
  return true;
}

// One coordinate by GetFloat; counts it when its token is missing or no
// number.
inline double ReferenceCoordinate(std::string& satz, bool& unreadable) {
  std::string peek = satz;
  const std::string token = GetStr(peek);
  double ignored = 0;
  if (!TryStrToFloat(token, ignored, token.find(',') != std::string::npos ? ',' : '.')) {
    unreadable = true;
  }
  return GetFloat(satz);
}

inline ReferenceResult ReferenceRead(const std::string& text, char separatorBefore,
                                     const std::string& path) {
  SetDecimalSeparator(separatorBefore);
  ReferenceResult r;
  r.mesh.V.assign(1, Tvertex{});
  r.mesh.Fc.assign(1, TFace{});
  r.mesh.Vn.assign(1, Tvect3D{});
  const std::vector<std::string> lines = ReferenceLines(text);
  std::int64_t total = 0;
  for (const std::string& l : lines) total += l.compare(0, 2, "v ") == 0 ? 1 : 0;
  std::vector<std::vector<std::int32_t>> faces;

  for (size_t n = 0; n < lines.size(); ++n) {
    const std::string where = "Zeile " + std::to_string(n + 1) + ": ";
    std::string satz = lines[n];
    const std::string idstr = satz.substr(0, 2);
    GetStr(satz);
    if (idstr == "v ") {
      int unreadable = 0;
      Tvertex v;
      for (double* c : {&v.x, &v.y, &v.z}) {
        bool bad = false;
        *c = ReferenceCoordinate(satz, bad);
        unreadable += bad ? 1 : 0;
      }
      if (unreadable > 0) {
        r.report.unreadableNumbers += unreadable;
        if (++r.report.linesWithUnreadable <= 5)
          r.report.unreadableLines.push_back(static_cast<std::int64_t>(n) + 1);
      }
      r.mesh.V.push_back(v);
    } else if (idstr == "f " && r.error.empty()) {
      const auto defined = static_cast<std::int64_t>(r.mesh.V.size()) - 1;
      std::vector<std::int32_t> corners;
      for (;;) {
        const std::string s = GetStr(satz);
        if (s.empty() || s[0] == '#') break;
        std::string t = s;
        std::replace(t.begin(), t.end(), '/', ' ');
        std::string partOf = t;
        const std::string part = GetStr(partOf);
        const std::int32_t written = GetInt(t);
        if (written == 0) {
          r.error = where + (ReferenceIsInteger(part)
                                 ? "Eckpunkt " + ReferenceQuoted(part) + " existiert nicht"
                                 : "'" + ReferenceQuoted(s) + "' ist keine gültige Eckpunktnummer");
          break;
        }
        const std::int64_t index = written < 0 ? defined + 1 + written : written;
        if (written < 0 ? index < 1 : index > total) {
          r.error = where + "Eckpunkt " + std::to_string(written) + " existiert nicht";
          break;
        }
        corners.push_back(static_cast<std::int32_t>(index));
      }
      if (r.error.empty() && corners.size() < 3) {
        r.error = where + "Fläche mit weniger als 3 Eckpunkten";
      }
      faces.push_back(corners);
    } else if (idstr == "vn") {
      Tvect3D vn;
      vn[0] = GetFloat(satz);
      vn[1] = GetFloat(satz);
      vn[2] = GetFloat(satz);
      r.mesh.Vn.push_back(vn);
    }
  }
  r.separator = DecimalSeparator();
  if (!r.error.empty()) return r;
  if (faces.empty()) {
    r.error =
        "Die Datei '" + path + "' enthält keine Flächen und ist kein Dreiecksnetz im OBJ-Format";
    return r;
  }
  PolygonSplitter splitter;
  for (const std::vector<std::int32_t>& corners : faces) {
    std::vector<Tvertex> points;
    for (const std::int32_t c : corners) points.push_back(r.mesh.V[static_cast<size_t>(c)]);
    std::vector<PolygonTriangle> triangles;
    splitter.Split(points, triangles);
    for (const PolygonTriangle& t : triangles) {
      r.mesh.Fc.push_back(TFace{{corners[t[0]], corners[t[1]], corners[t[2]]}});
    }
  }
  return r;
}

}  // namespace quervik::test
