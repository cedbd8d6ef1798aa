// Helpers of the DXF tests: a temporary folder that removes itself, whole
// files as text, and a file split into its CR LF lines.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <vector>

namespace quervik::test {

class TempDir {
 public:
  TempDir() {
    std::random_device rd;
    const auto base = std::filesystem::temp_directory_path();
    for (int attempt = 0; attempt < 100; ++attempt) {
      path_ = base / ("quervik-dxf-" + std::to_string(rd()) + std::to_string(rd()));
      if (std::filesystem::create_directory(path_)) return;
    }
    ADD_FAILURE() << "no temporary folder";
  }
  ~TempDir() {
    std::error_code ec;
    // A test may have taken the write permission away.
    std::filesystem::permissions(path_, std::filesystem::perms::owner_all,
                                 std::filesystem::perm_options::add, ec);
    std::filesystem::remove_all(path_, ec);
  }
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  const std::filesystem::path& path() const { return path_; }
  std::string operator/(const std::string& name) const { return (path_ / name).string(); }

  // The names in the folder, sorted: shows a temporary file left behind.
  std::vector<std::string> Names() const {
    std::vector<std::string> names;
    for (const auto& e : std::filesystem::directory_iterator(path_)) {
      names.push_back(e.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
  }

 private:
  std::filesystem::path path_;
};

inline std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

inline void WriteFile(const std::string& path, const std::string& text) {
  std::ofstream out(path, std::ios::binary);
  out << text;
}

// The lines of a DXF file; every line must end with CR LF.
inline std::vector<std::string> DxfLines(const std::string& text) {
  std::vector<std::string> lines;
  size_t start = 0;
  while (start < text.size()) {
    const size_t end = text.find("\r\n", start);
    if (end == std::string::npos) {
      ADD_FAILURE() << "line without CR LF at byte " << start;
      break;
    }
    lines.push_back(text.substr(start, end - start));
    start = end + 2;
  }
  return lines;
}

// The 18 lines of a LINE entity as the writer must produce them, built from
// literal coordinate texts.
inline std::vector<std::string> LineRecord(const std::string& layer, const std::string& x1,
                                           const std::string& y1, const std::string& z1,
                                           const std::string& x2, const std::string& y2,
                                           const std::string& z2) {
  return {"  0", "LINE", "  8", layer, "  6", "CONTINUOUS", " 10", x1,    " 20",
          y1,    " 30",  z1,    " 11", x2,    " 21",        y2,    " 31", z2};
}

inline std::vector<std::string> Framed(const std::vector<std::vector<std::string>>& records) {
  std::vector<std::string> lines{"  0", "SECTION", "  2", "ENTITIES"};
  for (const auto& r : records) lines.insert(lines.end(), r.begin(), r.end());
  for (const char* l : {"  0", "ENDSEC", "  0", "EOF"}) lines.push_back(l);
  return lines;
}

}  // namespace quervik::test
