// ReadMesh and ParseObj on input nobody should write: missing files,
// folders, binary noise, cut-off files, enormous lines. Each must either give
// the mesh the literal line-by-line rules give (reference_reader.h) or refuse
// with a German text; nothing may crash.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <bit>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <future>
#include <random>
#include <span>
#include <sstream>
#include <string>
#include <thread>

#include "core/errors.h"
#include "core/number_format.h"
#include "model/obj_reader.h"
#include "reference_reader.h"
#include "support/temp_dir.h"

namespace quervik {
namespace {

using test::ReferenceRead;
using test::ReferenceResult;
using test::TempDir;

std::string FileErrorOf(const std::string& path) {
  try {
    ReadMesh(path);
  } catch (const Error& e) {
    return e.what();
  }
  return "(accepted)";
}

TEST(ObjReaderFiles, MissingFileFolderAndDevice) {
  TempDir dir;
  EXPECT_EQ(FileErrorOf((dir.path() / "nix.obj").string()), "Datei nicht gefunden");
  EXPECT_EQ(FileErrorOf((dir.path() / "nix" / "a.obj").string()), "Ungültiger Dateiname");
  EXPECT_EQ(FileErrorOf(""), "Datei nicht gefunden");
  EXPECT_EQ(FileErrorOf(dir.path().string()), "Dateizugriff verweigert");
  // A device could deliver bytes forever; only regular files are read.
  EXPECT_EQ(FileErrorOf("/dev/zero"), "Dateizugriff verweigert");
  const std::string file = dir.Write("a.obj", "v 1 2 3\n");
  EXPECT_EQ(FileErrorOf(file + "/b.obj"), "Ungültiger Dateiname");
}

// Opening a pipe that no one writes to would wait for a writer for ever; it
// is refused at once. Should the reader wait after all, the test opens the
// pipe for writing after a minute, so that it fails instead of hanging.
TEST(ObjReaderFiles, PipeIsRefusedWithoutWaiting) {
  TempDir dir;
  const std::string pipe = (dir.path() / "rohr.obj").string();
  ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
  std::promise<std::string> done;
  std::future<std::string> result = done.get_future();
  std::thread reader([&] { done.set_value(FileErrorOf(pipe)); });
  if (result.wait_for(std::chrono::minutes(1)) != std::future_status::ready) {
    ADD_FAILURE() << "ReadMesh waits for a writer";
    const int writer = ::open(pipe.c_str(), O_WRONLY | O_NONBLOCK);
    reader.join();
    if (writer >= 0) ::close(writer);
  } else {
    reader.join();
  }
  EXPECT_EQ(result.get(), "Dateizugriff verweigert");
}

TEST(ObjReaderFiles, FailedOpenLeavesTheSeparatorAlone) {
  SetDecimalSeparator(',');
  EXPECT_EQ(FileErrorOf("/nonexistent-quervik/a.obj"), "Ungültiger Dateiname");
  EXPECT_EQ(DecimalSeparator(), ',');
  SetDecimalSeparator('.');
}

// The readers compared with the reference: in one pass and in pieces (on
// every processor), from a file and from memory. The pieces are small, so
// that their borders fall everywhere: inside keywords, numbers, carriage
// return and line feed pairs, and lines many pieces long.
struct Reader {
  const char* name;
  bool fromFile;
  ObjReadPlan plan;
};
const Reader kReaders[] = {
    {"ReadMesh", true, {}},
    {"ParseObj", false, {}},
    {"ReadMesh in pieces of 7", true, {0, 7, 3}},
    {"ParseObj in pieces of 1", false, {0, 1, 1}},
    {"ParseObj in pieces of 64", false, {0, 64, 16}},
};

std::uint64_t Bits(double d) {
  return std::bit_cast<std::uint64_t>(d);
}

// Reads `text` the reference's way and with every reader, and expects the
// same mesh (bit for bit), the same error, the same report and the same
// separator from all of them.
void ExpectLikeReference(const TempDir& dir, const std::string& text, const std::string& what,
                         std::span<const Reader> readers = kReaders) {
  const std::string path = dir.Write("same.obj", text);
  const ReferenceResult want = ReferenceRead(text, '#', path);
  for (const Reader& reader : readers) {
    const std::string how = what + " (" + reader.name + ")";
    SetDecimalSeparator('#');
    std::string error;
    Mesh got;
    ObjReadReport report;
    try {
      got = reader.fromFile ? ReadMesh(path, reader.plan, {}, &report)
                            : ParseObj(text, reader.plan, path, &report);
    } catch (const Error& e) {
      error = e.what();
    }
    ASSERT_EQ(error, want.error) << how;
    EXPECT_EQ(DecimalSeparator(), want.separator) << how;
    if (!error.empty()) continue;
    EXPECT_EQ(report.unreadableNumbers, want.report.unreadableNumbers) << how;
    EXPECT_EQ(report.linesWithUnreadable, want.report.linesWithUnreadable) << how;
    EXPECT_EQ(report.unreadableLines, want.report.unreadableLines) << how;
    ASSERT_EQ(got.V.size(), want.mesh.V.size()) << how;
    for (size_t i = 0; i < got.V.size(); ++i) {
      ASSERT_EQ(Bits(got.V[i].x), Bits(want.mesh.V[i].x)) << how;
      ASSERT_EQ(Bits(got.V[i].y), Bits(want.mesh.V[i].y)) << how;
      ASSERT_EQ(Bits(got.V[i].z), Bits(want.mesh.V[i].z)) << how;
    }
    ASSERT_EQ(got.Vn, want.mesh.Vn) << how;
    ASSERT_EQ(got.Fc.size(), want.mesh.Fc.size()) << how;
    for (size_t i = 0; i < got.Fc.size(); ++i)
      ASSERT_EQ(got.Fc[i].corner, want.mesh.Fc[i].corner) << how;
    Mesh range;
    range.V = want.mesh.V;
    ZMinMax(range);
    EXPECT_EQ(Bits(got.zmin), Bits(range.zmin)) << how;
    EXPECT_EQ(Bits(got.zmax), Bits(range.zmax)) << how;
  }
}

TEST(ObjReaderHostile, EveryPrefixOfASmallFile) {
  TempDir dir;
  const std::string text = test::ReadFile(QUERVIK_TEST_DATA "/obj_features.obj");
  ASSERT_GT(text.size(), 300u);
  for (size_t n = 0; n <= text.size(); ++n) {
    ExpectLikeReference(dir, text.substr(0, n), "prefix " + std::to_string(n));
    if (::testing::Test::HasFatalFailure()) return;
  }
  SetDecimalSeparator('.');
}

TEST(ObjReaderHostile, BinaryNoise) {
  TempDir dir;
  std::mt19937 rng(1234);
  for (int round = 0; round < 40; ++round) {
    std::string text(20'000, '\0');
    for (char& c : text) c = static_cast<char>(rng());
    // Now and then a keyword at the start of a line, so that the noise also
    // reaches the number and corner rules.
    for (size_t i = 1; i + 2 < text.size(); ++i) {
      if (text[i - 1] == '\n' && rng() % 2) text[i] = "vfvv"[rng() % 4], text[i + 1] = ' ';
    }
    ExpectLikeReference(dir, text, "noise round " + std::to_string(round));
    if (::testing::Test::HasFatalFailure()) return;
  }
  SetDecimalSeparator('.');
}

// Files made of pieces of plausible lines. Of the face lines, `faulty` in 16
// are made like any other line (and are mostly refused); the rest list 3 to
// 6 plausible corners. `crOnly` ends every line with a carriage return.
std::string LineSoup(std::mt19937& rng, int lines, unsigned faulty, bool crOnly) {
  static const char* const kStarts[] = {"v ", "v ",  "v ", "vn ", "f ",   "f ", "f ", "vt ",
                                        "# ", " v ", "V ", "v\t", "vnx ", "f",  "v",  ""};
  static const char* const kTokens[] = {
      "1",   "2",    "-1",      "0",     "3/4",        "//2", "+1",    "1/2/3", "x",
      "1,5", "2.25", "-3,75e1", "1e400", "2147483648", "-0",  "0x1",   "1\t",   "\r",
      "5",   "-2",   ",",       ".",     "7/",         "/",   "1e-400"};
  static const char* const kCorners[] = {"1",  "2",   "3",     "-1",   "-2", "-3",
                                         "+2", "3/4", "1/2/3", "2//1", "/3", "2/"};
  static const char* const kGaps[] = {" ", " ", "  ", "\t", " \r "};
  static const char* const kEnds[] = {"\n", "\n", "\r\n", "\r", "\r\r\n"};
  auto pick = [&rng](const auto& list) { return list[rng() % (sizeof(list) / sizeof(list[0]))]; };
  std::string text;
  for (int l = 0; l < lines; ++l) {
    const std::string start = pick(kStarts);
    text += start;
    if (start == "f " && rng() % 16 >= faulty) {
      const auto corners = 3 + rng() % 4;
      for (decltype(rng()) t = 0; t < corners; ++t) text += std::string(pick(kCorners)) + " ";
      if (rng() % 4 == 0) text += "# 7";
      text += crOnly ? "\r" : rng() % 2 ? "\n" : "\r\n";
      continue;
    }
    const auto tokens = rng() % 6;
    for (decltype(rng()) t = 0; t < tokens; ++t) {
      if (t > 0) text += pick(kGaps);
      text += pick(kTokens);
    }
    text += crOnly ? "\r" : pick(kEnds);
  }
  if (rng() % 2 && !text.empty()) text.pop_back();
  return text;
}

TEST(ObjReaderHostile, RandomLinesAgreeWithTheLiteralRules) {
  TempDir dir;
  std::mt19937 rng(42);
  int refused = 0;
  for (int round = 0; round < 1500; ++round) {
    // Mostly three vertices first, so that faces naming 1 to 3 can be read.
    const bool crOnly = rng() % 8 == 0;
    const std::string end = crOnly ? "\r" : "\n";
    const std::string first = rng() % 4 ? "v 0 0 0" + end + "v 1 0 0" + end + "v 0 1 0" + end : "";
    const std::string text = first + LineSoup(rng, 1 + static_cast<int>(rng() % 12), 2, crOnly);
    ExpectLikeReference(dir, text, "soup:\n" + text);
    if (::testing::Test::HasFatalFailure()) return;
    refused += ReferenceRead(text, '.', "same.obj").error.empty() ? 0 : 1;
  }
  // Both outcomes must have been exercised.
  EXPECT_GT(refused, 100);
  EXPECT_LT(refused, 1400);
  SetDecimalSeparator('.');
}

// A few megabytes, so that lines cross the boundaries of the read blocks.
TEST(ObjReaderHostile, LinesAcrossReadBlocks) {
  TempDir dir;
  std::mt19937 rng(5);
  // Three vertices first and no faulty face, so that the file is read to
  // its end and accepted.
  std::string text = "v 0 0 0\nv 1 0 0\nv 0 1 0\n";
  while (text.size() < 3'500'000) text += LineSoup(rng, 1000, 0, false) + "\n";
  const Reader readers[] = {{"ReadMesh", true, {}},
                            {"ReadMesh in pieces of 64 KiB", true, {0, 1 << 16, 1 << 12}},
                            {"ParseObj in pieces of 100 kB", false, {0, 100'000, 999}}};
  ExpectLikeReference(dir, text, "large soup", readers);
  EXPECT_EQ(ReferenceRead(text, '.', "same.obj").error, "");
  SetDecimalSeparator('.');
}

// One line of 100 MB (a vertex whose numbers come after a sea of blanks),
// and a 100 MB comment without a final line feed.
TEST(ObjReaderHostile, HundredMegabyteLines) {
  TempDir dir;
  const std::string path = (dir.path() / "long.obj").string();
  {
    std::FILE* f = std::fopen(path.c_str(), "wb");
    ASSERT_NE(f, nullptr);
    const std::string blanks(1 << 20, ' ');
    std::fputs("v", f);
    for (int i = 0; i < 100; ++i) std::fwrite(blanks.data(), 1, blanks.size(), f);
    std::fputs("1 2 3\nv 4 5 6\nf 1 2 -1\n#", f);
    const std::string hashes(1 << 20, '#');
    for (int i = 0; i < 100; ++i) std::fwrite(hashes.data(), 1, hashes.size(), f);
    ASSERT_EQ(std::fclose(f), 0);
  }
  const Mesh m = ReadMesh(path);
  ASSERT_EQ(m.V.size(), 3u);
  EXPECT_EQ(m.V[1].x, 1.0);
  EXPECT_EQ(m.V[1].z, 3.0);
  EXPECT_EQ(m.V[2].z, 6.0);
  ASSERT_EQ(m.Fc.size(), 2u);
  EXPECT_EQ(m.Fc[1].corner, (std::array<std::int32_t, 3>{1, 2, 2}));
  SetDecimalSeparator('.');
}

}  // namespace
}  // namespace quervik
