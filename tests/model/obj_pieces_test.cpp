// ReadMesh in pieces on every processor against the reading in one pass on
// texts large enough for many pieces: the same mesh bit for bit, the same
// report, message and separator. Then a load stopped through its progress
// function, and a file changed while it is read.
#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "core/errors.h"
#include "core/number_format.h"
#include "core/progress.h"
#include "model/obj_reader.h"
#include "support/temp_dir.h"

namespace quervik {
namespace {

using test::TempDir;

struct Outcome {
  Mesh mesh;
  ObjReadReport report;
  std::string error;
  char separator = 0;
};

Outcome Read(const std::string& path, const ObjReadPlan& plan) {
  Outcome o;
  SetDecimalSeparator('#');
  try {
    o.mesh = ReadMesh(path, plan, {}, &o.report);
  } catch (const Error& e) {
    o.error = e.what();
  }
  o.separator = DecimalSeparator();
  SetDecimalSeparator('.');
  return o;
}

void ExpectSame(const Outcome& want, const Outcome& got, const std::string& how) {
  ASSERT_EQ(got.error, want.error) << how;
  EXPECT_EQ(got.separator, want.separator) << how;
  EXPECT_EQ(got.report.unreadableNumbers, want.report.unreadableNumbers) << how;
  EXPECT_EQ(got.report.linesWithUnreadable, want.report.linesWithUnreadable) << how;
  EXPECT_EQ(got.report.unreadableLines, want.report.unreadableLines) << how;
  if (!want.error.empty()) return;
  auto bits = [](double d) { return std::bit_cast<std::uint64_t>(d); };
  ASSERT_EQ(got.mesh.V.size(), want.mesh.V.size()) << how;
  for (size_t i = 0; i < got.mesh.V.size(); ++i) {
    const Tvertex& a = got.mesh.V[i];
    const Tvertex& b = want.mesh.V[i];
    ASSERT_TRUE(bits(a.x) == bits(b.x) && bits(a.y) == bits(b.y) && bits(a.z) == bits(b.z))
        << how << ", vertex " << i;
  }
  ASSERT_EQ(got.mesh.Vn, want.mesh.Vn) << how;
  ASSERT_EQ(got.mesh.Fc.size(), want.mesh.Fc.size()) << how;
  for (size_t i = 0; i < got.mesh.Fc.size(); ++i) {
    ASSERT_EQ(got.mesh.Fc[i].corner, want.mesh.Fc[i].corner) << how << ", face " << i;
  }
  EXPECT_EQ(bits(got.mesh.zmin), bits(want.mesh.zmin)) << how;
  EXPECT_EQ(bits(got.mesh.zmax), bits(want.mesh.zmax)) << how;
}

// Objects of a grid of vertices followed by their faces: triangles, convex
// quads, L-shaped hexagons (not convex, so split by ears) and quads with a
// corner pushed inwards, written with absolute, relative and slashed
// corners. Coordinates with a point, now and then with a comma, missing or
// no number; normals, comments, texture lines, blank lines, CR LF ends.
std::string Objects(std::mt19937& rng, int objects, const std::string& end) {
  std::string text;
  int vertices = 0;
  auto coordinate = [&](double v) {
    const auto r = rng() % 200;
    if (r == 0) return std::string("x");
    if (r == 1) return std::string("");
    std::string s = std::to_string(v);
    if (r < 8) s[s.find('.')] = ',';
    return s;
  };
  for (int o = 0; o < objects; ++o) {
    const int n = 3 + static_cast<int>(rng() % 20);
    const int first = vertices + 1;
    text += "o part" + std::to_string(o) + end + "# " + std::string(rng() % 40, '-') + end;
    for (int j = 0; j < n; ++j) {
      for (int i = 0; i < n; ++i) {
        // Now and then the lowest height, as 0 and as -0: the first one
        // found is kept.
        const double z = rng() % 50 != 0  ? 100 + 0.01 * static_cast<double>(rng() % 5000)
                         : rng() % 2 == 0 ? 0.0
                                          : -0.0;
        text += "v " + coordinate(i + 0.25 * o) + " " + coordinate(j) + " " + coordinate(z) + end;
        if (rng() % 3 == 0) text += "vn 0 0 1" + end;
        if (rng() % 5 == 0) text += "vt 0.5 0.5" + end;
        ++vertices;
      }
    }
    auto id = [&](int i, int j) { return first + j * n + i; };
    auto corner = [&](int c) {
      switch (rng() % 4) {
        case 0:
          return std::to_string(c - vertices - 1);  // relative
        case 1:
          return std::to_string(c) + "/" + std::to_string(c) + "/1";
        default:
          return std::to_string(c);
      }
    };
    for (int j = 0; j + 2 < n; j += 2) {
      for (int i = 0; i + 2 < n; i += 2) {
        const unsigned kind = rng() % 4;
        std::vector<int> c;
        if (kind == 0) {
          c = {id(i, j), id(i + 1, j), id(i + 1, j + 1)};
        } else if (kind == 1) {
          c = {id(i, j), id(i + 1, j), id(i + 1, j + 1), id(i, j + 1)};
        } else if (kind == 2) {
          c = {id(i, j),         id(i + 2, j),     id(i + 2, j + 1),
               id(i + 1, j + 1), id(i + 1, j + 2), id(i, j + 2)};
        } else {
          c = {id(i, j), id(i + 2, j), id(i + 1, j + 1), id(i, j + 2)};
        }
        text += "f";
        for (const int k : c) {
          text += ' ';
          text += corner(k);
        }
        if (rng() % 10 == 0) text += " # Rest";
        text += end;
      }
    }
    if (rng() % 4 == 0) text += end;
  }
  return text;
}

// Plans whose pieces end everywhere, and the default one on texts above a
// few megabytes.
const ObjReadPlan kPlans[] = {{0, 1000, 100}, {0, 4096, 4096}, {2, 65536, 777}};

TEST(ObjReaderPieces, GiveTheMeshOfTheReadingInOnePass) {
  TempDir dir;
  std::mt19937 rng(2024);
  struct Case {
    std::string name;
    std::string text;
  };
  std::vector<Case> cases;
  cases.push_back({"objects", Objects(rng, 400, "\n")});
  cases.push_back({"objects, CR LF", Objects(rng, 300, "\r\n")});
  cases.push_back({"objects, CR only", Objects(rng, 300, "\r")});
  // Faces before the vertices they name: every polygon waits for the end.
  {
    std::string all = Objects(rng, 200, "\n");
    std::string faces, vertices;
    size_t at = 0;
    while (at < all.size()) {
      const size_t lf = all.find('\n', at);
      const std::string line = all.substr(at, lf - at + 1);
      if (line.rfind("f ", 0) != 0) {
        vertices += line;
      } else if (line.find(" -") == std::string::npos) {
        faces += line;  // relative corners would name no vertex yet
      }
      at = lf + 1;
    }
    cases.push_back({"faces first", faces + vertices});
  }
  // Refused: a corner beyond the last vertex (known only at the end), a face
  // without enough corners further down, and a relative corner before the
  // first vertex; the first in the file is reported.
  {
    const std::string good = Objects(rng, 150, "\n");
    cases.push_back({"late faults", good + "f 1 2 99999999\n" + good + "f 1 2\n" + good});
    cases.push_back({"relative before any vertex", "f -1 -2 -3\n" + good});
  }
  // The big default: more than one piece of 4 MiB, read by every thread.
  {
    std::string big;
    while (big.size() < (9u << 20)) big += Objects(rng, 200, "\n");
    cases.push_back({"nine megabytes", big + "v 1,5 2,5 3,5\n"});
  }
  for (const Case& c : cases) {
    const std::string path = dir.Write("pieces.obj", c.text);
    const Outcome want = Read(path, ObjReadPlan{1, 0, 0});
    if (c.name.find("fault") == std::string::npos && c.name.find("before") == std::string::npos) {
      ASSERT_EQ(want.error, "") << c.name;
    } else {
      ASSERT_NE(want.error, "") << c.name;
    }
    ExpectSame(want, Read(path, ObjReadPlan{}), c.name + ", default plan");
    for (const ObjReadPlan& plan : kPlans) {
      ExpectSame(want, Read(path, plan),
                 c.name + ", pieces of " + std::to_string(plan.pieceBytes) + " read in blocks of " +
                     std::to_string(plan.blockBytes));
    }
  }
}

// The progress function stops the load by throwing: the load ends with that
// exception at once, the separator stays, and the same reader is ready for
// the next load. Every call comes from the calling thread.
TEST(ObjReaderPieces, ProgressStopsTheLoad) {
  TempDir dir;
  std::mt19937 rng(7);
  std::string text = Objects(rng, 600, "\n") + "v 1,5 2,5 3,25\n";
  const std::string path = dir.Write("stop.obj", text);
  const ObjReadPlan plan{0, 16384, 2048};
  const std::thread::id caller = std::this_thread::get_id();

  std::vector<int> seen;
  bool otherThread = false;
  const ReadProgress record = [&](int percent) {
    seen.push_back(percent);
    otherThread = otherThread || std::this_thread::get_id() != caller;
  };
  SetDecimalSeparator('.');
  const Mesh whole = ReadMesh(path, plan, record);
  EXPECT_FALSE(otherThread);
  ASSERT_FALSE(seen.empty());
  EXPECT_TRUE(std::is_sorted(seen.begin(), seen.end()));
  EXPECT_EQ(seen.back(), 100);
  EXPECT_EQ(DecimalSeparator(), ',');

  // Stopped at the first call, early, in the middle of the reading, and at
  // the very end (100 %), when the whole text is read but not yet joined.
  for (const int from : {0, 1, 50, 100}) {
    SetDecimalSeparator('.');
    int last = -1;
    const ReadProgress stop = [&](int percent) {
      EXPECT_EQ(last, -1) << "the load went on after being stopped at " << from << " %";
      if (percent >= from) {
        last = percent;
        throw Cancelled();
      }
    };
    EXPECT_THROW(ReadMesh(path, plan, stop), Cancelled) << "stopped at " << from << " %";
    EXPECT_EQ(DecimalSeparator(), '.');
  }
  const Mesh again = ReadMesh(path, plan);
  EXPECT_EQ(again.Fc.size(), whole.Fc.size());
  SetDecimalSeparator('.');
}

// A file rewritten or cut short between the counting and the reading is
// refused with its name, never read as a mesh of what the counting no longer
// holds, nor a crash. The file is changed from the progress function in the
// middle of the reading (the counting weighs 25 %); a load whose other thread
// had read everything by then gives the old mesh whole and is tried again.
TEST(ObjReaderPieces, FileChangedWhileReadIsRefused) {
  TempDir dir;
  std::string text;
  for (int i = 0; i < 40000; ++i) text += "v " + std::to_string(i) + " 0 0\n";
  text += "f 1 2 3\n";
  const std::string path = dir.Write("changing.obj", text);
  const std::string changed = "Die Datei '" + path + "' wurde beim Lesen verändert";
  const size_t oldVertices = ReadMesh(path).V.size();

  // Same size, but "vt" where each "v " stood: fewer vertices everywhere.
  std::string renamed = text;
  for (size_t at = renamed.find("v "); at != std::string::npos; at = renamed.find("v ", at + 1)) {
    renamed[at + 1] = 't';
  }
  for (const bool cut : {false, true}) {
    const char* how = cut ? "cut short" : "rewritten";
    bool refused = false;
    for (int attempt = 0; attempt < 50 && !refused; ++attempt) {
      dir.Write("changing.obj", text);
      bool done = false;
      const ReadProgress change = [&](int percent) {
        if (done || percent <= 25 || percent == 100) return;
        done = true;
        if (cut) {
          std::filesystem::resize_file(path, 0);
        } else {
          std::fstream f(path, std::ios::in | std::ios::out | std::ios::binary);
          f.write(renamed.data(), static_cast<std::streamsize>(renamed.size()));
        }
      };
      try {
        const Mesh m = ReadMesh(path, ObjReadPlan{0, 65536, 512}, change);
        EXPECT_EQ(m.V.size(), oldVertices) << how;
      } catch (const Error& e) {
        EXPECT_EQ(std::string(e.what()), changed) << how;
        refused = true;
      }
    }
    EXPECT_TRUE(refused) << how;
  }
  SetDecimalSeparator('.');
}

}  // namespace
}  // namespace quervik
