// AtomicFile: a file replaces its target only when committed; whatever
// fails before leaves the previous file and no temporary file behind.
#include "core/atomic_file.h"

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>

#include <cerrno>
#include <csignal>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "../dxf/dxf_test_support.h"
#include "core/errors.h"

namespace quervik {
namespace {

using test::ReadFile;
using test::TempDir;
using test::WriteFile;
using Names = std::vector<std::string>;

std::string ErrorOf(const std::function<void()>& f) {
  try {
    f();
  } catch (const Error& e) {
    return e.what();
  }
  return "(kein Fehler)";
}

TEST(AtomicFile, CommitReplacesTheTargetWithEverythingWrittenAndFilledIn) {
  TempDir dir;
  WriteFile(dir / "a.txt", "alt");
  ::chmod((dir / "a.txt").c_str(), 0640);
  AtomicFile f;
  f.Open(dir / "a.txt");
  f.Write("KOPF----");
  // More than the buffer holds, so the head is already on disk when it is
  // filled in.
  const std::string body(3 << 20, 'x');
  f.Write(body);
  EXPECT_EQ(f.Size(), 8 + body.size());
  f.WriteAt(4, "1234");
  EXPECT_EQ(ReadFile(dir / "a.txt"), "alt");  // nothing replaced before the commit
  f.Finish();
  EXPECT_EQ(ReadFile(dir / "a.txt"), "alt");
  f.Commit();
  EXPECT_FALSE(f.IsOpen());
  EXPECT_EQ(ReadFile(dir / "a.txt"), "KOPF1234" + body);
  EXPECT_EQ(dir.Names(), Names{"a.txt"});
  struct stat st {};
  ::stat((dir / "a.txt").c_str(), &st);
  EXPECT_EQ(st.st_mode & 0777, 0640u) << "the replaced file's permissions are kept";
}

TEST(AtomicFile, AbandonAndDestructionLeaveThePreviousFile) {
  TempDir dir;
  WriteFile(dir / "a.txt", "alt");
  {
    AtomicFile f;
    f.Open(dir / "a.txt");
    f.Write("neu");
    f.Finish();
  }
  AtomicFile g;
  g.Open(dir / "a.txt");
  g.Write("neu");
  g.Abandon();
  EXPECT_FALSE(g.IsOpen());
  EXPECT_EQ(ReadFile(dir / "a.txt"), "alt");
  EXPECT_EQ(dir.Names(), Names{"a.txt"});
}

TEST(AtomicFile, AFullDiskKeepsThePreviousFile) {
  TempDir dir;
  WriteFile(dir / "a.txt", "alt");
  rlimit old{};
  ::getrlimit(RLIMIT_FSIZE, &old);
  auto previous = std::signal(SIGXFSZ, SIG_IGN);
  rlimit lim = old;
  lim.rlim_cur = 1000;
  ::setrlimit(RLIMIT_FSIZE, &lim);
  AtomicFile f;
  const std::string text = ErrorOf([&] {
    f.Open(dir / "a.txt");
    f.Write(std::string(5000, 'x'));
    f.Commit();
  });
  ::setrlimit(RLIMIT_FSIZE, &old);
  std::signal(SIGXFSZ, previous);
  EXPECT_EQ(text, "E/A-Fehler " + std::to_string(EFBIG));
  EXPECT_FALSE(f.IsOpen());
  EXPECT_EQ(ReadFile(dir / "a.txt"), "alt");
  EXPECT_EQ(dir.Names(), Names{"a.txt"});
}

TEST(AtomicFile, BadTargetsAreRefusedAtOpen) {
  TempDir dir;
  std::filesystem::create_directory(dir.path() / "ordner");
  AtomicFile f;
  EXPECT_EQ(ErrorOf([&] { f.Open(dir / "fehlt/a.txt"); }), "Ungültiger Dateiname");
  EXPECT_EQ(ErrorOf([&] { f.Open(""); }), "Ungültiger Dateiname");
  EXPECT_EQ(ErrorOf([&] { f.Open(dir / "ordner"); }), "Dateizugriff verweigert");
  EXPECT_EQ(ErrorOf([&] { f.Open(std::string("a\0b", 3)); }), "Ungültige Zeichen im Pfad");
  EXPECT_FALSE(f.IsOpen());
  EXPECT_EQ(dir.Names(), Names{"ordner"});
}

}  // namespace
}  // namespace quervik
