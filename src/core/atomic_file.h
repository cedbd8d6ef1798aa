// A file replaced as a whole: written under a temporary name beside its
// target and renamed over the target only when it is complete, so a failed
// export never leaves a broken file nor destroys the previous one.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

namespace quervik {

class AtomicFile {
 public:
  AtomicFile();
  ~AtomicFile();  // abandons an unfinished file
  AtomicFile(const AtomicFile&) = delete;
  AtomicFile& operator=(const AtomicFile&) = delete;

  // Starts writing a new file that will replace `path` (an unfinished
  // earlier one is abandoned). The bytes go to a temporary file beside the
  // target (same folder; the permissions of a new file, or those of the file
  // it replaces); a link is followed, so the file it points to is replaced
  // and the link stays. An existing device or pipe is written in place.
  // Raises the German file error ("Ungültiger Dateiname",
  // "Dateizugriff verweigert", "Zu viele geöffnete Dateien",
  // "E/A-Fehler %d"); an empty path is "Ungültiger Dateiname", one holding
  // NUL "Ungültige Zeichen im Pfad", and a target that is a folder or may
  // not be written is refused at once ("Dateizugriff verweigert"). After a
  // failure nothing is left behind and IsOpen() is false.
  void Open(std::string_view path);

  bool IsOpen() const;
  // The path given to Open (kept after the file is committed).
  const std::string& Path() const { return path_; }

  // Appends `bytes` (buffered). A failing write (a full disk) raises the
  // German file error after abandoning the file.
  void Write(std::string_view bytes);

  // The number of bytes written so far.
  std::uint64_t Size() const;

  // Overwrites bytes already written, from `offset` on (offset + size must
  // not pass Size()); for filling in what is only known at the end. A pipe
  // written in place cannot go back: that raises "E/A-Fehler 29".
  void WriteAt(std::uint64_t offset, std::string_view bytes);

  // Flushes, forces the bytes to disk and closes the temporary file, without
  // renaming it yet: several files can be finished first and committed
  // together afterwards. Raises like Write, after abandoning the file.
  void Finish();

  // Finishes the file if that is not done and renames it over its target.
  // A failure raises the German file error after abandoning the file; the
  // target keeps its previous content. IsOpen() is false afterwards.
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
};

}  // namespace quervik
