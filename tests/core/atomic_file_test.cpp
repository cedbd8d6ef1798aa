// AtomicFile: a file replaces its target only when committed; whatever
// fails before leaves the previous file and no temporary file behind. (The
// DXF writer's tests cover the same rules in depth through it: full disk,
// links, pipes, permissions of other users, signals.)
#include "core/atomic_file.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "support/errors.h"
#include "support/temp_dir.h"

namespace quervik {
namespace {

using test::ReadFile;
using test::TempDir;
using test::WriteFile;
using Names = std::vector<std::string>;

TEST(AtomicFile, CommitReplacesTheTargetWithEverythingWrittenAndFilledIn) {
  TempDir dir;
  WriteFile(dir / "a.txt", "alt");
  ::chmod((dir / "a.txt").c_str(), 0640);
  AtomicFile f;
  f.Open(dir / "a.txt");
  f.Write("KOPF----");
  const std::string body(3 << 20, 'x');  // more than the buffer: the head is on disk
  f.Write(body);
  EXPECT_EQ(f.Size(), 8 + body.size());
  f.WriteAt(4, "1234");
  f.Finish();
  EXPECT_EQ(ReadFile(dir / "a.txt"), "alt");  // nothing replaced before the commit
  f.Commit();
  EXPECT_FALSE(f.IsOpen());
  EXPECT_EQ(ReadFile(dir / "a.txt"), "KOPF1234" + body);
  EXPECT_EQ(dir.Names(), Names{"a.txt"});
  struct stat st {};
  ::stat((dir / "a.txt").c_str(), &st);
  EXPECT_EQ(st.st_mode & 0777, 0640u) << "the replaced file's permissions are kept";
}

// A file of 41 MiB in pieces of every kind (gathered in the buffer, written
// as they are, larger than the buffer): the bytes arrive in order while the
// file is pushed to disk on the way (every 8 MiB, waiting 32 MiB behind).
TEST(AtomicFile, ALargeFileInPiecesOfEverySizeIsWrittenByteForByte) {
  TempDir dir;
  AtomicFile f;
  f.Open(dir / "gross.bin");
  std::string expected;
  const std::size_t sizes[] = {
      1, 1000, AtomicFile::kDirectWrite - 1, AtomicFile::kDirectWrite, 256 << 10, (1 << 20) + 3};
  for (std::size_t k = 0; expected.size() < (std::size_t{41} << 20); ++k) {
    std::string piece(sizes[k % 6], static_cast<char>('a' + k % 26));
    piece[0] = static_cast<char>('0' + k % 10);
    f.Write(piece);
    expected += piece;
  }
  EXPECT_EQ(f.Size(), expected.size());
  f.Commit();
  EXPECT_TRUE(ReadFile(dir / "gross.bin") == expected);
}

TEST(AtomicFile, WhatIsNotCommittedLeavesThePreviousFileAndNothingElse) {
  TempDir dir;
  WriteFile(dir / "a.txt", "alt");
  std::filesystem::create_directory(dir.path() / "ordner");
  {
    AtomicFile finished;  // destroyed unfinished
    finished.Open(dir / "a.txt");
    finished.Write("neu");
    finished.Finish();
  }
  AtomicFile f;
  f.Open(dir / "a.txt");
  f.Write("neu");
  f.Abandon();
  EXPECT_FALSE(f.IsOpen());
  auto error = [&](const std::string& path) { return test::ErrorText([&] { f.Open(path); }); };
  EXPECT_EQ(error(dir / "fehlt/a.txt"), "Ungültiger Dateiname");
  EXPECT_EQ(error(dir / "ordner"), "Dateizugriff verweigert");
  // A pipe nobody reads is refused at once instead of waiting for a reader.
  ASSERT_EQ(::mkfifo((dir / "rohr").c_str(), 0600), 0);
  EXPECT_EQ(error(dir / "rohr"), "Dateizugriff verweigert");
  EXPECT_EQ(ReadFile(dir / "a.txt"), "alt");
  EXPECT_EQ(dir.Names(), (Names{"a.txt", "ordner", "rohr"}));
}

TEST(FitsBeside, AFileFitsTheFreeSpaceOfTheFolderItLandsIn) {
  TempDir dir;
  std::filesystem::create_directory(dir.path() / "echt");
  WriteFile(dir / "echt/ziel.dxf", "alt");
  std::filesystem::create_symlink(dir.path() / "echt/ziel.dxf", dir.path() / "link.dxf");
  const std::string link = dir / "link.dxf";
  // The file system's own count.
  EXPECT_TRUE(FitsBeside(link, 0));
  EXPECT_FALSE(FitsBeside(link, UINTMAX_MAX));
  // A disk of 1000 free bytes, asked for the folder the link points into.
  std::vector<std::string> asked;
  const FreeSpaceFn disk = [&](const std::string& folder) {
    asked.push_back(folder);
    return std::optional<std::uintmax_t>(1000);
  };
  EXPECT_TRUE(FitsBeside(link, 1000, disk));
  EXPECT_FALSE(FitsBeside(link, 1001, disk));
  EXPECT_EQ(asked.back(), std::filesystem::canonical(dir.path() / "echt").string() + "/");
  EXPECT_TRUE(dir.Names() == (Names{"echt", "link.dxf"}));
  // Unknown free space, or a folder that does not exist: Open will tell.
  EXPECT_TRUE(FitsBeside(link, UINTMAX_MAX,
                         [](const std::string&) { return std::optional<std::uintmax_t>(); }));
  EXPECT_TRUE(FitsBeside(dir / "fehlt/x.dxf", UINTMAX_MAX));
}

}  // namespace
}  // namespace quervik
