// The DXF writer: the exact bytes of each record, the frame of a file, and
// safe replacement of the target (a failure never leaves a broken file, nor
// destroys the previous one, nor a temporary file).
#include "dxf/dxf_writer.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "core/errors.h"
#include "support/dxf_lines.h"
#include "support/errors.h"
#include "support/temp_dir.h"

namespace quervik {
namespace {

using test::DxfLines;
using test::ExpectError;
using test::Framed;
using test::LineRecord;
using test::ReadFile;
using test::TempDir;
using test::WriteFile;

TEST(DxfWriterLayout, AnEmptyFileIsExactlyEightLines) {
  TempDir dir;
  DxfWriter w;
  w.DXFFileName = dir / "leer.dxf";
  EXPECT_FALSE(w.DXFIsOpen());
  w.DXFOpen();
  EXPECT_TRUE(w.DXFIsOpen());
  w.DXFClose();
  EXPECT_FALSE(w.DXFIsOpen());
  EXPECT_EQ(ReadFile(dir / "leer.dxf"),
            "  0\r\nSECTION\r\n  2\r\nENTITIES\r\n  0\r\nENDSEC\r\n  0\r\nEOF\r\n");
  EXPECT_EQ(w.DXFFileName, dir / "leer.dxf");  // kept after closing
  EXPECT_EQ(dir.Names(), std::vector<std::string>{"leer.dxf"});
}

TEST(DxfWriterLayout, LineRecordOfTheExample) {
  TempDir dir;
  DxfWriter w;
  w.DXFFileName = dir / "l.dxf";
  w.DXFOpen();
  w.DXFLinie(1.5, -0.25, 0, 345.678, 2.0 / 3.0, 100, "L1", "CONTINUOUS");
  w.DXFClose();
  EXPECT_EQ(DxfLines(ReadFile(dir / "l.dxf")),
            Framed({LineRecord("L1", " 1.50000000000000E+0000", "-2.50000000000000E-0001",
                               " 0.00000000000000E+0000", " 3.45678000000000E+0002",
                               " 6.66666666666667E-0001", " 1.00000000000000E+0002")}));
}

TEST(DxfWriterLayout, PointAndTextRecords) {
  TempDir dir;
  DxfWriter w;
  w.DXFFileName = dir / "pt.dxf";
  w.DXFOpen();
  w.DXFPunkt(-0.0, 1, -1e-300, "P", "CONTINUOUS");
  w.DXFText(1, 2, 3, "Höhe 12,5", "T", "DASHED", 90, 2.5);
  w.DXFText(0, 0, 0, "", "", "", 1e6, -1);
  w.DXFClose();
  const std::vector<std::string> expected = Framed({
      {"  0", "POINT", "  8", "P", "  6", "CONTINUOUS", " 10", " 0.00000000000000E+0000", " 20",
       " 1.00000000000000E+0000", " 30", "-1.00000000000000E-0300"},
      {"  0", "TEXT", "  8", "T", "  6", "DASHED", " 10", " 1.00000000000000E+0000", " 20",
       " 2.00000000000000E+0000", " 30", " 3.00000000000000E+0000", " 40",
       " 2.50000000000000E+0000", "  1", "Höhe 12,5", " 50", "   90.0000"},
      // Empty strings give empty value lines; a rotation of a million is
      // longer than 10 characters and has no blank in front.
      {"  0", "TEXT", "  8", "", "  6", "", " 10", " 0.00000000000000E+0000", " 20",
       " 0.00000000000000E+0000", " 30", " 0.00000000000000E+0000", " 40",
       "-1.00000000000000E+0000", "  1", "", " 50", "1000000.0000"},
  });
  EXPECT_EQ(DxfLines(ReadFile(dir / "pt.dxf")), expected);
}

// The rotation: fixed point with four decimals in ten characters, wider
// when needed, rounded half away from zero.
TEST(DxfWriterLayout, TextRotationIsFixedPointWithFourDecimals) {
  const std::pair<double, const char*> cases[] = {
      {90, "   90.0000"},
      {-12.5, "  -12.5000"},
      {0, "    0.0000"},
      {0.00005, "    0.0001"},  // the double is just above the tie
      {999999.99994, "999999.9999"},
      {1e6, "1000000.0000"},
      {-1e6, "-1000000.0000"}};
  TempDir dir;
  DxfWriter w;
  w.DXFFileName = dir / "winkel.dxf";
  w.DXFOpen();
  for (const auto& [alfa, text] : cases) w.DXFText(0, 0, 0, "t", "T", "CONTINUOUS", alfa, 1);
  w.DXFClose();
  const std::vector<std::string> lines = DxfLines(ReadFile(dir / "winkel.dxf"));
  ASSERT_EQ(lines.size(), 8 + std::size(cases) * 18);
  for (std::size_t i = 0; i < std::size(cases); ++i) {
    EXPECT_EQ(lines[4 + i * 18 + 16], " 50");
    EXPECT_EQ(lines[4 + i * 18 + 17], cases[i].second) << cases[i].first;
  }
}

TEST(DxfWriterLayout, NonFiniteCoordinatesAreWords) {
  TempDir dir;
  DxfWriter w;
  w.DXFFileName = dir / "nf.dxf";
  w.DXFOpen();
  w.DXFLinie(std::numeric_limits<double>::infinity(), -std::numeric_limits<double>::infinity(),
             std::numeric_limits<double>::quiet_NaN(), 0, 0, 0, "X", "CONTINUOUS");
  w.DXFClose();
  const auto lines = DxfLines(ReadFile(dir / "nf.dxf"));
  ASSERT_EQ(lines.size(), 26u);
  EXPECT_EQ(lines[11], "                   +Inf");
  EXPECT_EQ(lines[13], "                   -Inf");
  EXPECT_EQ(lines[15], "                    Nan");
}

TEST(DxfWriterLayout, ManyRecordsAndHugeStringsPassTheBufferIntact) {
  TempDir dir;
  DxfWriter w;
  w.DXFFileName = dir / "gross.dxf";
  const std::string hugeLayer(3 * 1024 * 1024 + 7, 'L');
  w.DXFOpen();
  for (int i = 0; i < 20000; ++i) w.DXFLinie(i, -i, 0.5, 1, 2, 3, "A", "CONTINUOUS");
  w.DXFPunkt(1, 2, 3, hugeLayer, "CONTINUOUS");
  w.DXFLinie(7, 8, 9, 1, 2, 3, "Z", "CONTINUOUS");
  w.DXFClose();
  const std::string text = ReadFile(dir / "gross.dxf");
  // Opening 29 bytes, closing 23; a LINE with a one-letter layer 216, a
  // POINT 126 plus its layer.
  EXPECT_EQ(text.size(), 29 + 20000 * 216 + (126 + hugeLayer.size()) + 216 + 23);
  const auto lines = DxfLines(text);
  ASSERT_EQ(lines.size(), 8 + 20000 * 18 + 12 + 18u);
  EXPECT_EQ(lines[4 + 12345 * 18 + 7], " 1.23450000000000E+0004");
  EXPECT_EQ(lines[4 + 12345 * 18 + 9], "-1.23450000000000E+0004");
  EXPECT_EQ(lines[4 + 20000 * 18 + 3], hugeLayer);
  EXPECT_EQ(lines[lines.size() - 15], " 7.00000000000000E+0000");
}

TEST(DxfWriterLayout, LinesFormattedApartAreTheSameBytes) {
  TempDir dir;
  const std::string hugeLayer(2 * 1024 * 1024, 'H');
  DxfWriter direct, apart;
  DxfLineBuffer lines;
  direct.DXFFileName = dir / "direkt.dxf";
  apart.DXFFileName = dir / "getrennt.dxf";
  direct.DXFOpen();
  apart.DXFOpen();
  for (int i = 0; i < 9000; ++i) {
    const double v = i * 0.37 - 1000;
    std::string layer(1, 'S');
    layer += i == 4500 ? hugeLayer : std::to_string(i % 7);
    direct.DXFLinie(v, -v, v / 3, 1e-7 * v, 1e7 * v, -0.0, layer, "CONTINUOUS");
    lines.DXFLinie(v, -v, v / 3, 1e-7 * v, 1e7 * v, -0.0, layer, "CONTINUOUS");
    if (i % 1000 == 999) {
      apart.DXFWrite(lines);
      lines.clear();
    }
  }
  direct.DXFClose();
  apart.DXFClose();
  const std::string a = ReadFile(dir / "direkt.dxf");
  EXPECT_GT(a.size(), 9000 * 216u + hugeLayer.size());
  EXPECT_TRUE(a == ReadFile(dir / "getrennt.dxf"));
  EXPECT_EQ(DxfLines(a)[4 + 4500 * 18 + 3], "S" + hugeLayer);
}

TEST(DxfWriterLifecycle, CloseWithoutOpenDoesNothing) {
  TempDir dir;
  DxfWriter w;
  w.DXFFileName = dir / "nie.dxf";
  w.DXFClose();
  w.DXFClose();
  EXPECT_FALSE(w.DXFIsOpen());
  EXPECT_TRUE(dir.Names().empty());
  w.DXFOpen();
  w.DXFClose();
  w.DXFClose();  // a second close neither writes nor raises
  EXPECT_EQ(ReadFile(dir / "nie.dxf").size(), 52u);
}

TEST(DxfWriterLifecycle, EntitiesWithoutAnOpenFileAreRefused) {
  DxfWriter w;
  ExpectError([&] { w.DXFLinie(0, 0, 0, 1, 1, 1, "L", "CONTINUOUS"); }, "Keine DXF-Datei geöffnet");
  ExpectError([&] { w.DXFPunkt(0, 0, 0, "L", "CONTINUOUS"); }, "Keine DXF-Datei geöffnet");
  ExpectError([&] { w.DXFText(0, 0, 0, "t", "L", "CONTINUOUS", 0, 1); },
              "Keine DXF-Datei geöffnet");
  ExpectError([&] { w.DXFWrite(DxfLineBuffer{}); }, "Keine DXF-Datei geöffnet");
}

TEST(DxfWriterLifecycle, ASecondOpenReplacesTheFileCompletely) {
  TempDir dir;
  WriteFile(dir / "s.dxf", std::string(5000, 'x'));
  DxfWriter w;
  w.DXFFileName = dir / "s.dxf";
  w.DXFOpen();
  w.DXFLinie(1, 1, 1, 2, 2, 2, "A", "CONTINUOUS");
  w.DXFClose();
  w.DXFOpen();
  w.DXFClose();
  EXPECT_EQ(ReadFile(dir / "s.dxf").size(), 52u);
}

TEST(DxfWriterLifecycle, OpenWhileOpenAbandonsTheUnfinishedFile) {
  TempDir dir;
  WriteFile(dir / "a.dxf", "alt");
  DxfWriter w;
  w.DXFFileName = dir / "a.dxf";
  w.DXFOpen();
  w.DXFLinie(1, 1, 1, 2, 2, 2, "A", "CONTINUOUS");  // never finished
  w.DXFFileName = dir / "b.dxf";
  w.DXFOpen();
  EXPECT_EQ(ReadFile(dir / "a.dxf"), "alt");
  w.DXFClose();
  EXPECT_EQ(dir.Names(), (std::vector<std::string>{"a.dxf", "b.dxf"}));
  EXPECT_EQ(ReadFile(dir / "b.dxf").size(), 52u);
}

TEST(DxfWriterLifecycle, AbandonAndDestructionLeaveTheTargetAlone) {
  TempDir dir;
  WriteFile(dir / "a.dxf", "alt");
  {
    DxfWriter w;
    w.DXFFileName = dir / "a.dxf";
    w.DXFOpen();
    w.DXFLinie(1, 1, 1, 2, 2, 2, "A", "CONTINUOUS");
    w.Abandon();
    EXPECT_FALSE(w.DXFIsOpen());
    w.DXFClose();  // nothing open any more
    w.DXFOpen();
    w.DXFLinie(1, 1, 1, 2, 2, 2, "A", "CONTINUOUS");
  }  // destroyed while open
  EXPECT_EQ(ReadFile(dir / "a.dxf"), "alt");
  EXPECT_EQ(dir.Names(), std::vector<std::string>{"a.dxf"});
}

TEST(DxfWriterLifecycle, NewFilesGetTheUsualPermissionsAndReplacedFilesKeepTheirs) {
  TempDir dir;
  const mode_t old = ::umask(022);
  DxfWriter w;
  w.DXFFileName = dir / "neu.dxf";
  w.DXFOpen();
  w.DXFClose();
  WriteFile(dir / "privat.dxf", "alt");
  std::filesystem::permissions(
      dir / "privat.dxf", std::filesystem::perms::owner_read | std::filesystem::perms::owner_write);
  w.DXFFileName = dir / "privat.dxf";
  w.DXFOpen();
  w.DXFClose();
  ::umask(old);
  struct stat st {};
  ASSERT_EQ(::stat((dir / "neu.dxf").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0644u);
  ASSERT_EQ(::stat((dir / "privat.dxf").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0600u);
}

TEST(DxfWriterLifecycle, ALinkStaysALinkAndItsFileIsReplaced) {
  TempDir dir;
  std::filesystem::create_directory(dir.path() / "echt");
  WriteFile(dir / "echt/ziel.dxf", "alt");
  std::filesystem::create_symlink(dir.path() / "echt/ziel.dxf", dir.path() / "link.dxf");
  DxfWriter w;
  w.DXFFileName = dir / "link.dxf";
  w.DXFOpen();
  w.DXFClose();
  EXPECT_TRUE(std::filesystem::is_symlink(dir.path() / "link.dxf"));
  EXPECT_EQ(ReadFile(dir / "echt/ziel.dxf").size(), 52u);
  EXPECT_EQ(dir.Names(), (std::vector<std::string>{"echt", "link.dxf"}));
}

// The handlers are process-wide, so each case runs in a child process. A
// signal in the middle of writing removes the temporary files of every open
// writer and ends the process by that signal; the targets keep their old
// content, a finished file stays. A signal ignored before stays ignored.
TEST(DxfWriterSignals, AnEndingSignalRemovesTheUnfinishedFiles) {
  for (const int sig : {SIGINT, SIGTERM, SIGHUP, SIGQUIT}) {
    TempDir dir;
    WriteFile(dir / "a.dxf", "alt");
    const bool ignored = sig == SIGHUP;  // as under nohup
    const pid_t pid = ::fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
      const rlimit noCore{0, 0};
      ::setrlimit(RLIMIT_CORE, &noCore);
      if (ignored) std::signal(SIGHUP, SIG_IGN);
      RemoveUnfinishedFilesOnSignals();
      DxfWriter a, b, done;
      AtomicFile other;  // any file the program writes, not only a drawing
      other.Open(dir / "c.geojson");
      other.Write("{");
      done.DXFFileName = dir / "fertig.dxf";
      done.DXFOpen();
      done.DXFClose();
      a.DXFFileName = dir / "a.dxf";
      a.DXFOpen();
      for (int i = 0; i < 10000; ++i) a.DXFLinie(i, i, i, 0, 0, 0, "FACE", "CONTINUOUS");
      b.DXFFileName = dir / "b.dxf";
      b.DXFOpen();
      ::raise(sig);
      a.DXFClose();
      ::_exit(ignored ? 0 : 3);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(pid, &status, 0), pid);
    if (ignored) {
      ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "ended by SIGHUP";
      EXPECT_EQ(ReadFile(dir / "a.dxf").size(), 52u + 10000 * 219);
      continue;
    }
    ASSERT_TRUE(WIFSIGNALED(status)) << "signal " << sig << " did not end the process";
    EXPECT_EQ(WTERMSIG(status), sig);
    EXPECT_EQ(dir.Names(), (std::vector<std::string>{"a.dxf", "fertig.dxf"})) << sig;
    EXPECT_EQ(ReadFile(dir / "a.dxf"), "alt");
  }
}

// --- Failures: the German text, the previous file untouched, no temporary
// file left, and a writer that works again afterwards.

void ExpectUsable(DxfWriter& w, const TempDir& dir) {
  EXPECT_FALSE(w.DXFIsOpen());
  w.DXFFileName = dir / "danach.dxf";
  w.DXFOpen();
  w.DXFLinie(1, 2, 3, 4, 5, 6, "L", "CONTINUOUS");
  w.DXFClose();
  EXPECT_EQ(ReadFile(dir / "danach.dxf").size(), 52u + 216);
}

// A pipe, a device or a link to one is refused before it is opened: opening
// a pipe nobody reads waits for ever, writing a device is no file.
TEST(DxfWriterFailure, APipeOrADeviceAsTargetIsRefusedAtOnce) {
  TempDir dir;
  const std::string read = dir / "gelesen.dxf", unread = dir / "ungelesen.dxf";
  ASSERT_EQ(::mkfifo(read.c_str(), 0600), 0);
  ASSERT_EQ(::mkfifo(unread.c_str(), 0600), 0);
  std::filesystem::create_symlink("/dev/null", dir.path() / "null.dxf");
  // A reader on the first pipe, so that a writer opening it would not wait.
  const int reader = ::open(read.c_str(), O_RDONLY | O_NONBLOCK);
  ASSERT_GE(reader, 0);
  DxfWriter w;
  for (const std::string& target : {read, std::string("/dev/null"), dir / "null.dxf", unread}) {
    w.DXFFileName = target;
    std::string text = "(kein Fehler)";
    try {
      w.DXFOpen();
      w.DXFClose();
    } catch (const Error& e) {
      text = e.what();
    }
    // Stop before the pipe without a reader, on which the writer would hang.
    ASSERT_EQ(text, "Dateizugriff verweigert") << target;
    EXPECT_FALSE(w.DXFIsOpen());
  }
  char buf[16];
  EXPECT_EQ(::read(reader, buf, sizeof buf), 0);  // nothing went into the pipe
  ::close(reader);
  struct stat st {};
  ASSERT_EQ(::lstat(read.c_str(), &st), 0);
  EXPECT_TRUE(S_ISFIFO(st.st_mode));
  EXPECT_TRUE(std::filesystem::is_symlink(dir.path() / "null.dxf"));
  EXPECT_EQ(dir.Names(), (std::vector<std::string>{"gelesen.dxf", "null.dxf", "ungelesen.dxf"}));
  ExpectUsable(w, dir);
}

TEST(DxfWriterFailure, AMissingFolderIsAnInvalidFileName) {
  TempDir dir;
  DxfWriter w;
  w.DXFFileName = dir / "fehlt/x.dxf";
  ExpectError([&] { w.DXFOpen(); }, "Ungültiger Dateiname");
  EXPECT_TRUE(dir.Names().empty());
  EXPECT_EQ(w.DXFFileName, dir / "fehlt/x.dxf");
  ExpectUsable(w, dir);
}

TEST(DxfWriterFailure, AFolderThatIsAFileIsAnInvalidFileName) {
  TempDir dir;
  WriteFile(dir / "datei", "kein Ordner");
  DxfWriter w;
  w.DXFFileName = dir / "datei/x.dxf";
  ExpectError([&] { w.DXFOpen(); }, "Ungültiger Dateiname");
  EXPECT_EQ(ReadFile(dir / "datei"), "kein Ordner");
  ExpectUsable(w, dir);
}

TEST(DxfWriterFailure, AnEmptyNameOrOneWithNulIsRefused) {
  TempDir dir;
  DxfWriter w;
  ExpectError([&] { w.DXFOpen(); }, "Ungültiger Dateiname");
  w.DXFFileName = dir / "a";
  w.DXFFileName += std::string(1, '\0') + "b.dxf";
  ExpectError([&] { w.DXFOpen(); }, "Ungültige Zeichen im Pfad");
  EXPECT_TRUE(dir.Names().empty());
  ExpectUsable(w, dir);
}

TEST(DxfWriterFailure, AFolderAsTargetIsDenied) {
  TempDir dir;
  std::filesystem::create_directory(dir.path() / "ordner.dxf");
  DxfWriter w;
  w.DXFFileName = dir / "ordner.dxf";
  ExpectError([&] { w.DXFOpen(); }, "Dateizugriff verweigert");
  EXPECT_TRUE(std::filesystem::is_directory(dir.path() / "ordner.dxf"));
  EXPECT_EQ(dir.Names(), std::vector<std::string>{"ordner.dxf"});
  ExpectUsable(w, dir);
}

TEST(DxfWriterFailure, AFolderWithoutWritePermissionIsDenied) {
  if (::geteuid() == 0) {
    GTEST_SKIP() << "running as root: folder permissions do not stop root from writing "
                    "(the other failure tests cover the clean-up)";
  }
  TempDir dir;
  std::filesystem::create_directory(dir.path() / "nurlesen");
  WriteFile(dir / "nurlesen/alt.dxf", "alt");
  std::filesystem::permissions(dir.path() / "nurlesen", std::filesystem::perms::owner_read |
                                                            std::filesystem::perms::owner_exec);
  DxfWriter w;
  w.DXFFileName = dir / "nurlesen/alt.dxf";
  ExpectError([&] { w.DXFOpen(); }, "Dateizugriff verweigert");
  std::filesystem::permissions(dir.path() / "nurlesen", std::filesystem::perms::owner_all);
  EXPECT_EQ(ReadFile(dir / "nurlesen/alt.dxf"), "alt");
  ExpectUsable(w, dir);
}

// Run as root, the same refusal is checked for an ordinary user: a child
// process drops to "nobody" and tries to write into a folder of root's.
TEST(DxfWriterFailure, AFolderWithoutWritePermissionIsDeniedToAnotherUser) {
  if (::geteuid() != 0) GTEST_SKIP() << "not root: the test above covers this";
  TempDir dir;
  namespace fs = std::filesystem;
  fs::permissions(dir.path(), fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec |
                                  fs::perms::others_read | fs::perms::others_exec);
  fs::create_directory(dir.path() / "nurlesen");
  fs::permissions(dir.path() / "nurlesen",
                  fs::perms::owner_all | fs::perms::others_read | fs::perms::others_exec);
  WriteFile(dir / "nurlesen/alt.dxf", "alt");
  const std::string target = dir / "nurlesen/alt.dxf";
  const pid_t pid = ::fork();
  ASSERT_GE(pid, 0);
  if (pid == 0) {
    if (::setgid(65534) != 0 || ::setuid(65534) != 0) ::_exit(3);
    DxfWriter w;
    w.DXFFileName = target;
    try {
      w.DXFOpen();
      ::_exit(4);
    } catch (const quervik::Error& e) {
      ::_exit(std::string(e.what()) == "Dateizugriff verweigert" && !w.DXFIsOpen() ? 0 : 5);
    }
  }
  int status = 0;
  ASSERT_EQ(::waitpid(pid, &status, 0), pid);
  ASSERT_TRUE(WIFEXITED(status));
  if (WEXITSTATUS(status) == 3) GTEST_SKIP() << "this machine does not let root become nobody";
  EXPECT_EQ(WEXITSTATUS(status), 0) << "4: the file was opened, 5: another error text";
  EXPECT_EQ(ReadFile(dir / "nurlesen/alt.dxf"), "alt");
  EXPECT_EQ(
      std::distance(fs::directory_iterator(dir.path() / "nurlesen"), fs::directory_iterator{}), 1);
}

TEST(DxfWriterFailure, AWriteProtectedFileIsDenied) {
  if (::geteuid() == 0) {
    GTEST_SKIP() << "running as root: a write-protected file is writable for root";
  }
  TempDir dir;
  WriteFile(dir / "geschuetzt.dxf", "alt");
  std::filesystem::permissions(dir / "geschuetzt.dxf", std::filesystem::perms::owner_read);
  DxfWriter w;
  w.DXFFileName = dir / "geschuetzt.dxf";
  ExpectError([&] { w.DXFOpen(); }, "Dateizugriff verweigert");
  EXPECT_EQ(ReadFile(dir / "geschuetzt.dxf"), "alt");
  ExpectUsable(w, dir);
}

// Limits the size of files this process writes, as a full disk would: a
// write beyond the limit fails with EFBIG instead of raising SIGXFSZ.
class FileSizeLimit {
 public:
  explicit FileSizeLimit(rlim_t bytes) {
    ::getrlimit(RLIMIT_FSIZE, &old_);
    previous_ = std::signal(SIGXFSZ, SIG_IGN);
    rlimit lim = old_;
    lim.rlim_cur = bytes;
    ::setrlimit(RLIMIT_FSIZE, &lim);
  }
  ~FileSizeLimit() {
    ::setrlimit(RLIMIT_FSIZE, &old_);
    std::signal(SIGXFSZ, previous_);
  }

 private:
  rlimit old_{};
  void (*previous_)(int) = nullptr;
};

TEST(DxfWriterFailure, AFullDiskWhileWritingKeepsThePreviousFile) {
  TempDir dir;
  WriteFile(dir / "teil.dxf", "alt");
  DxfWriter w;
  w.DXFFileName = dir / "teil.dxf";
  {
    FileSizeLimit limit(100000);
    w.DXFOpen();
    // Several megabytes: the buffer is written out, and fails, long before
    // the file is closed.
    ExpectError(
        [&] {
          for (int i = 0; i < 30000; ++i) w.DXFLinie(i, i, i, 0, 0, 0, "FACE", "CONTINUOUS");
          w.DXFClose();
        },
        "E/A-Fehler " + std::to_string(EFBIG));
  }
  EXPECT_FALSE(w.DXFIsOpen());
  EXPECT_EQ(ReadFile(dir / "teil.dxf"), "alt");
  EXPECT_EQ(dir.Names(), std::vector<std::string>{"teil.dxf"});
  ExpectUsable(w, dir);
}

TEST(DxfWriterFailure, AFullDiskAtCloseKeepsThePreviousFile) {
  TempDir dir;
  WriteFile(dir / "teil.dxf", "alt");
  DxfWriter w;
  w.DXFFileName = dir / "teil.dxf";
  {
    FileSizeLimit limit(20);
    w.DXFOpen();
    w.DXFLinie(1, 2, 3, 4, 5, 6, "L", "CONTINUOUS");  // still in the buffer
    ExpectError([&] { w.DXFClose(); }, "E/A-Fehler " + std::to_string(EFBIG));
  }
  EXPECT_EQ(ReadFile(dir / "teil.dxf"), "alt");
  EXPECT_EQ(dir.Names(), std::vector<std::string>{"teil.dxf"});
  ExpectUsable(w, dir);
}

TEST(DxfWriterFailure, ARenameThatFailsRemovesTheTemporaryFile) {
  TempDir dir;
  DxfWriter w;
  w.DXFFileName = dir / "ziel.dxf";
  w.DXFOpen();
  // Meanwhile a folder that is not empty took the name.
  std::filesystem::create_directory(dir.path() / "ziel.dxf");
  WriteFile(dir / "ziel.dxf/drin", "x");
  ExpectError([&] { w.DXFClose(); }, "Dateizugriff verweigert");
  EXPECT_EQ(dir.Names(), std::vector<std::string>{"ziel.dxf"});
  EXPECT_EQ(ReadFile(dir / "ziel.dxf/drin"), "x");
  ExpectUsable(w, dir);
}

TEST(DxfWriterFailure, TooManyOpenFiles) {
  TempDir dir;
  DxfWriter w;
  w.DXFFileName = dir / "x.dxf";
  rlimit old{};
  ::getrlimit(RLIMIT_NOFILE, &old);
  // No descriptor left above the lowest free one.
  const int lowest = ::dup(0);
  ASSERT_GE(lowest, 0);
  ::close(lowest);
  rlimit lim = old;
  lim.rlim_cur = static_cast<rlim_t>(lowest);
  ASSERT_EQ(::setrlimit(RLIMIT_NOFILE, &lim), 0);
  std::string text;
  try {
    w.DXFOpen();
  } catch (const Error& e) {
    text = e.what();
  }
  ::setrlimit(RLIMIT_NOFILE, &old);
  EXPECT_EQ(text, "Zu viele geöffnete Dateien");
  EXPECT_TRUE(dir.Names().empty());
  ExpectUsable(w, dir);
}

}  // namespace
}  // namespace quervik
