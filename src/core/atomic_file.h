// A file replaced as a whole: written under a temporary name beside its
// target and renamed over the target only when it is complete, so a failed
// or interrupted export never leaves a broken file nor destroys the
// previous one. Every file the program writes goes through here.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace quervik {

// The free space, in bytes, that a new file in `folder` may take, or nullopt
// when it cannot be found out.
using FreeSpaceFn = std::function<std::optional<std::uintmax_t>(const std::string& folder)>;

// The file system's own count: the blocks free to this user (to root also
// the reserved ones).
std::optional<std::uintmax_t> FileSystemFreeSpace(const std::string& folder);

// Whether a file of `bytes` bytes fits into the free space of the folder that
// AtomicFile::Open(path) writes into (a link followed; the folder is passed
// with its '/' at the end, "." for the working directory): lets an export
// refuse a file that cannot fit before it touches anything, instead of
// filling the disk first. `freeSpace` empty: FileSystemFreeSpace; tests put
// a small disk here. True when the free space is unknown (a folder that does
// not exist) or the path is empty or holds NUL: Open then reports what is
// wrong.
bool FitsBeside(std::string_view path, std::uintmax_t bytes, const FreeSpaceFn& freeSpace = {});

// Makes a process that is interrupted leave no temporary file behind:
// SIGINT (Ctrl-C), SIGTERM, SIGHUP and SIGQUIT remove the temporary file of
// every unfinished AtomicFile (the targets keep their previous content) and
// then end the process as the signal would have; a signal the process
// ignores stays ignored. A file-size limit no longer ends the process
// (SIGXFSZ ignored): the write fails with "E/A-Fehler 27". For programs that
// have no handlers of their own for these signals.
void RemoveUnfinishedFilesOnSignals();

class AtomicFile {
 public:
  // The size of the buffer in front of the file: the most Room may give.
  static constexpr std::size_t kBufferSize = std::size_t{1} << 20;

  AtomicFile();
  ~AtomicFile();  // abandons an unfinished file
  AtomicFile(const AtomicFile&) = delete;
  AtomicFile& operator=(const AtomicFile&) = delete;

  // Starts writing a new file that will replace `path` (an unfinished
  // earlier one is abandoned). The bytes go to a temporary file beside the
  // target (same folder; the permissions of a new file, or those of the file
  // it replaces); a link is followed, so the file it points to is replaced
  // and the link stays. Raises the German file error ("Ungültiger
  // Dateiname", "Dateizugriff verweigert", "Zu viele geöffnete Dateien",
  // "E/A-Fehler %d"): an empty path is "Ungültiger Dateiname", one holding
  // NUL "Ungültige Zeichen im Pfad"; a target that is not a plain file (a
  // folder, a pipe, a device, a socket) or may not be written is refused at
  // once, without opening it ("Dateizugriff verweigert": opening a pipe
  // nobody reads would wait for ever, and the rename would put a plain file
  // in its place). After a failure nothing is left behind and IsOpen() is
  // false.
  void Open(std::string_view path);

  bool IsOpen() const;
  // The path given to Open (kept after the file is committed).
  const std::string& Path() const { return path_; }

  // Appends `bytes`: small pieces are gathered in the buffer, a piece of
  // kDirectWrite bytes or more goes to the file as it is (after what is
  // buffered). A failing write (a full disk) raises the German file error
  // after abandoning the file; so do Room, WriteAt, Finish and Commit.
  // Called while no file is open, each raises "Keine Datei geöffnet".
  //
  // A large file is not left to pile up in memory until Finish forces it
  // to disk: after every kWritebackChunk bytes the system is asked to start
  // writing them out, and the write waits until the bytes more than
  // kWritebackLag behind are on disk; those then leave the page cache. The
  // disk thus works while the export is still computing, Finish has only
  // the last few megabytes to wait for, and a file of gigabytes neither
  // pushes everything else out of the cache nor makes the system reclaim
  // memory while it is written.
  void Write(std::string_view bytes);
  static constexpr std::size_t kDirectWrite = std::size_t{64} << 10;
  static constexpr std::uint64_t kWritebackChunk = std::uint64_t{8} << 20;
  static constexpr std::uint64_t kWritebackLag = std::uint64_t{32} << 20;

  // Room for `n` bytes (n <= kBufferSize) in the buffer, for formatting in
  // place: write them from the returned pointer and hand the end of what
  // was written to Advance before the next call.
  char* Room(std::size_t n);
  void Advance(const char* end);

  // The number of bytes written so far.
  std::uint64_t Size() const;

  // Overwrites bytes already written, from `offset` on (offset + size must
  // not pass Size()); for filling in what is only known at the end.
  void WriteAt(std::uint64_t offset, std::string_view bytes);

  // Flushes, forces the bytes to disk and closes the temporary file, without
  // renaming it yet: several files can be finished first and committed
  // together afterwards.
  void Finish();

  // Finishes the file if that is not done and renames it over its target.
  // After a failure the target keeps its previous content. IsOpen() is false
  // afterwards.
  void Commit();

  // Drops an unfinished file: closes and removes the temporary file and
  // leaves the target untouched. IsOpen() is false afterwards.
  void Abandon() noexcept;

 private:
  struct State;
  std::unique_ptr<State> state_;
  std::string path_;

  [[noreturn]] void Fail(int err);
  void Flush();
  void WriteOut(const char* p, std::size_t n);
  void Writeback();
};

}  // namespace quervik
