// Golden files: bytes a test expects, kept under tests/data/golden/ and
// compared byte for byte, so that any change of an export's bytes shows in
// review as a change of these files.
//
// Regenerating them is deliberate: run the test with QUERVIK_UPDATE_GOLDEN=1.
// It then writes every golden file that differs or is missing, names each,
// and fails, so that a run with the variable set never counts as passed;
// the next run without it must pass.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "support/temp_dir.h"

namespace quervik::test {

inline std::filesystem::path GoldenFolder() {
  return std::filesystem::path(QUERVIK_TEST_DATA) / "golden";
}

inline bool UpdatingGolden() {
  const char* v = std::getenv("QUERVIK_UPDATE_GOLDEN");
  return v != nullptr && std::string_view(v) == "1";
}

// Where `actual` and `expected` first differ: byte offset, line and the two
// lines, for the failure message.
inline std::string FirstDifference(std::string_view actual, std::string_view expected) {
  std::size_t i = 0;
  while (i < actual.size() && i < expected.size() && actual[i] == expected[i]) ++i;
  const std::size_t lineStart = i == 0 ? 0 : (actual.rfind('\n', i - 1) + 1);
  const std::size_t line = static_cast<std::size_t>(
      std::count(actual.begin(), actual.begin() + static_cast<std::ptrdiff_t>(i), '\n'));
  auto lineOf = [&](std::string_view s) {
    if (lineStart >= s.size()) return std::string("(end of file)");
    const std::size_t end = s.find('\n', lineStart);
    return std::string(
        s.substr(lineStart, end == std::string_view::npos ? s.npos : end - lineStart));
  };
  return "first difference at byte " + std::to_string(i) + " (line " + std::to_string(line + 1) +
         "): written '" + lineOf(actual) + "', golden '" + lineOf(expected) + "'; sizes " +
         std::to_string(actual.size()) + " and " + std::to_string(expected.size());
}

// Compares `actual` with the golden file `name` (relative to the golden
// folder); a missing golden file fails too.
inline void ExpectGolden(const std::string& name, std::string_view actual) {
  const std::filesystem::path file = GoldenFolder() / name;
  const bool exists = std::filesystem::is_regular_file(file);
  const std::string expected = exists ? ReadFile(file.string()) : std::string();
  if (exists && expected == actual) return;
  if (UpdatingGolden()) {
    std::filesystem::create_directories(file.parent_path());
    WriteFile(file.string(), actual);
    ADD_FAILURE() << "golden file rewritten: tests/data/golden/" << name
                  << " (review the diff, then run again without QUERVIK_UPDATE_GOLDEN)";
    return;
  }
  if (!exists) {
    ADD_FAILURE() << "golden file missing: tests/data/golden/" << name
                  << " (QUERVIK_UPDATE_GOLDEN=1 writes it)";
    return;
  }
  ADD_FAILURE() << "bytes differ from the golden file tests/data/golden/" << name << ": "
                << FirstDifference(actual, expected);
}

// The golden files under `folder` (relative to the golden folder), sorted:
// a test compares them with the files it wrote, so a golden file that no
// export writes any more fails instead of lying there unread.
inline std::vector<std::string> GoldenNames(const std::string& folder) {
  std::vector<std::string> names;
  const std::filesystem::path dir = GoldenFolder() / folder;
  std::error_code ec;
  for (const auto& e : std::filesystem::directory_iterator(dir, ec)) {
    names.push_back(e.path().filename().string());
  }
  std::sort(names.begin(), names.end());
  return names;
}

}  // namespace quervik::test
